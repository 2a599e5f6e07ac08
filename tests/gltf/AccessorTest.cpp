#include "gltf/core/GltfAccessors.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace mshgltf;

namespace {

// A model with one buffer holding `bytes` and one view over all of it.
tinygltf::Model modelWithBytes(const std::vector<unsigned char>& bytes, size_t stride = 0) {
    tinygltf::Model model;
    tinygltf::Buffer buffer;
    buffer.data = bytes;
    model.buffers.push_back(buffer);
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteLength = bytes.size();
    view.byteStride = stride;
    model.bufferViews.push_back(view);
    return model;
}

int addAccessor(tinygltf::Model& model, int componentType, int type, size_t count,
                size_t offset = 0, bool normalized = false) {
    tinygltf::Accessor accessor;
    accessor.bufferView = 0;
    accessor.componentType = componentType;
    accessor.type = type;
    accessor.count = count;
    accessor.byteOffset = offset;
    accessor.normalized = normalized;
    model.accessors.push_back(accessor);
    return int(model.accessors.size() - 1);
}

std::vector<unsigned char> floatBytes(const std::vector<float>& values) {
    std::vector<unsigned char> bytes(values.size() * 4);
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

} // namespace

TEST(AccessorWriter, WrittenDataReadsBackWithExactBounds) {
    tinygltf::Model model;
    AccessorWriter writer(model);
    std::vector<float> positions = {0.1f, -2.0f, 3.0f, -0.7f, 5.5f, 1e-3f};
    int p = writer.addFloats(positions, 3, true);
    int small = writer.addIndices({0, 1, 1});
    int large = writer.addIndices({0, 70000});
    int joints = writer.addJoints({0, 3, 0, 0, 2, 1, 0, 0}, 4);
    AffineMatrix m = AffineMatrix::identity();
    m.m[3][1] = 2.5;
    int ibm = writer.addMatrices({m});

    const tinygltf::Accessor& pa = model.accessors[size_t(p)];
    EXPECT_EQ(pa.minValues, (std::vector<double>{double(-0.7f), -2.0, double(1e-3f)}));
    EXPECT_EQ(pa.maxValues, (std::vector<double>{double(0.1f), 5.5, 3.0}));
    EXPECT_EQ(model.accessors[size_t(small)].componentType, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT);
    EXPECT_EQ(model.accessors[size_t(large)].componentType, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT);
    EXPECT_EQ(model.accessors[size_t(joints)].componentType, TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE);
    for (const tinygltf::BufferView& view : model.bufferViews)
        EXPECT_EQ(view.byteOffset % 4, 0u);

    AccessorValues values;
    std::string error;
    ASSERT_TRUE(readAccessor(model, p, values, error)) << error;
    ASSERT_EQ(values.values.size(), 6u);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(values.values[i], double(positions[i]));
    ASSERT_TRUE(readAccessor(model, large, values, error)) << error;
    EXPECT_EQ(values.values, (std::vector<double>{0, 70000}));
    ASSERT_TRUE(readAccessor(model, joints, values, error)) << error;
    EXPECT_EQ(values.values[1], 3.0);
    EXPECT_EQ(values.values[5], 1.0);
    ASSERT_TRUE(readAccessor(model, ibm, values, error)) << error;
    EXPECT_EQ(values.components, 16);
    EXPECT_EQ(values.values[13], 2.5);
}

TEST(AccessorReader, StridesAndNormalisedIntegersFollowGltf) {
    // Two VEC2 float elements, 12 bytes apart (4 bytes of something else between).
    std::vector<unsigned char> bytes = floatBytes({1.0f, 2.0f, 99.0f, 3.0f, 4.0f, 99.0f});
    tinygltf::Model model = modelWithBytes(bytes, 12);
    int index = addAccessor(model, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC2, 2);
    AccessorValues values;
    std::string error;
    ASSERT_TRUE(readAccessor(model, index, values, error)) << error;
    EXPECT_EQ(values.values, (std::vector<double>{1, 2, 3, 4}));

    tinygltf::Model bytesModel = modelWithBytes({0, 255, 51, 128});
    int normalized = addAccessor(bytesModel, TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE,
                                 TINYGLTF_TYPE_VEC4, 1, 0, true);
    ASSERT_TRUE(readAccessor(bytesModel, normalized, values, error)) << error;
    EXPECT_DOUBLE_EQ(values.values[1], 1.0);
    EXPECT_DOUBLE_EQ(values.values[2], 0.2);
    int signedBytes =
        addAccessor(bytesModel, TINYGLTF_COMPONENT_TYPE_BYTE, TINYGLTF_TYPE_VEC4, 1, 0, true);
    ASSERT_TRUE(readAccessor(bytesModel, signedBytes, values, error)) << error;
    EXPECT_DOUBLE_EQ(values.values[3], -1.0); // -128 clamps to -1
}

TEST(AccessorReader, DataOutsideItsBufferIsAnErrorNotARead) {
    std::vector<unsigned char> bytes = floatBytes({1, 2, 3, 4, 5, 6});
    AccessorValues values;
    std::string error;
    {
        tinygltf::Model model = modelWithBytes(bytes);
        int index = addAccessor(model, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, 3);
        EXPECT_FALSE(readAccessor(model, index, values, error));
        EXPECT_NE(error.find("runs past its buffer view of 24 bytes"), std::string::npos) << error;
    }
    {
        tinygltf::Model model = modelWithBytes(bytes);
        int index = addAccessor(model, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, 2, 4);
        EXPECT_FALSE(readAccessor(model, index, values, error)) << "offset pushes it past the end";
    }
    {
        tinygltf::Model model = modelWithBytes(bytes);
        model.bufferViews[0].byteOffset = 8; // the view itself now overhangs its buffer
        int index = addAccessor(model, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_SCALAR, 1);
        EXPECT_FALSE(readAccessor(model, index, values, error));
        EXPECT_NE(error.find("runs past its buffer"), std::string::npos) << error;
    }
    {
        tinygltf::Model model = modelWithBytes(bytes);
        int index = addAccessor(model, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_SCALAR,
                                size_t(1) << 40);
        EXPECT_FALSE(readAccessor(model, index, values, error))
            << "a lying count allocates nothing";
    }
    {
        tinygltf::Model model = modelWithBytes(bytes);
        EXPECT_FALSE(readAccessor(model, 5, values, error));
        model.accessors.emplace_back();
        model.accessors[0].bufferView = 3;
        model.accessors[0].componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
        model.accessors[0].type = TINYGLTF_TYPE_SCALAR;
        model.accessors[0].count = 1;
        EXPECT_FALSE(readAccessor(model, 0, values, error));
        EXPECT_NE(error.find("buffer view 3 does not exist"), std::string::npos) << error;
    }
}

TEST(AccessorReader, SparseValuesReplaceTheirElements) {
    // Base: three scalars 1, 2, 3; sparse: index 2 becomes 9. Indices as u16 after the floats.
    std::vector<unsigned char> bytes = floatBytes({1, 2, 3, 9});
    bytes.push_back(2);
    bytes.push_back(0);
    tinygltf::Model model = modelWithBytes(bytes);
    int index = addAccessor(model, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_SCALAR, 3);
    tinygltf::BufferView values;
    values.buffer = 0;
    values.byteOffset = 12;
    values.byteLength = 4;
    model.bufferViews.push_back(values);
    tinygltf::BufferView indices;
    indices.buffer = 0;
    indices.byteOffset = 16;
    indices.byteLength = 2;
    model.bufferViews.push_back(indices);
    tinygltf::Accessor& a = model.accessors[size_t(index)];
    a.sparse.isSparse = true;
    a.sparse.count = 1;
    a.sparse.values.bufferView = 1;
    a.sparse.values.byteOffset = 0;
    a.sparse.indices.bufferView = 2;
    a.sparse.indices.byteOffset = 0;
    a.sparse.indices.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT;
    AccessorValues out;
    std::string error;
    ASSERT_TRUE(readAccessor(model, index, out, error)) << error;
    EXPECT_EQ(out.values, (std::vector<double>{1, 2, 9}));
    bytes[16] = 7; // an index past the three elements
    model.buffers[0].data = bytes;
    EXPECT_FALSE(readAccessor(model, index, out, error));
    EXPECT_NE(error.find("sparse index 7"), std::string::npos) << error;
}
