#pragma once
// Helpers shared by the glTF bridge tests: scratch folders, a real PNG, and the Khronos glTF
// Validator run over every file a test writes.

#include "gltf/SceneData.h"

#include <string>
#include <vector>

namespace gltftest {

/// A new empty folder for one test.
std::string scratchFolder(const std::string& name);

/// Writes a small valid PNG (so the validator can check image references).
void writePng(const std::string& path);

/// What the validator said about a file.
struct Validation {
    int exitCode = -1; ///< 0 no errors or warnings, 1 problems, 2 validator missing
    std::string output;
};
/// Runs gltf/tools/validate-gltf.js on `path`; `allowed` warning codes do not count.
Validation validate(const std::string& path, const std::vector<std::string>& allowed = {});

/// Sum of the weights of the influences, for checks.
float weightSum(const std::vector<mshgltf::Influence>& influences);

} // namespace gltftest

/// Asserts that the Khronos validator finds no errors and no warnings in `path`.
#define EXPECT_VALID_GLTF(path)                                                                    \
    do {                                                                                           \
        gltftest::Validation v_ = gltftest::validate(path);                                        \
        EXPECT_EQ(v_.exitCode, 0) << v_.output;                                                    \
    } while (0)
