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

namespace {

// A model with one node holding one mesh of the given primitives, built with the writer.
struct ModelBuilder {
    tinygltf::Model model;
    AccessorWriter writer{model};

    ModelBuilder() {
        model.asset.version = "2.0";
        model.scenes.emplace_back();
        model.defaultScene = 0;
    }
    int positions(const std::vector<float>& xyz) { return writer.addFloats(xyz, 3, true); }
    tinygltf::Primitive primitive(int position, const std::vector<uint32_t>& indices, int mode,
                                  int material = -1) {
        tinygltf::Primitive p;
        p.attributes["POSITION"] = position;
        if (!indices.empty())
            p.indices = writer.addIndices(indices);
        p.mode = mode;
        p.material = material;
        return p;
    }
    int node(const std::string& name, int mesh = -1, int parent = -1) {
        tinygltf::Node n;
        n.name = name;
        n.mesh = mesh;
        model.nodes.push_back(n);
        int index = int(model.nodes.size() - 1);
        if (parent >= 0)
            model.nodes[size_t(parent)].children.push_back(index);
        else
            model.scenes[0].nodes.push_back(index);
        return index;
    }
    int mesh(const std::vector<tinygltf::Primitive>& primitives) {
        tinygltf::Mesh m;
        m.name = "mesh" + std::to_string(model.meshes.size());
        m.primitives = primitives;
        model.meshes.push_back(m);
        return int(model.meshes.size() - 1);
    }
    int material(const std::string& name) {
        tinygltf::Material m;
        m.name = name;
        model.materials.push_back(m);
        return int(model.materials.size() - 1);
    }
};

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
                    b.primitive(p, {0, 1}, TINYGLTF_MODE_LINE)});
    b.node("Shape", m);
    ASSERT_TRUE(read(b.model)) << error;
    ASSERT_EQ(loaded.scene.nodes.size(), 1u);
    const MeshData& mesh = loaded.scene.nodes[0].meshes.at(0);
    // Strip 0 1 2 3 4: (0,1,2) (2,1,3) (2,3,4); fan 0 1 3 2: (1,3,0) (3,2,0), offset by 5.
    EXPECT_EQ(mesh.triangles, (std::vector<uint32_t>{0, 1, 2, 2, 1, 3, 2, 3, 4, 6, 8, 5, 8, 7, 5}));
    ASSERT_EQ(report.losses.size(), 1u);
    EXPECT_NE(report.losses[0].find("mode LINES has no triangles; left out"), std::string::npos)
        << report.losses[0];
    // glTF's Y-up (0, 2, 0) is the host's (0, 0, 2).
    EXPECT_EQ(mesh.positions[4], Point3(0.0f, 0.0f, 2.0f));
}

TEST_F(GltfReaderTest, SeveralMaterialsBecomeOneNodePerMaterial) {
    ModelBuilder b;
    int p = b.positions(fiveVertices);
    int red = b.material("red"), blue = b.material("blue");
    int m = b.mesh({b.primitive(p, {0, 1, 2}, TINYGLTF_MODE_TRIANGLES, red),
                    b.primitive(p, {1, 3, 2}, TINYGLTF_MODE_TRIANGLES, blue),
                    b.primitive(p, {2, 3, 4}, TINYGLTF_MODE_TRIANGLES, red)});
    b.node("Crate", m);
    ASSERT_TRUE(read(b.model)) << error;
    const NodeData& node = loaded.scene.nodes.at(0);
    ASSERT_EQ(node.meshes.size(), 2u) << "primitives of one material are merged";
    EXPECT_EQ(node.meshes[0].triangles.size(), 6u);
    ASSERT_TRUE(buildScene(loaded.scene, report, error)) << error;
    std::vector<INode*> nodes = allNodesDepthFirst();
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_STREQ(nodes[0]->GetName(), L"Crate");
    EXPECT_STREQ(nodes[1]->GetName(), L"Crate_blue");
    EXPECT_EQ(nodes[1]->GetParentNode(), nodes[0]);
    EXPECT_EQ(nodes[0]->GetMtl()->GetName(), WStr(L"red"));
    EXPECT_EQ(nodes[1]->GetMtl()->GetName(), WStr(L"blue"));
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

TEST_F(GltfReaderTest, ImagesEmbeddedInAGlbAreWrittenBesideTheOutput) {
    ModelBuilder b;
    int p = b.positions({0, 0, 0, 1, 0, 0, 0, 1, 0});
    tinygltf::Primitive prim = b.primitive(p, {0, 1, 2}, TINYGLTF_MODE_TRIANGLES, 0);
    prim.attributes["TEXCOORD_0"] = b.writer.addFloats({0, 0, 1, 0, 0, 1}, 2, false);
    b.node("Textured", b.mesh({prim}));
    std::string folder = gltftest::scratchFolder("embedded");
    gltftest::writePng(folder + "/source.png");
    std::ifstream png(folder + "/source.png", std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(png)),
                                     std::istreambuf_iterator<char>());
    std::vector<unsigned char>& data = b.model.buffers[0].data;
    while (data.size() % 4)
        data.push_back(0);
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = data.size();
    view.byteLength = bytes.size();
    data.insert(data.end(), bytes.begin(), bytes.end());
    b.model.bufferViews.push_back(view);
    tinygltf::Image image;
    image.name = "painted";
    image.mimeType = "image/png";
    image.bufferView = int(b.model.bufferViews.size() - 1);
    b.model.images.push_back(image);
    tinygltf::Texture texture;
    texture.source = 0;
    b.model.textures.push_back(texture);
    int material = b.material("paint");
    b.model.materials[size_t(material)].pbrMetallicRoughness.baseColorTexture.index = 0;
    std::string error2;
    ASSERT_TRUE(writeGltfModel(b.model, folder + "/embedded.glb", error2)) << error2;
    EXPECT_VALID_GLTF(folder + "/embedded.glb");

    std::string out = gltftest::scratchFolder("embedded-out");
    ASSERT_TRUE(importGltfIntoScene(folder + "/embedded.glb", out, report, error)) << error;
    ASSERT_TRUE(std::filesystem::exists(out + "/painted.png"));
    EXPECT_EQ(std::filesystem::file_size(out + "/painted.png"), bytes.size());
    INode* node = GetCOREInterface()->GetINodeByName(L"Textured");
    ASSERT_NE(node, nullptr);
    StdMat* mtl = static_cast<StdMat*>(node->GetMtl());
    ASSERT_NE(mtl, nullptr);
    BitmapTex* map = static_cast<BitmapTex*>(mtl->GetSubTexmap(ID_DI));
    ASSERT_NE(map, nullptr);
    EXPECT_STREQ(map->GetMapName(), L"painted.png") << "the bare name, found beside the model";
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
