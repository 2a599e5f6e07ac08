#include "gltf/read/BindPose.h"

#include "gltf/core/ExtrasNames.h"
#include "gltf/core/GltfAccessors.h"
#include "gltf/core/NodeNaming.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>

namespace mshgltf {
namespace {

// Two bind transforms closer than this share of the model's size place it alike; exporters
// round their matrices to float, so exact equality would call every file posed.
const double sizeTolerance = 1e-4;
// Float rounding grows with the distance from the origin, whatever the model's size.
const double reachTolerance = 1e-6;

using Corner = std::array<double, 3>;

std::array<double, 3> place(const Corner& p, const AffineMatrix& m) {
    std::array<double, 3> r;
    for (int j = 0; j < 3; ++j)
        r[size_t(j)] = p[0] * m.m[0][j] + p[1] * m.m[1][j] + p[2] * m.m[2][j] + m.m[3][j];
    return r;
}

// The corners of the box around the model in bind space (its vertices and its joints'
// origins): an affine map moves no point of the model further than one of these.
class ModelBox {
public:
    void add(double x, double y, double z) {
        Corner p = {x, y, z};
        for (size_t k = 0; k < 3; ++k) {
            lo[k] = empty ? p[k] : std::min(lo[k], p[k]);
            hi[k] = empty ? p[k] : std::max(hi[k], p[k]);
        }
        empty = false;
    }
    std::vector<Corner> corners() const {
        std::vector<Corner> result;
        for (int c = 0; c < 8; ++c)
            result.push_back({c & 1 ? hi[0] : lo[0], c & 2 ? hi[1] : lo[1], c & 4 ? hi[2] : lo[2]});
        return result;
    }

private:
    Corner lo = {0, 0, 0}, hi = {0, 0, 0};
    bool empty = true;
};

// True when `a` and `b` put every corner of the model at the same place, within the
// tolerance of the model's size as either of them places it.
bool sameBind(const std::vector<Corner>& corners, const AffineMatrix& a, const AffineMatrix& b) {
    double distance = 0.0, reach = 0.0;
    Corner lo = {0, 0, 0}, hi = {0, 0, 0};
    for (size_t c = 0; c < corners.size(); ++c) {
        Corner pa = place(corners[c], a), pb = place(corners[c], b);
        double apart = 0.0;
        for (size_t k = 0; k < 3; ++k) {
            apart += (pa[k] - pb[k]) * (pa[k] - pb[k]);
            reach = std::max(reach, std::max(std::fabs(pa[k]), std::fabs(pb[k])));
            lo[k] = c == 0 ? std::min(pa[k], pb[k]) : std::min(lo[k], std::min(pa[k], pb[k]));
            hi[k] = c == 0 ? std::max(pa[k], pb[k]) : std::max(hi[k], std::max(pa[k], pb[k]));
        }
        distance = std::max(distance, std::sqrt(apart));
    }
    double size = std::sqrt((hi[0] - lo[0]) * (hi[0] - lo[0]) + (hi[1] - lo[1]) * (hi[1] - lo[1]) +
                            (hi[2] - lo[2]) * (hi[2] - lo[2]));
    return distance <= sizeTolerance * size + reachTolerance * reach;
}

std::string skinName(const tinygltf::Model& model, int skin) {
    const std::string& name = model.skins[size_t(skin)].name;
    return name.empty() ? std::to_string(skin) : name;
}

// One matrix per joint (the identity when the skin has none); false with `error` when the
// accessor is malformed or a matrix cannot be inverted.
bool readInverseBinds(const tinygltf::Model& model, int skinIndex,
                      std::vector<AffineMatrix>& inverseBind, std::vector<AffineMatrix>& bind,
                      std::string& error) {
    const tinygltf::Skin& skin = model.skins[size_t(skinIndex)];
    std::string where = "skin " + skinName(model, skinIndex);
    AccessorValues values;
    if (skin.inverseBindMatrices >= 0) {
        std::string why;
        if (!readAccessor(model, skin.inverseBindMatrices, values, why)) {
            error = where + " inverse bind matrices: " + why;
            return false;
        }
        if (values.components != 16 || values.count < skin.joints.size()) {
            error = where + ": inverse bind matrices are not one MAT4 per joint";
            return false;
        }
    }
    for (size_t j = 0; j < skin.joints.size(); ++j) {
        AffineMatrix m = AffineMatrix::identity();
        if (skin.inverseBindMatrices >= 0)
            fromGltfArray(std::vector<double>(values.values.begin() + long(j * 16),
                                              values.values.begin() + long(j * 16 + 16)),
                          m);
        AffineMatrix inverse;
        if (!invertAffine(m, inverse)) {
            error = where + ": inverse bind matrix " + std::to_string(j) + " is singular";
            return false;
        }
        inverseBind.push_back(m);
        bind.push_back(inverse);
    }
    return true;
}

// The model in bind space: the mesh's positions (those that can be read; the mesh reader
// reports the others) and every joint's origin.
std::vector<Corner> bindSpaceCorners(const tinygltf::Model& model, int meshIndex,
                                     const std::vector<AffineMatrix>& jointBindSpace) {
    ModelBox box;
    for (const AffineMatrix& joint : jointBindSpace)
        box.add(joint.m[3][0], joint.m[3][1], joint.m[3][2]);
    if (meshIndex >= 0 && size_t(meshIndex) < model.meshes.size())
        for (const tinygltf::Primitive& primitive : model.meshes[size_t(meshIndex)].primitives) {
            auto position = primitive.attributes.find("POSITION");
            AccessorValues values;
            std::string ignored;
            if (position == primitive.attributes.end() ||
                !readAccessor(model, position->second, values, ignored) || values.components != 3)
                continue;
            for (size_t i = 0; i + 2 < values.values.size(); i += 3)
                box.add(values.values[i], values.values[i + 1], values.values[i + 2]);
        }
    return box.corners();
}

// The bind transform of a skin. Exporters start from the mesh node's world matrix (Y-up
// exporters, the bridge) or from the identity (vertices in world space, as Blender writes
// them), and a posed chain of joints shares one wrong value and can outnumber the joints at
// rest. So: the first of those two that some joints agree with (exact, where the joints'
// products are rounded); else the value most joints share, when one group holds at least two
// and is larger than any other, or all joints agree; else (`agreed` false) the root joint's,
// never the node's matrix, which glTF ignores for a skinned mesh.
AffineMatrix chooseBind(const std::vector<Corner>& corners, const std::vector<AffineMatrix>& given,
                        const AffineMatrix& nodeWorld, size_t rootJoint, bool& agreed) {
    agreed = true;
    std::vector<std::vector<size_t>> groups;
    for (size_t j = 0; j < given.size(); ++j) {
        auto group = std::find_if(groups.begin(), groups.end(), [&](const std::vector<size_t>& g) {
            return sameBind(corners, given[g[0]], given[j]);
        });
        if (group == groups.end())
            groups.push_back({j});
        else
            group->push_back(j);
    }
    for (const AffineMatrix& start : {nodeWorld, AffineMatrix::identity()})
        for (const std::vector<size_t>& group : groups)
            if (sameBind(corners, given[group[0]], start))
                return start;
    std::stable_sort(groups.begin(), groups.end(),
                     [](const std::vector<size_t>& a, const std::vector<size_t>& b) {
                         return a.size() > b.size();
                     });
    if (groups.size() == 1 ||
        (groups.size() > 1 && groups[0].size() >= 2 && groups[0].size() > groups[1].size()))
        return given[groups[0][0]];
    if (given.empty()) // a skin without joints has no bind to disagree on
        return nodeWorld;
    agreed = false;
    return given[rootJoint];
}

// Each node's parent along the file's children lists (indices checked by the reader).
std::vector<int> parentsOf(const tinygltf::Model& model) {
    std::vector<int> parents(model.nodes.size(), -1);
    for (size_t n = 0; n < model.nodes.size(); ++n)
        for (int child : model.nodes[n].children)
            if (child >= 0 && size_t(child) < parents.size())
                parents[size_t(child)] = int(n);
    return parents;
}

// The first joint of the skin that no other joint of it is above.
size_t rootJointOf(const std::vector<int>& joints, const std::vector<int>& parents) {
    std::set<int> skinJoints(joints.begin(), joints.end());
    for (size_t j = 0; j < joints.size(); ++j) {
        int p =
            joints[j] >= 0 && size_t(joints[j]) < parents.size() ? parents[size_t(joints[j])] : -1;
        while (p >= 0 && !skinJoints.count(p))
            p = parents[size_t(p)];
        if (p < 0)
            return j;
    }
    return 0;
}

// How far the bind `bind` turns the file's bind-space positions, in whole degrees.
long turnInDegrees(const AffineMatrix& bind) {
    double trace = 0.0;
    for (int r = 0; r < 3; ++r) {
        double length = std::sqrt(bind.m[r][0] * bind.m[r][0] + bind.m[r][1] * bind.m[r][1] +
                                  bind.m[r][2] * bind.m[r][2]);
        trace += length > 0.0 ? bind.m[r][r] / length : 1.0;
    }
    double cosine = std::max(-1.0, std::min(1.0, (trace - 1.0) / 2.0));
    return std::lround(std::acos(cosine) * 180.0 / 3.14159265358979323846);
}

// Said when no two joints agree: where the model is put, instead of the node's own place.
void reportNoAgreedBind(const tinygltf::Model& model, size_t node, int rootJoint,
                        const AffineMatrix& bind, BridgeReport& report) {
    long degrees = turnInDegrees(bind);
    std::string turn = degrees == 0 ? std::string()
                                    : "; the model turns by " + std::to_string(degrees) +
                                          " degrees from the positions the file holds";
    report.warn(importedNodeName(model.nodes[node].name, node),
                "its skin's joints agree on no bind pose; returned to its bind pose as its root "
                "joint " +
                    importedNodeName(model.nodes[size_t(rootJoint)].name, size_t(rootJoint)) +
                    " places it (glTF ignores the node's own transform)" + turn);
}

} // namespace

bool carriesObjectPositions(const tinygltf::Model& model, int mesh) {
    if (mesh < 0 || size_t(mesh) >= model.meshes.size())
        return false;
    for (const tinygltf::Primitive& primitive : model.meshes[size_t(mesh)].primitives)
        if (!primitive.attributes.count(extras::positionAttribute))
            return false;
    return true;
}

void moveIntoObjectSpace(const AffineMatrix& bindSpaceToObject, std::vector<MeshData>& meshes) {
    AffineMatrix inverse;
    if (bindSpaceToObject.isIdentity() || !invertAffine(bindSpaceToObject, inverse))
        return;
    for (MeshData& mesh : meshes) {
        for (Point3& p : mesh.positions)
            p = transformPoint(bindSpaceToObject, p);
        for (Point3& n : mesh.normals)
            n = transformNormal(inverse, n);
    }
}

bool recordedObjectMatrix(const tinygltf::Value& extras, AffineMatrix& matrix) {
    if (!extras.IsObject())
        return false;
    if (extras.Has(extras::objectMatrix)) {
        const tinygltf::Value& text = extras.Get(extras::objectMatrix);
        return text.IsString() && fromGltfText(text.Get<std::string>(), matrix);
    }
    if (!extras.Has(extras::objectMatrixArray))
        return false;
    const tinygltf::Value& array = extras.Get(extras::objectMatrixArray);
    if (!array.IsArray() || array.ArrayLen() != 16)
        return false;
    std::vector<double> values;
    for (int i = 0; i < 16; ++i) {
        if (!array.Get(i).IsNumber())
            return false;
        values.push_back(array.Get(i).GetNumberAsDouble());
    }
    return fromGltfArray(values, matrix);
}

bool resolveBindPoses(const tinygltf::Model& model, const std::vector<AffineMatrix>& world,
                      const std::vector<bool>& synthetic, const std::vector<bool>& converted,
                      BindPoses& out, BridgeReport& report, std::string& error) {
    std::vector<int> parents = parentsOf(model);
    for (size_t n = 0; n < model.nodes.size(); ++n) {
        const tinygltf::Node& node = model.nodes[n];
        if (!converted[n] || node.skin < 0 || node.mesh < 0)
            continue;
        if (size_t(node.skin) >= model.skins.size()) {
            error = "node " + (node.name.empty() ? "node" + std::to_string(n) : node.name) +
                    " names skin " + std::to_string(node.skin) + " that does not exist";
            return false;
        }
        const std::vector<int>& joints = model.skins[size_t(node.skin)].joints;
        std::vector<AffineMatrix> inverseBind, jointBindSpace;
        if (!readInverseBinds(model, node.skin, inverseBind, jointBindSpace, error))
            return false;
        std::vector<AffineMatrix> given; // B(j)
        for (size_t j = 0; j < joints.size(); ++j) {
            if (joints[j] < 0 || size_t(joints[j]) >= world.size()) {
                error = "skin " + skinName(model, node.skin) + " names joint node " +
                        std::to_string(joints[j]) + " that does not exist";
                return false;
            }
            given.push_back(inverseBind[j] * world[size_t(joints[j])]);
        }
        std::vector<Corner> corners = bindSpaceCorners(model, node.mesh, jointBindSpace);
        size_t root = rootJointOf(joints, parents);
        bool agreed = true;
        AffineMatrix bind = chooseBind(corners, given, world[n], root, agreed);
        if (!agreed)
            reportNoAgreedBind(model, n, joints[root], bind, report);

        SkinnedObjectBind object;
        object.recorded = recordedObjectMatrix(node.extras, object.objectWorld);
        AffineMatrix objectInverse;
        if (!object.recorded)
            object.objectWorld = bind;
        else if (!sameBind(corners, bind, object.objectWorld) &&
                 invertAffine(object.objectWorld, objectInverse))
            object.bindSpaceToObject = bind * objectInverse;
        for (size_t j = 0; j < joints.size(); ++j) {
            size_t joint = size_t(joints[j]);
            if (sameBind(corners, given[j], bind)) {
                // In its bind pose within rounding: the joint keeps its transform bit for bit.
                object.jointBind.push_back(world[joint]);
                out.jointsAtBind.insert(joint);
                continue;
            }
            AffineMatrix posedBind = jointBindSpace[j] * bind;
            object.jointBind.push_back(posedBind);
            if (!synthetic[joint])
                out.movedJoints.emplace(joint, posedBind); // the first skin's bind wins
        }
        out.objects[n] = object;
    }
    for (const auto& moved : out.movedJoints)
        out.jointsAtBind.erase(moved.first);
    if (!out.movedJoints.empty())
        report.warnings.push_back(std::to_string(out.movedJoints.size()) +
                                  " joint(s) were posed away from the bind pose the inverse "
                                  "bind matrices give; moved to it");
    return true;
}

} // namespace mshgltf
