// DoExport end to end in the in-memory host: the questions, which files each answer writes,
// their fixed bytes, which nodes go where, and the mended failure handling.

#include "ExportScene.h"

#include "exporter/ExportOptions.h"
#include "exporter/Talvex_MSH_EXPORT.h"
#include "format/MshOutput.h"
#include "format/TextField.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <filesystem>
#include <stdexcept>

using namespace exporttest;

namespace {

class ExportFlow : public ::testing::Test {
protected:
    SceneFixture scene;
    std::wstring msh = scene.path("model.msh");
    std::wstring bn = scene.path("model.bn");
    std::wstring bbx = scene.path("model.BBX");
};

uint32_t u32At(const std::string& bytes, size_t offset) {
    uint32_t value;
    memcpy(&value, bytes.data() + offset, 4);
    return value;
}

float floatAt(const std::string& bytes, size_t offset) {
    float value;
    memcpy(&value, bytes.data() + offset, 4);
    return value;
}

TEST_F(ExportFlow, AsksBothQuestionsOwnedByTheMainWindow) {
    ExportRun run = runExport(msh, false, false);
    EXPECT_EQ(IMPEXP_SUCCESS, run.result);
    ASSERT_EQ(2u, run.boxes.size());
    EXPECT_EQ(L"Export bones?", run.boxes[0].text);
    EXPECT_EQ(L"Use Mesh8 structure?", run.boxes[1].text);
    for (const MessageBoxCall& box : run.boxes) {
        EXPECT_EQ(L"MSH Export", box.caption);
        EXPECT_EQ(static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION), box.type);
        EXPECT_EQ(GetCOREInterface()->GetMAXHWnd(), box.owner);
        EXPECT_TRUE(box.wide);
    }
}

TEST_F(ExportFlow, EmptySceneFilesPerAnswer) {
    EXPECT_EQ(IMPEXP_SUCCESS, runExport(msh, false, false).result);
    EXPECT_EQ(std::string("\0\0", 2), readBytes(msh));
    EXPECT_FALSE(fileExists(bn));
    EXPECT_FALSE(fileExists(bbx));

    EXPECT_EQ(IMPEXP_SUCCESS, runExport(msh, false, true).result);
    EXPECT_EQ(std::string("MESH08\0\0", 8), readBytes(msh));
    EXPECT_FALSE(fileExists(bn));

    EXPECT_EQ(IMPEXP_SUCCESS, runExport(msh, true, true).result);
    EXPECT_EQ(std::string("MESH08\0\0", 8), readBytes(msh));
    EXPECT_EQ(std::string("\0\0", 2), readBytes(bn));
    EXPECT_FALSE(fileExists(bbx));

    EXPECT_EQ(IMPEXP_SUCCESS, runExport(msh, true, false).result);
    EXPECT_EQ(std::string("\0\0", 2), readBytes(msh));
    EXPECT_EQ(std::string("\0\0", 2), readBytes(bn));
    std::string box = readBytes(bbx);
    ASSERT_EQ(280u, box.size());
    EXPECT_EQ(std::string("model\0", 6), box.substr(0, 6));
    EXPECT_EQ(-FLT_MAX, floatAt(box, 256));
    EXPECT_EQ(FLT_MAX, floatAt(box, 268));
}

TEST_F(ExportFlow, OnlyIdYesCountsAsYes) {
    MessageBoxRecorder recorder;
    recorder.queueAnswers({IDOK, IDCANCEL});
    Talvex_MSH_EXPORT exporter;
    EXPECT_EQ(IMPEXP_SUCCESS,
              exporter.DoExport(msh.c_str(), exportInterface(), GetCOREInterface(), FALSE, 0));
    EXPECT_EQ(2u, recorder.calls().size());
    EXPECT_EQ(std::string("\0\0", 2), readBytes(msh));
    EXPECT_FALSE(fileExists(bn));
}

TEST_F(ExportFlow, LegacyRecordCarriesTheFixedHeaderValues) {
    addNode(L"Tri", makeMesh({Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0)}, {{0, 1, 2}}),
            moved(0, 0, 0));
    ExportRun run = runExport(msh, false, false);
    EXPECT_EQ(2u, run.boxes.size());
    std::string bytes = readBytes(msh);
    ASSERT_EQ(2u + 693 + 3 * 28 + 88 + 4, bytes.size());
    EXPECT_EQ(1, bytes[0]);
    const size_t r = 2;
    EXPECT_EQ(std::string("Tri\0", 4), bytes.substr(r, 4));
    EXPECT_EQ(std::string("NULL") + std::string(96, '\0'), bytes.substr(r + 100, 100));
    EXPECT_EQ(std::string(100, '\0'), bytes.substr(r + 498, 100));
    EXPECT_EQ(0u, u32At(bytes, r + 598));
    EXPECT_EQ(std::string(5, '\0'), bytes.substr(r + 626, 5));
    EXPECT_EQ(256u, u32At(bytes, r + 633));
    EXPECT_EQ(0, bytes[r + 639]);
    EXPECT_EQ(1u, u32At(bytes, r + 642));
    EXPECT_EQ(std::string(47, '\0'), bytes.substr(r + 646, 47));
    EXPECT_EQ(1.0f, floatAt(bytes, r + 693 + 12));
    EXPECT_EQ(0u, u32At(bytes, bytes.size() - 4));

    LegacyRecord record = readLegacyFile(msh).at(0);
    EXPECT_EQ(3, record.header.numVerts);
    EXPECT_EQ(1, record.header.numFaces);
    EXPECT_EQ(0, record.header.numSkinVerts);
    EXPECT_EQ(0, memcmp(record.header.worldTM, record.header.localTM, 64));
    EXPECT_EQ(1.0f, record.header.scaleTM[0][0]);
    EXPECT_EQ(1.0f, record.header.scaleTM[3][3]);
    EXPECT_EQ(0.0f, record.header.scaleTM[0][1]);
    EXPECT_EQ(1.0f, +record.header.boundsMax[0]);
    EXPECT_EQ(0.0f, +record.header.boundsMin[2]);
    for (int c = 0; c < 3; ++c)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(0.0f, record.faces[0].uvw[c][k]);
    EXPECT_EQ(2u, record.faces[0].vertex[2]);
}

TEST_F(ExportFlow, TransformsAreRelativeToTheParentsObjectTransform) {
    INode* parent = addNode(L"Parent", makeTetra(), moved(10, 0, 0));
    INode* child = addNode(L"Child", makeTetra(), moved(12, 0, 0), parent);
    Matrix3 scaled(TRUE);
    scaled.Scale(Point3(2, 2, 2));
    scaled.SetTrans(Point3(10, 0, 0));
    addNode(L"Scaled", makeTetra(), scaled, parent);
    (void)child;
    runExport(msh, false, false);
    std::vector<LegacyRecord> records = readLegacyFile(msh);
    ASSERT_EQ(3u, records.size());
    EXPECT_EQ("Parent", fieldText(records[1].header.parentName));
    EXPECT_EQ(2.0f, records[1].header.localTM[3][0]);
    EXPECT_EQ(0.0f, records[1].header.localTM[3][1]);
    EXPECT_EQ(1.0f, records[1].header.localTM[3][3]);
    EXPECT_EQ(12.0f, records[1].header.worldTM[3][0]);
    EXPECT_EQ(1.0f, records[1].header.scaleTM[1][1]);
    EXPECT_FLOAT_EQ(2.0f, records[2].header.scaleTM[0][0]);
    EXPECT_FLOAT_EQ(2.0f, records[2].header.scaleTM[2][2]);
    EXPECT_EQ(1.0f, records[2].header.scaleTM[3][3]);
}

TEST_F(ExportFlow, PivotOffsetIsPartOfTheWorldTransform) {
    INode* node = addNode(L"Offset", makeTetra(), moved(1, 2, 3));
    node->SetObjOffsetPos(Point3(0, 0, 5));
    runExport(msh, false, false);
    LegacyRecord record = readLegacyFile(msh).at(0);
    EXPECT_EQ(1.0f, record.header.worldTM[3][0]);
    EXPECT_EQ(8.0f, record.header.worldTM[3][2]);
    EXPECT_EQ(0.0f, record.header.worldTM[0][3]);
    EXPECT_EQ(1.0f, record.header.worldTM[3][3]);
    EXPECT_EQ(9.0f, +record.header.boundsMax[2]);
    EXPECT_EQ(8.0f, +record.header.boundsMin[2]);
    EXPECT_EQ(0.0f, record.vertices[0].position[2]);
}

TEST_F(ExportFlow, NodesGoToTheFileOfTheirPass) {
    addNode(L"Mesh", makeTetra(), moved(0, 0, 0));
    INode* hidden = addNode(L"Hidden", makeTetra(), moved(0, 0, 0));
    hidden->Hide(TRUE);
    INode* bone = addNode(L"Bone", makeTetra(), moved(0, 0, 0));
    bone->SetBoneNodeOnOff(TRUE, 0);
    INode* hiddenBone = addNode(L"HiddenBone", makeTetra(), moved(0, 0, 0));
    hiddenBone->SetBoneNodeOnOff(TRUE, 0);
    hiddenBone->Hide(TRUE);
    INode* helperBone = addNode(L"HelperBone", createHelperObject(), moved(3, 4, 5), bone);
    helperBone->SetBoneNodeOnOff(TRUE, 0);
    addNode(L"Light", createLightObject(), moved(0, 0, 0));
    addNode(L"Camera", createCameraObject(), moved(0, 0, 0));

    ExportRun run = runExport(msh, true, false);
    EXPECT_EQ(2u, run.boxes.size());
    std::vector<LegacyRecord> meshes = readLegacyFile(msh);
    ASSERT_EQ(1u, meshes.size());
    EXPECT_EQ("Mesh", fieldText(meshes[0].header.name));
    std::vector<LegacyRecord> bones = readLegacyFile(bn);
    ASSERT_EQ(2u, bones.size());
    EXPECT_EQ("Bone", fieldText(bones[0].header.name));
    EXPECT_EQ("HelperBone", fieldText(bones[1].header.name));
    EXPECT_EQ("Bone", fieldText(bones[1].header.parentName));
    EXPECT_EQ(0, bones[1].header.numVerts);
    EXPECT_EQ(0, bones[1].header.numFaces);
    EXPECT_EQ(3.0f, +bones[1].header.boundsMax[0]);
    EXPECT_EQ(5.0f, +bones[1].header.boundsMin[2]);

    std::string box = readBytes(bbx);
    EXPECT_EQ(3.0f, floatAt(box, 256));
    EXPECT_EQ(5.0f, floatAt(box, 264));
    EXPECT_EQ(0.0f, floatAt(box, 268));

    runExport(msh, true, true);
    std::vector<Mesh8Record> mesh8 = readMesh8File(msh);
    ASSERT_EQ(1u, mesh8.size());
    EXPECT_EQ("Mesh", fieldText(mesh8[0].header.name));
    EXPECT_EQ(2u, readLegacyFile(bn).size());
}

// A selected node whose parent is not selected stands at the top at its world place (no file
// of the export holds the parent), and the log says so; a selected child keeps its parent.
TEST_F(ExportFlow, ExportSelectedTakesOnlySelectedNodes) {
    INode* holder = addNode(L"Holder", makeTetra(), moved(10, 0, 0));
    INode* chosen = addNode(L"Chosen", makeTetra(), moved(12, 0, 0), holder);
    INode* kept = addNode(L"Kept", makeTetra(), moved(13, 0, 0), chosen);
    addNode(L"Other", makeTetra(), moved(0, 0, 0));
    INode* bone = addNode(L"ChosenBone", makeTetra(), moved(0, 0, 0));
    bone->SetBoneNodeOnOff(TRUE, 0);
    INode* otherBone = addNode(L"OtherBone", makeTetra(), moved(0, 0, 0));
    otherBone->SetBoneNodeOnOff(TRUE, 0);
    GetCOREInterface()->SelectNode(chosen, 1);
    GetCOREInterface()->SelectNode(kept, 0);
    GetCOREInterface()->SelectNode(bone, 0);

    Talvex_MSH_EXPORT exporter;
    EXPECT_TRUE(exporter.SupportsOptions(0, SCENE_EXPORT_SELECTED));
    for (bool mesh8 : {false, true}) {
        SCOPED_TRACE(mesh8 ? "Mesh8" : "legacy");
        LogRecorder log;
        ExportRun run = runExport(msh, true, mesh8, SCENE_EXPORT_SELECTED);
        EXPECT_EQ(2u, run.boxes.size()) << "the questions only: the note is no loss";
        std::vector<MshObjectHeader> headers;
        if (mesh8)
            for (const Mesh8Record& record : readMesh8File(msh))
                headers.push_back(record.header);
        else
            for (const LegacyRecord& record : readLegacyFile(msh))
                headers.push_back(record.header);
        ASSERT_EQ(2u, headers.size());
        EXPECT_EQ("Chosen", fieldText(headers[0].name));
        EXPECT_EQ("NULL", fieldText(headers[0].parentName));
        EXPECT_EQ(12.0f, +headers[0].localTM[3][0]);
        EXPECT_EQ(12.0f, +headers[0].worldTM[3][0]);
        EXPECT_EQ("Chosen", fieldText(headers[1].parentName));
        EXPECT_EQ(1.0f, +headers[1].localTM[3][0]);
        std::vector<LegacyRecord> bones = readLegacyFile(bn);
        ASSERT_EQ(1u, bones.size());
        EXPECT_EQ("ChosenBone", fieldText(bones[0].header.name));
        ASSERT_EQ(1u, log.entries().size());
        EXPECT_EQ(static_cast<DWORD>(SYSLOG_INFO), log.entries()[0].type);
        EXPECT_EQ(L"model.msh: node \"Chosen\" written at the top with its world transform: its "
                  L"parent \"Holder\" is not selected",
                  log.entries()[0].text);
    }
    runExport(msh, true, false);
    std::vector<LegacyRecord> all = readLegacyFile(msh);
    ASSERT_EQ(4u, all.size());
    EXPECT_EQ("Holder", fieldText(all[1].header.parentName));
    EXPECT_EQ(2u, readLegacyFile(bn).size());
}

TEST_F(ExportFlow, MaterialGivesTwoSidedAndTheDiffuseBitmapPath) {
    INode* node = addNode(L"Textured", makeTetra(), moved(0, 0, 0));
    node->SetMtl(texturedMaterial(L"C:\\maps\\wood.png", true));
    INode* plain = addNode(L"Plain", makeTetra(), moved(0, 0, 0));
    plain->SetMtl(texturedMaterial(L"", false));
    runExport(msh, false, false);
    std::vector<LegacyRecord> records = readLegacyFile(msh);
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("C:\\maps\\wood.png", fieldText(records[0].header.texturePath));
    EXPECT_EQ(1, records[0].header.twoSided);
    EXPECT_EQ("", fieldText(records[1].header.texturePath));
    EXPECT_EQ(0, records[1].header.twoSided);

    runExport(msh, false, true);
    std::vector<Mesh8Record> mesh8 = readMesh8File(msh);
    ASSERT_EQ(2u, mesh8.size());
    EXPECT_EQ("C:\\maps\\wood.png", fieldText(mesh8[0].header.texturePath));
    EXPECT_EQ(0, mesh8[0].header.twoSided);
}

TEST_F(ExportFlow, Mesh8UnrollsCornersWithIdentityIndices) {
    addNode(L"Tetra", makeTetra(), moved(0, 0, 0));
    runExport(msh, false, true);
    Mesh8Record record = readMesh8File(msh).at(0);
    EXPECT_EQ(4, record.header.numVerts);
    EXPECT_EQ(4, record.header.numFaces);
    EXPECT_EQ(0, record.header.numSkinVerts);
    EXPECT_EQ(1u, +record.header.hasSkinBlock);
    EXPECT_EQ(256u, +record.header.reserved633);
    ASSERT_EQ(12u, record.vertices.size());
    ASSERT_EQ(12u, record.indices.size());
    for (size_t i = 0; i < record.indices.size(); ++i)
        EXPECT_EQ(i, record.indices[i]);
    EXPECT_TRUE(record.boneRecords.empty());
    // Face 0 is (0, 2, 1): corner 1 is vertex 2 at (0, 1, 0) with texture coordinate (0, 1).
    EXPECT_EQ(1.0f, record.vertices[1].position[1]);
    EXPECT_EQ(1.0f, record.vertices[1].uv[1]);
    EXPECT_EQ(0.0f, record.vertices[1].weight[0]);
    EXPECT_EQ("NULL", fieldText(record.header.parentName));
}

TEST_F(ExportFlow, UnwritableFolderIsReportedAndFails) {
    std::wstring missing = scene.path("no-such-folder/model.msh");
    MessageBoxRecorder recorder;
    recorder.answer(IDOK);
    Talvex_MSH_EXPORT exporter;
    EXPECT_EQ(IMPEXP_FAIL,
              exporter.DoExport(missing.c_str(), exportInterface(), GetCOREInterface(), FALSE, 0));
    ASSERT_EQ(1u, recorder.calls().size());
    const MessageBoxCall& box = recorder.calls()[0];
    EXPECT_EQ(L"MSH Export", box.caption);
    EXPECT_NE(std::wstring::npos, box.text.find(missing));
    EXPECT_NE(std::wstring::npos, box.text.find(L"cannot create"));
    EXPECT_EQ(static_cast<unsigned>(MB_OK), box.type & MB_TYPEMASK);
    EXPECT_FALSE(fileExists(missing));
}

// Sets an answer through the published interface, as a script sets the property.
void setOption(FunctionID setter, bool answer) {
    FPParams value(1, TYPE_BOOL, answer ? TRUE : FALSE);
    EXPECT_EQ(FPS_OK, exportOptions().Invoke(setter, &value));
}

// A script's #noPrompt: no box; the published options answer the two questions and the
// closing report goes to the log. Each answer pair writes what the same answers in the boxes
// write.
TEST_F(ExportFlow, WithPromptsSuppressedThePublishedOptionsAnswer) {
    INode* bone = addNode(L"Bone", makeTetra(), moved(0, 0, 0));
    bone->SetBoneNodeOnOff(TRUE, 0);
    addNode(L"Tri\u0411",
            makeMesh({Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0)}, {{0, 1, 2}}),
            moved(1, 0, 0));
    Talvex_MSH_EXPORT exporter;
    for (int answers = 0; answers < 4; ++answers) {
        bool bones = (answers & 1) != 0, mesh8 = (answers & 2) != 0;
        for (const std::wstring& file : {msh, bn, bbx})
            std::filesystem::remove(std::filesystem::path(file));
        ExportRun asked = runExport(msh, bones, mesh8);
        ASSERT_EQ(3u, asked.boxes.size()) << answers;
        std::vector<std::string> written;
        for (const std::wstring& file : {msh, bn, bbx}) {
            bool exists = false;
            written.push_back(readBytes(file, &exists) + (exists ? "" : "(none)"));
            std::filesystem::remove(std::filesystem::path(file));
        }
        setOption(ExportOptions::setExportBones, bones);
        setOption(ExportOptions::setUseMesh8, mesh8);
        MessageBoxRecorder boxes;
        LogRecorder log;
        EXPECT_EQ(IMPEXP_SUCCESS, exportThroughHost(exporter, msh.c_str(), TRUE));
        EXPECT_TRUE(boxes.calls().empty());
        size_t f = 0;
        for (const std::wstring& file : {msh, bn, bbx}) {
            bool exists = false;
            EXPECT_EQ(written[f++], readBytes(file, &exists) + (exists ? "" : "(none)"))
                << toUtf8(file) << " for answers " << answers;
        }
        ASSERT_EQ(1u, log.entries().size());
        EXPECT_EQ(asked.boxes[2].text, log.entries()[0].text);
        EXPECT_EQ(L"MSH Export", log.entries()[0].title);
        EXPECT_EQ(DWORD(SYSLOG_WARN), log.entries()[0].type);
        EXPECT_EQ(NO_DIALOG, log.entries()[0].dialogue);
    }
    setOption(ExportOptions::setExportBones, false);
    setOption(ExportOptions::setUseMesh8, false);
}

// Quiet mode asks no question either: the options' answers (No, No) and the failure logged.
TEST_F(ExportFlow, InQuietModeAFailureIsLoggedAsAnError) {
    std::wstring missing = scene.path("no-such-folder/model.msh");
    MessageBoxRecorder boxes;
    LogRecorder log;
    GetCOREInterface()->SetQuietMode(TRUE);
    Talvex_MSH_EXPORT exporter;
    EXPECT_EQ(IMPEXP_FAIL, exportThroughHost(exporter, missing.c_str(), FALSE));
    GetCOREInterface()->SetQuietMode(FALSE);
    EXPECT_TRUE(boxes.calls().empty());
    ASSERT_EQ(1u, log.entries().size());
    EXPECT_EQ(DWORD(SYSLOG_ERROR), log.entries()[0].type);
    EXPECT_NE(std::wstring::npos, log.entries()[0].text.find(L"cannot create"));
    EXPECT_NE(std::wstring::npos, log.entries()[0].text.find(missing));
}

class FailedWrites : public ExportFlow, public ::testing::WithParamInterface<bool> {};

// Every write that can fail, failing in turn, leaves the three old files as they were and no
// temporary file behind.
TEST_P(FailedWrites, LeaveEveryExistingFileUntouched) {
    bool mesh8 = GetParam();
    INode* bone = addNode(L"Bone", makeTetra(), moved(0, 0, 0));
    bone->SetBoneNodeOnOff(TRUE, 0);
    addNode(L"Mesh", makeTetra(), moved(1, 0, 0))->SetMtl(texturedMaterial(L"a.png", false));
    writeBytes(msh, "old msh");
    writeBytes(bn, "old bn");
    writeBytes(bbx, "old bbx");

    setFileWriteFault(0, false);
    ASSERT_EQ(IMPEXP_SUCCESS, runExport(scene.path("count.msh"), true, mesh8).result);
    int writes = fileWritesSinceFaultSet();
    ASSERT_GT(writes, 4);
    for (int failing = 1; failing <= writes + 1; ++failing) {
        bool atCommit = failing == writes + 1;
        setFileWriteFault(atCommit ? 0 : failing, atCommit);
        ExportRun run = runExport(msh, true, mesh8);
        setFileWriteFault(0, false);
        EXPECT_EQ(IMPEXP_FAIL, run.result) << "failing write " << failing;
        ASSERT_EQ(3u, run.boxes.size());
        EXPECT_NE(std::wstring::npos, run.boxes[2].text.find(L"failed")) << failing;
        EXPECT_NE(std::wstring::npos, run.boxes[2].text.find(L"No file was changed"));
        EXPECT_EQ("old msh", readBytes(msh));
        EXPECT_EQ("old bn", readBytes(bn));
        EXPECT_EQ("old bbx", readBytes(bbx));
        for (const auto& entry : std::filesystem::directory_iterator(scene.folder))
            EXPECT_NE(".tmp", entry.path().extension().string()) << entry.path();
    }
    EXPECT_EQ(IMPEXP_SUCCESS, runExport(msh, true, mesh8).result);
    EXPECT_NE("old msh", readBytes(msh));
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, FailedWrites, ::testing::Values(false, true));

TEST_F(ExportFlow, ATargetThatCannotBeReplacedIsRefusedBeforeAnyFileChanges) {
    // The BN target is a folder with something in it: refused when its output opens.
    std::filesystem::create_directory(toUtf8(bn));
    writeBytes(bn + L"/inside", "x");
    writeBytes(msh, "old msh");
    writeBytes(bbx, "old bbx");
    ExportRun run = runExport(msh, true, false);
    EXPECT_EQ(IMPEXP_FAIL, run.result);
    ASSERT_EQ(3u, run.boxes.size());
    EXPECT_NE(std::wstring::npos, run.boxes[2].text.find(bn)) << run.boxes[2].text;
    EXPECT_NE(std::wstring::npos, run.boxes[2].text.find(L"a folder is in the way"));
    EXPECT_NE(std::wstring::npos, run.boxes[2].text.find(L"No file was changed"));
    EXPECT_EQ("old msh", readBytes(msh));
    EXPECT_EQ("old bbx", readBytes(bbx));
    for (const auto& entry : std::filesystem::directory_iterator(scene.folder))
        EXPECT_NE(".tmp", entry.path().extension().string()) << entry.path();
}

TEST_F(ExportFlow, AFailingCloseChangesNoFile) {
    INode* bone = addNode(L"Bone", makeTetra(), moved(0, 0, 0));
    bone->SetBoneNodeOnOff(TRUE, 0);
    writeBytes(msh, "old msh");
    writeBytes(bn, "old bn");
    writeBytes(bbx, "old bbx");
    for (int failing = 1; failing <= 3; ++failing) {
        setFileCloseFault(failing);
        ExportRun run = runExport(msh, true, false);
        setFileCloseFault(0);
        EXPECT_EQ(IMPEXP_FAIL, run.result) << failing;
        EXPECT_EQ("old msh", readBytes(msh)) << failing;
        EXPECT_EQ("old bn", readBytes(bn)) << failing;
        EXPECT_EQ("old bbx", readBytes(bbx)) << failing;
    }
}

TEST_F(ExportFlow, AnExportPathThatIsItsOwnBbxFileIsRefused) {
    std::wstring path = scene.path("model.bbx");
    writeBytes(path, "old");
    ExportRun run = runExport(path, true, false);
    EXPECT_EQ(IMPEXP_FAIL, run.result);
    ASSERT_EQ(3u, run.boxes.size());
    EXPECT_NE(std::wstring::npos, run.boxes[2].text.find(L"same name"));
    EXPECT_EQ("old", readBytes(path));
    EXPECT_EQ(IMPEXP_SUCCESS, runExport(path, false, false).result);
    EXPECT_EQ(std::string("\0\0", 2), readBytes(path));
}

TEST_F(ExportFlow, ForwardSlashPathsNameTheBbxModel) {
    std::wstring path = scene.path("sub") + L"/hero.msh";
    std::filesystem::create_directory(toUtf8(scene.path("sub")));
    EXPECT_EQ(IMPEXP_SUCCESS, runExport(path, true, false).result);
    std::string box = readBytes(scene.path("sub/hero.BBX"));
    ASSERT_EQ(280u, box.size());
    EXPECT_EQ(std::string("hero\0", 5), box.substr(0, 5));
    EXPECT_TRUE(fileExists(scene.path("sub/hero.bn")));
}

// Geometry whose conversion to triangles fails with an exception, as a broken plug-in object
// or an exhausted heap would.
class UnconvertibleObject : public GeomObject {
public:
    int CanConvertToType(Class_ID) override { return TRUE; }
    Object* ConvertToType(TimeValue, Class_ID) override {
        throw std::runtime_error("the object cannot be converted");
    }
};

TEST_F(ExportFlow, AnExceptionInTheSceneEnumerationFailsTheExportWithoutReachingTheHost) {
    addNode(L"Broken", new UnconvertibleObject(), moved(0, 0, 0));
    writeBytes(msh, "old msh");
    MisuseRecorder misuse; // the host reports any exception that unwinds through EnumTree
    ExportRun run = runExport(msh, false, false);
    EXPECT_EQ(IMPEXP_FAIL, run.result);
    ASSERT_EQ(3u, run.boxes.size());
    EXPECT_NE(std::wstring::npos,
              run.boxes[2].text.find(L"The export failed: the object cannot be converted."));
    EXPECT_EQ(std::vector<std::string>{}, misuse.reports());
    EXPECT_EQ("old msh", readBytes(msh));
}

TEST_F(ExportFlow, AutoKeyIsOffDuringTheExportAndBackAfterIt) {
    addNode(L"Body", makeTetra(), moved(1, 2, 3))->SetMtl(texturedMaterial(L"t.png", false));
    AnimateOn();
    for (bool mesh8 : {false, true})
        EXPECT_EQ(IMPEXP_SUCCESS, runExport(msh, true, mesh8).result);
    EXPECT_TRUE(Animating());
    EXPECT_TRUE(animationKeys().empty());
}

TEST_F(ExportFlow, ReExportIsByteIdentical) {
    INode* parent = addNode(L"Root", makeTetra(), moved(1, 2, 3));
    addNode(L"Leaf", makeTetra(2), moved(4, 5, 6), parent)
        ->SetMtl(texturedMaterial(L"t.png", true));
    for (bool mesh8 : {false, true}) {
        runExport(msh, true, mesh8);
        std::string first = readBytes(msh);
        std::string firstBones = readBytes(bn);
        runExport(msh, true, mesh8);
        EXPECT_EQ(first, readBytes(msh));
        EXPECT_EQ(firstBones, readBytes(bn));
    }
}

} // namespace
