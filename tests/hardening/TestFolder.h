#pragma once
// A fresh folder per test and a byte-exact picture of what it holds.

#include <filesystem>
#include <map>
#include <string>

namespace hardening {

/// Creates an empty folder under the temporary directory; removes it with its contents.
class TestFolder {
public:
    explicit TestFolder(const std::string& label);
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;
    const std::filesystem::path& path() const { return folder; }

private:
    std::filesystem::path folder;
};

/// Every file of a folder (not recursive) by name, with its bytes.
std::map<std::string, std::string> folderContents(const std::filesystem::path& folder);

void writeFile(const std::filesystem::path& file, const std::string& bytes);
std::string readFile(const std::filesystem::path& file);

} // namespace hardening
