// Writes the seed corpus: every seed model into each folder named on the command line.
// Usage: make-fuzz-corpus DIR...
#include "fuzz/SeedModels.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make-fuzz-corpus DIR...\n");
        return 2;
    }
    std::vector<fuzzing::SeedFile> seeds = fuzzing::formatSeeds();
    for (int a = 1; a < argc; ++a) {
        std::filesystem::create_directories(argv[a]);
        for (const fuzzing::SeedFile& seed : seeds) {
            std::ofstream out(std::filesystem::path(argv[a]) / seed.name, std::ios::binary);
            out.write(seed.bytes.data(), std::streamsize(seed.bytes.size()));
            if (!out) {
                std::fprintf(stderr, "make-fuzz-corpus: cannot write %s in %s\n", seed.name.c_str(),
                             argv[a]);
                return 1;
            }
        }
        std::printf("make-fuzz-corpus: %zu seeds in %s\n", seeds.size(), argv[a]);
    }
    return 0;
}
