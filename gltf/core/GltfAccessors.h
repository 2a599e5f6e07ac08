#pragma once
// Typed access to glTF binary data: appending accessors when writing, and reading them back
// with every offset checked against the buffers, so a malformed file yields an error instead
// of a read outside its data.

#include "scene/AffineMatrix.h"

#include <tiny_gltf.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace mshgltf {

/// Appends data to buffer 0 of a model, one buffer view per accessor, each view starting on a
/// 4-byte boundary as vertex attributes require. Given the buffer's final size, it reserves it
/// at once, so every accessor is written in place and the buffer never moves.
class AccessorWriter {
public:
    explicit AccessorWriter(tinygltf::Model& model, size_t finalSize = 0);

    /// Room for `count` elements of `components` floats (1 to 4, or 16 for MAT4), which the
    /// caller fills before asking for more room (the bytes move when nothing was reserved).
    float* addFloatRoom(size_t count, int components, int target, int& accessor);
    /// Stores the exact per component minimum and maximum of a filled float accessor
    /// (required for POSITION).
    void setBounds(int accessor, const float* values);
    /// Float data of `components` (1 to 4) per element; `withBounds` stores the exact bounds.
    int addFloats(const std::vector<float>& values, int components, bool withBounds);
    /// Triangle indices as unsigned short when every index fits, else unsigned int.
    int addIndices(const std::vector<uint32_t>& indices);
    /// Room for JOINTS_n data, four per vertex: unsigned byte when `jointCount` allows (`wide`
    /// false), else unsigned short.
    unsigned char* addJointRoom(size_t vertices, size_t jointCount, bool& wide, int& accessor);
    /// JOINTS_n data, four per vertex, as unsigned byte when `jointCount` allows, else short.
    int addJoints(const std::vector<uint16_t>& joints, size_t jointCount);
    /// MAT4 float matrices (inverse bind matrices; no byte stride, no target).
    int addMatrices(const std::vector<AffineMatrix>& matrices);

    /// The bytes an accessor of `count` elements of `elementSize` bytes adds after `size`
    /// bytes of buffer: its alignment and its data.
    static size_t sizeAfter(size_t size, size_t count, size_t elementSize);

private:
    unsigned char* addRoom(size_t bytes, int componentType, size_t count, int type, int target,
                           int& accessor);

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

/// An accessor read in place from its buffer, element by element as readAccessor decodes it,
/// without a decoded copy. A sparse accessor, whose values are substituted, is decoded once.
class AccessorView {
public:
    /// False with `error` saying what is wrong, as readAccessor says it.
    bool open(const tinygltf::Model& model, int index, std::string& error);

    size_t count() const { return elements; }
    int components() const { return componentCount; }
    int componentType() const { return type; }
    double value(size_t element, int component) const {
        if (plainFloats) { // the common case, kept inline
            float f;
            std::memcpy(&f, first + element * stride + size_t(component) * 4, 4);
            return f;
        }
        return decodedValue(element, component);
    }

private:
    double decodedValue(size_t element, int component) const;

    const unsigned char* first = nullptr; ///< element 0; null: all zeros, or `decoded`
    size_t stride = 0;
    size_t componentSize = 0;
    size_t elements = 0;
    int componentCount = 0;
    int type = 0;
    bool normalized = false;
    bool sparse = false;
    bool plainFloats = false; ///< floats in a buffer, read as they are
    AccessorValues decoded;
};

} // namespace mshgltf
