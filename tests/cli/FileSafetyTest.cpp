// A user's files are never replaced by surprise, mixed up or left half-written: textures named
// apart, a conversion's files placed all together, what the user set on a file kept, and an
// interrupted run cleaned up.
#include "tests/cli/CliTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using clitest::mshtool;
namespace fs = std::filesystem;

extern char** environ;

namespace {

typedef std::vector<unsigned char> Bytes;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

const Bytes old = {'o', 'l', 'd'};

} // namespace

TEST(FileSafety, TexturesBesideTheGltfKeepTheUsersAndAreNamedApartInABatch) {
    std::string dir = clitest::makeSample("texture-names");
    Bytes picture = clitest::bytesOf(dir + "/hero.png");
    Bytes other = picture;
    other.push_back('!');
    fs::create_directories(dir + "/mine");
    clitest::writeBytes(dir + "/mine/hero.png", old);
    clitest::Run run = mshtool({"to-gltf", dir + "/hero.msh", "-o", dir + "/mine/hero.glb"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(contains(run.err, "hero.png beside the output holds another picture; copied as "
                                  "hero_1.png instead"))
        << run.err;
    EXPECT_EQ(clitest::bytesOf(dir + "/mine/hero.png"), old);
    EXPECT_EQ(clitest::bytesOf(dir + "/mine/hero_1.png"), picture);
    EXPECT_TRUE(contains(clitest::textOfFile(dir + "/mine/hero.glb"), "\"uri\":\"hero_1.png\""));

    // Three models whose textures share a name: a's and c's are one picture, b's another.
    for (const std::string model : {"a", "b", "c"}) {
        fs::create_directories(dir + "/" + model);
        fs::copy_file(dir + "/hero.msh", dir + "/" + model + "/" + model + ".msh");
        clitest::writeBytes(dir + "/" + model + "/hero.png", model == "b" ? other : picture);
    }
    run = mshtool({"to-gltf", dir + "/a/a.msh", dir + "/b/b.msh", dir + "/c/c.msh", "--bones",
                   dir + "/hero.bn", "-o", dir + "/out/"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(clitest::bytesOf(dir + "/out/hero.png"), picture);
    EXPECT_EQ(clitest::bytesOf(dir + "/out/hero_1.png"), other);
    EXPECT_FALSE(fs::exists(dir + "/out/hero_2.png")) << "the same picture shares its file";
    for (const char* model : {"a", "c"})
        EXPECT_TRUE(contains(clitest::textOfFile(dir + "/out/" + std::string(model) + ".glb"),
                             "\"uri\":\"hero.png\""))
            << model;
    EXPECT_TRUE(contains(clitest::textOfFile(dir + "/out/b.glb"), "\"uri\":\"hero_1.png\""));
}

TEST(FileSafety, AConversionsFilesGoInPlaceAllTogetherOrNotAtAll) {
    std::string dir = clitest::makeSample("all-or-none");
    // Found before anything moves: a folder where the BN should go.
    fs::create_directories(dir + "/out/m.bn/inside");
    clitest::writeBytes(dir + "/out/m.msh", old);
    clitest::Run run = mshtool({"convert", dir + "/hero.msh", "--bones", dir + "/hero.bn",
                                "--export-bones", "-o", dir + "/out/m.msh"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(contains(run.err, dir + "/out/m.bn: cannot write the file: a folder is in the way"))
        << run.err;
    EXPECT_TRUE(contains(run.err, dir + "/out/m.msh: kept as it was")) << run.err;
    EXPECT_EQ(clitest::bytesOf(dir + "/out/m.msh"), old);
    EXPECT_FALSE(fs::exists(dir + "/out/m.BBX"));
    EXPECT_EQ(clitest::leftovers(dir + "/out"), std::vector<std::string>());

    // Found only by the move itself, after the BBX and the BN (moved first, by name) were
    // replaced: the MSH is a link into a folder that is gone. Both are put back.
    fs::create_directories(dir + "/late");
    clitest::writeBytes(dir + "/late/m.BBX", old);
    clitest::writeBytes(dir + "/late/m.bn", {'b', 'n'});
    fs::create_symlink(dir + "/late/gone/m.msh", dir + "/late/m.msh");
    run = mshtool({"convert", dir + "/hero.msh", "--bones", dir + "/hero.bn", "--export-bones",
                   "-o", dir + "/late/m.msh"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(contains(run.err, dir + "/late/m.msh: cannot write the file: ")) << run.err;
    EXPECT_TRUE(contains(run.err, dir + "/late/m.bn: kept as it was")) << run.err;
    EXPECT_EQ(clitest::bytesOf(dir + "/late/m.BBX"), old);
    EXPECT_EQ(clitest::bytesOf(dir + "/late/m.bn"), (Bytes{'b', 'n'}));
    EXPECT_TRUE(fs::is_symlink(dir + "/late/m.msh"));
    EXPECT_EQ(clitest::leftovers(dir + "/late"), std::vector<std::string>());
}

TEST(FileSafety, ReplacingKeepsTheModeFollowsLinksAndLeavesReadOnlyFilesUnlessForced) {
    std::string dir = clitest::makeSample("what-the-user-set");
    std::string own = dir + "/own.msh", real = dir + "/real.msh", link = dir + "/link.msh";
    std::string locked = dir + "/locked.msh";
    for (const std::string& path : {own, real, locked})
        clitest::writeBytes(path, old);
    fs::permissions(own, fs::perms(0600));
    fs::permissions(locked, fs::perms(0444));
    fs::create_symlink("real.msh", link);
    for (const std::string& out : {own, link})
        EXPECT_EQ(mshtool({"convert", dir + "/hero.msh", "-o", out}).exitCode, 0) << out;
    EXPECT_EQ(fs::status(own).permissions() & fs::perms::all, fs::perms(0600));
    EXPECT_GT(fs::file_size(own), old.size());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(clitest::bytesOf(real), clitest::bytesOf(own)) << "written through the link";

    clitest::Run run = mshtool({"convert", dir + "/hero.msh", "-o", locked});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(contains(run.err, locked + ": cannot write the file: the file is read-only; "
                                           "--force replaces it"))
        << run.err;
    EXPECT_EQ(clitest::bytesOf(locked), old);
    run = mshtool({"convert", dir + "/hero.msh", "-o", locked, "--force"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(clitest::bytesOf(locked), clitest::bytesOf(own));
    EXPECT_EQ(fs::status(locked).permissions() & fs::perms::all, fs::perms(0444));
    EXPECT_EQ(clitest::leftovers(dir), std::vector<std::string>());
}

TEST(FileSafety, AnInterruptedRunLeavesNothingHiddenAndItsFinishedLinesOnRecord) {
    std::string dir = clitest::makeSample("interrupted");
    fs::create_directories(dir + "/out");
    std::vector<std::string> args = {MSHTOOL_PATH, "to-gltf"};
    for (int i = 0; i < 200; ++i) {
        std::string model = dir + "/m" + std::to_string(i) + ".msh";
        fs::copy_file(dir + "/hero.msh", model);
        args.push_back(model);
    }
    args.insert(args.end(), {"--bones", dir + "/hero.bn", "-o", dir + "/out"});
    clitest::writeBytes(dir + "/out/m199.glb", old);
    // Left by a killed run (no process has so high an id), and by one still at work.
    std::string stale = dir + "/out/.mshtool-999999999-0badf00d";
    std::string live = dir + "/out/.mshtool-" + std::to_string(getpid()) + "-0badf00d";
    fs::create_directories(stale + "/half");
    fs::create_directories(live);

    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    std::string stdoutPath = dir + "/stdout.txt";
    posix_spawn_file_actions_addopen(&files, 1, stdoutPath.c_str(), O_WRONLY | O_CREAT, 0644);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, argv[0], &files, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&files);
    // Interrupted while it works on a later model, with the first one done.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!fs::exists(dir + "/out/m1.glb") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "it had finished before the signal";
    EXPECT_EQ(WTERMSIG(status), SIGTERM);

    EXPECT_EQ(clitest::leftovers(dir + "/out"),
              std::vector<std::string>{fs::path(live).filename().string()});
    EXPECT_EQ(clitest::bytesOf(dir + "/out/m199.glb"), old);
    std::string lines = clitest::textOfFile(stdoutPath);
    EXPECT_TRUE(contains(lines, dir + "/m0.msh + " + dir + "/hero.bn -> " + dir + "/out/m0.glb"))
        << lines;
    // Every line on record is a whole one, of a model whose file is in place.
    for (size_t at = 0, end; (end = lines.find('\n', at)) != std::string::npos; at = end + 1) {
        std::string line = lines.substr(at, end - at);
        size_t arrow = line.find(" -> ");
        if (arrow != std::string::npos) {
            EXPECT_TRUE(fs::exists(line.substr(arrow + 4))) << line;
        }
    }
}
