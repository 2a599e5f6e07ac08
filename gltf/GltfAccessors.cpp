#include "gltf/GltfAccessors.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace mshgltf {

AccessorWriter::AccessorWriter(tinygltf::Model& target) : model(target) {
    if (model.buffers.empty())
        model.buffers.emplace_back();
}

int AccessorWriter::addView(const void* bytes, size_t size, int target) {
    std::vector<unsigned char>& data = model.buffers[0].data;
    while (data.size() % 4 != 0)
        data.push_back(0);
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = data.size();
    view.byteLength = size;
    view.target = target;
    const unsigned char* first = static_cast<const unsigned char*>(bytes);
    data.insert(data.end(), first, first + size);
    model.bufferViews.push_back(view);
    return int(model.bufferViews.size() - 1);
}

int AccessorWriter::addAccessor(int view, int componentType, size_t count, int type) {
    tinygltf::Accessor accessor;
    accessor.bufferView = view;
    accessor.componentType = componentType;
    accessor.count = count;
    accessor.type = type;
    model.accessors.push_back(accessor);
    return int(model.accessors.size() - 1);
}

namespace {

int vectorType(int components) {
    switch (components) {
    case 1:
        return TINYGLTF_TYPE_SCALAR;
    case 2:
        return TINYGLTF_TYPE_VEC2;
    case 3:
        return TINYGLTF_TYPE_VEC3;
    default:
        return TINYGLTF_TYPE_VEC4;
    }
}

} // namespace

int AccessorWriter::addFloats(const std::vector<float>& values, int components, bool withBounds) {
    size_t count = values.size() / size_t(components);
    int view = addView(values.data(), values.size() * sizeof(float), TINYGLTF_TARGET_ARRAY_BUFFER);
    int index = addAccessor(view, TINYGLTF_COMPONENT_TYPE_FLOAT, count, vectorType(components));
    if (withBounds && count > 0) {
        tinygltf::Accessor& accessor = model.accessors[size_t(index)];
        accessor.minValues.assign(size_t(components), std::numeric_limits<double>::max());
        accessor.maxValues.assign(size_t(components), std::numeric_limits<double>::lowest());
        for (size_t i = 0; i < values.size(); ++i) {
            size_t c = i % size_t(components);
            accessor.minValues[c] = std::min(accessor.minValues[c], double(values[i]));
            accessor.maxValues[c] = std::max(accessor.maxValues[c], double(values[i]));
        }
    }
    return index;
}

int AccessorWriter::addIndices(const std::vector<uint32_t>& indices) {
    uint32_t largest = 0;
    for (uint32_t i : indices)
        largest = std::max(largest, i);
    if (largest < 0xFFFF) {
        std::vector<uint16_t> narrow(indices.begin(), indices.end());
        int view = addView(narrow.data(), narrow.size() * 2, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
        return addAccessor(view, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT, indices.size(),
                           TINYGLTF_TYPE_SCALAR);
    }
    int view = addView(indices.data(), indices.size() * 4, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
    return addAccessor(view, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, indices.size(),
                       TINYGLTF_TYPE_SCALAR);
}

int AccessorWriter::addJoints(const std::vector<uint16_t>& joints, size_t jointCount) {
    if (jointCount <= 256) {
        std::vector<uint8_t> narrow(joints.begin(), joints.end());
        int view = addView(narrow.data(), narrow.size(), TINYGLTF_TARGET_ARRAY_BUFFER);
        return addAccessor(view, TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE, joints.size() / 4,
                           TINYGLTF_TYPE_VEC4);
    }
    int view = addView(joints.data(), joints.size() * 2, TINYGLTF_TARGET_ARRAY_BUFFER);
    return addAccessor(view, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT, joints.size() / 4,
                       TINYGLTF_TYPE_VEC4);
}

int AccessorWriter::addMatrices(const std::vector<AffineMatrix>& matrices) {
    std::vector<float> values;
    values.reserve(matrices.size() * 16);
    for (const AffineMatrix& m : matrices)
        for (double v : toGltfArray(m))
            values.push_back(float(v));
    int view = addView(values.data(), values.size() * sizeof(float), 0);
    return addAccessor(view, TINYGLTF_COMPONENT_TYPE_FLOAT, matrices.size(), TINYGLTF_TYPE_MAT4);
}

namespace {

bool componentValue(const unsigned char* p, int componentType, bool normalized, double& out) {
    switch (componentType) {
    case TINYGLTF_COMPONENT_TYPE_FLOAT: {
        float f;
        std::memcpy(&f, p, 4);
        out = f;
        return true;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        out = normalized ? p[0] / 255.0 : p[0];
        return true;
    case TINYGLTF_COMPONENT_TYPE_BYTE: {
        int8_t v = int8_t(p[0]);
        out = normalized ? std::max(v / 127.0, -1.0) : v;
        return true;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
        uint16_t v;
        std::memcpy(&v, p, 2);
        out = normalized ? v / 65535.0 : v;
        return true;
    }
    case TINYGLTF_COMPONENT_TYPE_SHORT: {
        int16_t v;
        std::memcpy(&v, p, 2);
        out = normalized ? std::max(v / 32767.0, -1.0) : v;
        return true;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: {
        uint32_t v;
        std::memcpy(&v, p, 4);
        out = v;
        return true;
    }
    default:
        return false;
    }
}

// The bytes of a buffer view, checked against its buffer.
bool viewBytes(const tinygltf::Model& model, int viewIndex, const unsigned char*& bytes,
               size_t& size, std::string& error) {
    if (viewIndex < 0 || size_t(viewIndex) >= model.bufferViews.size()) {
        error = "buffer view " + std::to_string(viewIndex) + " does not exist";
        return false;
    }
    const tinygltf::BufferView& view = model.bufferViews[size_t(viewIndex)];
    if (view.buffer < 0 || size_t(view.buffer) >= model.buffers.size()) {
        error = "buffer view " + std::to_string(viewIndex) + " names a missing buffer";
        return false;
    }
    const std::vector<unsigned char>& data = model.buffers[size_t(view.buffer)].data;
    if (view.byteOffset > data.size() || view.byteLength > data.size() - view.byteOffset) {
        error = "buffer view " + std::to_string(viewIndex) + " (bytes " +
                std::to_string(view.byteOffset) + " + " + std::to_string(view.byteLength) +
                ") runs past its buffer of " + std::to_string(data.size()) + " bytes";
        return false;
    }
    bytes = data.data() + view.byteOffset;
    size = view.byteLength;
    return true;
}

// Reads `count` elements of `components` values from a view, element i at offset + i*stride.
bool readElements(const tinygltf::Model& model, int viewIndex, size_t offset, size_t stride,
                  size_t count, int components, int componentType, bool normalized,
                  std::vector<double>& out, size_t firstValue, std::string& error) {
    const unsigned char* bytes = nullptr;
    size_t size = 0;
    if (!viewBytes(model, viewIndex, bytes, size, error))
        return false;
    size_t componentSize = size_t(tinygltf::GetComponentSizeInBytes(uint32_t(componentType)));
    size_t elementSize = componentSize * size_t(components);
    if (stride == 0)
        stride = elementSize;
    if (count > 0) {
        // Checked in this order so that no product can overflow.
        if (offset > size || elementSize > size - offset ||
            (count - 1) > (size - offset - elementSize) / stride) {
            error = "accessor data (" + std::to_string(count) + " elements from byte " +
                    std::to_string(offset) + ") runs past its buffer view of " +
                    std::to_string(size) + " bytes";
            return false;
        }
    }
    for (size_t i = 0; i < count; ++i)
        for (int c = 0; c < components; ++c) {
            const unsigned char* p = bytes + offset + i * stride + size_t(c) * componentSize;
            if (!componentValue(p, componentType, normalized,
                                out[firstValue + i * size_t(components) + size_t(c)])) {
                error = "unsupported component type " + std::to_string(componentType);
                return false;
            }
        }
    return true;
}

} // namespace

bool readAccessor(const tinygltf::Model& model, int index, AccessorValues& out,
                  std::string& error) {
    if (index < 0 || size_t(index) >= model.accessors.size()) {
        error = "accessor " + std::to_string(index) + " does not exist";
        return false;
    }
    const tinygltf::Accessor& accessor = model.accessors[size_t(index)];
    std::string where = "accessor " + std::to_string(index) + ": ";
    int components = tinygltf::GetNumComponentsInType(uint32_t(accessor.type));
    int componentSize = tinygltf::GetComponentSizeInBytes(uint32_t(accessor.componentType));
    if (components <= 0 || componentSize <= 0 || componentSize > 4) {
        error = where + "unsupported type or component type";
        return false;
    }
    // Data in a buffer is bounded by the buffer, checked below; an accessor without a buffer
    // view is all zeros of any count, so it gets a tighter limit before anything is allocated.
    const size_t maxCount = accessor.bufferView >= 0 ? size_t(1) << 26 : size_t(1) << 22;
    if (accessor.count > maxCount / size_t(components)) {
        error = where + "count " + std::to_string(accessor.count) + " is too large";
        return false;
    }
    out.components = components;
    out.count = accessor.count;
    out.componentType = accessor.componentType;
    out.values.assign(accessor.count * size_t(components), 0.0);
    if (accessor.bufferView >= 0) {
        size_t stride = 0;
        if (size_t(accessor.bufferView) < model.bufferViews.size())
            stride = model.bufferViews[size_t(accessor.bufferView)].byteStride;
        if (stride != 0 && stride % size_t(componentSize) != 0) {
            error = where + "byte stride " + std::to_string(stride) +
                    " is not a multiple of the component size";
            return false;
        }
        if (!readElements(model, accessor.bufferView, accessor.byteOffset, stride, accessor.count,
                          components, accessor.componentType, accessor.normalized, out.values, 0,
                          error)) {
            error = where + error;
            return false;
        }
    }
    if (accessor.sparse.isSparse) {
        size_t sparseCount = size_t(std::max(0, accessor.sparse.count));
        if (sparseCount > accessor.count) {
            error = where + "more sparse values than elements";
            return false;
        }
        std::vector<double> indices(sparseCount);
        std::vector<double> values(sparseCount * size_t(components));
        if (!readElements(model, accessor.sparse.indices.bufferView,
                          size_t(std::max(0, accessor.sparse.indices.byteOffset)), 0, sparseCount,
                          1, accessor.sparse.indices.componentType, false, indices, 0, error) ||
            !readElements(model, accessor.sparse.values.bufferView,
                          size_t(std::max(0, accessor.sparse.values.byteOffset)), 0, sparseCount,
                          components, accessor.componentType, accessor.normalized, values, 0,
                          error)) {
            error = where + "sparse data: " + error;
            return false;
        }
        for (size_t i = 0; i < sparseCount; ++i) {
            size_t target = size_t(indices[i]);
            if (indices[i] < 0 || target >= accessor.count) {
                error = where + "sparse index " + std::to_string(target) + " is out of range";
                return false;
            }
            for (int c = 0; c < components; ++c)
                out.values[target * size_t(components) + size_t(c)] =
                    values[i * size_t(components) + size_t(c)];
        }
    }
    return true;
}

} // namespace mshgltf
