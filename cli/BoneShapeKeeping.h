#pragma once
// A BN file written over another keeps the shapes the scene does not have: a glTF without bone
// shapes (or one that went through Blender) still names the bones, and writing its bones as
// points would replace the artist's bone meshes and the BBX box made from them.

#include <string>

namespace mshtool {

/// Gives every bone of the scene that has no geometry the mesh of the record of the same name
/// in the BN file at `bonePath`, when that record has one, and says so in one line. Does
/// nothing when the file does not exist or cannot be read as a BN file.
void keepExistingBoneShapes(const std::string& bonePath);

} // namespace mshtool
