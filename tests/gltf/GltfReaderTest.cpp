#include "gltf/GltfAccessors.h"
#include "gltf/GltfBridge.h"
#include "gltf/GltfModelReader.h"
#include "gltf/GltfModelWriter.h"
#include "gltf/SceneBuilder.h"
#include "host/embed/MemoryHost.h"
#include "tests/gltf/GltfTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

using namespace mshgltf;
using gltftest::ModelBuilder;

namespace {

const std::vector<float> fiveVertices = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 2, 0};

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
    EXPECT_EQ(report.losses.size(), 41u) << "once per material, not per primitive";
    EXPECT_EQ(collapsedLines(report.losses, report),
              (std::vector<std::string>{"material paint0, material paint1, material paint2 and "
                                        "37 more: its name and base colour are not kept; a "
                                        "model file holds a texture name and a two-sided flag",
                                        "Crate_glass: vertex colours are not kept"}));
    EXPECT_EQ(report.warnings, (std::vector<std::string>{
                                   "material glass: its name is not kept; a model file holds a "
                                   "texture name and a two-sided flag"}));
    ASSERT_TRUE(buildScene(loaded.scene, report, error)) << error;
    std::vector<INode*> nodes = allNodesDepthFirst();
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_STREQ(nodes[1]->GetName(), L"Crate_glass");
    EXPECT_EQ(nodes[1]->GetParentNode(), nodes[0]);
    EXPECT_TRUE(static_cast<StdMat*>(nodes[1]->GetMtl())->GetTwoSided());
}

TEST_F(GltfReaderTest, PosedJointsAreSetToTheBindPoseWithAWarning) {
    ModelBuilder b;
    int p = b.positions({0, 0, 0, 1, 0, 0, 0, 1, 0});
    tinygltf::Primitive prim = b.primitive(p, {0, 1, 2}, TINYGLTF_MODE_TRIANGLES);
    prim.attributes["JOINTS_0"] = b.writer.addJoints({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1);
    prim.attributes["WEIGHTS_0"] =
        b.writer.addFloats({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}, 4, false);
    int mesh = b.mesh({prim});
    int joint = b.node("Bone");
    b.model.nodes[size_t(joint)].translation = {0.0, 5.0, 0.0}; // posed: bind says y = 1
    int child = b.node("Attached", -1, joint);
    b.model.nodes[size_t(child)].translation = {1.0, 0.0, 0.0};
    int skinned = b.node("Skinned", mesh);
    AffineMatrix inverseBind = AffineMatrix::identity();
    inverseBind.m[3][1] = -1.0;
    tinygltf::Skin skin;
    skin.joints = {joint};
    skin.inverseBindMatrices = b.writer.addMatrices({inverseBind});
    b.model.skins.push_back(skin);
    b.model.nodes[size_t(skinned)].skin = 0;
    ASSERT_TRUE(read(b.model)) << error;
    ASSERT_EQ(report.warnings.size(), 1u);
    EXPECT_NE(report.warnings[0].find("joint Bone is posed away from its bind pose"),
              std::string::npos);
    const SceneData& scene = loaded.scene;
    ASSERT_EQ(scene.nodes.size(), 3u);
    EXPECT_EQ(scene.nodes[0].name, "Bone");
    EXPECT_TRUE(scene.nodes[0].isBone);
    EXPECT_DOUBLE_EQ(scene.nodes[0].world.m[3][2], 1.0) << "glTF y 1 is host z 1";
    EXPECT_DOUBLE_EQ(scene.nodes[1].world.m[3][2], 1.0) << "the attachment moves with it";
    EXPECT_DOUBLE_EQ(scene.nodes[1].world.m[3][0], 1.0);
    const NodeData& mesh0 = scene.nodes[2];
    EXPECT_EQ(mesh0.joints, (std::vector<int>{0}));
    EXPECT_DOUBLE_EQ(mesh0.jointBindWorld[0].m[3][2], 1.0);
    ASSERT_EQ(mesh0.meshes.at(0).influences.size(), 3u);
    EXPECT_FLOAT_EQ(mesh0.meshes[0].influences[1][0].weight, 1.0f);

    // Built into the host: a Skin whose bone sits at the bind pose.
    ASSERT_TRUE(buildScene(scene, report, error)) << error;
    INode* bone = GetCOREInterface()->GetINodeByName(L"Bone");
    INode* body = GetCOREInterface()->GetINodeByName(L"Skinned");
    ASSERT_TRUE(bone && body);
    EXPECT_TRUE(bone->GetBoneNodeOnOff());
    EXPECT_FLOAT_EQ(bone->GetNodeTM(0).GetTrans().z, 1.0f);
    IDerivedObject* stack = static_cast<IDerivedObject*>(body->GetObjectRef());
    ASSERT_EQ(stack->SuperClassID(), SClass_ID(GEN_DERIVOB_CLASS_ID));
    ISkin* iskin = static_cast<ISkin*>(stack->GetModifier(0)->GetInterface(I_SKIN));
    ASSERT_NE(iskin, nullptr);
    ASSERT_EQ(iskin->GetNumBones(), 1);
    ISkinContextData* context = iskin->GetContextInterface(body);
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->GetNumAssignedBones(2), 1);
    EXPECT_FLOAT_EQ(context->GetBoneWeight(2, 0), 1.0f);
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
