#pragma once
// The host mesh's shared vertices for a mesh that carries everything per vertex: the numbering
// the bridge recorded in its own files, else a weld for files from other tools.

#include "scene/SceneData.h"

#include <vector>

namespace mshgltf {

/// The host vertex of every vertex of `mesh`, and their number: the recorded `sourceVertex`
/// numbering when it is consistent and not far beyond the data, else vertices with bit-equal
/// position and skin weights merged, numbered in order of first appearance.
std::vector<int> weldVertices(const MeshData& mesh, int& vertexCount);

} // namespace mshgltf
