#include "tests/gltf/GltfTestSupport.h"

#include "samples/PngWriter.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

namespace gltftest {

std::string scratchFolder(const std::string& name) {
    std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                   ("mshgltf-test-" + std::to_string(getpid())) / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

void writePng(const std::string& path) {
    std::vector<uint8_t> rgb(4 * 4 * 3, 200);
    ASSERT_TRUE(samples::writePng(path, 4, 4, rgb)) << path;
}

Validation validate(const std::string& path, const std::vector<std::string>& allowed) {
    std::string command =
        std::string("node '") + MSH_VALIDATE_SCRIPT + "' --validator '" + MSH_VALIDATOR_DIR + "'";
    for (const std::string& code : allowed)
        command += " --allow " + code;
    command += " '" + path + "' 2>&1";
    Validation result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        result.output = "cannot run " + command;
        return result;
    }
    std::array<char, 512> buffer;
    while (fgets(buffer.data(), int(buffer.size()), pipe))
        result.output += buffer.data();
    int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

float weightSum(const std::vector<mshgltf::Influence>& influences) {
    float sum = 0.0f;
    for (const mshgltf::Influence& i : influences)
        sum += i.weight;
    return sum;
}

} // namespace gltftest
