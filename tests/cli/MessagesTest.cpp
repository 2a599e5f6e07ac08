// What the exit code and the messages say about a batch, a folder, a pipe and missing bones.
#include "tests/cli/CliTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

using clitest::mshtool;
namespace fs = std::filesystem;

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// hero.msh cut in half: the file is damaged and nothing can be converted from it.
void writeCutModel(const std::string& dir, const std::string& path) {
    std::vector<unsigned char> bytes = clitest::bytesOf(dir + "/hero.msh");
    bytes.resize(bytes.size() / 2);
    clitest::writeBytes(path, bytes);
}

} // namespace

TEST(Messages, BatchSummaryCountsLossesApartAndABoneFileBesideItsModelIsItsBones) {
    std::string dir = clitest::makeSample("messages-batch");
    writeCutModel(dir, dir + "/cut.msh");
    // hero.bn goes with hero.msh; hero_mesh8.msh has no BN file beside it, so it loses its
    // skin but is written; cut.msh is damaged.
    clitest::Run run = clitest::mshtoolOnTerminal({"to-gltf", dir + "/cut.msh", dir + "/hero.bn",
                                                   dir + "/hero.msh", dir + "/hero_mesh8.msh", "-o",
                                                   dir + "/out"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(contains(run.err, "3 files: 1 converted, 1 converted with losses, 1 failed\r\n"))
        << run.err;
    EXPECT_TRUE(
        contains(run.out, dir + "/hero.msh + " + dir + "/hero.bn -> " + dir + "/out/hero.glb\n"))
        << run.out;
    EXPECT_TRUE(fs::exists(dir + "/out/hero_mesh8.glb"));
    EXPECT_FALSE(fs::exists(dir + "/out/cut.glb"));
    EXPECT_TRUE(contains(run.err, "mshtool: " + dir +
                                      "/hero_mesh8.msh: 5 bones its skins need are missing: "
                                      "there is no " +
                                      dir +
                                      "/hero_mesh8.bn beside it; give its BN file with "
                                      "--bones BN\r\n"))
        << run.err;
    run = mshtool({"to-gltf", dir + "/hero.msh", "--no-bones", "-o", dir + "/plain.glb"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(contains(run.err, "--bones BN")) << "the BN file was there: " << run.err;
}

TEST(Messages, CheckAndInfoOfAFolderLookAtTheModelsInside) {
    std::string dir = clitest::makeSample("messages-folder");
    fs::create_directories(dir + "/deep/er");
    writeCutModel(dir, dir + "/deep/er/cut.msh");
    fs::copy_file(dir + "/hero.bn", dir + "/deep/Bones.bn");
    for (const char* command : {"check", "info"}) {
        clitest::Run run = mshtool({command, dir + "/"});
        EXPECT_EQ(run.exitCode, 1) << command << " with a damaged model inside: " << run.out;
        EXPECT_FALSE(contains(run.out + run.err, dir + "/hero.png:")) << run.out << run.err;
        // Byte order: upper case before lower, a folder's files where its name sorts.
        std::vector<std::string> order{"/deep/Bones.bn", "/deep/er/cut.msh", "/hero.BBX",
                                       "/hero.bn",       "/hero.msh",        "/hero_mesh8.msh"};
        size_t last = 0;
        for (const std::string& file : order) {
            size_t at = run.out.find(dir + file + ":");
            EXPECT_NE(at, std::string::npos) << command << " " << file << ": " << run.out;
            EXPECT_GE(at, last) << command << " " << file << ": " << run.out;
            last = at == std::string::npos ? last : at;
        }
    }
    fs::remove(dir + "/deep/er/cut.msh");
    EXPECT_EQ(mshtool({"check", dir}).exitCode, 0);
}

TEST(Messages, APipeIsReadWholeAndShownByItsName) {
    std::string dir = clitest::makeSample("messages-pipe");
    std::string fifo = dir + "/pipe";
    clitest::Run run = clitest::mshtoolReadingPipe(dir + "/hero.msh", fifo, {"info", fifo});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.rfind(fifo + ": legacy, 2 objects\n", 0), 0u) << run.out;
    fs::remove(fifo);
    // A BN file read from a pipe, checked against the model.
    run = clitest::mshtoolReadingPipe(dir + "/hero.bn", fifo,
                                      {"check", dir + "/hero.msh", "--bones", fifo});
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out, dir + "/hero.msh: ok (legacy, 2 objects)\n");
}

TEST(Messages, TheSummaryCountsWhatTheExporterLeftOut) {
    std::string dir = clitest::scratchFolder("messages-left-out");
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float positions[18] = {0, 0, 0, 1, 0, 0, 0, 1, 0, nan, 0, 0, 1, 0, 0, 0, 1, 0};
    std::vector<unsigned char> bytes(sizeof positions);
    std::memcpy(bytes.data(), positions, sizeof positions);
    clitest::writeBytes(dir + "/two.bin", bytes);
    auto accessor = [](int offset) {
        return nlohmann::json{{"bufferView", 0}, {"byteOffset", offset}, {"componentType", 5126},
                              {"count", 3},      {"type", "VEC3"},       {"min", {0, 0, 0}},
                              {"max", {1, 1, 0}}};
    };
    auto mesh = [](int positionAccessor) {
        return nlohmann::json{{"primitives", {{{"attributes", {{"POSITION", positionAccessor}}}}}}};
    };
    nlohmann::json gltf = {
        {"asset", {{"version", "2.0"}}},
        {"scenes", {{{"nodes", {0, 1}}}}},
        {"nodes", {{{"name", "Good"}, {"mesh", 0}}, {{"name", "Bad"}, {"mesh", 1}}}},
        {"meshes", {mesh(0), mesh(1)}},
        {"buffers", {{{"uri", "two.bin"}, {"byteLength", sizeof positions}}}},
        {"bufferViews", {{{"buffer", 0}, {"byteLength", sizeof positions}}}},
        {"accessors", {accessor(0), accessor(36)}}};
    std::ofstream(dir + "/two.gltf") << gltf.dump();
    clitest::Run run = mshtool({"from-gltf", dir + "/two.gltf", "-o", dir + "/two.msh"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(contains(run.err, "node \"Bad\" left out")) << run.err;
    EXPECT_TRUE(contains(run.out, "two.gltf: 1 object written, 0 split, 1 left out\n")) << run.out;
}
