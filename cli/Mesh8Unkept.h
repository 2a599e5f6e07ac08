#pragma once
// What the Mesh8 layout has no place for, told before an export in that layout.

#include <string>

namespace mshtool {

/// Prints "mshtool: FILE: not kept: ..." when an object the exporter takes (a visible non-bone
/// node, selected when `selectedOnly`) has a two-sided material: a Mesh8 record always writes
/// the flag as one-sided.
void printTwoSidedNotKeptInMesh8(const std::string& file, bool selectedOnly);

} // namespace mshtool
