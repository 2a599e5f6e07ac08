// One import and one export through the loaded modules: the plug-ins reach the same scene and
// the same message-box handler as the program that loaded them, as in the host.
#include "host/embed/MemoryHost.h"
#include "tests/plugin/PluginLibraries.h"
#include "tests/plugin/SampleChecks.h"
#include "tests/plugin/SampleModel.h"

#include "format/TextField.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// With and without the Skin evaluating the mesh as a bone is added (which 2015 does is not
// known): the import must come out the same.
class PluginsInOneHost : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        resetScene();
        setSkinUpdateEvaluates(GetParam());
        folder = fs::temp_directory_path() / ("msh-plugin-test-" + std::to_string(getpid()));
        fs::create_directories(folder);
        std::string error;
        ASSERT_TRUE(writeSampleModel(folder.wstring() + L"/", files, error)) << error;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        resetScene();
        setSkinUpdateEvaluates(false);
    }

    template <typename Plugin> std::unique_ptr<Plugin> create(const LibraryUnderTest& library) {
        LibraryExports exports;
        std::string why;
        if (!findLibraryExports(library, exports, why)) {
            ADD_FAILURE() << why;
            return nullptr;
        }
        return std::unique_ptr<Plugin>(static_cast<Plugin*>(exports.LibClassDesc(0)->Create()));
    }

    // Imports skeleton then mesh, each with a fresh plug-in object, as the host's command does.
    void importSample() {
        for (const std::wstring& path : {files.skeletonPath, files.meshPath}) {
            auto importer = create<SceneImport>(importerUnderTest());
            ASSERT_NE(importer, nullptr);
            EXPECT_EQ(importer->DoImport(path.c_str(), importInterface(), GetCOREInterface()),
                      IMPEXP_SUCCESS)
                << toUtf8(path);
        }
    }

    std::wstring texture() const { return folder.wstring() + L"/skin.tga"; }

    fs::path folder;
    SampleModelFiles files;
};

TEST_P(PluginsInOneHost, ImportThroughTheModuleBuildsIntoTheProgramsScene) {
    MessageBoxRecorder boxes;
    ASSERT_NO_FATAL_FAILURE(importSample());
    EXPECT_TRUE(boxes.calls().empty()) << "every parent and bone is present";
    std::vector<std::string> problems = importedSampleProblems(GetCOREInterface(), texture());
    EXPECT_TRUE(problems.empty()) << joinProblems(problems);
}

TEST_P(PluginsInOneHost, ExportThroughTheModuleAnsweredNoTwiceWritesOnlyLegacyMsh) {
    ASSERT_NO_FATAL_FAILURE(importSample());
    MessageBoxRecorder boxes;
    boxes.answer(IDNO);
    const std::wstring target = folder.wstring() + L"/out.msh";
    auto exporter = create<SceneExport>(exporterUnderTest());
    ASSERT_NE(exporter, nullptr);
    EXPECT_EQ(exporter->DoExport(target.c_str(), exportInterface(), GetCOREInterface()),
              IMPEXP_SUCCESS);

    ASSERT_EQ(boxes.calls().size(), 2u) << "the exporter's two questions reach this handler";
    EXPECT_EQ(boxes.calls()[0].text, L"Export bones?");
    EXPECT_EQ(boxes.calls()[1].text, L"Use Mesh8 structure?");
    for (const MessageBoxCall& call : boxes.calls()) {
        EXPECT_EQ(call.caption, L"MSH Export");
        EXPECT_EQ(call.type, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION));
        EXPECT_TRUE(call.wide);
    }
    std::vector<std::string> problems = exportedSampleProblems(target, texture());
    EXPECT_TRUE(problems.empty()) << joinProblems(problems);
    EXPECT_FALSE(fs::exists(folder / "out.bn"));
    EXPECT_FALSE(fs::exists(folder / "out.BBX"));
}

// A batch as a script runs it (#noPrompt): the answers set on the exporter class's published
// options, no dialog from either plug-in.
TEST_P(PluginsInOneHost, ScriptedBatchTakesThePublishedAnswersAndShowsNoDialog) {
    LibraryExports exports;
    std::string why;
    ASSERT_TRUE(findLibraryExports(exporterUnderTest(), exports, why)) << why;
    ClassDesc& exporterClass = *exports.LibClassDesc(0);
    BOOL bones = TRUE, mesh8 = TRUE;
    ASSERT_TRUE(getPublishedProperty(exporterClass, L"exportOptions", L"exportBones", bones));
    ASSERT_TRUE(getPublishedProperty(exporterClass, L"exportOptions", L"useMesh8", mesh8));
    EXPECT_FALSE(bones) << "No, the answer of a question left unanswered";
    EXPECT_FALSE(mesh8);
    EXPECT_FALSE(setPublishedProperty(exporterClass, L"exportOptions", L"noSuchOption", TRUE));

    MessageBoxRecorder boxes;
    LogRecorder log;
    for (const std::wstring& path : {files.skeletonPath, files.meshPath}) {
        auto importer = create<SceneImport>(importerUnderTest());
        ASSERT_NE(importer, nullptr);
        EXPECT_EQ(importThroughHost(*importer, path.c_str(), TRUE), IMPEXP_SUCCESS);
    }
    // Script names are case-insensitive.
    ASSERT_TRUE(setPublishedProperty(exporterClass, L"ExportOptions", L"EXPORTBONES", TRUE));
    const std::wstring target = folder.wstring() + L"/out.msh";
    auto exporter = create<SceneExport>(exporterUnderTest());
    ASSERT_NE(exporter, nullptr);
    EXPECT_EQ(exportThroughHost(*exporter, target.c_str(), TRUE), IMPEXP_SUCCESS);
    ASSERT_TRUE(setPublishedProperty(exporterClass, L"exportOptions", L"exportBones", FALSE));

    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_TRUE(log.entries().empty()) << "every parent and bone is present, nothing is lost";
    std::vector<std::string> problems = exportedSampleProblems(target, texture());
    EXPECT_TRUE(problems.empty()) << joinProblems(problems);
    EXPECT_TRUE(fs::exists(folder / "out.bn"));
    EXPECT_TRUE(fs::exists(folder / "out.BBX"));
}

INSTANTIATE_TEST_SUITE_P(SkinUpdate, PluginsInOneHost, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& run) {
                             return run.param ? "Evaluates" : "UpdatesOnly";
                         });

} // namespace
