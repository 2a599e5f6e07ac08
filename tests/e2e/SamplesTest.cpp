// The shipped sample is what make-sample exports from the sample scene today, byte for byte.
#include <gtest/gtest.h>

#include "RunProgram.h"

#include <filesystem>

TEST(Samples, ShippedFilesAreWhatTheExporterWritesToday) {
    std::string out = testing::TempDir() + "samples-now";
    std::filesystem::remove_all(out);
    ProgramRun run = runProgram(std::string(MAKE_SAMPLE_PATH) + " " + out);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* name : {"hero.msh", "hero.bn", "hero.BBX", "hero_mesh8.msh", "hero.png"}) {
        std::string shipped = readWhole(std::string(SAMPLES_DIR) + "/" + name);
        ASSERT_FALSE(shipped.empty()) << name;
        EXPECT_TRUE(readWhole(out + "/" + name) == shipped)
            << name << " differs: run `make-sample samples` and review the change";
    }
}

TEST(Samples, CheckPassesOnEveryFileOfTheSamplesFolder) {
    std::string command = std::string(MSHTOOL_PATH) + " check";
    for (const auto& entry : std::filesystem::directory_iterator(SAMPLES_DIR))
        command += " '" + entry.path().string() + "'";
    ProgramRun run = runProgram(command);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    for (const char* line : {"/hero.msh: ok (legacy, 2 objects; bones from ",
                             "/hero.BBX: ok (bbx; bones from ",
                             "/hero.png: skipped: a PNG image, not a model file\n"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
}
