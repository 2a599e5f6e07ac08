// The Mesh8 export against what IGame really gives: every active map channel, corners swapped
// on mirrored nodes, objects and whole sessions that fail, objects released per node; and the
// legacy bounds without a live viewport.

#include "ExportScene.h"

#include <gtest/gtest.h>

using namespace exporttest;

namespace {

class IGameExport : public ::testing::Test {
protected:
    SceneFixture scene;
    std::wstring msh = scene.path("model.msh");
};

// One triangle whose texture faces run backwards, so a reader that takes the wrong channel's
// indices, or the mesh's own, gets other values.
TriObject* triangleWithReversedUvs(int channel) {
    TriObject* tri = makeMesh({Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0)}, {{0, 1, 2}});
    Mesh& mesh = tri->GetMesh();
    mesh.setNumMapVerts(channel, 3);
    mesh.setNumMapFaces(channel, 1);
    for (int i = 0; i < 3; ++i)
        mesh.mapVerts(channel)[i] = UVVert(0.25f * (float)(i + 1), 0.5f, 0);
    mesh.mapFaces(channel)[0].setTVerts(2, 1, 0);
    return tri;
}

void expectUvs(const Mesh8Record& record, float u0, float u1, float u2) {
    ASSERT_EQ(3u, record.vertices.size());
    EXPECT_FLOAT_EQ(u0, record.vertices[0].uv[0]);
    EXPECT_FLOAT_EQ(u1, record.vertices[1].uv[0]);
    EXPECT_FLOAT_EQ(u2, record.vertices[2].uv[0]);
}

TEST_F(IGameExport, UvsComeFromTheFirstTextureChannelNotFromVertexColours) {
    TriObject* coloured = triangleWithReversedUvs(1);
    Mesh& mesh = coloured->GetMesh();
    mesh.setNumVertCol(1);
    mesh.setNumVCFaces(1);
    mesh.vertCol[0] = Point3(0.9f, 0.8f, 0.7f);
    mesh.vcFace[0].setTVerts(0, 0, 0);
    addNode(L"Coloured", coloured, moved(0, 0, 0));
    addNode(L"Second", triangleWithReversedUvs(2), moved(0, 0, 0));
    ExportRun run = runExport(msh, false, true);
    ASSERT_EQ(IMPEXP_SUCCESS, run.result);
    std::vector<Mesh8Record> records = readMesh8File(msh);
    ASSERT_EQ(2u, records.size());
    expectUvs(records[0], 0.75f, 0.5f, 0.25f);
    expectUvs(records[1], 0.75f, 0.5f, 0.25f); // channel 2 with its own faces
}

TEST_F(IGameExport, AMirroredNodeKeepsTheMeshWindingAndEachNodeIsReleased) {
    addNode(L"Mirrored", triangleWithReversedUvs(1), ScaleMatrix(Point3(-1, 1, 1)));
    addNode(L"Plain", triangleWithReversedUvs(1), moved(0, 0, 0));
    ExportRun run = runExport(msh, false, true);
    ASSERT_EQ(IMPEXP_SUCCESS, run.result);
    std::vector<Mesh8Record> records = readMesh8File(msh);
    ASSERT_EQ(2u, records.size());
    for (const Mesh8Record& record : records) {
        ASSERT_EQ(3u, record.vertices.size());
        EXPECT_FLOAT_EQ(1.0f, record.vertices[1].position[0]); // mesh corner 1 is (1, 0, 0)
        EXPECT_FLOAT_EQ(1.0f, record.vertices[2].position[1]); // mesh corner 2 is (0, 1, 0)
        expectUvs(record, 0.75f, 0.5f, 0.25f);
    }
    EXPECT_EQ(2u, releasedIGameObjectCount());
}

TEST_F(IGameExport, ANodeIGameCannotConvertIsLeftOutAndReported) {
    INode* stand = addNode(L"Standin", makeTetra(), moved(0, 0, 0));
    addNode(L"Kept", makeTetra(), moved(0, 0, 0));
    setIGameDataFails(stand);
    ExportRun run = runExport(msh, false, true);
    EXPECT_EQ(IMPEXP_SUCCESS, run.result);
    std::vector<Mesh8Record> records = readMesh8File(msh);
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("Kept", fieldText(records[0].header.name));
    ASSERT_EQ(3u, run.boxes.size());
    EXPECT_NE(std::wstring::npos,
              run.boxes[2].text.find(L"\"Standin\" left out: IGame could not convert it"));
}

TEST_F(IGameExport, IGameThatCannotStartFailsTheExportAndWritesNothing) {
    addNode(L"Kept", makeTetra(), moved(0, 0, 0));
    writeBytes(msh, "old");
    setIGameInitialiseFails(true);
    ExportRun run = runExport(msh, true, true);
    EXPECT_EQ(IMPEXP_FAIL, run.result);
    ASSERT_EQ(3u, run.boxes.size());
    EXPECT_EQ(static_cast<unsigned>(MB_OK | MB_ICONERROR), run.boxes[2].type);
    EXPECT_NE(std::wstring::npos, run.boxes[2].text.find(L"IGame could not take in the scene"));
    EXPECT_EQ("old", readBytes(msh));
    EXPECT_FALSE(fileExists(scene.path("model.bn")));
}

TEST_F(IGameExport, LegacyBoundsNeedNoLiveViewport) {
    Matrix3 turned = RotateZMatrix(0.5f);
    turned.SetTrans(Point3(3, 0, 1));
    addNode(L"Turned", makeTetra(), turned);
    ASSERT_EQ(IMPEXP_SUCCESS, runExport(msh, false, false).result);
    std::string live = readBytes(msh);
    setActiveViewportAlive(false);
    ASSERT_EQ(IMPEXP_SUCCESS, runExport(msh, false, false).result);
    EXPECT_EQ(live, readBytes(msh));
    LegacyRecord record = readLegacyFile(msh).at(0);
    float low = record.header.boundsMin[2], high = record.header.boundsMax[2]; // packed fields
    EXPECT_LT(low, high);
}

} // namespace
