#pragma once
// How to-gltf and from-gltf tell the user what the glTF bridge met: one line per kind of
// problem (repeats collapsed), then a closing summary per file.

#include "scene/BridgeReport.h"

#include <string>

namespace mshtool {

/// Prints the report's warnings, what the target has no place for and losses about `file` on
/// stderr ("mshtool: FILE: warning: ...", "mshtool: FILE: not kept: ...", "mshtool: FILE:
/// lost: ..."); true when something was lost. What is not kept is a warning: no conversion
/// could keep it, so it must not stop a script or keep an output from being replaced.
bool printBridgeReport(const std::string& file, const mshgltf::BridgeReport& report);

/// "FILE: 5 objects and 12 bones written, 1 split, 0 left out", shown on stdout once the
/// files are in place.
std::string bridgeSummary(const std::string& file, const mshgltf::BridgeReport& report);

} // namespace mshtool
