// Files as other projects keep them for their own tests: names no model file holds, empty
// models, posed skins on transformed nodes, glTF 1.0, members of the wrong type, armatures.
#include "format/TextField.h"
#include "gltf/GltfBridge.h"
#include "gltf/read/GltfModelReader.h"
#include "gltf/write/GltfModelWriter.h"
#include "host/embed/MemoryHost.h"
#include "scene/SceneBuilder.h"
#include "tests/gltf/GltfTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <fstream>
#include <functional>

using namespace mshgltf;
using gltftest::ModelBuilder;

namespace {

const int triangles = TINYGLTF_MODE_TRIANGLES;

std::string textOf(const std::string& path) {
    std::vector<unsigned char> bytes = gltftest::fileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// `model` as a .gltf in `folder`, its JSON changed by `edit` first.
std::string writeEdited(tinygltf::Model model, const std::string& folder,
                        const std::function<void(nlohmann::json&)>& edit = nullptr) {
    std::string path = folder + "/model.gltf", error;
    EXPECT_TRUE(writeGltfModel(model, path, error)) << error;
    if (edit) {
        nlohmann::json doc = nlohmann::json::parse(textOf(path));
        edit(doc);
        std::ofstream(path, std::ios::trunc) << doc.dump();
    }
    return path;
}

// A textured triangle "Sign" whose texture carries a KHR_texture_transform.
tinygltf::Model texturedSign() {
    ModelBuilder b;
    int material = b.material("sign.png");
    tinygltf::TextureInfo& info =
        b.model.materials[size_t(material)].pbrMetallicRoughness.baseColorTexture;
    info.index = b.embeddedImage(gltftest::pngBytes(90), "sign");
    tinygltf::Value::Object transform;
    transform["rotation"] = tinygltf::Value(0.5);
    info.extensions["KHR_texture_transform"] = tinygltf::Value(transform);
    b.model.extensionsUsed.push_back("KHR_texture_transform");
    tinygltf::Primitive prim =
        b.primitive(b.positions({0, 0, 0, 1, 0, 0, 0, 1, 0}), {0, 1, 2}, triangles, material);
    prim.attributes["TEXCOORD_0"] = b.writer.addFloats({0, 0, 1, 0, 0, 1}, 2, false);
    b.node("Sign", b.mesh({prim}));
    return b.model;
}

class OtherSuitesTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetScene();
        folder = gltftest::scratchFolder(
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override { resetScene(); }
    bool import(const std::string& path) {
        resetScene();
        report = BridgeReport();
        error.clear();
        return importGltfIntoScene(path, folder, report, error);
    }
    // The scene written back as glTF, which the validator and assimp must take.
    void expectValidExport(const std::string& name) {
        BridgeReport back;
        std::string path = folder + "/" + name, why;
        ASSERT_TRUE(exportSceneAsGltf(path, back, why)) << why;
        EXPECT_VALID_GLTF(path);
        EXPECT_EQ(textOf(path).find("null"), std::string::npos) << textOf(path);
    }
    std::string folder, error;
    BridgeReport report;
};

} // namespace

TEST_F(OtherSuitesTest, NamesNoModelFileHoldsAndEmptyNamesGetTheUnnamedNodesName) {
    ModelBuilder b;
    int city = b.node("Москва"); // no geometry, and nothing of its name fits an 8-bit field
    b.node("Box",
           b.mesh({b.primitive(b.positions({0, 0, 0, 1, 0, 0, 0, 1, 0}), {0, 1, 2}, triangles)}),
           city);
    ASSERT_TRUE(import(writeEdited(b.model, folder))) << error;
    INode* box = GetCOREInterface()->GetINodeByName(L"Box");
    ASSERT_NE(box, nullptr);
    EXPECT_STREQ(box->GetParentNode()->GetName(), L"node0") << "the parent link survives";
    EXPECT_EQ(report.losses,
              (std::vector<std::string>{"node0: its name \"Москва\" is not kept: it begins with a "
                                        "character above U+00FF, where a model file's 8-bit name "
                                        "stops; named node0 instead"}));
    // A node named "" without geometry, as an old model file gives it, is still a node.
    box->GetParentNode()->SetName(L"");
    expectValidExport("unnamed.gltf");
    EXPECT_NE(textOf(folder + "/unnamed.gltf").find("\"name\":\"node0\""), std::string::npos);
}

TEST_F(OtherSuitesTest, AnEmptyModelComesAndGoesAsAValidFile) {
    std::string path = folder + "/nothing.gltf";
    std::ofstream(path) << "{\"asset\":{\"version\":\"2.0\"}}"; // no scene, no nodes
    ASSERT_TRUE(import(path)) << error;
    EXPECT_TRUE(allNodesDepthFirst().empty());
    expectValidExport("empty.glb");
    expectValidExport("empty.gltf");
}

TEST_F(OtherSuitesTest, PosedSkinWithoutAgreementIsPlacedByItsRootJointNotItsNode) {
    // Root at the origin and Arm one unit up when bound; posed, Root turns 30 degrees about
    // Y and Arm 60 more about Z, so no two joints agree on a bind. The skinned node and its
    // parent carry transforms, which glTF ignores.
    ModelBuilder b;
    tinygltf::Primitive prim =
        b.primitive(b.positions({0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 1, 1, 0, 0, 2, 0}),
                    {0, 1, 2, 3, 4, 5}, triangles);
    prim.attributes["JOINTS_0"] = b.writer.addJoints(
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}, 2);
    std::vector<float> weights;
    for (int v = 0; v < 6; ++v)
        weights.insert(weights.end(), {1, 0, 0, 0});
    prim.attributes["WEIGHTS_0"] = b.writer.addFloats(weights, 4, false);
    int root = b.node("Root");
    b.model.nodes[size_t(root)].rotation = {0, std::sin(M_PI / 12), 0, std::cos(M_PI / 12)};
    int arm = b.node("Arm", -1, root);
    b.model.nodes[size_t(arm)].translation = {0, 1, 0};
    b.model.nodes[size_t(arm)].rotation = {0, 0, std::sin(M_PI / 6), std::cos(M_PI / 6)};
    int holder = b.node("Holder");
    b.model.nodes[size_t(holder)].translation = {5, 0, 0};
    int plane = b.node("Plane", b.mesh({prim}), holder);
    b.model.nodes[size_t(plane)].rotation = {std::sqrt(0.5), 0, 0, std::sqrt(0.5)};
    b.model.nodes[size_t(plane)].skin = 0;
    tinygltf::Skin skin;
    skin.joints = {root, arm};
    AffineMatrix down = AffineMatrix::identity();
    down.m[3][1] = -1;
    skin.inverseBindMatrices = b.writer.addMatrices({AffineMatrix::identity(), down});
    b.model.skins.push_back(skin);
    tinygltf::Model model = b.model;
    ASSERT_TRUE(import(writeEdited(b.model, folder))) << error;
    INode* host = GetCOREInterface()->GetINodeByName(L"Plane");
    ASSERT_NE(host, nullptr);
    // The triangle on Root stands where a viewer draws it.
    std::vector<Point3> drawn = gltftest::drawnCorners(model, plane);
    std::vector<Point3> placed = gltftest::hostCorners(host);
    ASSERT_EQ(placed.size(), 6u);
    gltftest::expectSameCorners(std::vector<Point3>(placed.begin(), placed.begin() + 3),
                                std::vector<Point3>(drawn.begin(), drawn.begin() + 3), 1e-5f,
                                "Plane on Root");
    ASSERT_EQ(report.warnings.size(), 2u);
    EXPECT_EQ(report.warnings[0],
              "Plane: its skin's joints agree on no bind pose; returned to its bind pose as its "
              "root joint Root places it (glTF ignores the node's own transform); the model "
              "turns by 30 degrees from the positions the file holds");
    EXPECT_NE(report.warnings[1].find("1 joint(s) were posed away"), std::string::npos);
    expectValidExport("posed.glb");
}

TEST_F(OtherSuitesTest, GltfOneIsRefusedBeforeAnythingIsRead) {
    const std::string refusal = ": a glTF 1.0 file; only glTF 2.0 is read";
    std::string versioned = folder + "/versioned.gltf", bare = folder + "/bare.gltf",
                binary = folder + "/old.glb";
    const std::string scene =
        "\"scene\":\"main\",\"scenes\":{\"main\":{\"nodes\":[\"box\"]}},\"nodes\":{\"box\":{}}";
    std::ofstream(versioned) << "{\"asset\":{\"version\":\"1.0\"}," << scene << "}";
    std::ofstream(bare) << "{" << scene << "}"; // no asset: 1.0's dictionaries tell
    // The 1.0 binary header: magic, version 1, length, content length, content format 0.
    std::string json = "{\"asset\":{\"version\":\"1.0.3\"}," + scene + "}";
    json.resize((json.size() + 3) / 4 * 4, ' ');
    std::string glb = "glTF";
    for (uint32_t word : {1u, uint32_t(20 + json.size()), uint32_t(json.size()), 0u})
        for (int shift = 0; shift < 32; shift += 8)
            glb += char(word >> shift & 0xFF);
    std::ofstream(binary, std::ios::binary) << glb << json;
    for (const std::string& path : {versioned, bare, binary}) {
        EXPECT_FALSE(import(path)) << path;
        EXPECT_EQ(error, path + refusal);
    }
}

TEST_F(OtherSuitesTest, MembersOfTheWrongTypeAreNamedNotSkipped) {
    struct Case {
        std::function<void(nlohmann::json&)> edit;
        std::string loss;
    };
    const std::vector<Case> cases = {
        {[](nlohmann::json& d) {
             d["meshes"][0]["primitives"] = {{"first", 1}};
         },
         "meshes[0].primitives is an object where glTF has an array; the mesh's geometry is not "
         "kept"},
        {[](nlohmann::json& d) {
             d["materials"][0]["pbrMetallicRoughness"] = nlohmann::json::array({1, 2});
         },
         "materials[0].pbrMetallicRoughness is [1,2] where glTF has an object; its base colour "
         "and texture are not kept"},
        {[](nlohmann::json& d) {
             d["materials"][0]["pbrMetallicRoughness"]["baseColorTexture"]["index"] = -1;
         },
         "materials[0].pbrMetallicRoughness.baseColorTexture.index is -1 where glTF has an index "
         "from 0; the material's texture is not kept"},
        {[](nlohmann::json& d) {
             d["materials"][0]["pbrMetallicRoughness"]["baseColorTexture"]["extensions"]
              ["KHR_texture_transform"] = "turned";
         },
         "materials[0].pbrMetallicRoughness.baseColorTexture.extensions.KHR_texture_transform is "
         "a string where glTF has an object; the texture transform is not applied"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(import(writeEdited(texturedSign(), folder, c.edit))) << error;
        EXPECT_EQ(report.losses, std::vector<std::string>{c.loss});
    }
    expectValidExport("texture-lost.gltf");
    // Members that place the geometry refuse the file.
    std::string path = writeEdited(texturedSign(), folder, [](nlohmann::json& d) {
        d["meshes"][0]["primitives"][0]["indices"] = "0";
    });
    EXPECT_FALSE(import(path));
    EXPECT_EQ(error, path + ": meshes[0].primitives[0].indices is a string where glTF has an "
                            "index from 0; the file cannot be read as it stands");
    // So does a collection that is no array (the loader passes over it).
    path = writeEdited(texturedSign(), folder, [](nlohmann::json& d) {
        d["textures"] = {{"sign", d["textures"][0]}};
    });
    EXPECT_FALSE(import(path));
    EXPECT_EQ(error, path + ": textures is an object where glTF has an array; the file cannot "
                            "be read as it stands");
}

TEST_F(OtherSuitesTest, ArmatureNodesAreNoBonesAndTheModelKeepsExactlyItsBones) {
    // As Blender writes it: "Rig", turned and moved, holds the joints Hip and Spine and the
    // skinned "Body"; the joints' worlds include the Rig's transform.
    ModelBuilder b;
    tinygltf::Primitive prim =
        b.primitive(b.positions({0, 0, 0, 1, 0, 0, 0, 1, 0}), {0, 1, 2}, triangles);
    prim.attributes["JOINTS_0"] = b.writer.addJoints({0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}, 2);
    prim.attributes["WEIGHTS_0"] =
        b.writer.addFloats({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}, 4, false);
    int rig = b.node("Rig");
    b.model.nodes[size_t(rig)].rotation = {-std::sqrt(0.5), 0, 0, std::sqrt(0.5)};
    b.model.nodes[size_t(rig)].translation = {0, 0, 3};
    int hip = b.node("Hip", -1, rig);
    int spine = b.node("Spine", -1, hip);
    b.model.nodes[size_t(spine)].translation = {0, 0, 1};
    int body = b.node("Body", b.mesh({prim}), rig);
    b.model.nodes[size_t(body)].skin = 0;
    // At rest: each inverse bind matrix undoes its joint's world, Rig included.
    const tinygltf::Node& rigNode = b.model.nodes[size_t(rig)];
    AffineMatrix rigWorld = fromTranslationRotationScale(rigNode.translation, rigNode.rotation, {});
    AffineMatrix spineWorld = fromTranslationRotationScale({0, 0, 1}, {}, {}) * rigWorld;
    AffineMatrix hipInverse, spineInverse;
    ASSERT_TRUE(invertAffine(rigWorld, hipInverse) && invertAffine(spineWorld, spineInverse));
    tinygltf::Skin skin;
    skin.joints = {hip, spine};
    skin.inverseBindMatrices = b.writer.addMatrices({hipInverse, spineInverse});
    b.model.skins.push_back(skin);
    ASSERT_TRUE(import(writeEdited(b.model, folder))) << error;
    std::vector<std::wstring> bones;
    for (INode* node : allNodesDepthFirst())
        if (node->GetBoneNodeOnOff())
            bones.push_back(node->GetName());
    EXPECT_EQ(bones, (std::vector<std::wstring>{L"Hip", L"Spine"}));
    EXPECT_EQ(GetCOREInterface()->GetINodeByName(L"Rig"), nullptr);
    INode* spineNode = GetCOREInterface()->GetINodeByName(L"Spine");
    ASSERT_NE(spineNode, nullptr);
    // glTF (0, 0, 1) turned -90 about X is (0, 1, 0), moved by (0, 0, 3): host (0, -3, 1).
    Point3 at = spineNode->GetNodeTM(0).GetTrans();
    EXPECT_NEAR(at.x, 0.0f, 1e-6f);
    EXPECT_NEAR(at.y, -3.0f, 1e-6f);
    EXPECT_NEAR(at.z, 1.0f, 1e-6f);
    EXPECT_EQ(report.warnings,
              (std::vector<std::string>{"Rig: a node above the joints that is no joint itself (an "
                                        "armature); left out rather than made a bone, its "
                                        "transform kept in the bones' world transforms"}));
    expectValidExport("rig.glb");
}
