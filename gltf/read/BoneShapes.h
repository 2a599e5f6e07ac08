#pragma once
// Bone shapes: a bone's geometry is a mesh no node draws, named in the bone node's extras by
// index and by name. Other tools renumber and remove meshes they see drawn nowhere (a prune
// step), so the index alone may point at another model's body: a reference is taken only when
// it leads to an undrawn mesh of the name it records.

#include <tiny_gltf.h>

#include <string>
#include <vector>

namespace mshgltf {

/// One node's bone shape: the mesh taken (-1 for none) and, when a reference was not taken,
/// why, in words for the user.
struct BoneShapeReference {
    int mesh = -1;
    std::string problem;
};

/// The bone shape of every node of `model`, by node number. A reference by index alone (files
/// written before the name was recorded) is taken when no node draws that mesh.
std::vector<BoneShapeReference> boneShapeReferences(const tinygltf::Model& model);

} // namespace mshgltf
