#pragma once
// Bringing a model into the in-memory scene the way an artist does: its BN file first, so the
// MSH file's parents and bones are found by name, then the MSH file.

#include "cli/PluginSession.h"

#include <string>

namespace mshtool {

/// The BN file that goes with an MSH file: `explicitBones` when given; otherwise, unless
/// `noBones`, the file beside it with the same stem and extension ".bn" (or ".BN") if it
/// exists; else empty.
std::string boneFileFor(const std::string& mshPath, const std::string& explicitBones, bool noBones);

/// Resets the scene and imports `bonePath` (when not empty) and then `mshPath` through the
/// importer plug-in. False, after saying why on stderr, when either import failed. The
/// importer's messages (missing parents or bones) set `lost`.
bool importModel(PluginSession& session, const std::string& mshPath, const std::string& bonePath,
                 bool& lost);

} // namespace mshtool
