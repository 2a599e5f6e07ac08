// mshtool info on the shipped sample and on damaged files.
#include <gtest/gtest.h>

#include "RunProgram.h"

#include "format/MshFile.h"

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

namespace {

const std::string tool = MSHTOOL_PATH;
const std::string samples = SAMPLES_DIR;

std::string info(const std::string& args) {
    return tool + " info " + args;
}

} // namespace

TEST(InfoCommand, PrintsLayoutCountAndEveryRecordOfTheSample) {
    ProgramRun run = runProgram(info(samples + "/hero.msh " + samples + "/hero.bn"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("hero.msh: legacy, 2 objects"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("[0] \"Hero Body\" parent \"NULL\": 156 verts, 288 faces, 156 skin"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("bones: Hero Root, Hero Spine, Hero Chest, Hero Neck"),
              std::string::npos);
    EXPECT_NE(run.out.find("[1] \"Hero Hat\" parent \"Hero Body\""), std::string::npos);
    EXPECT_NE(run.out.find("hero.bn: legacy, 5 objects"), std::string::npos);
    EXPECT_TRUE(run.err.empty()) << "a pipe gets no progress lines: " << run.err;
}

TEST(InfoCommand, JsonHoldsTheFieldsOfEveryObject) {
    ProgramRun run = runProgram(info(samples + "/hero_mesh8.msh --json"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    nlohmann::json files = nlohmann::json::parse(run.out);
    ASSERT_EQ(files.size(), 1u);
    const nlohmann::json& file = files[0];
    EXPECT_EQ(file["layout"], "mesh8");
    ASSERT_EQ(file["objects"].size(), 2u);
    const nlohmann::json& body = file["objects"][0];
    EXPECT_EQ(body["name"], "Hero Body");
    EXPECT_EQ(body["parent"], "NULL");
    EXPECT_EQ(body["numVerts"], 156);
    EXPECT_EQ(body["numFaces"], 288);
    EXPECT_EQ(body["numSkinVerts"], 156);
    EXPECT_EQ(body["texturePath"], "hero.png");
    EXPECT_EQ(body["twoSided"], false);
    // Mesh8 bones: the set of names the bone records use, in byte order.
    EXPECT_EQ(body["bones"],
              nlohmann::json::array({"Hero Chest", "Hero Neck", "Hero Root", "Hero Spine"}));
    EXPECT_EQ(body["boundsMax"], nlohmann::json::array({0.6, 0.6, 4.0}));
    EXPECT_EQ(body["boundsMin"], nlohmann::json::array({-0.6, -0.6, 0.0}));
}

TEST(InfoCommand, DamagedFileIsReportedWithPlaceAndExitCodeOne) {
    std::filesystem::path damaged = testing::TempDir() + "damaged.msh";
    std::filesystem::copy_file(samples + "/hero.msh", damaged,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(damaged, 2 + 693 + 100); // inside the first vertex array
    ProgramRun run = runProgram(info(damaged.string() + " " + samples + "/hero.bn"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("damaged.msh: record 0 \"Hero Body\": the file ends early in vertices "
                           "at byte 695"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("hero.bn: legacy, 5 objects"), std::string::npos)
        << "the other files are still shown";

    ProgramRun missing = runProgram(info("/nonexistent/none.msh"));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("none.msh: cannot open the file"), std::string::npos) << missing.err;
}

TEST(InfoCommand, WrongUsageExitsWithTwo) {
    EXPECT_EQ(runProgram(tool + " info").exitCode, 2);
    EXPECT_EQ(runProgram(tool + " info --bogus " + samples + "/hero.msh").exitCode, 2);
    EXPECT_EQ(runProgram(tool).exitCode, 2);
    ProgramRun help = runProgram(tool + " info --help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Example"), std::string::npos);
}
