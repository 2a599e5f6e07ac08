#pragma once
// Bringing a model into the in-memory scene the way an artist does: its BN file first, so the
// MSH file's parents and bones are found by name, then the MSH file.

#include "cli/PluginSession.h"

#include <string>
#include <vector>

namespace mshtool {

/// The BN file that goes with an MSH file: `explicitBones` when given; otherwise, unless
/// `noBones`, the file beside it with the same stem and extension ".bn" (or ".BN") if it
/// exists; else empty.
std::string boneFileFor(const std::string& mshPath, const std::string& explicitBones, bool noBones);

/// False, after saying on stderr what the file is instead, when `path` is not a file the
/// importer can read as a model (`boneFile`: as a BN file, which has the legacy layout).
bool isImportableModel(const std::string& path, bool boneFile);

/// True, after saying to give it with --bones, when `path` is a BN file: it has the legacy
/// layout, so the importer would take its bones for a model without objects.
bool refuseBoneFileAsModel(const std::string& path);

/// The files an export to `mshPath` writes: the MSH file and, with `bones`, the BN file and,
/// in the legacy layout, the BBX file, named as the exporter names them.
std::vector<std::string> exportedFiles(const std::string& mshPath, bool bones, bool mesh8);

/// Resets the scene and imports `bonePath` (when not empty) and then `mshPath` through the
/// importer plug-in. False, after saying why on stderr, when either import failed. The
/// importer's messages (missing parents or bones) set `lost`.
bool importModel(PluginSession& session, const std::string& mshPath, const std::string& bonePath,
                 bool& lost);

} // namespace mshtool
