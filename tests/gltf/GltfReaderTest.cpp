#include "format/TextField.h"
#include "gltf/GltfBridge.h"
#include "gltf/core/GltfAccessors.h"
#include "gltf/read/GltfModelReader.h"
#include "gltf/write/GltfModelWriter.h"
#include "host/embed/MemoryHost.h"
#include "scene/SceneBuilder.h"
#include "tests/gltf/GltfTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

using namespace mshgltf;
using gltftest::ModelBuilder;

namespace {

const std::vector<float> fiveVertices = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 2, 0};

AffineMatrix glTranslation(double x, double y, double z) {
    AffineMatrix m = AffineMatrix::identity();
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

// The joints of the character below and the share of each in the vertices of every level.
const char* const characterJoints[] = {"Hip", "Spine", "Chest", "Head", "Tip"};
const float characterWeights[5][5] = {{1, 0, 0, 0, 0},
                                      {0.5f, 0.5f, 0, 0, 0},
                                      {0, 0.25f, 0.75f, 0, 0},
                                      {0, 0, 0.5f, 0.5f, 0},
                                      {0, 0, 0, 0.5f, 0.5f}};

// A character as Y-up exporters write Z-up data: "Armature" turned -90 degrees about X,
// with the joints Hip, Spine, Chest and Head one unit apart up its Z axis, and "Body", a
// ladder of four quads (x 0 to 1, z 0 to 4) skinned to them, under it. The inverse bind
// matrices hold the joints' places in the armature, so world(j) x IBM(j) is the armature's
// turn for every joint, never the identity. "Tip", a joint at z 4.5, hangs from Body, as
// some exporters write it. `posed` turns the spine 90 degrees about its own Z.
tinygltf::Model yUpCharacter(bool posed) {
    ModelBuilder b;
    std::vector<float> positions;
    std::vector<uint16_t> joints;
    std::vector<float> weights;
    for (int level = 0; level < 5; ++level)
        for (int x = 0; x < 2; ++x) {
            positions.insert(positions.end(), {float(x), 0.0f, float(level)});
            for (uint16_t j = 0; j < 4; ++j) {
                // Slots j and j + 1 of the table; five joints need two slots at most.
                uint16_t joint = uint16_t(std::min(level == 0 ? j : level - 1 + j, 4));
                joints.push_back(j < 2 ? joint : 0);
                weights.push_back(j < 2 ? characterWeights[level][joint] : 0.0f);
            }
        }
    std::vector<uint32_t> ladder;
    for (uint32_t level = 0; level < 4; ++level) {
        uint32_t v = level * 2;
        ladder.insert(ladder.end(), {v, v + 1, v + 3, v, v + 3, v + 2});
    }
    tinygltf::Primitive prim = b.primitive(b.positions(positions), ladder, TINYGLTF_MODE_TRIANGLES);
    prim.attributes["JOINTS_0"] = b.writer.addJoints(joints, 5);
    prim.attributes["WEIGHTS_0"] = b.writer.addFloats(weights, 4, false);
    int armature = b.node("Armature");
    const double half = std::sqrt(0.5);
    b.model.nodes[size_t(armature)].rotation = {-half, 0.0, 0.0, half};
    std::vector<int> skinJoints;
    int parent = armature;
    for (int j = 0; j < 4; ++j) {
        parent = b.node(characterJoints[j], -1, parent);
        if (j > 0)
            b.model.nodes[size_t(parent)].translation = {0.0, 0.0, 1.0};
        skinJoints.push_back(parent);
    }
    if (posed)
        b.model.nodes[size_t(skinJoints[1])].rotation = {0.0, 0.0, half, half};
    int body = b.node("Body", b.mesh({prim}), armature);
    int tip = b.node("Tip", -1, body);
    b.model.nodes[size_t(tip)].translation = {0.0, 0.0, 4.5};
    skinJoints.push_back(tip);
    tinygltf::Skin skin;
    skin.joints = skinJoints;
    skin.inverseBindMatrices = b.writer.addMatrices(
        {glTranslation(0, 0, 0), glTranslation(0, 0, -1), glTranslation(0, 0, -2),
         glTranslation(0, 0, -3), glTranslation(0, 0, -4.5)});
    b.model.skins.push_back(skin);
    b.model.nodes[size_t(body)].skin = 0;
    return b.model;
}

// The character built in the host: every triangle where a viewer draws `model` (the file in
// its bind pose), the joints standing one unit apart up Z, and every vertex's weights on
// their bones by name.
void expectCharacterInPlace(const tinygltf::Model& model) {
    Interface* ip = GetCOREInterface();
    INode* body = ip->GetINodeByName(L"Body");
    ASSERT_NE(body, nullptr);
    int bodyIndex = 5;
    ASSERT_EQ(model.nodes[size_t(bodyIndex)].name, "Body");
    std::vector<Point3> drawn = gltftest::drawnCorners(model, bodyIndex);
    gltftest::expectSameCorners(gltftest::hostCorners(body), drawn, 1e-5f, "Body");
    EXPECT_NEAR(drawn[2].z, 1.0f, 1e-6f) << "the armature's turn puts glTF's data Z up again";
    for (int j = 0; j < 4; ++j) {
        INode* joint = ip->GetINodeByName(fromUtf8(characterJoints[j]).c_str());
        ASSERT_NE(joint, nullptr);
        Point3 at = joint->GetNodeTM(0).GetTrans();
        EXPECT_NEAR(at.z, float(j), 1e-6f) << characterJoints[j];
        EXPECT_NEAR(at.y, 0.0f, 1e-6f) << characterJoints[j];
    }
    ISkin* skin = static_cast<ISkin*>(
        static_cast<IDerivedObject*>(body->GetObjectRef())->GetModifier(0)->GetInterface(I_SKIN));
    ASSERT_NE(skin, nullptr);
    ISkinContextData* context = skin->GetContextInterface(body);
    Mesh& mesh =
        static_cast<TriObject*>(static_cast<IDerivedObject*>(body->GetObjectRef())->GetObjRef())
            ->GetMesh();
    ASSERT_EQ(mesh.numVerts, 10);
    Matrix3 tm = body->GetObjectTM(0);
    for (int v = 0; v < mesh.numVerts; ++v) {
        int level = int(std::lround((mesh.verts[v] * tm).z));
        std::map<std::string, float> expected, got;
        for (int j = 0; j < 5; ++j)
            if (characterWeights[level][j] > 0.0f)
                expected[characterJoints[j]] = characterWeights[level][j];
        for (int k = 0; k < context->GetNumAssignedBones(v); ++k)
            got[toUtf8(skin->GetBone(context->GetAssignedBone(v, k))->GetName())] =
                context->GetBoneWeight(v, k);
        EXPECT_EQ(got, expected) << "vertex " << v << " at level " << level;
    }
}

class GltfReaderTest : public ::testing::Test {
protected:
    void SetUp() override { resetScene(); }
    void TearDown() override { resetScene(); }
    bool read(const tinygltf::Model& model) {
        return sceneFromGltfModel(model, loaded, report, error);
    }
    LoadedGltf loaded;
    BridgeReport report;
    std::string error;
};

} // namespace

TEST_F(GltfReaderTest, StripsAndFansAreTriangulatedOtherModesRefused) {
    ModelBuilder b;
    int p = b.positions(fiveVertices);
    int m = b.mesh({b.primitive(p, {0, 1, 2, 3, 4}, TINYGLTF_MODE_TRIANGLE_STRIP),
                    b.primitive(p, {0, 1, 3, 2}, TINYGLTF_MODE_TRIANGLE_FAN),
                    b.primitive(p, {0, 1}, TINYGLTF_MODE_LINE),
                    b.primitive(p, {1, 2}, TINYGLTF_MODE_LINE)});
    b.node("Shape", m);
    ASSERT_TRUE(read(b.model)) << error;
    ASSERT_EQ(loaded.scene.nodes.size(), 1u);
    const MeshData& mesh = loaded.scene.nodes[0].meshes.at(0);
    // Strip 0 1 2 3 4: (0,1,2) (2,1,3) (2,3,4); fan 0 1 3 2: (1,3,0) (3,2,0), offset by 5.
    EXPECT_EQ(mesh.triangles, (std::vector<uint32_t>{0, 1, 2, 2, 1, 3, 2, 3, 4, 6, 8, 5, 8, 7, 5}));
    EXPECT_EQ(collapsedLines(report.losses, report),
              (std::vector<std::string>{
                  "Shape: a primitive of mode LINES has no triangles; left out (2 times)"}));
    EXPECT_EQ(report.objectsLeftOut, 2u);
    // glTF's Y-up (0, 2, 0) is the host's (0, 0, 2).
    EXPECT_EQ(mesh.positions[4], Point3(0.0f, 0.0f, 2.0f));
}

TEST_F(GltfReaderTest, OneObjectPerMaterialAModelFileTellsApart) {
    // Forty colour-only materials (as some exporters write one per colour), a primitive
    // without material and a two-sided one: a model file tells apart only the two-sided flag.
    ModelBuilder b;
    int p = b.positions(fiveVertices);
    std::vector<tinygltf::Primitive> primitives;
    for (int k = 0; k < 40; ++k) {
        int paint = b.material("paint" + std::to_string(k));
        b.model.materials[size_t(paint)].pbrMetallicRoughness.baseColorFactor = {k / 40.0, 0.5, 0.2,
                                                                                 1.0};
        primitives.push_back(b.primitive(p, {0, 1, 2}, TINYGLTF_MODE_TRIANGLES, paint));
    }
    primitives.push_back(b.primitive(p, {1, 3, 2}, TINYGLTF_MODE_TRIANGLES, 0)); // paint0 again
    primitives.push_back(b.primitive(p, {2, 3, 4}, TINYGLTF_MODE_TRIANGLES));
    int glass = b.material("glass");
    b.model.materials[size_t(glass)].doubleSided = true;
    primitives.push_back(b.primitive(p, {2, 3, 4}, TINYGLTF_MODE_TRIANGLES, glass));
    primitives.back().attributes["COLOR_0"] =
        b.writer.addFloats(std::vector<float>(20, 1.0f), 4, false);
    b.node("Crate", b.mesh(primitives));
    ASSERT_TRUE(read(b.model)) << error;
    const NodeData& node = loaded.scene.nodes.at(0);
    ASSERT_EQ(node.meshes.size(), 2u);
    EXPECT_EQ(node.meshes[0].triangles.size(), 42u * 3);
    EXPECT_EQ(node.meshes[0].triangles[41 * 3], 41u * 5 + 2)
        << "each primitive brings its vertices";
    EXPECT_TRUE(report.losses.empty()) << "a model file has no place for any of it";
    EXPECT_EQ(report.notKept.size(), 42u) << "once per material, not per primitive";
    EXPECT_EQ(collapsedLines(report.notKept, report),
              (std::vector<std::string>{"material paint0, material paint1, material paint2 and "
                                        "37 more: its name and base colour are not kept; a "
                                        "model file holds a texture name and a two-sided flag",
                                        "Crate_glass: vertex colours are not kept",
                                        "material glass: its name is not kept; a model file "
                                        "holds a texture name and a two-sided flag"}));
    EXPECT_TRUE(report.warnings.empty()) << report.warnings.at(0);
    ASSERT_TRUE(buildScene(loaded.scene, report, error)) << error;
    std::vector<INode*> nodes = allNodesDepthFirst();
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_STREQ(nodes[1]->GetName(), L"Crate_glass");
    EXPECT_EQ(nodes[1]->GetParentNode(), nodes[0]);
    EXPECT_TRUE(static_cast<StdMat*>(nodes[1]->GetMtl())->GetTwoSided());
}

TEST_F(GltfReaderTest, YUpSkinComesInWithItsBindShapeAndEveryTriangleInPlace) {
    tinygltf::Model model = yUpCharacter(false);
    ASSERT_TRUE(read(model)) << error;
    for (const std::string& w : report.warnings)
        EXPECT_EQ(w.find("posed"), std::string::npos) << "the file is in its bind pose: " << w;
    ASSERT_TRUE(buildScene(loaded.scene, report, error)) << error;
    expectCharacterInPlace(model);

    // The armature is no bone: it is left out, Hip at the top. Tip hung from the skinned
    // mesh: it now hangs from the nearest bone ancestor, here none, where it stood.
    EXPECT_EQ(GetCOREInterface()->GetINodeByName(L"Armature"), nullptr);
    INode* tip = GetCOREInterface()->GetINodeByName(L"Tip");
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->GetParentNode()->IsRootNode());
    EXPECT_NEAR(tip->GetNodeTM(0).GetTrans().z, 4.5f, 1e-6f);
    ASSERT_EQ(report.warnings.size(), 2u);
    EXPECT_EQ(report.warnings[0].find("Armature: a node above the joints that is no joint"), 0u)
        << report.warnings[0];
    EXPECT_NE(report.warnings[1].find("1 bone(s) hang from nodes that are not bones"),
              std::string::npos)
        << report.warnings[1];
    EXPECT_NE(report.warnings[1].find("Tip (from Body to the top)"), std::string::npos)
        << report.warnings[1];
}

TEST_F(GltfReaderTest, PosedFileIsSetToItsBindPoseWithOneLine) {
    // The spine turned: it and the two joints above it move, outnumbering the two at rest.
    tinygltf::Model posed = yUpCharacter(true);
    ASSERT_TRUE(read(posed)) << error;
    size_t posedLines = 0;
    for (const std::string& w : report.warnings)
        if (w.find("posed") != std::string::npos) {
            ++posedLines;
            EXPECT_NE(w.find("3 joint(s) were posed away"), std::string::npos) << w;
        }
    EXPECT_EQ(posedLines, 1u);
    ASSERT_TRUE(buildScene(loaded.scene, report, error)) << error;
    expectCharacterInPlace(yUpCharacter(false));
}

TEST_F(GltfReaderTest, OlderFilesWithTheMatrixArrayStillRead) {
    // Object-space vertices, the object's place in extras.mshMatrix and inverse bind
    // matrices of object x inverse(bone), as the bridge wrote them before.
    ModelBuilder b;
    int p = b.positions({0, 0, 0, 1, 0, 0, 0, 1, 0});
    tinygltf::Primitive prim = b.primitive(p, {0, 1, 2}, TINYGLTF_MODE_TRIANGLES);
    prim.attributes["JOINTS_0"] = b.writer.addJoints({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1);
    prim.attributes["WEIGHTS_0"] =
        b.writer.addFloats({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}, 4, false);
    int bone = b.node("Bone");
    b.model.nodes[size_t(bone)].translation = {0.0, 3.0, 0.0};
    int body = b.node("Body", b.mesh({prim}));
    b.model.nodes[size_t(body)].skin = 0;
    tinygltf::Value::Array placeArray;
    for (double v : toGltfArray(glTranslation(5, 0, 0)))
        placeArray.push_back(tinygltf::Value(v));
    tinygltf::Value::Object extras;
    extras["mshMatrix"] = tinygltf::Value(placeArray);
    b.model.nodes[size_t(body)].extras = tinygltf::Value(extras);
    tinygltf::Skin skin;
    skin.joints = {bone};
    skin.inverseBindMatrices = b.writer.addMatrices({glTranslation(5, -3, 0)});
    b.model.skins.push_back(skin);
    ASSERT_TRUE(read(b.model)) << error;
    EXPECT_TRUE(report.warnings.empty()) << report.warnings.at(0);
    const NodeData& node = loaded.scene.nodes.at(1);
    EXPECT_EQ(node.name, "Body");
    EXPECT_EQ(node.world.m[3][0], 5.0);
    EXPECT_EQ(node.meshes.at(0).positions[1], Point3(1, 0, 0)) << "object space, as written";
    EXPECT_EQ(node.jointBindWorld.at(0).m[3][2], 3.0) << "glTF y 3 is host z 3";
}

TEST_F(GltfReaderTest, MalformedFilesAreRefusedWithTheReason) {
    {
        ModelBuilder b;
        int p = b.positions({0, 0, 0, 1, 0, 0, 0, 1, 0});
        b.node("Bad", b.mesh({b.primitive(p, {0, 1, 7}, TINYGLTF_MODE_TRIANGLES)}));
        EXPECT_FALSE(read(b.model));
        EXPECT_NE(error.find("index 7 is past the 3 vertices"), std::string::npos) << error;
    }
    {
        ModelBuilder b;
        int a = b.node("A");
        int c = b.node("C", -1, a);
        b.model.nodes[size_t(c)].children.push_back(a); // A -> C -> A
        EXPECT_FALSE(read(b.model));
        EXPECT_NE(error.find("cycle"), std::string::npos) << error;
    }
    {
        ModelBuilder b;
        b.node("Lost", 4);
        EXPECT_FALSE(read(b.model));
        EXPECT_NE(error.find("names mesh 4 that does not exist"), std::string::npos) << error;
    }
    {
        ModelBuilder b;
        int p = b.positions({0, 0, 0, 1, 0, 0, 0, 1, 0});
        tinygltf::Primitive prim = b.primitive(p, {0, 1, 2}, TINYGLTF_MODE_TRIANGLES);
        prim.attributes["JOINTS_0"] = b.writer.addJoints({3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1);
        prim.attributes["WEIGHTS_0"] =
            b.writer.addFloats({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}, 4, false);
        int joint = b.node("J");
        int skinned = b.node("S", b.mesh({prim}));
        tinygltf::Skin skin;
        skin.joints = {joint};
        b.model.skins.push_back(skin);
        b.model.nodes[size_t(skinned)].skin = 0;
        EXPECT_FALSE(read(b.model));
        EXPECT_NE(error.find("names joint 3 of a skin with 1 joints"), std::string::npos) << error;
    }
}

TEST_F(GltfReaderTest, NotANumberIndicesAndDeepHierarchiesAreHandled) {
    {
        ModelBuilder b;
        int p = b.positions({0, 0, 0, 1, 0, 0, 0, 1, 0});
        tinygltf::Primitive prim = b.primitive(p, {}, TINYGLTF_MODE_TRIANGLES);
        prim.indices = b.writer.addFloats({0.0f, 1.0f, std::nanf("")}, 1, false);
        b.node("Odd", b.mesh({prim}));
        EXPECT_FALSE(read(b.model));
        EXPECT_NE(error.find("is past the 3 vertices"), std::string::npos) << error;
    }
    {
        // A chain far deeper than any stack would take by recursion.
        ModelBuilder b;
        int parent = b.node("n0");
        b.model.nodes[0].translation = {0.0, 0.0, 1.0};
        for (int i = 1; i < 100000; ++i)
            parent = b.node("n" + std::to_string(i), -1, parent);
        ASSERT_TRUE(read(b.model)) << error;
        ASSERT_EQ(loaded.scene.nodes.size(), 100000u);
        EXPECT_EQ(loaded.scene.nodes.back().parent, 99998);
        EXPECT_EQ(loaded.scene.nodes.back().world.m[3][1], -1.0) << "glTF z 1 is host y -1";
    }
}

TEST_F(GltfReaderTest, RecordedVertexNumbersAreUsedOnlyWhenPlausible) {
    SceneData scene;
    NodeData node;
    node.name = "Numbered";
    MeshData mesh;
    mesh.positions = {Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0), Point3(0, 1, 0)};
    mesh.triangles = {0, 1, 2, 0, 1, 3};
    mesh.sourceVertex = {3, 0, 1, 1}; // the same host vertex twice, split by a UV seam
    node.meshes.push_back(mesh);
    scene.nodes.push_back(node);
    node.name = "Huge";
    node.meshes[0].sourceVertex = {0, 1, 2, 5000000}; // no 7-byte triangle has that many
    scene.nodes.push_back(node);
    ASSERT_TRUE(buildScene(scene, report, error)) << error;
    auto meshOf = [](const wchar_t* name) -> Mesh& {
        INode* n = GetCOREInterface()->GetINodeByName(name);
        return static_cast<TriObject*>(n->GetObjectRef())->GetMesh();
    };
    Mesh& numbered = meshOf(L"Numbered");
    EXPECT_EQ(numbered.numVerts, 4) << "numbers 0 to 3, vertex 2 unused as in the source";
    EXPECT_EQ(numbered.faces[0].v[0], 3u);
    EXPECT_EQ(numbered.faces[1].v[2], 1u);
    EXPECT_EQ(numbered.verts[1], Point3(0, 1, 0));
    Mesh& huge = meshOf(L"Huge");
    EXPECT_EQ(huge.numVerts, 3) << "welded on position instead";
}

TEST_F(GltfReaderTest, BoneShapeReferencesSurviveRenumberingAndNeverTakeADrawnMesh) {
    // Meshes: 0 the body a node draws, 1 and 2 undrawn bone shapes. The bones' extras say
    // what another tool may have left behind after renumbering or removing meshes.
    ModelBuilder b;
    int p = b.positions({0, 0, 0, 1, 0, 0, 0, 1, 0});
    tinygltf::Primitive prim = b.primitive(p, {0, 1, 2}, TINYGLTF_MODE_TRIANGLES);
    int body = b.mesh({prim});
    b.model.meshes[size_t(b.mesh({prim}))].name = "Head";
    b.model.meshes[size_t(b.mesh({prim}))].name = "Hand";
    b.node("Body", body);
    auto bone = [&](const std::string& name, int index, const char* meshName) {
        tinygltf::Value::Object extras;
        extras["mshBone"] = tinygltf::Value(true);
        extras["mshBoneMesh"] = tinygltf::Value(index);
        if (meshName)
            extras["mshBoneMeshName"] = tinygltf::Value(std::string(meshName));
        b.model.nodes[size_t(b.node(name))].extras = tinygltf::Value(extras);
    };
    bone("Head", 2, "Head");  // renumbered: found by its name
    bone("Hand", 2, "Hand");  // index and name agree
    bone("Root", 0, "Body");  // the drawn body: never a bone shape
    bone("Old", 1, nullptr);  // an older file: the index alone, to an undrawn mesh
    bone("Gone", 0, nullptr); // an older file pruned: the index now reaches the body
    bone("Lost", 7, "Tail");  // removed
    ASSERT_TRUE(read(b.model)) << error;
    std::map<std::string, size_t> meshes;
    for (const NodeData& node : loaded.scene.nodes)
        meshes[node.name] = node.meshes.size();
    EXPECT_EQ(meshes, (std::map<std::string, size_t>{{"Body", 1},
                                                     {"Head", 1},
                                                     {"Hand", 1},
                                                     {"Root", 0},
                                                     {"Old", 1},
                                                     {"Gone", 0},
                                                     {"Lost", 0}}));
    std::string lines;
    for (const std::string& line : report.losses)
        lines += line + "\n";
    EXPECT_EQ(report.losses.size(), 3u) << lines;
    EXPECT_NE(lines.find("Root: its bone shape is not in the file or is drawn"), std::string::npos)
        << lines;
    EXPECT_EQ(collapsedLines(report.losses, report).size(), 1u) << "one line names them all";
}
