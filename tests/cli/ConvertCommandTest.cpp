#include "tests/cli/CliTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using clitest::mshtool;
using clitest::textOf;
namespace fs = std::filesystem;

TEST(ConvertCommand, LegacyToMesh8AndBackKeepsTheMeshes) {
    std::string dir = clitest::makeSample("convert");
    clitest::Run run = mshtool({"convert", dir + "/hero.msh", "-o", dir + "/m8.msh", "--mesh8"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("(Mesh8)"), std::string::npos);
    clitest::ModelFile mesh8 = clitest::readModel(dir + "/m8.msh");
    ASSERT_EQ(mesh8.layout, MshLayoutMesh8);
    EXPECT_FALSE(fs::exists(dir + "/m8.bn")) << "no BN without --export-bones";

    run = mshtool({"convert", dir + "/m8.msh", "--bones", dir + "/hero.bn", "-o",
                   dir + "/legacy.msh", "--export-bones"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    clitest::ModelFile original = clitest::readModel(dir + "/hero.msh");
    clitest::ModelFile legacy = clitest::readModel(dir + "/legacy.msh");
    ASSERT_EQ(legacy.layout, MshLayoutLegacy);
    ASSERT_EQ(legacy.legacy.size(), original.legacy.size());
    for (size_t i = 0; i < legacy.legacy.size(); ++i) {
        EXPECT_EQ(textOf(legacy.legacy[i].header.name), textOf(original.legacy[i].header.name));
        EXPECT_EQ(legacy.legacy[i].faces.size(), original.legacy[i].faces.size());
    }
    EXPECT_TRUE(fs::exists(dir + "/legacy.bn"));
    EXPECT_TRUE(fs::exists(dir + "/legacy.BBX"));
}

namespace {

// A re-exported file's bytes with each texture path as the sample holds it: the importer
// roots the bare file name in the imported file's folder.
std::vector<unsigned char> withBareTexturePaths(const std::string& path, const std::string& dir) {
    std::vector<unsigned char> bytes = clitest::bytesOf(path);
    std::string rooted = dir + "/hero.png";
    std::string bare = "hero.png";
    auto at = bytes.begin();
    while ((at = std::search(at, bytes.end(), rooted.begin(), rooted.end())) != bytes.end()) {
        std::fill(std::copy(bare.begin(), bare.end(), at), at + long(rooted.size()), 0);
        at += long(rooted.size());
    }
    return bytes;
}

} // namespace

// The files' normals reach the scene and come back out: either sample, imported and exported
// again, keeps its bytes.
TEST(ConvertCommand, ReExportOfEitherSampleIsByteIdentical) {
    std::string dir = clitest::makeSample("convert-again");
    fs::create_directories(dir + "/again");
    clitest::Run run =
        mshtool({"convert", dir + "/hero.msh", "-o", dir + "/again/hero.msh", "--export-bones"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(withBareTexturePaths(dir + "/again/hero.msh", dir),
              clitest::bytesOf(dir + "/hero.msh"));
    EXPECT_EQ(clitest::bytesOf(dir + "/again/hero.bn"), clitest::bytesOf(dir + "/hero.bn"));
    run = mshtool({"convert", dir + "/hero_mesh8.msh", "--bones", dir + "/hero.bn", "-o",
                   dir + "/again/hero_mesh8.msh", "--mesh8"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(withBareTexturePaths(dir + "/again/hero_mesh8.msh", dir),
              clitest::bytesOf(dir + "/hero_mesh8.msh"));
}

TEST(ConvertCommand, MissingInputExitsOneWrongUsageTwo) {
    std::string dir = clitest::scratchFolder("convert-bad");
    EXPECT_EQ(mshtool({"convert", dir + "/absent.msh", "-o", dir + "/x.msh"}).exitCode, 1);
    EXPECT_EQ(mshtool({"convert", dir + "/absent.msh"}).exitCode, 2);
}

// A BN file holds bones in the legacy layout: as the model it would give a file of no objects
// (to-gltf makes a skin of a BN file alone, so only convert refuses it).
TEST(ConvertCommand, OddInputsAreToldPlainly) {
    std::string dir = clitest::makeSample("convert-odd");
    clitest::Run run = mshtool({"convert", dir + "/hero.bn", "-o", dir + "/c.msh"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("is a BN file, which holds bones only: give the MSH file as the model "
                           "and this one with --bones " +
                           dir + "/hero.bn"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(dir + "/c.msh"));
    // The hat's material is two-sided; a Mesh8 record has no place for the flag.
    run = mshtool({"convert", dir + "/hero.msh", "-o", dir + "/m8.msh", "--mesh8"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("mshtool: " + dir +
                           "/hero.msh: not kept: the two-sided flag of \"Hero "
                           "Hat\" (the Mesh8 layout cannot carry it)"),
              std::string::npos)
        << run.err;
    run = mshtool({"convert", dir + "/hero.msh", "-o", dir + "/legacy.msh"});
    EXPECT_EQ(run.err.find("not kept"), std::string::npos) << run.err;
}
