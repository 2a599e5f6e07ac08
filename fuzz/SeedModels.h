#pragma once
// Seed model files for the fuzz corpora, written by the project's own record writers: both
// layouts, skinned and not, and the edge cases the readers must get right.

#include <string>
#include <vector>

namespace fuzzing {

/// One seed: a file name for the corpus folder and its bytes.
struct SeedFile {
    std::string name;
    std::string bytes;
};

/// Names of the bones the import fuzzers put into the scene before each import; the seeds
/// bind to them.
std::vector<std::wstring> sceneBoneNames();

/// Every seed built from records in memory.
std::vector<SeedFile> formatSeeds();

} // namespace fuzzing
