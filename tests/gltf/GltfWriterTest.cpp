#include "gltf/core/GltfAccessors.h"
#include "gltf/read/GltfModelReader.h"
#include "gltf/write/GltfModelWriter.h"
#include "tests/gltf/GltfTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>

using namespace mshgltf;

namespace {

AffineMatrix translation(double x, double y, double z) {
    AffineMatrix m = AffineMatrix::identity();
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

// One triangle; `skinned` gives each vertex influences on joints 0 and 1.
MeshData triangle(bool skinned) {
    MeshData mesh;
    mesh.name = "tri";
    mesh.positions = {Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 0, 2)};
    mesh.normals = {Point3(0, -1, 0), Point3(0, -1, 0), Point3(0, -1, 0)};
    mesh.uvs = {Point2(0.0f, 0.0f), Point2(1.0f, 0.25f), Point2(0.0f, 1.0f)};
    mesh.sourceVertex = {0, 1, 2};
    mesh.triangles = {0, 1, 2};
    if (skinned) {
        Influence a, b;
        a.joint = 0;
        a.weight = 0.25f;
        b.joint = 1;
        b.weight = 0.75f;
        mesh.influences = {{a, b}, {b}, {a}};
    }
    return mesh;
}

// Bone "Root" at z = 1, bone "Arm" under it at z = 3, mesh "Body" skinned to both, and an
// unskinned "Prop" under the arm; optionally a second top-level bone.
SceneData skinnedScene(bool secondSkeleton) {
    SceneData scene;
    NodeData root;
    root.name = "Root";
    root.world = translation(0, 0, 1);
    root.isBone = true;
    root.meshes.push_back(triangle(false));
    NodeData arm;
    arm.name = "Arm";
    arm.parent = 0;
    arm.world = translation(0, 0, 3);
    arm.isBone = true;
    NodeData body;
    body.name = "Body";
    body.parent = 1; // linked under a bone, as artists sometimes do
    body.world = translation(5, 0, 0);
    body.objectWorld = body.world;
    body.skinBindWorld = body.world;
    body.meshes.push_back(triangle(true));
    body.joints = {0, 1};
    body.jointBindWorld = {root.world, arm.world};
    NodeData prop;
    prop.name = "Prop";
    prop.parent = 1;
    prop.world = translation(2, 0, 3);
    prop.meshes.push_back(triangle(false));
    scene.nodes = {root, arm, body, prop};
    if (secondSkeleton) {
        NodeData other;
        other.name = "Other";
        other.world = translation(-4, 0, 0);
        other.isBone = true;
        scene.nodes.push_back(other);
        scene.nodes[2].joints.push_back(4);
        scene.nodes[2].jointBindWorld.push_back(other.world);
    }
    return scene;
}

std::vector<double> floatsOf(const tinygltf::Model& model, int accessor) {
    AccessorValues values;
    std::string error;
    EXPECT_TRUE(readAccessor(model, accessor, values, error)) << error;
    return values.values;
}

const tinygltf::Value& extra(const tinygltf::Node& node, const char* key) {
    return node.extras.Get(key);
}

class GltfWriterTest : public ::testing::Test {
protected:
    BridgeReport report;
};

} // namespace

TEST_F(GltfWriterTest, NodesKeepNamesParentsAndLocalTransformsInYUp) {
    tinygltf::Model model = buildGltfModel(skinnedScene(false), report);
    ASSERT_GE(model.nodes.size(), 4u);
    EXPECT_EQ(model.nodes[0].name, "Root");
    EXPECT_EQ(model.nodes[0].children, (std::vector<int>{1}));
    // Root at host z = 1 is glTF y = 1; Arm is 2 above it; Prop 2 along x from the arm.
    ASSERT_EQ(model.nodes[0].matrix.size(), 16u);
    EXPECT_EQ(model.nodes[0].matrix[13], 1.0);
    EXPECT_EQ(model.nodes[0].matrix[14], 0.0);
    EXPECT_EQ(model.nodes[1].matrix[13], 2.0);
    EXPECT_EQ(model.nodes[1].children, (std::vector<int>{3}));
    EXPECT_EQ(model.nodes[3].matrix[12], 2.0);
    EXPECT_EQ(model.nodes[3].matrix[13], 0.0);
    EXPECT_EQ(model.scenes.at(0).nodes, (std::vector<int>{0, 2}));
}

TEST_F(GltfWriterTest, SkinnedMeshSitsAtTheTopInTheBindSpaceItsBonesShare) {
    tinygltf::Model model = buildGltfModel(skinnedScene(false), report);
    const tinygltf::Node& body = model.nodes[2];
    EXPECT_TRUE(body.matrix.empty()) << "glTF ignores a skinned mesh's own transform";
    EXPECT_EQ(extra(body, "mshParentNode").GetNumberAsInt(), 1);
    // Its place travels as text (some readers cannot copy arrays in node extras).
    AffineMatrix place;
    ASSERT_TRUE(fromGltfText(extra(body, "mshObjectMatrix").Get<std::string>(), place));
    EXPECT_EQ(place, translation(5, 0, 0));
    for (const tinygltf::Node& node : model.nodes)
        for (const auto& entry : node.extras.Get<tinygltf::Value::Object>())
            EXPECT_FALSE(entry.second.IsArray() || entry.second.IsObject()) << entry.first;
    ASSERT_EQ(body.skin, 0);
    const tinygltf::Skin& skin = model.skins[0];
    EXPECT_EQ(skin.joints, (std::vector<int>{0, 1}));
    // inverseBind = inverse(bone bind): the arm at host z 3 (glTF y 3), whatever the object.
    std::vector<double> ibm = floatsOf(model, skin.inverseBindMatrices);
    ASSERT_EQ(ibm.size(), 32u);
    EXPECT_EQ(ibm[16 + 12], 0.0);
    EXPECT_EQ(ibm[16 + 13], -3.0);
    // Vertices in bind space: the body's x 5 baked in; its own positions beside them.
    const tinygltf::Primitive& primitive = model.meshes[size_t(body.mesh)].primitives.at(0);
    std::vector<double> positions = floatsOf(model, primitive.attributes.at("POSITION"));
    std::vector<double> own = floatsOf(model, primitive.attributes.at("_MSH_POSITION"));
    EXPECT_EQ(positions[3], 6.0);
    EXPECT_EQ(own[3], 1.0);
    std::vector<double> weights = floatsOf(model, primitive.attributes.at("WEIGHTS_0"));
    std::vector<double> joints = floatsOf(model, primitive.attributes.at("JOINTS_0"));
    EXPECT_EQ(weights[0], 0.25);
    EXPECT_EQ(weights[1], 0.75);
    EXPECT_EQ(weights[2], 0.0);
    EXPECT_EQ(joints[4], 1.0);
    EXPECT_EQ(joints[5], 0.0) << "unused slots name joint 0 with weight 0";
}

TEST_F(GltfWriterTest, SkinnedMeshComesBackIntoItsObjectSpace) {
    SceneData scene = skinnedScene(false);
    scene.nodes[2].world = scene.nodes[2].objectWorld = translation(5, 0, 0.1);
    scene.nodes[2].skinBindWorld = scene.nodes[2].world;
    tinygltf::Model model = buildGltfModel(scene, report);
    LoadedGltf loaded;
    std::string error;
    ASSERT_TRUE(sceneFromGltfModel(model, loaded, report, error)) << error;
    const NodeData& body = loaded.scene.nodes.at(2);
    EXPECT_EQ(body.world, translation(5, 0, 0.1));
    EXPECT_EQ(body.meshes.at(0).positions, scene.nodes[2].meshes[0].positions) << "every bit";
    EXPECT_TRUE(report.warnings.empty()) << report.warnings.at(0);

    // Written again by a program that keeps node extras but drops our attribute: the bind
    // space positions are mapped into the recorded object's space.
    for (tinygltf::Primitive& primitive : model.meshes[size_t(model.nodes[2].mesh)].primitives)
        primitive.attributes.erase("_MSH_POSITION");
    ASSERT_TRUE(sceneFromGltfModel(model, loaded, report, error)) << error;
    const std::vector<Point3>& positions = loaded.scene.nodes.at(2).meshes.at(0).positions;
    for (size_t v = 0; v < positions.size(); ++v) {
        Point3 d = positions[v] - scene.nodes[2].meshes[0].positions[v];
        EXPECT_LT(std::max(std::fabs(d.x), std::max(std::fabs(d.y), std::fabs(d.z))), 1e-6f);
    }
}

TEST_F(GltfWriterTest, GeometryIsTurnedToYUpAndTexCoordsFlipped) {
    tinygltf::Model model = buildGltfModel(skinnedScene(false), report);
    const tinygltf::Primitive& primitive =
        model.meshes[size_t(model.nodes[3].mesh)].primitives.at(0);
    std::vector<double> positions = floatsOf(model, primitive.attributes.at("POSITION"));
    EXPECT_EQ(positions[6], 0.0); // host (0, 0, 2) is glTF (0, 2, 0)
    EXPECT_EQ(positions[7], 2.0);
    EXPECT_EQ(positions[8], 0.0);
    std::vector<double> normals = floatsOf(model, primitive.attributes.at("NORMAL"));
    EXPECT_EQ(normals[2], 1.0); // host -Y is glTF +Z
    std::vector<double> uvs = floatsOf(model, primitive.attributes.at("TEXCOORD_0"));
    EXPECT_EQ(uvs[3], 0.75);
    EXPECT_EQ(uvs[5], 0.0);
    EXPECT_EQ(floatsOf(model, primitive.attributes.at("_MSH_VERTEX")),
              (std::vector<double>{0, 1, 2}));
    const tinygltf::Accessor& p = model.accessors[size_t(primitive.attributes.at("POSITION"))];
    EXPECT_EQ(p.maxValues, (std::vector<double>{1.0, 2.0, 0.0}));
}

TEST_F(GltfWriterTest, BoneGeometryIsKeptButNotDrawn) {
    tinygltf::Model model = buildGltfModel(skinnedScene(false), report);
    const tinygltf::Node& root = model.nodes[0];
    EXPECT_EQ(root.mesh, -1) << "viewers must not draw bone shapes";
    EXPECT_TRUE(extra(root, "mshBone").Get<bool>());
    int boneMesh = extra(root, "mshBoneMesh").GetNumberAsInt();
    ASSERT_GE(boneMesh, 0);
    ASSERT_LT(size_t(boneMesh), model.meshes.size());
    EXPECT_EQ(extra(root, "mshBoneMeshName").Get<std::string>(),
              model.meshes[size_t(boneMesh)].name)
        << "the name finds the shape again after another tool renumbered the meshes";
    for (const tinygltf::Node& node : model.nodes)
        EXPECT_NE(node.mesh, boneMesh);
}

TEST_F(GltfWriterTest, UnweightedVerticesGetAStillJoint) {
    SceneData scene = skinnedScene(false);
    scene.nodes[2].meshes[0].influences[2].clear();
    tinygltf::Model model = buildGltfModel(scene, report);
    const tinygltf::Skin& skin = model.skins.at(0);
    ASSERT_EQ(skin.joints.size(), 3u);
    const tinygltf::Node& still = model.nodes[size_t(skin.joints[2])];
    EXPECT_TRUE(still.extras.Get("mshSynthetic").Get<bool>());
    const tinygltf::Primitive& primitive =
        model.meshes[size_t(model.nodes[2].mesh)].primitives.at(0);
    std::vector<double> joints = floatsOf(model, primitive.attributes.at("JOINTS_0"));
    std::vector<double> weights = floatsOf(model, primitive.attributes.at("WEIGHTS_0"));
    EXPECT_EQ(joints[8], 2.0);
    EXPECT_EQ(weights[8], 1.0);
    // Sized before it was filled: the planned size and the written bytes agree exactly.
    const std::vector<unsigned char>& bytes = model.buffers.at(0).data;
    EXPECT_EQ(bytes.capacity(), bytes.size());

    std::string folder = gltftest::scratchFolder("still");
    std::string error;
    size_t size = bytes.size();
    ASSERT_TRUE(writeGltfModel(model, folder + "/still.glb", error)) << error;
    EXPECT_EQ(model.buffers.at(0).data.size(), size) << "the writer gives the buffer back";
    EXPECT_VALID_GLTF(folder + "/still.glb");
}

TEST_F(GltfWriterTest, SeparateSkeletonsGetACommonRootTheValidatorAccepts) {
    tinygltf::Model model = buildGltfModel(skinnedScene(true), report);
    const tinygltf::Node& top = model.nodes.back();
    EXPECT_TRUE(top.extras.Get("mshSynthetic").Get<bool>());
    EXPECT_EQ(top.children, (std::vector<int>{0, 4}));
    std::string folder = gltftest::scratchFolder("skeletons");
    std::string error;
    ASSERT_TRUE(writeGltfModel(model, folder + "/two.gltf", error)) << error;
    EXPECT_TRUE(std::filesystem::exists(folder + "/two.bin"));
    std::set<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        written.insert(entry.path().filename().string());
    EXPECT_EQ(written, (std::set<std::string>{"two.bin", "two.gltf"})) << "no temporary left";
    EXPECT_VALID_GLTF(folder + "/two.gltf");
}

TEST_F(GltfWriterTest, TexturedMaterialIsWhiteWithTheEncodedFileName) {
    SceneData scene = skinnedScene(false);
    MaterialData material;
    material.name = "my skin";
    material.twoSided = true;
    material.diffuse[0] = 1.0f;
    material.diffuse[1] = 0.0f;
    material.diffuse[2] = 0.0f;
    material.textureFile = "my skin.png";
    scene.materials.push_back(material);
    scene.nodes[3].meshes[0].material = 0;
    tinygltf::Model model = buildGltfModel(scene, report);
    ASSERT_EQ(model.materials.size(), 1u);
    const tinygltf::Material& out = model.materials[0];
    EXPECT_EQ(out.name, "my skin");
    EXPECT_TRUE(out.doubleSided);
    EXPECT_EQ(out.pbrMetallicRoughness.baseColorFactor, (std::vector<double>{1, 1, 1, 1}));
    ASSERT_EQ(model.images.size(), 1u);
    EXPECT_EQ(model.images[0].uri, "my%20skin.png");

    std::string folder = gltftest::scratchFolder("material");
    gltftest::writePng(folder + "/my skin.png");
    std::string error;
    ASSERT_TRUE(writeGltfModel(model, folder + "/material.glb", error)) << error;
    EXPECT_VALID_GLTF(folder + "/material.glb");
    // Without the bitmap the validator must object: the check is real.
    std::filesystem::remove(folder + "/my skin.png");
    EXPECT_EQ(gltftest::validate(folder + "/material.glb").exitCode, 1);
}

TEST_F(GltfWriterTest, AFailedWriteLeavesNoFile) {
    tinygltf::Model model = buildGltfModel(skinnedScene(false), report);
    std::string error;
    EXPECT_FALSE(writeGltfModel(model, "/nonexistent-folder/x.glb", error));
    EXPECT_NE(error.find("/nonexistent-folder/x.glb"), std::string::npos) << error;
}
