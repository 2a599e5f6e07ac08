// Files that cannot be read whole, records that contradict themselves, and the plug-in's
// descriptive operations.

#include "ImportFixture.h"

#include "format/MshFile.h"

using namespace importtest;

namespace {

using Weights = std::vector<std::pair<std::wstring, float>>;

class ImportFailure : public ImportTest {
protected:
    // What the readers say about the file, as the importer shows it.
    std::wstring readerMessage(const std::wstring& file) {
        MshFileReader reader;
        MshError error;
        if (reader.open(file, error)) {
            while (reader.hasNext() && error.ok()) {
                bool ok = true;
                if (reader.layout() == MshLayoutMesh8) {
                    Mesh8Record r;
                    ok = reader.readNextMesh8(r, error);
                } else {
                    LegacyRecord r;
                    ok = reader.readNextLegacy(r, error);
                }
                if (!ok)
                    break;
            }
        }
        return L"Import stopped: " + fromUtf8(error.describe());
    }
    void expectOneWideBox(const std::wstring& text) {
        ASSERT_EQ(1u, boxes.calls().size());
        EXPECT_EQ(text, boxes.calls()[0].text);
        EXPECT_EQ(L"MSHImp", boxes.calls()[0].caption);
        EXPECT_EQ(unsigned(MB_OK), boxes.calls()[0].type);
        EXPECT_EQ(GetCOREInterface()->GetMAXHWnd(), boxes.calls()[0].owner);
    }
};

template <class T> void patch(std::string& bytes, size_t offset, T value) {
    std::memcpy(&bytes[offset], &value, sizeof value);
}

Mesh8Record quad(const std::string& name, bool skinned = false) {
    Mesh8Builder b(name);
    std::vector<std::string> bones;
    if (skinned)
        bones.push_back("Bone");
    std::vector<float> weights(skinned ? 1 : 0, 1.0f);
    int v0 = b.vertex(Point3(0, 0, 0), Point3(0, 0, 1), bones, weights);
    int v1 = b.vertex(Point3(1, 0, 0), Point3(0, 0, 1), bones, weights);
    int v2 = b.vertex(Point3(1, 1, 0), Point3(0, 0, 1), bones, weights);
    int v3 = b.vertex(Point3(0, 1, 0), Point3(0, 0, 1), bones, weights);
    b.face(v0, v1, v2);
    b.face(v0, v2, v3);
    return b.build();
}

TEST_F(ImportFailure, MissingFileIsReportedAndFails) {
    std::wstring file = temp.path(L"absent.msh");
    EXPECT_EQ(IMPEXP_FAIL, importFile(file));
    std::wstring expected = readerMessage(file);
    expectOneWideBox(expected);
    EXPECT_EQ(0u, expected.find(L"Import stopped: " + file + L": cannot open the file"));
    EXPECT_EQ(0, GetCOREInterface()->GetRootNode()->NumberOfChildren());
}

TEST_F(ImportFailure, FileEndingInsideARecordKeepsEarlierRecordsAndBuildsNothingOfIt) {
    std::string bytes =
        legacyBytes({legacyTriangle("First"), legacyTriangle("Second"), legacyTriangle("Third")});
    size_t recordSize = 693 + 3 * 28 + 88 + 4;
    bytes.resize(2 + recordSize + 693 + 40); // inside the second record's vertices
    std::wstring file = temp.path(L"cut.msh");
    writeBytes(file, bytes);
    EXPECT_EQ(IMPEXP_FAIL, importFile(file));
    std::wstring expected = readerMessage(file);
    expectOneWideBox(expected);
    EXPECT_NE(std::wstring::npos, expected.find(L"record 1 \"Second\""));
    EXPECT_NE(std::wstring::npos, expected.find(L"ends early"));
    EXPECT_NE(nullptr, findNode(L"First"));
    EXPECT_EQ(nullptr, findNode(L"Second"));
    EXPECT_EQ(1, GetCOREInterface()->GetRootNode()->NumberOfChildren());
}

TEST_F(ImportFailure, FileEndingInsideTheCountFails) {
    std::wstring file = temp.path(L"one.msh");
    writeBytes(file, std::string(1, '\x01'));
    EXPECT_EQ(IMPEXP_FAIL, importFile(file));
    expectOneWideBox(readerMessage(file));
    EXPECT_NE(std::wstring::npos, boxes.calls()[0].text.find(L"objectCount"));
}

TEST_F(ImportFailure, RejectedLegacyFaceIndexStopsAtThatRecord) {
    std::string bytes =
        legacyBytes({legacyTriangle("Good"), legacyTriangle("Bad"), legacyTriangle("Unread")});
    size_t second = 2 + (693 + 3 * 28 + 88 + 4);
    patch<uint32_t>(bytes, second + 693 + 3 * 28 + 4, 3); // face 0, corner 1: vertex 3 of 3
    std::wstring file = temp.path(L"badface.msh");
    writeBytes(file, bytes);
    EXPECT_EQ(IMPEXP_FAIL, importFile(file));
    std::wstring expected = readerMessage(file);
    expectOneWideBox(expected);
    EXPECT_NE(std::wstring::npos, expected.find(L"record 1 \"Bad\""));
    EXPECT_NE(nullptr, findNode(L"Good"));
    EXPECT_EQ(nullptr, findNode(L"Bad"));
    EXPECT_EQ(nullptr, findNode(L"Unread"));
}

TEST_F(ImportFailure, RejectedMesh8IndexStopsAtThatRecord) {
    std::string bytes = mesh8Bytes({quad("Good"), quad("Bad")});
    size_t record = 699 + 6 * 64 + 6 * 2;
    size_t second = 8 + record;
    patch<uint16_t>(bytes, second + 693 + 2 + 6 * 64 + 2 + 2 * 4, 6); // index 4: 6 of 6
    std::wstring file = temp.path(L"badindex.msh");
    writeBytes(file, bytes);
    EXPECT_EQ(IMPEXP_FAIL, importFile(file));
    expectOneWideBox(readerMessage(file));
    EXPECT_NE(std::wstring::npos, boxes.calls()[0].text.find(L"record 1 \"Bad\""));
    EXPECT_NE(nullptr, findNode(L"Good"));
    EXPECT_EQ(nullptr, findNode(L"Bad"));
}

TEST_F(ImportFailure, MissingParentsAndBonesStillSucceed) {
    Mesh8Record lonely = quad("Lonely", true);
    setField(lonely.header.parentName, "Nobody");
    std::wstring file = temp.path(L"lonely.msh");
    writeBytes(file, mesh8Bytes({lonely}));
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(file));
    EXPECT_EQ((std::vector<std::wstring>{parentMessage("Lonely", "Nobody"),
                                         boneMessage("Lonely", "Bone")}),
              texts(boxes));
}

// A script's #noPrompt, or the host in quiet mode: no box, the same words in the log.
TEST_F(ImportFailure, WithPromptsSuppressedEveryMessageGoesToTheLog) {
    Mesh8Record lonely = quad("Lonely", true);
    setField(lonely.header.parentName, "Nobody");
    std::wstring file = temp.path(L"lonely.msh");
    writeBytes(file, mesh8Bytes({lonely}));
    std::wstring damaged = temp.path(L"damaged.msh");
    writeBytes(damaged, mesh8Bytes({quad("Cut")}).substr(0, 40));
    Talvex_MSH_IMPORT_15 importer;
    for (bool quietMode : {false, true}) {
        resetScene();
        LogRecorder log;
        GetCOREInterface()->SetQuietMode(quietMode);
        EXPECT_EQ(IMPEXP_SUCCESS, importThroughHost(importer, file.c_str(), !quietMode));
        EXPECT_EQ(IMPEXP_FAIL, importThroughHost(importer, damaged.c_str(), !quietMode));
        GetCOREInterface()->SetQuietMode(FALSE);
        EXPECT_TRUE(boxes.calls().empty());
        ASSERT_EQ(3u, log.entries().size());
        EXPECT_EQ(parentMessage("Lonely", "Nobody"), log.entries()[0].text);
        EXPECT_EQ(boneMessage("Lonely", "Bone"), log.entries()[1].text);
        EXPECT_EQ(readerMessage(damaged), log.entries()[2].text);
        for (const LogEntryCall& entry : log.entries()) {
            EXPECT_EQ(L"MSHImp", entry.title);
            EXPECT_EQ(NO_DIALOG, entry.dialogue);
        }
        EXPECT_EQ(DWORD(SYSLOG_WARN), log.entries()[0].type);
        EXPECT_EQ(DWORD(SYSLOG_ERROR), log.entries()[2].type);
        EXPECT_NE(nullptr, findNode(L"Lonely"));
    }
}

TEST_F(ImportFailure, MoreWeldedVerticesThanNumVertsBuildsAllOfThemWithoutWeights) {
    GetCOREInterface()->CreateObjectNode(CreateNewTriObject())->SetName(L"Bone");
    Mesh8Record bad = quad("Short", true);
    bad.header.numVerts = 3;
    bad.header.numSkinVerts = 3;
    bad.boneRecords.resize(3);
    std::wstring file = temp.path(L"short.msh");
    writeBytes(file, mesh8Bytes({bad, quad("Next", true)}));
    EXPECT_EQ(IMPEXP_FAIL, importFile(file));
    expectOneWideBox(
        L"Record built without skin weights: " + file +
        L": record 0 \"Short\": bad count in numVerts at byte 400: expected at least 4 "
        L"(the vertices its faces weld to), found 3");
    INode* node = findNode(L"Short");
    ASSERT_NE(nullptr, node);
    Mesh* mesh = meshOf(node);
    ASSERT_EQ(4, mesh->getNumVerts());
    EXPECT_EQ(Point3(0, 1, 0), mesh->verts[3]);
    EXPECT_EQ(3u, mesh->faces[1].v[2]);
    for (int v = 0; v < 4; ++v)
        EXPECT_TRUE(weightsOf(node, v).empty()) << v;
    // The following record is built whole.
    EXPECT_EQ((Weights{{L"Bone", 1.0f}}), weightsOf(findNode(L"Next"), 3));
}

TEST_F(ImportFailure, UnskinnedRecordWithMoreWeldedVerticesSaysSo) {
    Mesh8Record bad = quad("Plain");
    bad.header.numVerts = 3;
    std::wstring file = temp.path(L"plain.msh");
    writeBytes(file, mesh8Bytes({bad}));
    EXPECT_EQ(IMPEXP_FAIL, importFile(file));
    expectOneWideBox(L"Record built with more vertices than numVerts: " + file +
                     L": record 0 \"Plain\": bad count in numVerts at byte 400: expected at "
                     L"least 4 (the vertices its faces weld to), found 3");
    EXPECT_EQ(4, meshOf(findNode(L"Plain"))->getNumVerts());
}

// The writer refuses such an entry, so the file is damaged by hand.
TEST_F(ImportFailure, LegacySkinEntryOutsideTheRecordIsSkippedAndTheRestIsBuilt) {
    GetCOREInterface()->CreateObjectNode(CreateNewTriObject())->SetName(L"Bone");
    LegacyRecord leg = legacyTriangle("Leg");
    leg.numBones = 1;
    setField(leg.boneNames[0], "Bone");
    MshSkinVertex entry;
    std::memset(&entry, 0, sizeof entry);
    entry.count = 1;
    entry.weight[0] = 1.0f;
    for (int32_t vertex : {0, 2, 1}) {
        entry.vertex = vertex;
        leg.skinVertices.push_back(entry);
    }
    leg.header.numSkinVerts = 3;
    std::string bytes = legacyBytes({leg, legacyTriangle("Next")});
    size_t secondEntry = 2 + 693 + 3 * 28 + 88 + 4 + 100 + 40;
    patch(bytes, secondEntry, int32_t(7));
    patch(bytes, secondEntry + 40, int32_t(-1));
    std::wstring file = temp.path(L"leg.msh");
    writeBytes(file, bytes);
    EXPECT_EQ(IMPEXP_FAIL, importFile(file));
    expectOneWideBox(L"Record built without the weights of 2 skin entries, the first: " + file +
                     L": record 0 \"Leg\": index out of range in skinVertices[1].vertex at byte " +
                     std::to_wstring(secondEntry) + L": expected 0 to numVerts-1 (2), found 7");
    INode* node = findNode(L"Leg");
    EXPECT_EQ((Weights{{L"Bone", 1.0f}}), weightsOf(node, 0));
    EXPECT_TRUE(weightsOf(node, 1).empty());
    EXPECT_TRUE(weightsOf(node, 2).empty());
    EXPECT_NE(nullptr, findNode(L"Next"));
}

TEST_F(ImportFailure, SkinnedRecordWithFewerBoneRecordsThanWeldedVerticesGetsNoWeights) {
    GetCOREInterface()->CreateObjectNode(CreateNewTriObject())->SetName(L"Bone");
    Mesh8Record bad = quad("Thin", true);
    bad.header.numSkinVerts = 3;
    bad.boneRecords.resize(3);
    std::wstring file = temp.path(L"thin.msh");
    std::string bytes = mesh8Bytes({bad});
    writeBytes(file, bytes);
    EXPECT_EQ(IMPEXP_FAIL, importFile(file));
    size_t countOffset = 8 + 693 + 2 + 6 * 64 + 2 + 6 * 2;
    uint16_t storedCount = 0;
    std::memcpy(&storedCount, &bytes[countOffset], sizeof storedCount);
    EXPECT_EQ(3, storedCount);
    expectOneWideBox(L"Record built without skin weights: " + file +
                     L": record 0 \"Thin\": bad count in numBoneRecords at byte " +
                     std::to_wstring(countOffset) +
                     L": expected at least 4 (one per welded vertex), found 3");
    INode* node = findNode(L"Thin");
    ASSERT_NE(nullptr, skinOf(node));
    EXPECT_EQ(1, skinOf(node)->GetNumBones());
    for (int v = 0; v < 4; ++v)
        EXPECT_TRUE(weightsOf(node, v).empty()) << v;
}

TEST_F(ImportFailure, ExtraBoneRecordsBeyondNumSkinVertsAreNotUsed) {
    GetCOREInterface()->CreateObjectNode(CreateNewTriObject())->SetName(L"Bone");
    Mesh8Record bad = quad("Odd", true);
    bad.header.numSkinVerts = 2; // four bone records follow, only two are examined
    std::wstring file = temp.path(L"odd.msh");
    writeBytes(file, mesh8Bytes({bad}));
    EXPECT_EQ(IMPEXP_FAIL, importFile(file));
    ASSERT_EQ(1u, boxes.calls().size());
    EXPECT_NE(std::wstring::npos,
              boxes.calls()[0].text.find(L"numSkinVerts at byte 404: expected at least 4"));
    EXPECT_TRUE(weightsOf(findNode(L"Odd"), 0).empty());
}

TEST(ImportPlugin, DescribesItselfToTheHost) {
    Talvex_MSH_IMPORT_15 importer;
    EXPECT_EQ(2, importer.ExtCount());
    EXPECT_EQ(std::wstring(L"MSH"), importer.Ext(0));
    EXPECT_EQ(std::wstring(L"BN"), importer.Ext(1));
    EXPECT_EQ(std::wstring(L""), importer.Ext(2));
    EXPECT_EQ(std::wstring(L""), importer.Ext(-1));
    EXPECT_EQ(std::wstring(L"Talvex model import Plugin"), importer.LongDesc());
    EXPECT_EQ(std::wstring(L"Talvex MSH(BN)"), importer.ShortDesc());
    EXPECT_EQ(std::wstring(L""), importer.OtherMessage1());
    EXPECT_EQ(std::wstring(L""), importer.OtherMessage2());
    EXPECT_NE(nullptr, importer.AuthorName());
    EXPECT_NE(nullptr, importer.CopyrightMessage());
    EXPECT_EQ(100u, importer.Version());
    EXPECT_EQ(ZOOMEXT_NOT_IMPLEMENTED, importer.ZoomExtents());
    EXPECT_EQ(IMPEXP_FAIL, importer.DoImport(nullptr, importInterface(), GetCOREInterface()));
}

TEST(ImportPlugin, LivesOnTheHostHeap) {
    SceneImport* importer = new Talvex_MSH_IMPORT_15;
    EXPECT_EQ(2, importer->ExtCount());
    delete importer;
}

} // namespace
