#pragma once
// BBX files for `info` and `check`: the model's name and the box of its bones, 280 bytes.

#include "cli/ModelCheck.h"
#include "format/BbxLayout.h"

#include <string>

namespace mshtool {

/// Reads a BBX file; false with `error` (one message naming the file) when it cannot be
/// opened or is not exactly 280 bytes long.
bool readBbxFile(const std::string& path, BbxFileLayout& file, std::string& error);

/// The box an export without bones writes: the minimum at the largest float and the maximum
/// at the most negative one (or, as earlier exports wrote, at the smallest positive float).
bool isEmptyBox(const BbxFileLayout& file);

/// The name field's text, decoded as the importer decodes names.
std::string bbxModelName(const BbxFileLayout& file);

/// Checks the size, the name field (text, zero-filled, the file's own name less its last four
/// characters) and the box (finite, minimum not above maximum unless empty); with `bones`,
/// that the box is the union of the bones' boxes.
CheckResult checkBbxFile(const std::string& path, const BoneFile* bones);

} // namespace mshtool
