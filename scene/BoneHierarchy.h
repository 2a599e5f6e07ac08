#pragma once
// A hierarchy the model files can hold: the BN file holds bones only and is imported before
// the MSH file, so a bone can only hang from another bone or from the top.

#include "scene/SceneData.h"

namespace mshgltf {

/// Hangs every bone whose parent is not a bone (a skinned mesh, as some exporters write it)
/// from its nearest bone ancestor, or the top, keeping its world transform. One line in
/// `report` says which bones moved.
void hangBonesFromBones(SceneData& scene, BridgeReport& report);

} // namespace mshgltf
