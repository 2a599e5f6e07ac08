// What people expect of a command-line tool: --version, help, unknown commands, -q, progress
// on a terminal, and the BN file found beside a model by every command.
#include "tests/cli/CliTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

using clitest::mshtool;
namespace fs = std::filesystem;

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(Conventions, VersionNamesTheToolAndBothPlugins) {
    clitest::Run run = mshtool({"--version"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::string folder = fs::path(MSHTOOL_PATH).parent_path().string();
    EXPECT_TRUE(std::regex_search(run.out, std::regex("^mshtool [0-9]+\\.[0-9]+\\.[0-9]+\n")))
        << run.out;
    EXPECT_TRUE(contains(run.out, "\nimporter: Talvex msh import plugin, LibVersion 0x42682C00, " +
                                      folder + "/Talvex_MSH_IMPORT_15.dli\n"))
        << run.out;
    EXPECT_TRUE(contains(run.out, "\nexporter: Talvex msh export, LibVersion 0x42682C00, " +
                                      folder + "/Talvex_MSH_EXPORT_15.dle\n"))
        << run.out;
}

TEST(Conventions, HelpAndUnknownCommands) {
    for (const char* command : {"info", "check", "to-gltf", "from-gltf", "convert"}) {
        clitest::Run help = mshtool({"help", command});
        EXPECT_EQ(help.exitCode, 0) << command;
        EXPECT_EQ(help.out, mshtool({command, "--help"}).out) << command;
    }
    EXPECT_EQ(mshtool({"help"}).out, mshtool({"--help"}).out);
    const std::string list = "the commands are: check, convert, from-gltf, info, to-gltf, help\n";
    clitest::Run run = mshtool({"to-glft", "a.msh"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "mshtool: unknown command \"to-glft\"; " + list);
    run = mshtool({"help", "frob"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "mshtool help: unknown command \"frob\"; " + list);
    run = mshtool({"-q"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(contains(run.err, "mshtool: no command given; " + list)) << run.err;
}

TEST(Conventions, QuietLeavesResultsAndErrorsOnly) {
    std::string dir = clitest::makeSample("quiet");
    clitest::Run run = mshtool({"to-gltf", dir + "/hero.msh", "-o", dir + "/a.glb", "-q"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    run = mshtool({"-q", "from-gltf", dir + "/a.glb", "-o", dir + "/b.msh", "--export-bones"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_TRUE(fs::exists(dir + "/b.bn")) << "--export-bones is --bones";
    run = mshtool({"--quiet", "info", dir + "/b.bn"});
    EXPECT_TRUE(contains(run.out, "b.bn: legacy, 5 objects"));
    run = mshtool({"to-gltf", dir + "/hero.msh", "--no-bones", "-o", dir + "/c.glb", "-q"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(contains(run.err, "something was lost on the way")) << run.err;
}

TEST(Conventions, ProgressOnATerminalIsOneLineThatGoesAway) {
    std::string dir = clitest::makeSample("terminal");
    clitest::Run run =
        clitest::mshtoolOnTerminal({"to-gltf", dir + "/hero.msh", dir + "/hero_mesh8.msh",
                                    "--bones", dir + "/hero.bn", "-o", dir + "/out"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(contains(run.err, "\r[1/2] ")) << run.err;
    EXPECT_TRUE(contains(run.err, "\r[2/2] ")) << run.err;
    // The last progress line is blanked out before the summary, the only line left.
    std::regex expected(
        "[\\s\\S]*\r +\r2 files: 2 converted, 0 converted with losses, 0 failed\r\n");
    EXPECT_TRUE(std::regex_match(run.err, expected)) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_TRUE(contains(run.out, "hero_mesh8.msh + " + dir + "/hero.bn -> " + dir +
                                      "/out/hero_mesh8.glb\n"))
        << "stdout is as piped: " << run.out;
}

TEST(Conventions, CheckFindsTheBoneFileBesideAModel) {
    std::string dir = clitest::makeSample("check-beside");
    clitest::Run run = mshtool({"check", dir + "/hero.msh"});
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out, dir + "/hero.msh: ok (legacy, 2 objects; bones from " + dir + "/hero.bn)\n");
    // A BN file beside it that lacks the model's bones.
    fs::copy_file(dir + "/hero.msh", dir + "/hero.bn", fs::copy_options::overwrite_existing);
    run = mshtool({"check", dir + "/hero.msh"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(contains(run.out, "bone \"Hero Root\" is not in the bone file")) << run.out;
    EXPECT_EQ(mshtool({"check", dir + "/hero.msh", "--no-bones"}).exitCode, 0);
}
