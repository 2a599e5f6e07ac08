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
