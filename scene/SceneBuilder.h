#pragma once
// SceneData into the host's current scene, through SDK calls only, the way a script in the
// host would build it.

#include "scene/SceneData.h"

namespace mshgltf {

/// Creates one node per scene node (and one more per further material of a mesh with several,
/// as a child named after the material), each with its name, parent, world transform, mesh,
/// standard material and, for skinned meshes, a Skin modifier bound in the bind pose. Texture
/// maps are given the bare file name of their bitmap. Returns false with `error` only when the
/// data cannot be built (a mesh the host cannot index). Each mesh's data is released once the
/// host holds it (its weights once its skin is bound), so the scene is not held twice: the
/// meshes are empty afterwards.
bool buildScene(SceneData& scene, BridgeReport& report, std::string& error);

/// The name buildScene gives the node of a further material's mesh (`mesh` > 0) of `node`.
std::string extraMeshNodeName(const SceneData& scene, const NodeData& node, size_t mesh);

} // namespace mshgltf
