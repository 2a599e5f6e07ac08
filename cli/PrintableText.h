#pragma once
// Text read from files, shown on a terminal or in a log: control characters and bytes that
// are not UTF-8 would move the cursor, ring the bell or split one message over several lines.

#include <string>

namespace mshtool {

/// `text` with every control character (C0, DEL, C1) and every byte that is not part of valid
/// UTF-8 written as \xNN (C1 characters as \u00NN); everything else, backslashes included, as
/// it is.
std::string printableText(const std::string& text);

} // namespace mshtool
