#include "scene/SceneSnapshot.h"
#include "host/embed/MemoryHost.h"
#include "scene/VertexSource.h"

#include <gtest/gtest.h>

using namespace mshgltf;

namespace {

// A unit quad in the XY plane: vertices 0..3, faces (0,1,2) and (0,2,3), with per-face UVs
// that differ at vertex 2 only when `seam` is set.
INode* makeQuad(const wchar_t* name, bool seam) {
    TriObject* tri = CreateNewTriObject();
    Mesh& mesh = tri->GetMesh();
    mesh.setNumVerts(4);
    mesh.setVert(0, Point3(0.0f, 0.0f, 0.0f));
    mesh.setVert(1, Point3(1.0f, 0.0f, 0.0f));
    mesh.setVert(2, Point3(1.0f, 1.0f, 0.0f));
    mesh.setVert(3, Point3(0.0f, 1.0f, 0.0f));
    mesh.setNumFaces(2);
    mesh.faces[0].setVerts(0, 1, 2);
    mesh.faces[1].setVerts(0, 2, 3);
    mesh.setNumTVerts(6);
    mesh.setNumTVFaces(2);
    const float uv[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 6; ++i)
        mesh.setTVert(i, uv[i][0], uv[i][1], 0.0f);
    if (seam)
        mesh.setTVert(4, 0.5f, 0.5f, 0.0f);
    mesh.tvFace[0].setTVerts(0, 1, 2);
    mesh.tvFace[1].setTVerts(3, 4, 5);
    for (int v = 0; v < 4; ++v)
        mesh.setNormal(v, Point3(0.0f, 0.0f, 1.0f));
    INode* node = GetCOREInterface()->CreateObjectNode(tri);
    node->SetName(name);
    return node;
}

INode* makeBone(const wchar_t* name, float z) {
    TriObject* tri = CreateNewTriObject();
    INode* node = GetCOREInterface()->CreateObjectNode(tri);
    node->SetName(name);
    Matrix3 tm(TRUE);
    tm.SetTrans(Point3(0.0f, 0.0f, z));
    node->SetNodeTM(0, tm);
    node->SetBoneNodeOnOff(TRUE, 0);
    return node;
}

ISkinImportData* addSkin(INode* node) {
    Modifier* skin = static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
    IDerivedObject* stack = CreateDerivedObject(node->GetObjectRef());
    node->SetObjectRef(stack);
    stack->AddModifier(skin);
    return static_cast<ISkinImportData*>(skin->GetInterface(I_SKINIMPORTDATA));
}

void weigh(ISkinImportData* skin, INode* node, int vertex, std::vector<INode*> bones,
           std::vector<float> weights) {
    Tab<INode*> boneTab;
    Tab<float> weightTab;
    for (size_t i = 0; i < bones.size(); ++i) {
        boneTab.Append(1, &bones[i]);
        weightTab.Append(1, &weights[i]);
    }
    skin->AddWeights(node, vertex, boneTab, weightTab);
}

std::vector<Influence> influencesOf(const MeshData& mesh, size_t vertex) {
    size_t size = 0;
    const Influence* first = mesh.source->influences(vertex, size);
    return std::vector<Influence>(first, first + size);
}

std::vector<int> sourceVerticesOf(const MeshData& mesh) {
    std::vector<int> numbers;
    for (size_t v = 0; v < mesh.source->count(); ++v)
        numbers.push_back(mesh.source->sourceVertex(v));
    return numbers;
}

class SceneSnapshotTest : public ::testing::Test {
protected:
    void SetUp() override { resetScene(); }
    void TearDown() override { resetScene(); }
    BridgeReport report;
};

} // namespace

TEST_F(SceneSnapshotTest, VerticesSplitOnlyWhereTexCoordsOrNormalsDiffer) {
    makeQuad(L"Plain", false);
    makeQuad(L"Seam", true);
    SceneData scene = snapshotScene(report);
    ASSERT_EQ(scene.nodes.size(), 2u);
    const MeshData& plain = scene.nodes[0].meshes.at(0);
    EXPECT_EQ(plain.source->count(), 4u) << "shared corners with equal UVs stay shared";
    EXPECT_EQ(plain.triangles, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(sourceVerticesOf(plain), (std::vector<int>{0, 1, 2, 3}));
    const MeshData& seam = scene.nodes[1].meshes.at(0);
    EXPECT_EQ(seam.source->count(), 5u) << "vertex 2 carries two UVs";
    EXPECT_EQ(sourceVerticesOf(seam), (std::vector<int>{0, 1, 2, 2, 3}));
    EXPECT_EQ(seam.source->uv(3), Point2(0.5f, 0.5f));
    EXPECT_EQ(seam.triangles, (std::vector<uint32_t>{0, 1, 2, 0, 3, 4}));
    EXPECT_TRUE(report.losses.empty());
}

TEST_F(SceneSnapshotTest, SpecifiedNormalsWinOverVertexNormals) {
    INode* node = makeQuad(L"Quad", false);
    Mesh& mesh = static_cast<TriObject*>(node->GetObjectRef())->GetMesh();
    mesh.SpecifyNormals();
    MeshNormalSpec* normalSpec = mesh.GetSpecifiedNormals();
    ASSERT_NE(normalSpec, nullptr);
    normalSpec->SetNumFaces(2);
    Point3 tilted = Point3(0.0f, 0.6f, 0.8f);
    for (int f = 0; f < 2; ++f)
        for (int k = 0; k < 3; ++k) {
            Point3 normal = f == 1 && k == 1 ? tilted : Point3(0.0f, 0.0f, 1.0f);
            normalSpec->SetNormal(f, k, normal);
        }
    SceneData scene = snapshotScene(report);
    const MeshData& data = scene.nodes[0].meshes.at(0);
    EXPECT_TRUE(data.specifiedNormals);
    EXPECT_EQ(data.source->count(), 5u) << "vertex 2 has two corner normals";
    EXPECT_EQ(data.source->normal(3), tilted);
    EXPECT_EQ(data.source->sourceVertex(3), 2);
}

TEST_F(SceneSnapshotTest, ObjectOffsetsAreBakedIntoUnskinnedVertices) {
    INode* node = makeQuad(L"Offset", false);
    Matrix3 tm(TRUE);
    tm.SetTrans(Point3(10.0f, 0.0f, 0.0f));
    node->SetNodeTM(0, tm);
    node->SetObjOffsetPos(Point3(0.0f, 0.0f, 5.0f));
    // Turned 90 degrees about Z: the offset's normal (0,0,1) stays, X goes to Y.
    node->SetObjOffsetRot(QFromAngAxis(1.5707963f, Point3(0.0f, 0.0f, 1.0f)));
    SceneData scene = snapshotScene(report);
    const NodeData& data = scene.nodes[0];
    EXPECT_EQ(data.world.m[3][0], 10.0) << "the node keeps its own transform";
    const MeshData& mesh = data.meshes.at(0);
    Point3 corner = mesh.source->position(1); // host vertex (1, 0, 0)
    Matrix3 objectTm = node->GetObjectTM(0);
    Point3 expected = Point3(1.0f, 0.0f, 0.0f) * objectTm;
    Point3 world = corner + Point3(10.0f, 0.0f, 0.0f);
    EXPECT_NEAR(world.x, expected.x, 1e-5);
    EXPECT_NEAR(world.y, expected.y, 1e-5);
    EXPECT_NEAR(world.z, expected.z, 1e-5);
    EXPECT_NEAR(mesh.source->normal(1).z, 1.0f, 1e-6);
}

TEST_F(SceneSnapshotTest, SkinWeightsAreMergedNormalisedAndBoundToJoints) {
    INode* root = makeBone(L"Root", 0.0f);
    INode* tip = makeBone(L"Tip", 1.0f);
    root->AttachChild(tip, TRUE);
    INode* quad = makeQuad(L"Skinned", true); // host vertex 2 becomes glTF 2 and 3
    ISkinImportData* skin = addSkin(quad);
    ASSERT_NE(skin, nullptr);
    skin->AddBoneEx(root, TRUE);
    skin->AddBoneEx(tip, TRUE);
    quad->EvalWorldState(0);
    Matrix3 identity(TRUE);
    skin->SetSkinTm(quad, identity, identity);
    weigh(skin, quad, 0, {root}, {1.0f});
    weigh(skin, quad, 1, {root, tip}, {2.0f, 2.0f});
    weigh(skin, quad, 2, {tip, root}, {0.75f, 0.0f}); // a zero weight is no influence
    weigh(skin, quad, 3, {}, {});                     // no weights, not even from envelopes
    SceneData scene = snapshotScene(report);
    const NodeData* skinned = nullptr;
    for (const NodeData& n : scene.nodes)
        if (n.name == "Skinned")
            skinned = &n;
    ASSERT_NE(skinned, nullptr);
    ASSERT_EQ(skinned->joints.size(), 2u);
    EXPECT_EQ(scene.nodes[size_t(skinned->joints[1])].name, "Tip");
    EXPECT_TRUE(scene.nodes[size_t(skinned->joints[1])].isBone);
    EXPECT_EQ(skinned->jointBindWorld[1].m[3][2], 1.0) << "bind transform from the skin";
    const MeshData& mesh = skinned->meshes.at(0);
    ASSERT_TRUE(mesh.source->hasInfluences());
    ASSERT_EQ(mesh.source->count(), 5u);
    std::vector<Influence> shared = influencesOf(mesh, 1);
    ASSERT_EQ(shared.size(), 2u);
    EXPECT_FLOAT_EQ(shared[0].weight, 0.5f);
    EXPECT_FLOAT_EQ(shared[1].weight, 0.5f);
    std::vector<Influence> single = influencesOf(mesh, 2);
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single[0].joint, 1);
    EXPECT_FLOAT_EQ(single[0].weight, 1.0f) << "0.75 alone normalises to 1";
    std::vector<Influence> copy = influencesOf(mesh, 3);
    ASSERT_EQ(copy.size(), 1u) << "both vertices split from one host vertex share its weights";
    EXPECT_EQ(copy[0].joint, 1);
    EXPECT_TRUE(influencesOf(mesh, 4).empty());
}

TEST_F(SceneSnapshotTest, MaterialsGiveTheBitmapFileNameAndTwoSidedFlag) {
    INode* a = makeQuad(L"A", false);
    INode* b = makeQuad(L"B", false);
    StdMat2* material = NewDefaultStdMat();
    material->SetName(WStr(L"skin.tga"));
    material->SetTwoSided(TRUE);
    BitmapTex* map = NewDefaultBitmapTex();
    map->SetMapName(L"C:\\art\\textures\\skin.tga");
    material->SetSubTexmap(ID_DI, map);
    a->SetMtl(material);
    b->SetMtl(material);
    SceneData scene = snapshotScene(report);
    ASSERT_EQ(scene.materials.size(), 1u) << "one host material, one glTF material";
    EXPECT_EQ(scene.materials[0].textureFile, "skin.tga");
    EXPECT_EQ(scene.materials[0].name, "skin.tga");
    EXPECT_TRUE(scene.materials[0].twoSided);
    EXPECT_EQ(scene.nodes[1].meshes.at(0).material, 0);
}

TEST_F(SceneSnapshotTest, FacesPastTheVerticesAreLeftOutAndReported) {
    INode* node = makeQuad(L"Broken", false);
    Mesh& mesh = static_cast<TriObject*>(node->GetObjectRef())->GetMesh();
    mesh.faces[1].setVerts(0, 2, 9);
    SceneData scene = snapshotScene(report);
    EXPECT_EQ(scene.nodes[0].meshes.at(0).triangles.size(), 3u);
    ASSERT_EQ(report.losses.size(), 1u);
    EXPECT_NE(report.losses[0].find("Broken: 1 face(s)"), std::string::npos) << report.losses[0];
}
