#pragma once
// EXT_mesh_gpu_instancing: a node that draws its mesh once per instance.

#include "scene/AffineMatrix.h"

#include <tiny_gltf.h>

#include <string>
#include <vector>

namespace mshgltf {

/// The instance transforms of `node` (glTF frame, each applied before the node's own
/// transform); empty when the node is not instanced. False with `error` when the extension's
/// accessors are missing, of the wrong type or of different counts.
bool gpuInstances(const tinygltf::Model& model, const tinygltf::Node& node,
                  std::vector<AffineMatrix>& instances, std::string& error);

} // namespace mshgltf
