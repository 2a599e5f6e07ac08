#include "TestFolder.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace hardening {

TestFolder::TestFolder(const std::string& label) {
    static int made = 0;
    folder = std::filesystem::temp_directory_path() /
             ("msh-hardening-" + std::to_string(long(getpid())) + "-" + label + "-" +
              std::to_string(++made));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
}

TestFolder::~TestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::map<std::string, std::string> folderContents(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = readFile(entry.path());
    return files;
}

void writeFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace hardening
