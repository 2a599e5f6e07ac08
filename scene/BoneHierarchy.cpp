#include "scene/BoneHierarchy.h"

namespace mshgltf {

void hangBonesFromBones(SceneData& scene, BridgeReport& report) {
    std::string moved;
    size_t count = 0;
    for (NodeData& node : scene.nodes) {
        int parent = node.parent;
        if (!node.isBone || parent < 0 || scene.nodes[size_t(parent)].isBone)
            continue;
        while (parent >= 0 && !scene.nodes[size_t(parent)].isBone)
            parent = scene.nodes[size_t(parent)].parent;
        // World transforms are absolute, so the bone stays where it stands.
        moved += (count++ ? ", " : "") + node.name + " (from " +
                 scene.nodes[size_t(node.parent)].name + " to " +
                 (parent >= 0 ? scene.nodes[size_t(parent)].name : std::string("the top")) + ")";
        node.parent = parent;
    }
    if (count > 0)
        report.warnings.push_back(std::to_string(count) +
                                  " bone(s) hang from nodes that are not bones, which a BN file "
                                  "cannot hold; re-parented to their nearest bone ancestor (or "
                                  "the top), where they stand: " +
                                  moved);
}

} // namespace mshgltf
