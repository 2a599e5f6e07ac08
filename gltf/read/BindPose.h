#pragma once
// Where a glTF file's skinned objects and their joints stood when the skins were bound, in
// glTF's frame. For joint j of a skin, B(j) = IBM(j) * world(j) (row vectors) is the skinned
// object's transform at bind time; exporters write it into the inverse bind matrices (a Y-up
// to Z-up turn, the mesh node's place), so it is taken from there, never assumed.

#include "scene/SceneData.h"

#include <tiny_gltf.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace mshgltf {

/// The bind of one skinned mesh node.
struct SkinnedObjectBind {
    AffineMatrix objectWorld = AffineMatrix::identity(); ///< the object's transform
    std::vector<AffineMatrix> jointBind;                 ///< bind world of each skin joint
    /// The bridge recorded the object's transform; the mesh then carries its object-space
    /// positions as `_MSH_POSITION` where they differ from POSITION.
    bool recorded = false;
    /// Maps POSITION (bind space) into the object's space: the identity unless a recorded
    /// transform differs from the bind transform (a file another program wrote again, keeping
    /// the extras but not the object-space positions).
    AffineMatrix bindSpaceToObject = AffineMatrix::identity();
};

struct BindPoses {
    std::map<size_t, SkinnedObjectBind> objects; ///< by skinned mesh node
    std::map<size_t, AffineMatrix> movedJoints;  ///< posed joint -> the bind world it goes to
    std::set<size_t> jointsAtBind;               ///< joints that stay exactly where they are
};

/// Resolves every node with a mesh and a skin. A skin whose joints all give the same B
/// (within a tolerance relative to the model's size) is in its bind pose: the object takes B
/// and no joint moves. Otherwise the file is posed: B is the mesh node's world matrix, or else
/// the identity, when some joints agree with it; else the value most joints share; else the
/// node's matrix. The other joints are set to inverse(IBM) * B; one line says how many moved.
/// `world` is each node's world transform along the file's hierarchy; `synthetic` marks the
/// bridge's own helper nodes, which are never reported as moved; only mesh nodes `converted`
/// marks are resolved. False with `error` for a skin the file cannot support (a missing skin,
/// joint or accessor, a singular matrix).
bool resolveBindPoses(const tinygltf::Model& model, const std::vector<AffineMatrix>& world,
                      const std::vector<bool>& synthetic, const std::vector<bool>& converted,
                      BindPoses& out, BridgeReport& report, std::string& error);

/// The object transform the bridge recorded on a skinned mesh node: `mshObjectMatrix` (text),
/// or the `mshMatrix` array older files hold. False when there is none.
bool recordedObjectMatrix(const tinygltf::Value& extras, AffineMatrix& matrix);

/// True when every primitive of mesh `mesh` carries the bridge's object-space positions.
bool carriesObjectPositions(const tinygltf::Model& model, int mesh);

/// Moves skinned meshes read in bind space into their object's space (host frame); the
/// identity leaves every bit as it is.
void moveIntoObjectSpace(const AffineMatrix& bindSpaceToObject, std::vector<MeshData>& meshes);

} // namespace mshgltf
