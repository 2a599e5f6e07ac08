// Nothing lost: outputs that are inputs, lossy replacements, batch clashes, failed writes.
#include "tests/cli/CliTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using clitest::mshtool;
namespace fs = std::filesystem;

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(OutputSafety, AnOutputThatIsAnInputIsRefusedBeforeAnythingIsRead) {
    std::string dir = clitest::makeSample("same-file");
    fs::copy_file(dir + "/hero.msh", dir + "/same.msh");
    fs::create_symlink(dir + "/same.msh", dir + "/link.msh");
    fs::create_hard_link(dir + "/hero.bn", dir + "/out.bn");
    std::vector<unsigned char> before = clitest::bytesOf(dir + "/same.msh");
    for (std::string output : {"/same.msh", "/link.msh"}) {
        clitest::Run run = mshtool({"convert", dir + "/same.msh", "-o", dir + output});
        EXPECT_EQ(run.exitCode, 2) << output;
        std::string what = output == "/same.msh" ? " is both an input and an output"
                                                 : " is the input " + dir +
                                                       "/same.msh under "
                                                       "another name";
        EXPECT_EQ(run.err,
                  "mshtool convert: " + dir + output + what + "; nothing was read or written\n");
    }
    // The BN file the export would write is the bone file being imported, through a hard link.
    std::vector<unsigned char> bones = clitest::bytesOf(dir + "/hero.bn");
    clitest::Run run = mshtool({"convert", dir + "/hero.msh", "--bones", dir + "/hero.bn", "-o",
                                dir + "/out.msh", "--export-bones"});
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_EQ(clitest::bytesOf(dir + "/same.msh"), before);
    EXPECT_EQ(clitest::bytesOf(dir + "/hero.bn"), bones);
    EXPECT_FALSE(fs::exists(dir + "/out.msh"));
}

TEST(OutputSafety, ALossyConversionKeepsAnExistingFileUnlessForced) {
    std::string dir = clitest::makeSample("lossy");
    std::string out = dir + "/out/hero.glb";
    fs::create_directories(dir + "/out");
    clitest::writeBytes(out, {'o', 'l', 'd'});
    // Without its bones the skin cannot be bound: the conversion loses it.
    clitest::Run run = mshtool({"to-gltf", dir + "/hero.msh", "--no-bones", "-o", out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(contains(run.err, "mshtool: " + out +
                                      ": kept the existing file: the new one, which would have "
                                      "gone here, lost something (see above); --force "
                                      "replaces it"))
        << run.err;
    EXPECT_EQ(clitest::bytesOf(out), (std::vector<unsigned char>{'o', 'l', 'd'}));
    EXPECT_EQ(clitest::leftovers(dir + "/out"), std::vector<std::string>());

    run = mshtool({"to-gltf", dir + "/hero.msh", "--no-bones", "-o", out, "--force"});
    EXPECT_EQ(run.exitCode, 1) << "still lossy";
    EXPECT_GT(fs::file_size(out), 3u) << "but written";
    // A conversion that loses nothing replaces an existing file.
    run = mshtool({"convert", dir + "/hero.msh", "-o", dir + "/out/copy.msh"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<unsigned char> converted = clitest::bytesOf(dir + "/out/copy.msh");
    clitest::writeBytes(dir + "/out/copy.msh", {'o', 'l', 'd'});
    run = mshtool({"convert", dir + "/hero.msh", "-o", dir + "/out/copy.msh"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(clitest::bytesOf(dir + "/out/copy.msh"), converted);
    EXPECT_EQ(clitest::leftovers(dir + "/out"), std::vector<std::string>());
}

TEST(OutputSafety, BatchClashesAndSeveralInputsToOneFileAreRefusedBeforeWriting) {
    std::string dir = clitest::makeSample("batch-clash");
    fs::create_directories(dir + "/a");
    fs::create_directories(dir + "/b");
    fs::copy_file(dir + "/hero.msh", dir + "/a/hero.msh");
    fs::copy_file(dir + "/hero.msh", dir + "/b/HERO.msh");
    clitest::Run run = mshtool({"to-gltf", dir + "/a/hero.msh", dir + "/b/HERO.msh", "--bones",
                                dir + "/hero.bn", "-o", dir + "/out"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(contains(run.err, dir + "/a/hero.msh and " + dir +
                                      "/b/HERO.msh would both be "
                                      "written to " +
                                      dir + "/out/HERO.glb; nothing was written"))
        << run.err;
    EXPECT_FALSE(fs::exists(dir + "/out"));
    run = mshtool({"to-gltf", dir + "/hero.msh", dir + "/hero_mesh8.msh", "-o", dir + "/one.glb"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(contains(run.err, "-o " + dir + "/one.glb: 2 inputs need a folder")) << run.err;
    EXPECT_FALSE(fs::exists(dir + "/one.glb"));
}

TEST(OutputSafety, FailedWritesExitOneWithTheReason) {
    std::string dir = clitest::makeSample("failed-writes");
    clitest::Run run = clitest::mshtoolWithStdout({"info", dir + "/hero.msh"}, "/dev/full");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "mshtool: cannot write to standard output: No space left on device\n");
    run = clitest::mshtoolWithStdout({"--help"}, "/dev/full");
    EXPECT_EQ(run.exitCode, 1) << run.err;
    // The target is a folder: the finished file cannot take its place.
    fs::create_directories(dir + "/taken.msh/inside");
    run = mshtool({"convert", dir + "/hero.msh", "-o", dir + "/taken.msh"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(contains(run.err, "mshtool: " + dir + "/taken.msh: cannot write the file: "))
        << run.err;
    EXPECT_EQ(clitest::leftovers(dir), std::vector<std::string>());
}

TEST(OutputSafety, GltfNamesWithSpacesAccentsAndFullLengthReadBack) {
    std::string dir = clitest::makeSample("gltf-names");
    // 251 characters and ".glb": the longest name the file system takes.
    for (const std::string& name : std::vector<std::string>{"x y.gltf", "h\xC3\xA9ros.gltf",
                                                            std::string(251, 'n') + ".glb"}) {
        SCOPED_TRACE(name);
        std::string out = dir + "/" + name;
        clitest::Run run = mshtool({"to-gltf", dir + "/hero.msh", "-o", out});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        if (fs::path(name).extension() == ".gltf") {
            std::string stem = fs::path(name).stem().string();
            EXPECT_TRUE(fs::exists(dir + "/" + stem + ".bin"));
            std::ifstream in(out);
            std::string json((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
            std::string uri = stem == "x y" ? "x%20y.bin" : "h%C3%A9ros.bin";
            EXPECT_TRUE(contains(json, "\"uri\":\"" + uri + "\"")) << json.substr(0, 200);
        }
        clitest::Run check = clitest::validateWithKhronos(out);
        EXPECT_EQ(check.exitCode, 0) << check.out;
        run = mshtool({"from-gltf", out, "-o", dir + "/back.msh"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(clitest::readModel(dir + "/back.msh").legacy.size(), 2u);
    }
    EXPECT_EQ(clitest::leftovers(dir), std::vector<std::string>());
}
