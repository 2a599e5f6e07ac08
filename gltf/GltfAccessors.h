#pragma once
// Typed access to glTF binary data: appending accessors when writing, and reading them back
// with every offset checked against the buffers, so a malformed file yields an error instead
// of a read outside its data.

#include "gltf/AffineMatrix.h"

#include <tiny_gltf.h>

#include <cstdint>
#include <string>
#include <vector>

namespace mshgltf {

/// Appends data to buffer 0 of a model, one buffer view per accessor, each view starting on a
/// 4-byte boundary as vertex attributes require.
class AccessorWriter {
public:
    explicit AccessorWriter(tinygltf::Model& model);

    /// Float data of `components` (1 to 4) per element; `withBounds` stores the exact per
    /// component minimum and maximum (required for POSITION).
    int addFloats(const std::vector<float>& values, int components, bool withBounds);
    /// Triangle indices as unsigned short when every index fits, else unsigned int.
    int addIndices(const std::vector<uint32_t>& indices);
    /// JOINTS_n data, four per vertex, as unsigned byte when `jointCount` allows, else short.
    int addJoints(const std::vector<uint16_t>& joints, size_t jointCount);
    /// MAT4 float matrices (inverse bind matrices; no byte stride, no target).
    int addMatrices(const std::vector<AffineMatrix>& matrices);

private:
    int addView(const void* bytes, size_t size, int target);
    int addAccessor(int view, int componentType, size_t count, int type);

    tinygltf::Model& model;
};

/// The numbers of an accessor, element by element: `components` values per element,
/// normalised integers mapped to floats as glTF defines, sparse substitutions applied.
struct AccessorValues {
    std::vector<double> values;
    int components = 0;
    size_t count = 0;
    int componentType = 0;
};

/// Reads accessor `index`; false with `error` saying what is wrong.
bool readAccessor(const tinygltf::Model& model, int index, AccessorValues& out, std::string& error);

} // namespace mshgltf
