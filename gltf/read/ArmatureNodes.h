#pragma once
// Armature nodes: Blender writes each armature object as a node without mesh above its
// joints, itself no joint. It is no bone of the model, and the BN file holds world
// transforms, so the bones need nothing of it but its transform, which their world
// transforms already hold.

#include "scene/BridgeReport.h"

#include <tiny_gltf.h>

#include <vector>

namespace mshgltf {

/// Marks every armature node in `synthetic` (nodes the bridge leaves out, their children
/// hanging from the next node up where they stand): a node without mesh that is no joint,
/// is not flagged `mshBone` and has a joint below it along `gltfParent`. One warning line
/// names those of the converted scene (`included`).
void leaveOutArmatureNodes(const tinygltf::Model& model, const std::vector<int>& gltfParent,
                           const std::vector<bool>& isJoint, const std::vector<bool>& included,
                           std::vector<bool>& synthetic, BridgeReport& report);

} // namespace mshgltf
