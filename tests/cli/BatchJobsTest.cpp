// Batches shared among worker processes (-j): what a batch prints, writes and exits with is
// what it does in one process, and an interrupted batch leaves nothing behind.
#include "tests/cli/CliTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using clitest::mshtool;
namespace fs = std::filesystem;

namespace {

// Every file under `folder`, by relative name, with its bytes.
std::map<std::string, std::vector<unsigned char>> filesUnder(const std::string& folder) {
    std::map<std::string, std::vector<unsigned char>> files;
    std::error_code code;
    for (auto it = fs::recursive_directory_iterator(folder, code);
         it != fs::recursive_directory_iterator(); ++it)
        files[fs::relative(it->path(), folder).string()] =
            it->is_regular_file() ? clitest::bytesOf(it->path().string())
                                  : std::vector<unsigned char>();
    return files;
}

// A batch of sound models, a damaged one, a model whose bones are missing and a text file.
std::vector<std::string> mixedBatch(const std::string& dir) {
    std::vector<std::string> files;
    for (int i = 0; i < 6; ++i) {
        files.push_back(dir + "/hero" + std::to_string(i) + ".msh");
        fs::copy_file(dir + "/hero.msh", files.back());
        fs::copy_file(dir + "/hero.bn", dir + "/hero" + std::to_string(i) + ".bn");
    }
    std::vector<unsigned char> cut = clitest::bytesOf(dir + "/hero.msh");
    cut.resize(cut.size() / 2);
    clitest::writeBytes(dir + "/cut.msh", cut);
    fs::copy_file(dir + "/hero.msh", dir + "/boneless.msh");
    std::ofstream(dir + "/notes.txt") << "not a model\n";
    files.insert(files.begin() + 2, dir + "/cut.msh");
    files.insert(files.begin() + 4, dir + "/boneless.msh");
    files.insert(files.begin() + 5, dir + "/hero_mesh8.msh");
    files.push_back(dir + "/notes.txt");
    return files;
}

// `mshtool to-gltf -j 3` (two workers) of 300 copies of the sample into `out`, in a child
// process whose stderr goes to `errors`.
pid_t startLongBatch(const std::string& dir, const std::string& out, const std::string& errors) {
    std::vector<std::string> args = {MSHTOOL_PATH, "to-gltf", "-j", "3", "-o", out};
    for (int i = 0; i < 300; ++i) {
        args.push_back(dir + "/m" + std::to_string(i) + ".msh");
        fs::copy_file(dir + "/hero.msh", args.back());
    }
    pid_t parent = fork();
    if (parent == 0) {
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(&arg[0]);
        argv.push_back(nullptr);
        freopen("/dev/null", "w", stdout);
        freopen(errors.c_str(), "w", stderr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return parent;
}

// The batch's two workers, once both run and more than `done` files are in place.
std::vector<pid_t> workersOnceBusy(pid_t parent, const std::string& out, size_t done) {
    std::vector<pid_t> workers;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream children("/proc/" + std::to_string(parent) + "/task/" +
                               std::to_string(parent) + "/children");
        workers.clear();
        for (pid_t child; children >> child;)
            workers.push_back(child);
        if (workers.size() == 2 && filesUnder(out).size() > done)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return workers;
}

std::vector<std::string> withJobs(std::vector<std::string> args, const char* jobs) {
    args.push_back("-j");
    args.push_back(jobs);
    return args;
}

} // namespace

TEST(BatchJobs, TwoProcessesPrintWriteAndExitAsOne) {
    std::string dir = clitest::makeSample("jobs-same");
    std::vector<std::string> batch = mixedBatch(dir);
    std::vector<std::string> models(batch.begin(), batch.end() - 1);
    std::string out = dir + "/out";
    std::vector<std::vector<std::string>> commands = {
        {"info"}, {"info", "--json"}, {"check"}, {"check", "--json"}};
    for (auto& command : commands)
        command.insert(command.end(), batch.begin(), batch.end());
    std::vector<std::string> toGltf = {"to-gltf", "-o", out};
    toGltf.insert(toGltf.end(), models.begin(), models.end());
    commands.push_back(toGltf);
    for (const auto& command : commands) {
        clitest::Run one = mshtool(withJobs(command, "1"));
        auto written = filesUnder(out);
        fs::remove_all(out);
        clitest::Run two = mshtool(withJobs(command, "2"));
        SCOPED_TRACE(command[0] + " " + command[1]);
        EXPECT_EQ(one.exitCode, 1) << "the batch holds bad files: " << one.err;
        EXPECT_EQ(two.exitCode, one.exitCode);
        EXPECT_EQ(two.out, one.out);
        EXPECT_EQ(two.err, one.err);
        EXPECT_TRUE(filesUnder(out) == written) << "outputs differ";
        fs::remove_all(out);
    }
    EXPECT_EQ(filesUnder(dir + "/out").size(), 0u);
    // On a terminal: the same progress lines and one summary.
    clitest::Run one = clitest::mshtoolOnTerminal(withJobs(toGltf, "1"));
    fs::remove_all(out);
    clitest::Run two = clitest::mshtoolOnTerminal(withJobs(toGltf, "2"));
    EXPECT_NE(one.err.find("9 files: 6 converted"), std::string::npos) << one.err;
    EXPECT_EQ(two.err, one.err);
    EXPECT_EQ(two.out, one.out);
    // Workers are started through a hidden mode, and -j has its place in the help.
    for (const char* command : {"to-gltf", "info", "check"}) {
        clitest::Run help = mshtool({command, "--help"});
        EXPECT_NE(help.out.find("-j,--jobs"), std::string::npos) << help.out;
        EXPECT_EQ(help.out.find("worker"), std::string::npos) << help.out;
    }
    EXPECT_EQ(mshtool({"--help"}).out.find("worker"), std::string::npos);
}

TEST(BatchJobs, InterruptStopsEveryWorkerAndLeavesNothingBehind) {
    std::string dir = clitest::makeSample("jobs-interrupt");
    std::string out = dir + "/out";
    pid_t parent = startLongBatch(dir, out, "/dev/null");
    // Interrupted once both workers run and have put files in place.
    std::vector<pid_t> workers = workersOnceBusy(parent, out, 4);
    ASSERT_EQ(workers.size(), 2u);
    kill(parent, SIGINT);
    int status = 0;
    waitpid(parent, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    for (pid_t worker : workers)
        EXPECT_NE(kill(worker, 0), 0) << "worker " << worker << " still runs";
    size_t converted = 0;
    for (const auto& file : filesUnder(out)) {
        EXPECT_NE(file.first.rfind(".mshtool-", 0), 0u) << file.first << " left behind";
        converted += fs::path(file.first).extension() == ".glb";
    }
    EXPECT_LT(converted, 300u) << "the batch was over before the interrupt";
}

TEST(BatchJobs, TexturesOfOneNameFromSeveralWorkersAreNeverMixedUp) {
    // Six models in folders of their own, each beside a different picture named hero.png,
    // all converted into one folder at once: each glTF must show its own picture.
    std::string dir = clitest::makeSample("jobs-textures");
    std::vector<unsigned char> picture = clitest::bytesOf(dir + "/hero.png");
    std::vector<std::string> args = {"to-gltf",        "-j", "3",          "--bones",
                                     dir + "/hero.bn", "-o", dir + "/out/"};
    const int models = 6;
    for (int i = 0; i < models; ++i) {
        std::string folder = dir + "/m" + std::to_string(i);
        fs::create_directories(folder);
        fs::copy_file(dir + "/hero.msh", folder + "/m" + std::to_string(i) + ".msh");
        std::vector<unsigned char> own = picture;
        own.push_back(static_cast<unsigned char>('0' + i));
        clitest::writeBytes(folder + "/hero.png", own);
        args.push_back(folder + "/m" + std::to_string(i) + ".msh");
    }
    clitest::Run run = mshtool(args);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (int i = 0; i < models; ++i) {
        std::string text = clitest::textOfFile(dir + "/out/m" + std::to_string(i) + ".glb");
        size_t uri = text.find("\"uri\":\"");
        ASSERT_NE(uri, std::string::npos);
        std::string name = text.substr(uri + 7, text.find('"', uri + 7) - uri - 7);
        EXPECT_EQ(clitest::bytesOf(dir + "/out/" + name),
                  clitest::bytesOf(dir + "/m" + std::to_string(i) + "/hero.png"))
            << "m" << i << ".glb shows " << name;
    }
    size_t pictures = 0;
    for (const auto& file : filesUnder(dir + "/out")) {
        EXPECT_NE(file.first.rfind(".mshtool-", 0), 0u) << file.first << " left behind";
        pictures += fs::path(file.first).extension() == ".png";
    }
    EXPECT_EQ(pictures, size_t(models));
}

TEST(BatchJobs, AWorkerKilledMidBatchCostsOnlyTheFileItWasConverting) {
    std::string dir = clitest::makeSample("jobs-killed");
    std::string out = dir + "/out";
    std::string errors = dir + "/stderr.txt";
    pid_t parent = startLongBatch(dir, out, errors);
    std::vector<pid_t> workers = workersOnceBusy(parent, out, 10);
    ASSERT_EQ(workers.size(), 2u);
    pid_t victim = workers[0];
    kill(victim, SIGKILL);
    int status = 0;
    waitpid(parent, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    std::string text = clitest::textOfFile(errors);
    size_t notDone = 0;
    for (size_t at = text.find("not done: its worker process ended"); at != std::string::npos;
         at = text.find("not done: its worker process ended", at + 1))
        ++notDone;
    EXPECT_LE(notDone, 1u) << text;
    // Every other file is converted; the one in hand may be too, killed after its commit.
    for (int i = 0; i < 300; ++i) {
        std::string model = dir + "/m" + std::to_string(i) + ".msh";
        EXPECT_TRUE(fs::exists(out + "/m" + std::to_string(i) + ".glb") ||
                    text.find(model + ": not done") != std::string::npos)
            << model;
    }
}
