#pragma once
// A glTF file may hold several scenes; a model file holds one. The default scene (`scene`,
// else scene 0) is converted, with the joints its skins need.

#include "scene/BridgeReport.h"

#include <tiny_gltf.h>

#include <string>
#include <vector>

namespace mshgltf {

/// For each node, whether it belongs to the default scene: below one of its root nodes, or a
/// joint (or an ancestor of one) of a skin such a node uses. Every node when the file has no
/// scene. Other scenes' nodes and nodes of no scene are reported and counted as left out.
/// False with `error` when the scene or a node it names does not exist.
bool nodesOfDefaultScene(const tinygltf::Model& model, const std::vector<int>& parents,
                         std::vector<bool>& included, BridgeReport& report, std::string& error);

} // namespace mshgltf
