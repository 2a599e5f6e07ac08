#pragma once
// Cutting one triangle mesh into parts that each fit one model-file object: at most so many
// bones with weight, faces and host vertices per part.

#include "scene/SceneData.h"

#include <cstddef>
#include <vector>

namespace mshgltf {

/// What one object of a model-file layout holds.
struct ObjectLimits {
    size_t faces = 0;
    size_t vertices = 0;        ///< host vertices of an unskinned object
    size_t skinnedVertices = 0; ///< host vertices of a skinned object
    size_t bones = 0;           ///< bones with weight in one object; 0 when there is no limit
};

struct PartitionResult {
    std::vector<MeshData> parts;
    size_t reducedFaces = 0; ///< faces whose corners needed more bones than a part holds
};

/// Splits `mesh` into parts within `limits`. `hostVertex` gives the host vertex of every mesh
/// vertex (the scene builder's weld); each part records its own host numbering in
/// `sourceVertex`, so the builder gives it exactly the vertices counted here. A skin with more
/// bones than an object holds is first grouped by the bones its faces use (BoneGrouping.h);
/// then each group is cut into runs of faces in the mesh's order within the face and vertex
/// limits. Vertices on the seams are copied into every part that uses them. Linear in the mesh
/// size (map look-ups aside).
PartitionResult partitionMesh(const MeshData& mesh, const std::vector<int>& hostVertex,
                              const ObjectLimits& limits);

} // namespace mshgltf
