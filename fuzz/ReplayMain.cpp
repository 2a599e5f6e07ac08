// Runs a fuzz target's entry point once over each file named on the command line (folders:
// every file inside), without libFuzzer, so the ordinary sanitizer build replays the corpus
// and every committed crash input.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::filesystem::path> inputsOf(const std::filesystem::path& argument) {
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(argument)) {
        for (const auto& entry : std::filesystem::directory_iterator(argument))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
    } else if (std::filesystem::exists(argument)) {
        files.push_back(argument);
    }
    return files;
}

std::vector<uint8_t> readAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

} // namespace

int main(int argc, char** argv) {
    size_t replayed = 0;
    for (int a = 1; a < argc; ++a) {
        for (const auto& file : inputsOf(argv[a])) {
            std::vector<uint8_t> bytes = readAll(file);
            std::fprintf(stderr, "replay %s (%zu bytes)\n", file.string().c_str(), bytes.size());
            // Empty vectors have no data(); hand a valid pointer all the same.
            static const uint8_t none = 0;
            LLVMFuzzerTestOneInput(bytes.empty() ? &none : bytes.data(), bytes.size());
            ++replayed;
        }
    }
    std::printf("replayed %zu inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
