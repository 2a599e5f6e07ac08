// What the exporter does instead of writing what a file cannot hold: objects left out,
// influences chosen and bone tables renumbered, Mesh8 bone records in weld order, and the
// one closing message that lists it all.

#include "ExportScene.h"

#include "format/TextField.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace exporttest;

namespace {

class MendedFaults : public ::testing::Test {
protected:
    SceneFixture scene;
    std::wstring msh = scene.path("model.msh");
    std::wstring bn = scene.path("model.bn");

    std::vector<INode*> sixBones() {
        std::vector<INode*> bones;
        for (int i = 0; i < 6; ++i) {
            INode* bone = addNode(L"B" + std::to_wstring(i), makeTetra(), moved(0, 0, 0));
            bone->SetBoneNodeOnOff(TRUE, 0);
            bones.push_back(bone);
        }
        return bones;
    }
};

// The closing message of a run: the one box after the two questions.
const MessageBoxCall& closingMessage(const ExportRun& run) {
    EXPECT_EQ(3u, run.boxes.size());
    static MessageBoxCall none;
    if (run.boxes.size() < 3)
        return none;
    const MessageBoxCall& box = run.boxes[2];
    EXPECT_EQ(L"MSH Export", box.caption);
    EXPECT_EQ(static_cast<unsigned>(MB_OK | MB_ICONWARNING), box.type);
    EXPECT_EQ(GetCOREInterface()->GetMAXHWnd(), box.owner);
    return box;
}

bool mentions(const MessageBoxCall& box, const std::wstring& text) {
    return box.text.find(text) != std::wstring::npos;
}

TEST_F(MendedFaults, ALegacyObjectWithTooManyVerticesIsLeftOutAndReported) {
    std::vector<Point3> positions(65536, Point3(0, 0, 0));
    positions[1] = Point3(1, 0, 0);
    addNode(L"Huge", makeMesh(positions, {{0, 1, 2}}), moved(0, 0, 0));
    addNode(L"Small", makeTetra(), moved(0, 0, 0));
    ExportRun run = runExport(msh, false, false);
    EXPECT_EQ(IMPEXP_SUCCESS, run.result);
    std::vector<LegacyRecord> records = readLegacyFile(msh);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("Small", fieldText(records[0].header.name));
    const MessageBoxCall& box = closingMessage(run);
    EXPECT_TRUE(mentions(box, L"model.msh: node \"Huge\" left out"));
    EXPECT_TRUE(mentions(box, L"65,536 vertices"));
}

TEST_F(MendedFaults, AMesh8ObjectOverTheFaceLimitIsLeftOut) {
    std::vector<std::array<int, 3>> faces(10923, std::array<int, 3>{{0, 1, 2}});
    addNode(L"Dense", makeMesh({Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0)}, faces),
            moved(0, 0, 0));
    std::vector<std::array<int, 3>> fitting(10922, std::array<int, 3>{{0, 1, 2}});
    addNode(L"Fits", makeMesh({Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0)}, fitting),
            moved(0, 0, 0));
    ExportRun run = runExport(msh, false, true);
    std::vector<Mesh8Record> records = readMesh8File(msh);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("Fits", fieldText(records[0].header.name));
    EXPECT_EQ(32766u, records[0].vertices.size());
    EXPECT_TRUE(mentions(closingMessage(run), L"\"Dense\" left out: 10,923 faces"));
}

TEST_F(MendedFaults, AMesh8SkinWithMoreBoneRecordsThanABlockHoldsIsLeftOut) {
    std::vector<INode*> bones = sixBones();
    std::vector<Point3> positions(32768, Point3(0, 0, 0));
    INode* node = addNode(L"Skinned", makeMesh(positions, {{0, 1, 2}}), moved(0, 0, 0));
    addSkin(node, {bones[0]}, {{{0, 1.0f}}});
    ExportRun run = runExport(msh, false, true);
    EXPECT_TRUE(readMesh8File(msh).empty());
    EXPECT_TRUE(mentions(closingMessage(run), L"32,767 bone records"));
}

TEST_F(MendedFaults, LegacyBoneTableHoldsTheBonesInUse) {
    std::vector<INode*> bones = sixBones();
    INode* node = addNode(L"Body", makeTetra(), moved(0, 0, 0));
    addSkin(node, bones, {{{4, 1.0f}}, {{0, 0.5f}, {5, 0.5f}}, {{5, 0.25f}, {4, 0.75f}}, {}});
    ExportRun run = runExport(msh, false, false);
    EXPECT_EQ(2u, run.boxes.size());
    LegacyRecord record = readLegacyFile(msh).at(0);
    ASSERT_EQ(3, record.numBones);
    EXPECT_EQ("B0", fieldText(record.boneNames[0]));
    EXPECT_EQ("B4", fieldText(record.boneNames[1]));
    EXPECT_EQ("B5", fieldText(record.boneNames[2]));
    EXPECT_EQ(std::string(100, '\0'), std::string(record.boneNames[3], 100));
    ASSERT_EQ(4u, record.skinVertices.size());
    EXPECT_EQ(4, record.header.numSkinVerts);
    EXPECT_EQ(1, record.skinVertices[0].count);
    EXPECT_EQ(1, record.skinVertices[0].bone[0]);
    EXPECT_EQ(0, record.skinVertices[1].bone[0]);
    EXPECT_EQ(2, record.skinVertices[1].bone[1]);
    EXPECT_EQ(2, record.skinVertices[2].bone[0]);
    EXPECT_EQ(0.25f, record.skinVertices[2].weight[0]);
    EXPECT_EQ(0, record.skinVertices[3].count);
    EXPECT_EQ(3, record.skinVertices[3].vertex);
}

TEST_F(MendedFaults, LegacyInfluencesOnBonesWithoutRoomAreDroppedAndReported) {
    std::vector<INode*> bones = sixBones();
    INode* node = addNode(L"Body", makeTetra(), moved(0, 0, 0));
    addSkin(node, bones,
            {{{0, 0.5f}, {1, 0.5f}}, {{2, 0.5f}, {3, 0.5f}}, {{4, 0.5f}, {0, 0.5f}}, {{5, 1.0f}}});
    ExportRun run = runExport(msh, false, false);
    LegacyRecord record = readLegacyFile(msh).at(0);
    ASSERT_EQ(4, record.numBones);
    EXPECT_EQ("B3", fieldText(record.boneNames[3]));
    EXPECT_EQ(1, record.skinVertices[2].count);
    EXPECT_EQ(0, record.skinVertices[2].bone[0]);
    EXPECT_EQ(0, record.skinVertices[3].count);
    for (const MshSkinVertex& entry : record.skinVertices)
        for (int slot = 0; slot < entry.count; ++slot)
            EXPECT_LT(entry.bone[slot], record.numBones);
    const MessageBoxCall& box = closingMessage(run);
    EXPECT_TRUE(mentions(box, L"\"B4\", \"B5\""));
    EXPECT_TRUE(mentions(box, L"on 2 vertices"));
}

TEST_F(MendedFaults, FiveInfluencesKeepTheFourLargestRescaledInBothLayouts) {
    std::vector<INode*> bones = sixBones();
    INode* node = addNode(L"Body", makeTetra(), moved(0, 0, 0));
    addSkin(node, bones,
            {{{0, 0.05f}, {1, 0.3f}, {2, 0.05f}, {3, 0.2f}, {4, 0.4f}}, {{0, 1.0f}}, {}, {}});
    ExportRun run = runExport(msh, false, false);
    EXPECT_TRUE(mentions(closingMessage(run), L"1 vertices had more than four bone influences"));
    LegacyRecord record = readLegacyFile(msh).at(0);
    ASSERT_EQ(4, record.numBones);
    EXPECT_EQ("B4", fieldText(record.boneNames[3]));
    const MshSkinVertex& entry = record.skinVertices[0];
    ASSERT_EQ(4, entry.count);
    float sum = 0;
    for (int slot = 0; slot < 4; ++slot)
        sum += entry.weight[slot];
    EXPECT_NEAR(1.0f, sum, 1e-6f);
    EXPECT_EQ(3, entry.bone[3]);
    EXPECT_NEAR(0.4f / 0.95f, entry.weight[3], 1e-6f);
    EXPECT_EQ(0, entry.bone[0]);
    EXPECT_EQ(1.0f, record.skinVertices[1].weight[0]);

    run = runExport(msh, false, true);
    Mesh8Record mesh8 = readMesh8File(msh).at(0);
    // Face 0 is (0, 2, 1): corner 0 is vertex 0, whose record the importer pairs first.
    const Mesh8BoneRecord& bonesOf0 = mesh8.boneRecords[0];
    ASSERT_EQ(4, bonesOf0.numBones);
    EXPECT_EQ("B0", fieldText(bonesOf0.boneNames[0]));
    EXPECT_EQ("B1", fieldText(bonesOf0.boneNames[1]));
    EXPECT_EQ("B3", fieldText(bonesOf0.boneNames[2]));
    EXPECT_EQ("B4", fieldText(bonesOf0.boneNames[3]));
    EXPECT_NEAR(0.4f / 0.95f, mesh8.vertices[0].weight[3], 1e-6f);
    EXPECT_NEAR(0.05f / 0.95f, mesh8.vertices[0].weight[0], 1e-6f);
}

TEST_F(MendedFaults, NonFiniteWeightsAreDroppedAndNoNanIsWrittenInEitherLayout) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<INode*> bones = sixBones();
    INode* node = addNode(L"Body", makeTetra(), moved(0, 0, 0));
    // Vertex 0: a NaN among plain weights; vertex 1: five weights whose total is negative;
    // vertex 2: an infinite weight beside a plain one. The Skin divides each by the vertex's
    // sum, so vertex 0 reads NaN throughout and vertex 2 NaN and 0.
    addSkin(node, bones,
            {{{0, 0.2f}, {1, nan}, {2, 0.2f}, {3, 0.2f}},
             {{0, 1.0f}, {1, -0.9999f}, {2, 0.00005f}, {3, 0.00005f}, {4, -2.0f}},
             {{0, inf}, {1, 1.0f}},
             {}});
    for (bool mesh8 : {false, true}) {
        ExportRun run = runExport(msh, false, mesh8);
        EXPECT_TRUE(mentions(closingMessage(run), L"\"Body\": 2 vertices had a NaN or infinite "
                                                  L"bone weight; it was dropped"))
            << mesh8;
        std::vector<float> written;
        if (mesh8) {
            Mesh8Record record = readMesh8File(msh).at(0);
            for (const Mesh8Vertex& corner : record.vertices)
                written.insert(written.end(), corner.weight, corner.weight + 4);
        } else {
            LegacyRecord record = readLegacyFile(msh).at(0);
            for (const MshSkinVertex& entry : record.skinVertices)
                written.insert(written.end(), entry.weight, entry.weight + entry.count);
            EXPECT_EQ(0, record.skinVertices[0].count);
            EXPECT_EQ(4, record.skinVertices[1].count);
            EXPECT_EQ(1, record.skinVertices[2].count);
            EXPECT_EQ(0.0f, record.skinVertices[2].weight[0]);
        }
        for (float weight : written)
            EXPECT_TRUE(std::isfinite(weight) && std::fabs(weight) <= 1.0f) << weight;
    }
}

TEST_F(MendedFaults, SkinOfAMeshChangedAboveTheSkinIsLeftOutInBothLayouts) {
    std::vector<INode*> bones = sixBones();
    INode* node = addNode(L"Smooth", makeTetra(), moved(0, 0, 0));
    addSkin(node, bones, {{{0, 1.0f}}, {{1, 1.0f}}, {{2, 1.0f}}, {{3, 1.0f}}});
    // As TurboSmooth would: the Skin weighs 4 points, the mesh now has 5 vertices.
    static_cast<IDerivedObject*>(node->GetObjectRef())->AddModifier(createVertexAddingModifier(1));
    for (bool mesh8 : {false, true}) {
        ExportRun run = runExport(msh, false, mesh8);
        EXPECT_TRUE(mentions(closingMessage(run),
                             L"\"Smooth\": written without skin weights: its Skin weighs 4 "
                             L"points but the mesh has 5 vertices"))
            << mesh8;
        if (mesh8) {
            Mesh8Record record = readMesh8File(msh).at(0);
            EXPECT_EQ(5, record.header.numVerts);
            EXPECT_EQ(0, record.header.numSkinVerts);
            EXPECT_TRUE(record.boneRecords.empty());
        } else {
            LegacyRecord record = readLegacyFile(msh).at(0);
            EXPECT_EQ(5u, record.vertices.size());
            EXPECT_EQ(0, record.header.numSkinVerts);
            EXPECT_EQ(0, record.numBones);
        }
    }
}

TEST_F(MendedFaults, NonFinitePositionsLeaveTheObjectOutInBothLayouts) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    addNode(L"Nan", makeMesh({Point3(0, 0, 0), Point3(nan, 0, 0), Point3(0, 1, 0)}, {{0, 1, 2}}),
            moved(0, 0, 0));
    addNode(L"Far", makeMesh({Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, inf, 0)}, {{0, 1, 2}}),
            moved(0, 0, 0));
    addNode(L"Fine", makeTetra(), moved(0, 0, 0));
    for (bool mesh8 : {false, true}) {
        ExportRun run = runExport(msh, false, mesh8);
        EXPECT_EQ(IMPEXP_SUCCESS, run.result);
        std::string kept = mesh8 ? fieldText(readMesh8File(msh).at(0).header.name)
                                 : fieldText(readLegacyFile(msh).at(0).header.name);
        EXPECT_EQ("Fine", kept) << mesh8;
        EXPECT_EQ(1u, mesh8 ? readMesh8File(msh).size() : readLegacyFile(msh).size());
        for (const wchar_t* name : {L"\"Nan\"", L"\"Far\""})
            EXPECT_TRUE(mentions(closingMessage(run), std::wstring(name) +
                                                          L" left out: a vertex with a NaN or "
                                                          L"infinite position cannot be written"))
                << mesh8 << " " << name;
    }
}

TEST_F(MendedFaults, Mesh8BoneRecordsFollowTheImportersWeldOrder) {
    std::vector<INode*> bones = sixBones();
    INode* node = addNode(L"Quad",
                          makeMesh({Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0),
                                    Point3(1, 1, 0), Point3(9, 9, 9)},
                                   {{3, 1, 0}, {3, 0, 2}}),
                          moved(0, 0, 0));
    addSkin(node, bones, {{{0, 1.0f}}, {{1, 1.0f}}, {{2, 1.0f}}, {{3, 1.0f}}, {{4, 1.0f}}});
    runExport(msh, false, true);
    Mesh8Record record = readMesh8File(msh).at(0);
    EXPECT_EQ(5, record.header.numSkinVerts);
    ASSERT_EQ(5u, record.boneRecords.size());
    const char* expected[] = {"B3", "B1", "B0", "B2", "B4"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(1, record.boneRecords[i].numBones);
        EXPECT_EQ(expected[i], fieldText(record.boneRecords[i].boneNames[0])) << i;
    }
    // Every corner carries its own vertex's weight in slot 0.
    for (const Mesh8Vertex& corner : record.vertices)
        EXPECT_EQ(1.0f, corner.weight[0]);
}

TEST_F(MendedFaults, ASkinWithoutBonesIsWrittenAsNoSkin) {
    INode* node = addNode(L"Bare", makeTetra(), moved(0, 0, 0));
    addSkin(node, {}, {});
    runExport(msh, false, false);
    LegacyRecord record = readLegacyFile(msh).at(0);
    EXPECT_EQ(0, record.header.numSkinVerts);
    EXPECT_EQ(0, record.numBones);
    EXPECT_TRUE(record.skinVertices.empty());
    runExport(msh, false, true);
    Mesh8Record mesh8 = readMesh8File(msh).at(0);
    EXPECT_EQ(0, mesh8.header.numSkinVerts);
    EXPECT_TRUE(mesh8.boneRecords.empty());
}

TEST_F(MendedFaults, CutNamesAreListedOnceInAShortenedMessage) {
    for (int i = 0; i < 25; ++i)
        addNode(L"\u0141od\u017A " + std::to_wstring(i), makeTetra(), moved(0, 0, 0));
    addNode(std::wstring(100, L'n'), makeTetra(), moved(0, 0, 0));
    ExportRun run = runExport(msh, false, false);
    std::vector<LegacyRecord> records = readLegacyFile(msh);
    ASSERT_EQ(26u, records.size());
    EXPECT_EQ("", fieldText(records[0].header.name));
    EXPECT_EQ(std::string(100, 'n'), std::string(records[25].header.name, 100));
    const MessageBoxCall& box = closingMessage(run);
    EXPECT_TRUE(mentions(box, L"U+0141"));
    EXPECT_TRUE(mentions(box, L"... and 5 more"));
    EXPECT_FALSE(mentions(box, std::wstring(100, L'n')));
}

TEST_F(MendedFaults, ALongParentNameIsReportedForTheChild) {
    INode* parent = addNode(std::wstring(101, L'p'), makeTetra(), moved(0, 0, 0));
    addNode(L"Child", makeTetra(), moved(0, 0, 0), parent);
    ExportRun run = runExport(msh, false, false);
    std::vector<LegacyRecord> records = readLegacyFile(msh);
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(std::string(100, 'p'), std::string(records[1].header.parentName, 100));
    const MessageBoxCall& box = closingMessage(run);
    EXPECT_TRUE(mentions(box, L"node \"Child\": parent name"));
    EXPECT_TRUE(mentions(box, L"name of node \"" + std::wstring(101, L'p')));
}

TEST_F(MendedFaults, OnlyTheFirst65535ObjectsGoIntoAFile) {
    for (int i = 0; i < 65536; ++i) {
        INode* bone = addNode(L"b" + std::to_wstring(i), createHelperObject(), moved(0, 0, 0));
        bone->SetBoneNodeOnOff(TRUE, 0);
    }
    ExportRun run = runExport(msh, true, false);
    std::string bytes = readBytes(bn);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(0xFF, static_cast<unsigned char>(bytes[0]));
    EXPECT_EQ(0xFF, static_cast<unsigned char>(bytes[1]));
    EXPECT_EQ(2u + 65535u * (693 + 4), bytes.size());
    EXPECT_TRUE(mentions(closingMessage(run), L"1 objects after the first 65,535 left out"));
    EXPECT_TRUE(mentions(closingMessage(run), L"\"b65535\""));
}

} // namespace

namespace {

// Two faces folded along the edge 0-1: face 0 faces +z, face 1 faces +y.
TriObject* foldedPair(DWORD group0, DWORD group1) {
    TriObject* tri = makeMesh({Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0), Point3(0, 0, -1)},
                              {{0, 1, 2}, {0, 1, 3}});
    tri->GetMesh().faces[0].setSmGroup(group0);
    tri->GetMesh().faces[1].setSmGroup(group1);
    return tri;
}

void expectPoint(const Point3& expected, const float* actual, const std::string& what) {
    EXPECT_NEAR(expected.x, actual[0], 1e-6f) << what;
    EXPECT_NEAR(expected.y, actual[1], 1e-6f) << what;
    EXPECT_NEAR(expected.z, actual[2], 1e-6f) << what;
}

// A vertex on a smoothing-group boundary has no single host normal: each corner is read with
// its face's group, and the vertex takes its first corner's. Specified normals win.
TEST_F(MendedFaults, NormalsAreReadPerCornerAndSpecifiedOnesWin) {
    addNode(L"Hard", foldedPair(1, 2), moved(0, 0, 0));
    TriObject* tilted = foldedPair(1, 1);
    Mesh& mesh = tilted->GetMesh();
    mesh.SpecifyNormals();
    MeshNormalSpec* specified = mesh.GetSpecifiedNormals();
    specified->SetParent(&mesh);
    specified->SetNumFaces(2);
    specified->SetNumNormals(1);
    specified->Normal(0) = Point3(0.6f, 0, 0.8f);
    for (int f = 0; f < 2; ++f)
        for (int k = 0; k < 3; ++k)
            specified->Face(f).SpecifyNormalID(k, 0);
    specified->SetAllExplicit();
    specified->CheckNormals();
    addNode(L"Tilted", tilted, moved(0, 0, 0));
    const Point3 up(0, 0, 1), side(0, 1, 0), tilt(0.6f, 0, 0.8f);

    ASSERT_EQ(IMPEXP_SUCCESS, runExport(msh, false, false).result);
    std::vector<LegacyRecord> legacy = readLegacyFile(msh);
    ASSERT_EQ(2u, legacy.size());
    expectPoint(up, legacy[0].vertices[0].normal, "shared vertex: its first corner's");
    expectPoint(side, legacy[0].vertices[3].normal, "vertex of face 1 only");
    expectPoint(up, legacy[0].faces[1].cornerNormal[0], "a corner repeats its vertex");
    for (int v = 0; v < 4; ++v)
        expectPoint(tilt, legacy[1].vertices[v].normal, "specified");

    std::wstring m8 = scene.path("model8.msh");
    ASSERT_EQ(IMPEXP_SUCCESS, runExport(m8, false, true).result);
    std::vector<Mesh8Record> mesh8 = readMesh8File(m8);
    ASSERT_EQ(2u, mesh8.size());
    const Mesh8Vertex& shared = mesh8[0].vertices[3]; // face 1, corner 0: vertex 0
    expectPoint(side, shared.cornerNormal, "corner of face 1");
    expectPoint(up, shared.vertexNormal, "vertex 0: its first corner's");
    expectPoint(tilt, mesh8[1].vertices[3].cornerNormal, "specified corner");
    expectPoint(tilt, mesh8[1].vertices[3].vertexNormal, "specified vertex");
}

} // namespace
