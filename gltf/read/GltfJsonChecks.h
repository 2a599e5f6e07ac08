#pragma once
// Checks of a glTF file's JSON made before the loader reads it: the loader takes any glTF
// version for 2.0, and skips members of the wrong type without a word, so what it drops is
// found here and said.

#include "scene/BridgeReport.h"

#include <nlohmann/json_fwd.hpp>

#include <string>

namespace mshgltf {

/// False with `error` ("a glTF 1.0 file; only glTF 2.0 is read") for a file of another
/// version: a .glb whose header says so, or JSON whose `asset.version` says so or, without
/// it, which holds glTF 1.0's dictionaries where 2.0 has arrays. `doc` is the file's parsed
/// JSON, or null when it could not be read (the loader then says why).
bool checkGltfVersion(const std::string& path, const nlohmann::json* doc, std::string& error);

/// Members the bridge uses that have the wrong type (or an index below 0). Those that place
/// geometry (attributes, indices, children, transforms, joints) refuse the file with `error`;
/// those whose loss only takes something away (a mesh's primitives, a material, a texture,
/// an applied extension) are `lost:` lines naming the member.
bool checkMemberTypes(const nlohmann::json& doc, BridgeReport& report, std::string& error);

} // namespace mshgltf
