#include "tests/cli/CliTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using clitest::mshtool;
namespace fs = std::filesystem;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

TEST(ToGltfCommand, SampleWithItsBonesGivesAValidSkinnedGlb) {
    std::string dir = clitest::makeSample("to-gltf-sample");
    std::string out = dir + "/out/hero.glb";
    clitest::Run run = mshtool({"to-gltf", dir + "/hero.msh", "-o", out});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("hero.bn -> " + out), std::string::npos)
        << "the .bn beside the MSH is imported: " << run.out;
    EXPECT_NE(run.out.find("hero.msh: 2 objects and 5 bones written, 0 split, 0 left out"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.err, "") << "nothing extra on stderr when piped";
    ASSERT_TRUE(fs::exists(out));
    EXPECT_TRUE(fs::exists(dir + "/out/hero.png")) << "the texture is copied beside the glTF";
    clitest::Run check = clitest::validate(out);
    EXPECT_EQ(check.exitCode, 0) << check.out;
    std::string bytes = slurp(out);
    EXPECT_NE(bytes.find("\"skins\""), std::string::npos);
    EXPECT_NE(bytes.find("\"Hero Spine\""), std::string::npos);
    EXPECT_NE(bytes.find("\"uri\":\"hero.png\""), std::string::npos);
}

TEST(ToGltfCommand, Mesh8SampleToJsonGltfWithBinBeside) {
    std::string dir = clitest::makeSample("to-gltf-mesh8");
    std::string out = dir + "/hero8.gltf";
    clitest::Run run =
        mshtool({"to-gltf", dir + "/hero_mesh8.msh", "--bones", dir + "/hero.bn", "-o", out});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::exists(dir + "/hero8.bin"));
    clitest::Run check = clitest::validate(out);
    EXPECT_EQ(check.exitCode, 0) << check.out;
}

TEST(ToGltfCommand, SeveralInputsGoIntoAFolderOneFileEach) {
    std::string dir = clitest::makeSample("to-gltf-batch");
    std::string folder = dir + "/converted";
    clitest::Run run = mshtool({"to-gltf", dir + "/hero.msh", dir + "/hero_mesh8.msh", "--bones",
                                dir + "/hero.bn", "-o", folder});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "") << "no progress lines when stderr is not a terminal";
    for (const char* name : {"/hero.glb", "/hero_mesh8.glb"}) {
        ASSERT_TRUE(fs::exists(folder + name)) << name;
        clitest::Run check = clitest::validate(folder + name);
        EXPECT_EQ(check.exitCode, 0) << check.out;
    }
}

TEST(ToGltfCommand, MissingBonesAreReportedWithTheImporterCaptionAndExitOne) {
    std::string dir = clitest::makeSample("to-gltf-nobones");
    std::string out = dir + "/nobones.glb";
    clitest::Run run = mshtool({"to-gltf", dir + "/hero.msh", "--no-bones", "-o", out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("MSHImp: Bone Parent for [Hero Body] not found on current scene"),
              std::string::npos)
        << run.err;
    // What could be converted still is, and is valid.
    ASSERT_TRUE(fs::exists(out));
    clitest::Run check = clitest::validate(out);
    EXPECT_EQ(check.exitCode, 0) << check.out;
    EXPECT_EQ(slurp(out).find("\"skins\""), std::string::npos);
}

TEST(ToGltfCommand, BadFilesExitOneAndWriteNothing) {
    std::string dir = clitest::makeSample("to-gltf-bad");
    std::vector<unsigned char> bytes = clitest::bytesOf(dir + "/hero.msh");
    bytes.resize(bytes.size() / 2);
    clitest::writeBytes(dir + "/cut.msh", bytes);
    clitest::Run run = mshtool({"to-gltf", dir + "/cut.msh", "--no-bones", "-o", dir + "/cut.glb"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("cut.msh"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir + "/cut.glb"));
    run = mshtool({"to-gltf", dir + "/absent.msh", "-o", dir + "/absent.glb"});
    EXPECT_EQ(run.exitCode, 1);
}

TEST(ToGltfCommand, WrongUsageExitsTwoAndHelpShowsAnExample) {
    std::string dir = clitest::makeSample("to-gltf-usage");
    EXPECT_EQ(mshtool({"to-gltf", dir + "/hero.msh", "-o", dir + "/hero.obj"}).exitCode, 2);
    EXPECT_EQ(mshtool({"to-gltf", dir + "/hero.msh"}).exitCode, 2);
    EXPECT_EQ(mshtool({"to-gltf", "--frobnicate"}).exitCode, 2);
    EXPECT_EQ(mshtool({}).exitCode, 2);
    for (const char* command : {"to-gltf", "from-gltf", "convert", "check"}) {
        clitest::Run help = mshtool({command, "--help"});
        EXPECT_EQ(help.exitCode, 0) << command;
        EXPECT_NE(help.out.find("Example:\n  mshtool " + std::string(command)), std::string::npos)
            << help.out;
    }
}

TEST(ToGltfCommand, ABoneFileAloneGivesASkinOfItsBonesAndComesBackWhole) {
    std::string dir = clitest::makeSample("to-gltf-bones-alone");
    clitest::Run run = mshtool({"to-gltf", dir + "/hero.bn", "-o", dir + "/bones.glb"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(clitest::validate(dir + "/bones.glb").exitCode, 0);
    std::string bytes = slurp(dir + "/bones.glb");
    EXPECT_NE(bytes.find("\"skins\":[{\"inverseBindMatrices\""), std::string::npos)
        << "importers build an armature only from a skin's joints";
    run =
        mshtool({"from-gltf", dir + "/bones.glb", "-o", dir + "/back/bones.msh", "--export-bones"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    clitest::ModelFile original = clitest::readModel(dir + "/hero.bn");
    clitest::ModelFile back = clitest::readModel(dir + "/back/bones.bn");
    ASSERT_EQ(back.legacy.size(), original.legacy.size());
    for (size_t i = 0; i < back.legacy.size(); ++i) {
        EXPECT_EQ(clitest::textOf(back.legacy[i].header.name),
                  clitest::textOf(original.legacy[i].header.name));
        EXPECT_EQ(clitest::textOf(back.legacy[i].header.parentName),
                  clitest::textOf(original.legacy[i].header.parentName));
        EXPECT_EQ(back.legacy[i].vertices.size(), original.legacy[i].vertices.size());
    }
}
