#pragma once
// Names compared without letter case, one rule for all of them: Windows compares file names so,
// and the names a model file holds are Latin-1.

#include <string>

namespace mshgltf {

/// ASCII and Latin-1 capitals (U+00C0-U+00DE but the multiplication sign) become small
/// letters; everything else stays as it is.
std::wstring caseFolded(std::wstring text);
/// The same on UTF-8 text, byte by byte: bytes that are not UTF-8 stay as they are, so text
/// folds alike however it was read.
std::string caseFolded(std::string utf8);

} // namespace mshgltf
