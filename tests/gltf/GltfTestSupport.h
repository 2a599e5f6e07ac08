#pragma once
// Helpers shared by the glTF bridge tests: scratch folders, a real PNG, and the Khronos glTF
// Validator run over every file a test writes.

#include "gltf/core/GltfAccessors.h"
#include "scene/SceneData.h"

#include <tiny_gltf.h>

#include <string>
#include <vector>

namespace gltftest {

/// A glTF model built in code: accessors through the bridge's own writer, nodes in scene 0.
struct ModelBuilder {
    tinygltf::Model model;
    mshgltf::AccessorWriter writer{model};

    ModelBuilder();
    int positions(const std::vector<float>& xyz) { return writer.addFloats(xyz, 3, true); }
    tinygltf::Primitive primitive(int position, const std::vector<uint32_t>& indices, int mode,
                                  int material = -1);
    /// A node at the top of scene 0, or below `parent`.
    int node(const std::string& name, int mesh = -1, int parent = -1);
    int mesh(const std::vector<tinygltf::Primitive>& primitives);
    int material(const std::string& name);
    /// An accessor over raw little-endian `bytes` (integer types for quantized data).
    int raw(const std::vector<unsigned char>& bytes, int componentType, int type, size_t count,
            bool normalized);
    /// A texture of an image embedded in the buffer (as in a .glb), without a name unless given.
    int embeddedImage(const std::vector<unsigned char>& encoded, const std::string& name = "");
};

/// The bytes of a file (empty when it cannot be read).
std::vector<unsigned char> fileBytes(const std::string& path);

/// The bytes of a small valid PNG whose pixels are all `shade`.
std::vector<unsigned char> pngBytes(uint8_t shade);

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

/// Runs `assimp export` of `path` into a scratch OBJ file: the importer library's scene copy,
/// which aborts on what some writers put in node extras.
Validation assimpExport(const std::string& path);

/// Where a viewer draws every triangle corner of node `node`'s mesh, in the host's frame and
/// triangle order: skinned vertices through their joints (the weighted sum of position x
/// inverse bind matrix x joint world), others through the node's world transform.
std::vector<Point3> drawnCorners(const tinygltf::Model& model, int node);

/// Where the host draws every face corner of `node` in its bind pose: its mesh vertices
/// through its object transform.
std::vector<Point3> hostCorners(INode* node);

/// Expects the same corners, in the same order, within `tolerance` on every coordinate.
void expectSameCorners(const std::vector<Point3>& got, const std::vector<Point3>& expected,
                       float tolerance, const std::string& what);

/// Sum of the weights of the influences, for checks.
float weightSum(const std::vector<mshgltf::Influence>& influences);

} // namespace gltftest

/// Asserts that the Khronos validator finds no errors and no warnings in `path`, and that
/// `assimp export` takes it.
#define EXPECT_VALID_GLTF(path)                                                                    \
    do {                                                                                           \
        gltftest::Validation v_ = gltftest::validate(path);                                        \
        EXPECT_EQ(v_.exitCode, 0) << v_.output;                                                    \
        gltftest::Validation a_ = gltftest::assimpExport(path);                                    \
        EXPECT_EQ(a_.exitCode, 0) << a_.output;                                                    \
    } while (0)
