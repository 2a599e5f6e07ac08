#pragma once
// Grouping the faces of a skinned mesh into parts that use few bones each.

#include "scene/SceneData.h"

#include <cstddef>
#include <vector>

namespace mshgltf {

/// Bone numbers in ascending order, so that equal sets compare equal.
using BoneSet = std::vector<int>;

struct FaceBones {
    BoneSet bones;        ///< the bones with weight at the face's corners
    bool reduced = false; ///< its corners used more bones; they keep only `bones`
};

/// The bone part of every face (parts numbered in the order of their first faces), and each
/// face's bones in `faces`. Faces are grouped by their bone sets, larger sets first: a set goes
/// to a part that already holds its bones, else to the part being filled when the union still
/// fits `limit`, else it starts a new part. A face whose corners use more than `limit` bones
/// keeps each corner's strongest, then the heaviest of the others summed over the corners.
std::vector<int> splitByBones(const MeshData& mesh, size_t limit, std::vector<FaceBones>& faces,
                              int& partCount);

/// A corner's influences on `bones` only, rescaled to the corner's former total.
std::vector<Influence> keptInfluences(const std::vector<Influence>& influences,
                                      const BoneSet& bones);

/// Number of distinct bones with a non-zero weight in `mesh`.
size_t bonesWithWeight(const MeshData& mesh);

} // namespace mshgltf
