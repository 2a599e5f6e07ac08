#include "gltf/read/ArmatureNodes.h"

#include "gltf/core/ExtrasNames.h"
#include "gltf/core/NodeNaming.h"

namespace mshgltf {
namespace {

// The bridge's own bone flag: true, or 1 as Blender writes it back.
bool flaggedBone(const tinygltf::Node& node) {
    if (!node.extras.IsObject() || !node.extras.Has(extras::bone))
        return false;
    const tinygltf::Value& flag = node.extras.Get(extras::bone);
    return (flag.IsBool() && flag.Get<bool>()) || (flag.IsInt() && flag.Get<int>() == 1);
}

} // namespace

void leaveOutArmatureNodes(const tinygltf::Model& model, const std::vector<int>& gltfParent,
                           const std::vector<bool>& isJoint, const std::vector<bool>& included,
                           std::vector<bool>& synthetic, BridgeReport& report) {
    std::vector<bool> holdsJoint(model.nodes.size(), false);
    for (size_t n = 0; n < model.nodes.size(); ++n)
        if (isJoint[n])
            for (int p = gltfParent[n]; p >= 0 && !holdsJoint[size_t(p)]; p = gltfParent[size_t(p)])
                holdsJoint[size_t(p)] = true;
    for (size_t n = 0; n < model.nodes.size(); ++n) {
        const tinygltf::Node& node = model.nodes[n];
        if (!holdsJoint[n] || isJoint[n] || node.mesh >= 0 || synthetic[n] || flaggedBone(node))
            continue;
        synthetic[n] = true;
        if (included[n])
            report.warn(importedNodeName(node.name, n),
                        "a node above the joints that is no joint itself (an armature); left out "
                        "rather than made a bone, its transform kept in the bones' world "
                        "transforms");
    }
}

} // namespace mshgltf
