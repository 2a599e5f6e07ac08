#include "gltf/core/GltfAccessors.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace mshgltf {

AccessorWriter::AccessorWriter(tinygltf::Model& target, size_t finalSize) : model(target) {
    if (model.buffers.empty())
        model.buffers.emplace_back();
    model.buffers[0].data.reserve(finalSize);
}

size_t AccessorWriter::sizeAfter(size_t size, size_t count, size_t elementSize) {
    return (size + 3) / 4 * 4 + count * elementSize;
}

unsigned char* AccessorWriter::addRoom(size_t bytes, int componentType, size_t count, int type,
                                       int target, int& accessor) {
    std::vector<unsigned char>& data = model.buffers[0].data;
    size_t start = (data.size() + 3) / 4 * 4;
    data.resize(start + bytes);
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = start;
    view.byteLength = bytes;
    view.target = target;
    model.bufferViews.push_back(view);
    tinygltf::Accessor entry;
    entry.bufferView = int(model.bufferViews.size() - 1);
    entry.componentType = componentType;
    entry.count = count;
    entry.type = type;
    model.accessors.push_back(entry);
    accessor = int(model.accessors.size() - 1);
    return data.data() + start;
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
    case 16:
        return TINYGLTF_TYPE_MAT4;
    default:
        return TINYGLTF_TYPE_VEC4;
    }
}

} // namespace

float* AccessorWriter::addFloatRoom(size_t count, int components, int target, int& accessor) {
    size_t values = count * size_t(components);
    return reinterpret_cast<float*>(addRoom(values * sizeof(float), TINYGLTF_COMPONENT_TYPE_FLOAT,
                                            count, vectorType(components), target, accessor));
}

void AccessorWriter::setBounds(int index, const float* values) {
    tinygltf::Accessor& accessor = model.accessors[size_t(index)];
    size_t components = size_t(tinygltf::GetNumComponentsInType(uint32_t(accessor.type)));
    if (accessor.count == 0)
        return;
    accessor.minValues.assign(components, std::numeric_limits<double>::max());
    accessor.maxValues.assign(components, std::numeric_limits<double>::lowest());
    for (size_t i = 0; i < accessor.count * components; ++i) {
        size_t c = i % components;
        accessor.minValues[c] = std::min(accessor.minValues[c], double(values[i]));
        accessor.maxValues[c] = std::max(accessor.maxValues[c], double(values[i]));
    }
}

int AccessorWriter::addFloats(const std::vector<float>& values, int components, bool withBounds) {
    int index = 0;
    float* room = addFloatRoom(values.size() / size_t(components), components,
                               TINYGLTF_TARGET_ARRAY_BUFFER, index);
    std::copy(values.begin(), values.end(), room);
    if (withBounds)
        setBounds(index, room);
    return index;
}

int AccessorWriter::addIndices(const std::vector<uint32_t>& indices) {
    uint32_t largest = 0;
    for (uint32_t i : indices)
        largest = std::max(largest, i);
    int index = 0;
    bool narrow = largest < 0xFFFF;
    unsigned char* room = addRoom(
        indices.size() * (narrow ? 2 : 4),
        narrow ? TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT : TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT,
        indices.size(), TINYGLTF_TYPE_SCALAR, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER, index);
    if (narrow)
        for (size_t i = 0; i < indices.size(); ++i) {
            uint16_t value = uint16_t(indices[i]);
            std::memcpy(room + 2 * i, &value, 2);
        }
    else if (!indices.empty())
        std::memcpy(room, indices.data(), indices.size() * 4);
    return index;
}

unsigned char* AccessorWriter::addJointRoom(size_t vertices, size_t jointCount, bool& wide,
                                            int& accessor) {
    wide = jointCount > 256;
    return addRoom(vertices * 4 * (wide ? 2 : 1),
                   wide ? TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT
                        : TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE,
                   vertices, TINYGLTF_TYPE_VEC4, TINYGLTF_TARGET_ARRAY_BUFFER, accessor);
}

int AccessorWriter::addJoints(const std::vector<uint16_t>& joints, size_t jointCount) {
    int index = 0;
    bool wide = false;
    unsigned char* room = addJointRoom(joints.size() / 4, jointCount, wide, index);
    for (size_t i = 0; i < joints.size(); ++i)
        if (wide)
            std::memcpy(room + 2 * i, &joints[i], 2);
        else
            room[i] = uint8_t(joints[i]);
    return index;
}

int AccessorWriter::addMatrices(const std::vector<AffineMatrix>& matrices) {
    int index = 0;
    float* room = addFloatRoom(matrices.size(), 16, 0, index);
    for (const AffineMatrix& m : matrices)
        for (double v : toGltfArray(m))
            *room++ = float(v);
    return index;
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

// Where `count` elements of `components` values start in a view, element i at offset +
// i*stride; `stride` 0 becomes the element size. Checks that all of them lie inside the view.
bool locateElements(const tinygltf::Model& model, int viewIndex, size_t offset, size_t& stride,
                    size_t count, int components, int componentType, const unsigned char*& first,
                    std::string& error) {
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
        double probe = 0.0;
        if (!componentValue(bytes + offset, componentType, false, probe)) {
            error = "unsupported component type " + std::to_string(componentType);
            return false;
        }
    }
    first = bytes + offset;
    return true;
}

// Reads `count` elements of `components` values from a view, element i at offset + i*stride.
bool readElements(const tinygltf::Model& model, int viewIndex, size_t offset, size_t stride,
                  size_t count, int components, int componentType, bool normalized,
                  std::vector<double>& out, size_t firstValue, std::string& error) {
    const unsigned char* first = nullptr;
    if (!locateElements(model, viewIndex, offset, stride, count, components, componentType, first,
                        error))
        return false;
    size_t componentSize = size_t(tinygltf::GetComponentSizeInBytes(uint32_t(componentType)));
    for (size_t i = 0; i < count; ++i)
        for (int c = 0; c < components; ++c)
            componentValue(first + i * stride + size_t(c) * componentSize, componentType,
                           normalized, out[firstValue + i * size_t(components) + size_t(c)]);
    return true;
}

// The checks readAccessor makes before it reads: type, count and stride.
bool checkAccessor(const tinygltf::Model& model, int index, size_t& stride, std::string& error) {
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
    stride = 0;
    if (accessor.bufferView >= 0) {
        if (size_t(accessor.bufferView) < model.bufferViews.size())
            stride = model.bufferViews[size_t(accessor.bufferView)].byteStride;
        if (stride != 0 && stride % size_t(componentSize) != 0) {
            error = where + "byte stride " + std::to_string(stride) +
                    " is not a multiple of the component size";
            return false;
        }
    }
    return true;
}

} // namespace

bool readAccessor(const tinygltf::Model& model, int index, AccessorValues& out,
                  std::string& error) {
    size_t stride = 0;
    if (!checkAccessor(model, index, stride, error))
        return false;
    const tinygltf::Accessor& accessor = model.accessors[size_t(index)];
    std::string where = "accessor " + std::to_string(index) + ": ";
    int components = tinygltf::GetNumComponentsInType(uint32_t(accessor.type));
    out.components = components;
    out.count = accessor.count;
    out.componentType = accessor.componentType;
    out.values.assign(accessor.count * size_t(components), 0.0);
    if (accessor.bufferView >= 0 &&
        !readElements(model, accessor.bufferView, accessor.byteOffset, stride, accessor.count,
                      components, accessor.componentType, accessor.normalized, out.values, 0,
                      error)) {
        error = where + error;
        return false;
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

bool AccessorView::open(const tinygltf::Model& model, int index, std::string& error) {
    *this = AccessorView();
    size_t byteStride = 0;
    if (!checkAccessor(model, index, byteStride, error))
        return false;
    const tinygltf::Accessor& accessor = model.accessors[size_t(index)];
    componentCount = tinygltf::GetNumComponentsInType(uint32_t(accessor.type));
    componentSize = size_t(tinygltf::GetComponentSizeInBytes(uint32_t(accessor.componentType)));
    elements = accessor.count;
    type = accessor.componentType;
    normalized = accessor.normalized;
    if (accessor.sparse.isSparse) {
        sparse = true;
        return readAccessor(model, index, decoded, error);
    }
    if (accessor.bufferView < 0)
        return true;
    stride = byteStride;
    if (!locateElements(model, accessor.bufferView, accessor.byteOffset, stride, elements,
                        componentCount, type, first, error)) {
        error = "accessor " + std::to_string(index) + ": " + error;
        return false;
    }
    plainFloats = first && type == TINYGLTF_COMPONENT_TYPE_FLOAT;
    return true;
}

double AccessorView::decodedValue(size_t element, int component) const {
    if (sparse)
        return decoded.values[element * size_t(componentCount) + size_t(component)];
    double out = 0.0;
    if (first)
        componentValue(first + element * stride + size_t(component) * componentSize, type,
                       normalized, out);
    return out;
}

} // namespace mshgltf
