#pragma once
// Reads the host's current scene into SceneData, through SDK calls only.

#include "scene/SceneData.h"

namespace mshgltf {

/// Every node of the scene (depth first, children in index order) with its transforms,
/// triangle mesh, material and skin. Object offsets are baked into the vertices of unskinned
/// meshes; skinned meshes keep object-space vertices, since their skin binds that space.
/// Faces that cannot be read (a vertex index past the mesh) are left out and reported.
SceneData snapshotScene(BridgeReport& report);

} // namespace mshgltf
