#include "tests/cli/CliTestSupport.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

using clitest::mshtool;
namespace fs = std::filesystem;

TEST(CheckCommand, SoundSampleFilesPass) {
    std::string dir = clitest::makeSample("check-ok");
    clitest::Run run = mshtool({"check", dir + "/hero.msh", dir + "/hero_mesh8.msh",
                                dir + "/hero.bn", "--bones", dir + "/hero.bn"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("hero_mesh8.msh: ok (mesh8, 2 objects)"), std::string::npos) << run.out;
}

TEST(CheckCommand, ReaderErrorsNameRecordFieldAndOffset) {
    std::string dir = clitest::makeSample("check-damaged");
    std::vector<unsigned char> bytes = clitest::bytesOf(dir + "/hero.msh");
    // Record 0's numBones sits after its header (2 + 693), vertices and faces.
    clitest::ModelFile model = clitest::readModel(dir + "/hero.msh");
    size_t at = 2 + 693 + 28 * model.legacy[0].vertices.size() + 88 * model.legacy[0].faces.size();
    bytes[at] = 9;
    clitest::writeBytes(dir + "/bad.msh", bytes);
    clitest::Run run = mshtool({"check", dir + "/bad.msh", "--json"});
    EXPECT_EQ(run.exitCode, 1);
    nlohmann::json report = nlohmann::json::parse(run.out);
    ASSERT_EQ(report.size(), 1u);
    EXPECT_FALSE(report[0]["ok"].get<bool>());
    const nlohmann::json& problem = report[0]["problems"].at(0);
    EXPECT_EQ(problem["record"], 0);
    EXPECT_EQ(problem["name"], "Hero Body");
    EXPECT_EQ(problem["field"], "numBones");
    EXPECT_EQ(problem["offset"], at);
}

// The reader keeps such an entry (the importer skips its weights), so check must say so.
TEST(CheckCommand, SkinEntryOutsideItsRecordIsAProblem) {
    std::string dir = clitest::makeSample("check-skin");
    std::vector<unsigned char> bytes = clitest::bytesOf(dir + "/hero.msh");
    LegacyRecord body = clitest::readModel(dir + "/hero.msh").legacy.at(0);
    size_t entry = 2 + 693 + 28 * body.vertices.size() + 88 * body.faces.size() + 4 +
                   100 * size_t(body.numBones) + 40;
    int32_t outside = int32_t(body.vertices.size());
    std::memcpy(&bytes[entry], &outside, sizeof outside);
    clitest::writeBytes(dir + "/bad.msh", bytes);
    clitest::Run run = mshtool({"check", dir + "/bad.msh"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("skinVertices[1].vertex at byte " + std::to_string(entry) +
                           ": expected 0 to numVerts-1 (" +
                           std::to_string(body.vertices.size() - 1) + "), found " +
                           std::to_string(outside)),
              std::string::npos)
        << run.out;
}

TEST(CheckCommand, MissingTexturesBonesAndParentsAreProblems) {
    std::string dir = clitest::makeSample("check-links");
    fs::remove(dir + "/hero.png");
    // A BN file that lacks the bones the model uses: the MSH file itself has none of them.
    clitest::Run run = mshtool({"check", dir + "/hero.msh", "--bones", dir + "/hero.msh"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("record 0 \"Hero Body\": texturePath at byte 400: texture file "
                           "hero.png is not beside the model"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("boneNames[0]"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("bone \"Hero Root\" is not in the bone file"), std::string::npos);
    // Every Mesh8 invariant: bone records must number numSkinVerts.
    std::string damaged = dir + "/hero_mesh8.msh";
    clitest::ModelFile model = clitest::readModel(damaged);
    ASSERT_EQ(model.layout, MshLayoutMesh8);
    std::vector<unsigned char> bytes = clitest::bytesOf(damaged);
    size_t at = 8 + offsetof(MshObjectHeader, numSkinVerts);
    bytes[at] = 1; // numSkinVerts 1 while there are numVerts bone records
    bytes[at + 1] = 0;
    clitest::writeBytes(dir + "/m8bad.msh", bytes);
    run = mshtool({"check", dir + "/m8bad.msh"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("numSkinVerts at byte 404: expected 0 or numVerts"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("numBoneRecords"), std::string::npos) << run.out;
}

TEST(CheckCommand, TrailingBytesAndUnreadableFiles) {
    std::string dir = clitest::makeSample("check-trailing");
    std::vector<unsigned char> bytes = clitest::bytesOf(dir + "/hero.bn");
    size_t size = bytes.size();
    bytes.push_back(0);
    clitest::writeBytes(dir + "/long.bn", bytes);
    clitest::Run run = mshtool({"check", dir + "/long.bn"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("end of file at byte " + std::to_string(size)), std::string::npos)
        << run.out;
    EXPECT_EQ(mshtool({"check", dir + "/absent.msh"}).exitCode, 1);
    EXPECT_EQ(mshtool({"check"}).exitCode, 2);
}
