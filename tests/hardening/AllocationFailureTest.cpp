// Each allocation of an import and of an export made to fail in turn: no exception may reach
// the host. The plug-in tells the user in one box and returns IMPEXP_FAIL, or absorbs the
// failure and succeeds; the files are as a failed write leaves them.
#include "FailingAllocations.h"
#include "ImportRun.h"
#include "TestFolder.h"

#include "exporter/Talvex_MSH_EXPORT.h"
#include "host/embed/MemoryHost.h"
#include "importer/Talvex_MSH_IMPORT_15.h"
#include "samples/SampleScene.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace hardening;

namespace {

class AllocationFailure : public ::testing::Test {
protected:
    void SetUp() override {
        resetScene();
        samples::SampleOptions options;
        options.rings = 2;
        options.segments = 3;
        options.bones = 2;
        samples::buildSampleModel(GetCOREInterface(), options);
    }
    void TearDown() override { resetScene(); }

    // Exports the scene as the host does, answering the two questions; with `failAt`, that
    // allocation of the DoExport call fails (`met` tells whether the call came to it).
    int exportScene(const std::filesystem::path& target, bool bones, bool mesh8,
                    std::vector<MessageBoxCall>* boxes = nullptr, long failAt = 0,
                    bool* met = nullptr) {
        MessageBoxRecorder recorder;
        recorder.queueAnswers({bones ? IDYES : IDNO, mesh8 ? IDYES : IDNO});
        Talvex_MSH_EXPORT exporter;
        std::wstring name = target.wstring();
        int result;
        {
            FailingAllocation failure(failAt);
            result =
                exporter.DoExport(name.c_str(), exportInterface(), GetCOREInterface(), FALSE, 0);
            if (met)
                *met = allocationFailed();
        }
        if (boxes)
            *boxes = recorder.calls();
        return result;
    }

    // Imports as the host does; allocation `failAt` of the DoImport call fails.
    ImportRun importFailing(const std::filesystem::path& file, long failAt, bool& met) {
        ImportRun run;
        MessageBoxRecorder boxes;
        MisuseRecorder misuse;
        Talvex_MSH_IMPORT_15 importer;
        std::wstring name = file.wstring();
        {
            FailingAllocation failure(failAt);
            run.result =
                importer.DoImport(name.c_str(), importInterface(), GetCOREInterface(), FALSE);
            met = allocationFailed();
        }
        for (const MessageBoxCall& call : boxes.calls())
            run.messages.push_back(call.text);
        run.misuse = misuse.reports();
        return run;
    }

    TestFolder folder{"allocation"};
};

// The importer's report of a failed allocation, or none when the failure was absorbed.
void expectTold(const ImportRun& run, long n) {
    EXPECT_TRUE(run.misuse.empty()) << "allocation " << n << ": " << run.misuse.front();
    if (run.result == IMPEXP_SUCCESS) {
        EXPECT_TRUE(run.messages.empty()) << "allocation " << n << ": " << run.messages.front();
        return;
    }
    ASSERT_EQ(1u, run.messages.size()) << "allocation " << n;
    EXPECT_EQ(0u, run.messages[0].find(L"Import stopped: ")) << run.messages[0];
    EXPECT_NE(std::wstring::npos, run.messages[0].find(L"not enough memory")) << run.messages[0];
}

TEST_F(AllocationFailure, EveryAllocationOfAnImportFailsCleanly) {
    for (bool mesh8 : {false, true}) {
        std::filesystem::path msh = folder.path() / (mesh8 ? "m8.msh" : "legacy.msh");
        ASSERT_EQ(IMPEXP_SUCCESS, exportScene(msh, true, mesh8));
        // The texture is there, so every message is the one about memory.
        std::ofstream(folder.path() / "hero.png", std::ios::binary) << "\x89PNG\r\n\x1a\n";
        std::filesystem::path bn = folder.path() / (mesh8 ? "m8.bn" : "legacy.bn");
        long n = 1;
        for (;; ++n) {
            resetScene();
            ASSERT_EQ(IMPEXP_SUCCESS, importFile(bn).result);
            bool met = false;
            ImportRun run = importFailing(msh, n, met);
            if (!met)
                break;
            expectTold(run, n);
            if (HasFailure())
                return;
        }
        EXPECT_GT(n, 20) << "the import allocates more than that";
    }
}

TEST_F(AllocationFailure, EveryAllocationOfAnExportFailsCleanly) {
    std::filesystem::path msh = folder.path() / "model.msh";
    for (bool mesh8 : {false, true}) {
        writeFile(folder.path() / "model.msh", "old meshes");
        writeFile(folder.path() / "model.bn", "old bones");
        writeFile(folder.path() / "model.BBX", "old box");
        std::map<std::string, std::string> before = folderContents(folder.path());
        ASSERT_EQ(IMPEXP_SUCCESS, exportScene(msh, true, mesh8));
        std::map<std::string, std::string> after = folderContents(folder.path());
        long n = 1;
        for (;; ++n) {
            for (const auto& file : before)
                writeFile(folder.path() / file.first, file.second);
            std::vector<MessageBoxCall> boxes;
            bool met = false;
            int result = exportScene(msh, true, mesh8, &boxes, n, &met);
            if (!met)
                break;
            std::map<std::string, std::string> now = folderContents(folder.path());
            if (result == IMPEXP_SUCCESS) {
                EXPECT_EQ(after, now) << "allocation " << n;
            } else {
                ASSERT_EQ(IMPEXP_FAIL, result) << "allocation " << n;
                ASSERT_FALSE(boxes.empty()) << "allocation " << n;
                const MessageBoxCall& told = boxes.back();
                EXPECT_EQ(L"MSH Export", told.caption) << "allocation " << n;
                EXPECT_EQ(0u, told.text.find(L"The export failed: ")) << told.text;
                // A target is either as it was or listed as replaced; no temporary file stays.
                EXPECT_EQ(before.size(), now.size())
                    << "allocation " << n << ": " << (--now.end())->first;
                for (const auto& file : now) {
                    bool replaced =
                        told.text.find(L"/" + std::filesystem::path(file.first).wstring()) !=
                        std::wstring::npos;
                    EXPECT_EQ(replaced ? after.at(file.first) : before.at(file.first), file.second)
                        << "allocation " << n << ": " << file.first << "\n"
                        << std::string(told.text.begin(), told.text.end());
                }
            }
            if (HasFailure())
                return;
        }
        EXPECT_GT(n, 20) << "the export allocates more than that";
    }
}

} // namespace
