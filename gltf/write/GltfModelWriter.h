#pragma once
// SceneData to a glTF 2.0 model and file.

#include "scene/SceneData.h"

#include <tiny_gltf.h>

#include <string>

namespace mshgltf {

/// Builds the glTF model of a scene: axes turned to Y-up, one glTF node per scene node with
/// its transform relative to its parent, meshes, materials, skins and the bridge's extras
/// (see gltf/README.md for every choice).
tinygltf::Model buildGltfModel(const SceneData& scene, BridgeReport& report);

/// Writes the model to `path` (UTF-8): binary glTF when it ends in ".glb", else JSON with a
/// ".bin" of the same stem beside it, named as the model is and referred to by its
/// percent-encoded name. Each file is written under a temporary name and renamed, so a failed
/// write leaves no partial model. The binary data is written from the model's buffer as it is
/// (the buffer is lent out while the JSON is made, and given back). False with `error` when
/// writing failed.
bool writeGltfModel(tinygltf::Model& model, const std::string& path, std::string& error);

} // namespace mshgltf
