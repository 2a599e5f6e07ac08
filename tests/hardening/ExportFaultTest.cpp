// Every write and every close of an export made to fail in turn, in every answer combination:
// the export must say so, return IMPEXP_FAIL, leave every file that was there byte for byte
// as it was, and leave no temporary file behind.
#include "TestFolder.h"

#include "exporter/Talvex_MSH_EXPORT.h"
#include "format/MshOutput.h"
#include "host/embed/MemoryHost.h"
#include "samples/SampleScene.h"

#include <gtest/gtest.h>

#include <iostream>

namespace memhost {}
using namespace memhost;
using namespace hardening;

namespace {

struct Answers {
    bool bones;
    bool mesh8;
    bool oldFiles; ///< the folder already holds files of the model
};

std::string label(const Answers& a) {
    return std::string(a.bones ? "Bones" : "NoBones") + (a.mesh8 ? "Mesh8" : "Legacy") +
           (a.oldFiles ? "OverOldFiles" : "IntoEmptyFolder");
}

struct ExportRun {
    int result;
    std::vector<MessageBoxCall> boxes;
};

bool toldAboutFailure(const ExportRun& run) {
    for (const MessageBoxCall& box : run.boxes)
        if (!(box.type & MB_ICONQUESTION) && box.text.find(L"failed") != std::wstring::npos)
            return true;
    return false;
}

class ExportUnderFaults : public ::testing::TestWithParam<Answers> {
protected:
    void SetUp() override {
        resetScene();
        samples::SampleOptions options;
        options.rings = 3;
        options.segments = 4;
        options.bones = 3;
        samples::buildSampleModel(GetCOREInterface(), options);
        target = folder.path() / "model.msh";
        if (GetParam().oldFiles) {
            // Old files of every kind the export may replace, and one it must never touch.
            writeFile(folder.path() / "model.msh", "old meshes");
            writeFile(folder.path() / "model.bn", "old bones");
            writeFile(folder.path() / "model.BBX", "old box");
            writeFile(folder.path() / "notes.txt", "unrelated");
        }
        before = folderContents(folder.path());
    }
    void TearDown() override {
        setFileWriteFault(0, false);
        setFileCloseFault(0);
        resetScene();
    }

    ExportRun exportOnce() {
        ExportRun run;
        MessageBoxRecorder recorder;
        recorder.queueAnswers({GetParam().bones ? IDYES : IDNO, GetParam().mesh8 ? IDYES : IDNO});
        Talvex_MSH_EXPORT exporter;
        run.result = exporter.DoExport(target.wstring().c_str(), exportInterface(),
                                       GetCOREInterface(), FALSE, 0);
        run.boxes = recorder.calls();
        return run;
    }

    void restoreFolder() {
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            std::filesystem::remove(entry.path());
        for (const auto& file : before)
            writeFile(folder.path() / file.first, file.second);
    }

    void expectCleanFailure(const ExportRun& run, const std::string& fault) {
        EXPECT_EQ(run.result, IMPEXP_FAIL) << fault;
        EXPECT_TRUE(toldAboutFailure(run)) << fault << ": the user was not told";
        EXPECT_EQ(folderContents(folder.path()), before)
            << fault << ": a file changed, appeared or stayed behind";
    }

    TestFolder folder{"export"};
    std::filesystem::path target;
    std::map<std::string, std::string> before;
};

TEST_P(ExportUnderFaults, EveryWriteAndCloseFailureLeavesTheOldFiles) {
    // A clean export first, to count the writes and closes and to see it does write.
    setFileWriteFault(0, false);
    setFileCloseFault(0);
    ExportRun clean = exportOnce();
    int writes = fileWritesSinceFaultSet();
    int closes = fileClosesSinceFaultSet();
    ASSERT_EQ(clean.result, IMPEXP_SUCCESS);
    std::map<std::string, std::string> written = folderContents(folder.path());
    std::vector<std::string> exported = {"model.msh"};
    if (GetParam().bones)
        exported.push_back("model.bn");
    if (GetParam().bones && !GetParam().mesh8)
        exported.push_back("model.BBX");
    for (const std::string& name : exported)
        EXPECT_TRUE(written.count(name) && written[name] != before[name]) << name << " not written";
    EXPECT_EQ(closes, int(exported.size()));
    ASSERT_GT(writes, 0);

    int injected = 0;
    for (int n = 1; n <= writes; ++n) {
        restoreFolder();
        setFileWriteFault(n, false);
        expectCleanFailure(exportOnce(), "write " + std::to_string(n) + " of " +
                                             std::to_string(writes) + " failing");
        ++injected;
    }
    setFileWriteFault(0, false);
    for (int n = 1; n <= closes; ++n) {
        restoreFolder();
        setFileCloseFault(n);
        expectCleanFailure(exportOnce(), "close " + std::to_string(n) + " of " +
                                             std::to_string(closes) + " failing");
        ++injected;
    }
    setFileCloseFault(0);
    restoreFolder();
    setFileWriteFault(0, true);
    expectCleanFailure(exportOnce(), "every replace failing");
    ++injected;
    std::cout << "fault injection " << label(GetParam()) << ": " << injected
              << " injected failures (" << writes << " writes, " << closes << " closes, 1 replace)"
              << std::endl;
}

INSTANTIATE_TEST_SUITE_P(AllAnswers, ExportUnderFaults,
                         ::testing::Values(Answers{false, false, true}, Answers{true, false, true},
                                           Answers{false, true, true}, Answers{true, true, true},
                                           Answers{false, false, false},
                                           Answers{true, false, false}, Answers{false, true, false},
                                           Answers{true, true, false}),
                         [](const ::testing::TestParamInfo<Answers>& param) {
                             return label(param.param);
                         });

} // namespace
