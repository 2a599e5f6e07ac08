#include "tests/cli/CliTestSupport.h"

#include "format/TextField.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <pty.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace clitest {
namespace {

namespace fs = std::filesystem;

std::string quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

Run runShell(const std::string& command) {
    static int counter = 0;
    std::string base = (fs::temp_directory_path() / ("mshtool-run-" + std::to_string(getpid()) +
                                                     "-" + std::to_string(++counter)))
                           .string();
    std::string full =
        command + " >" + quote(base + ".out") + " 2>" + quote(base + ".err") + " </dev/null";
    int status = std::system(full.c_str());
    Run run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readText(base + ".out");
    run.err = readText(base + ".err");
    fs::remove(base + ".out");
    fs::remove(base + ".err");
    return run;
}

} // namespace

Run mshtool(const std::vector<std::string>& args) {
    std::string command = quote(MSHTOOL_PATH);
    for (const std::string& arg : args)
        command += " " + quote(arg);
    return runShell(command);
}

Run mshtoolReadingPipe(const std::string& file, const std::string& fifo,
                       const std::vector<std::string>& args) {
    EXPECT_EQ(mkfifo(fifo.c_str(), 0600), 0) << fifo;
    std::string command = "cat " + quote(file) + " >" + quote(fifo) + " & " + quote(MSHTOOL_PATH);
    for (const std::string& arg : args)
        command += " " + quote(arg);
    return runShell(command);
}

Run mshtoolWithStdout(const std::vector<std::string>& args, const std::string& stdoutPath) {
    std::string command = quote(MSHTOOL_PATH);
    for (const std::string& arg : args)
        command += " " + quote(arg);
    std::string err =
        (fs::temp_directory_path() / ("mshtool-err-" + std::to_string(getpid()))).string();
    int status = std::system((command + " >" + quote(stdoutPath) + " 2>" + quote(err)).c_str());
    Run run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = readText(err);
    fs::remove(err);
    return run;
}

Run mshtoolOnTerminal(const std::vector<std::string>& args) {
    std::string out =
        (fs::temp_directory_path() / ("mshtool-tty-" + std::to_string(getpid()))).string();
    std::vector<std::string> full{MSHTOOL_PATH};
    full.insert(full.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : full)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    int terminal = -1;
    winsize size{24, 80, 0, 0};
    pid_t child = forkpty(&terminal, nullptr, nullptr, &size);
    if (child == 0) {
        int file = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(file, STDOUT_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Run run;
    char buffer[4096];
    ssize_t got;
    // The terminal reports EIO once the program and everything it started have closed it.
    while ((got = read(terminal, buffer, sizeof buffer)) > 0)
        run.err.append(buffer, size_t(got));
    int status = 0;
    waitpid(child, &status, 0);
    close(terminal);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readText(out);
    fs::remove(out);
    return run;
}

std::string scratchFolder(const std::string& name) {
    fs::path folder =
        fs::temp_directory_path() / ("mshtool-test-" + std::to_string(getpid())) / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder.string();
}

std::string makeSample(const std::string& name) {
    std::string folder = scratchFolder(name);
    Run run = runShell(quote(MAKE_SAMPLE_PATH) + " " + quote(folder));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return folder;
}

Run validateWithKhronos(const std::string& path) {
    return runShell("node " + quote(MSH_VALIDATE_SCRIPT) + " --validator " +
                    quote(MSH_VALIDATOR_DIR) + " " + quote(path));
}

Run validate(const std::string& path) {
    Run check = validateWithKhronos(path);
    if (check.exitCode != 0)
        return check;
    // assimp's scene copy aborts on what some writers put in node extras; its reader alone
    // would not show it.
    std::string obj = scratchFolder("assimp") + "/out.obj";
    Run assimp = runShell("assimp export " + quote(path) + " " + quote(obj));
    if (assimp.exitCode != 0)
        assimp.out = "assimp export " + path + " exits " + std::to_string(assimp.exitCode) + ":\n" +
                     assimp.out + assimp.err;
    return assimp;
}

ModelFile readModel(const std::string& path) {
    ModelFile model;
    MshFileReader reader;
    MshError error;
    if (!reader.open(fromUtf8(path), error)) {
        ADD_FAILURE() << error.describe();
        return model;
    }
    model.layout = reader.layout();
    while (reader.hasNext()) {
        bool ok;
        if (model.layout == MshLayoutMesh8) {
            model.mesh8.emplace_back();
            ok = reader.readNextMesh8(model.mesh8.back(), error);
        } else {
            model.legacy.emplace_back();
            ok = reader.readNextLegacy(model.legacy.back(), error);
        }
        if (!ok) {
            ADD_FAILURE() << error.describe();
            break;
        }
    }
    return model;
}

std::string textOf(const char* field) {
    return readTextField(field, MSH_TEXT_FIELD_SIZE);
}

std::vector<unsigned char> bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
}

std::vector<std::string> leftovers(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (name.rfind(".mshtool-", 0) == 0 || entry.path().extension() == ".tmp")
            found.push_back(name);
    }
    return found;
}

std::string textOfFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

} // namespace clitest
