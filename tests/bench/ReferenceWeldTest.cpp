// The linear first-match weld the benchmark times the hashed weld against, and the proposed
// open-addressing weld: both must number corners exactly as the importer's weld does,
// including where float equality is not bit equality; the comparison must see any difference.

#include "bench/BenchModels.h"
#include "bench/FlatWeld.h"
#include "bench/LinearWeld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

Mesh8Vertex corner(float x, float y, float z, float nz) {
    Mesh8Vertex v;
    std::memset(&v, 0, sizeof v);
    v.position[0] = x;
    v.position[1] = y;
    v.position[2] = z;
    v.vertexNormal[2] = nz;
    return v;
}

Mesh8Record recordOf(const std::vector<Mesh8Vertex>& corners,
                     const std::vector<uint16_t>& indices) {
    Mesh8Record r;
    r.vertices = corners;
    r.indices = indices;
    r.header.numFaces = uint16_t(indices.size() / 3);
    r.header.numVerts = uint16_t(corners.size());
    return r;
}

void expectSameWeld(const Mesh8Record& record, size_t expectedVertices) {
    WeldResult hashed, linear, flat;
    weldMesh8Corners(record, hashed);
    bench::linearWeldMesh8Corners(record, linear);
    bench::flatWeldMesh8Corners(record, flat);
    std::string why;
    EXPECT_TRUE(bench::sameWeld(hashed, linear, why)) << "hashed: " << why;
    EXPECT_TRUE(bench::sameWeld(flat, linear, why)) << "open addressing: " << why;
    EXPECT_EQ(expectedVertices, linear.weldList.size());
}

TEST(ReferenceWeld, MergesSharedCornersInOrderOfFirstAppearance) {
    // Two faces sharing an edge: six corners, four vertices; the second face's corners come
    // back as 0 and 2, then the new vertex 3.
    std::vector<Mesh8Vertex> c = {corner(0, 0, 0, 1), corner(1, 0, 0, 1), corner(1, 1, 0, 1),
                                  corner(0, 0, 0, 1), corner(1, 1, 0, 1), corner(0, 1, 0, 1)};
    Mesh8Record record = recordOf(c, {0, 1, 2, 3, 4, 5});
    WeldResult linear;
    bench::linearWeldMesh8Corners(record, linear);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 0, 2, 3}), linear.cornerVertex);
    EXPECT_EQ(&record.vertices[0], linear.weldList[0].source) << "the first corner is the source";
    expectSameWeld(record, 4);
}

TEST(ReferenceWeld, AgreesWithTheHashedWeldWhereFloatEqualityIsNotBitEquality) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    float nextToOne = std::nextafter(1.0f, 2.0f);
    // -0.0 equals 0.0; a NaN corner equals nothing, not even itself; a position one bit apart
    // and a different normal keep corners apart.
    std::vector<Mesh8Vertex> c = {
        corner(0, 0, 0, 1),   corner(-0.0f, 0, -0.0f, 1), corner(nan, 0, 0, 1),
        corner(nan, 0, 0, 1), corner(1, 0, 0, 1),         corner(nextToOne, 0, 0, 1),
        corner(0, 0, 0, -1),  corner(0, 0, 0, 1),         corner(1, 0, 0, 1)};
    expectSameWeld(recordOf(c, {0, 1, 2, 3, 4, 5, 6, 7, 8}), 6);
}

TEST(ReferenceWeld, FollowsTheIndicesNotTheOrderOfTheVertexBlock) {
    std::vector<Mesh8Vertex> c = {corner(0, 0, 0, 1), corner(1, 0, 0, 1), corner(2, 0, 0, 1)};
    Mesh8Record record = recordOf(c, {2, 0, 2, 1, 1, 0});
    WeldResult linear;
    bench::linearWeldMesh8Corners(record, linear);
    EXPECT_EQ((std::vector<int>{0, 1, 0, 2, 2, 1}), linear.cornerVertex);
    EXPECT_EQ(&record.vertices[2], linear.weldList[0].source);
    expectSameWeld(record, 3);
}

TEST(ReferenceWeld, AgreesOnEveryBenchmarkBody) {
    const int shapes[2][2] = {{25, 20}, {43, 127}};
    for (const auto& s : shapes) {
        bench::TubeShape shape;
        shape.rings = s[0];
        shape.segments = s[1];
        Mesh8Record body = bench::mesh8Body(0, shape);
        expectSameWeld(body, body.header.numVerts);
    }
}

TEST(ReferenceWeld, ComparisonReportsEachKindOfDifference) {
    std::vector<Mesh8Vertex> c = {corner(0, 0, 0, 1), corner(1, 0, 0, 1), corner(0, 0, 0, 1)};
    Mesh8Record record = recordOf(c, {0, 1, 2});
    WeldResult good;
    bench::linearWeldMesh8Corners(record, good);
    std::string why;
    ASSERT_TRUE(bench::sameWeld(good, good, why));

    WeldResult fewer = good;
    fewer.weldList.pop_back();
    EXPECT_FALSE(bench::sameWeld(good, fewer, why));
    EXPECT_NE(std::string::npos, why.find("vertex counts differ"));

    WeldResult renumbered = good;
    renumbered.cornerVertex[2] = 1;
    EXPECT_FALSE(bench::sameWeld(good, renumbered, why));
    EXPECT_EQ("corner numbering differs", why);

    WeldResult otherSource = good;
    otherSource.weldList[0].source = &record.vertices[2];
    EXPECT_FALSE(bench::sameWeld(good, otherSource, why));
    EXPECT_NE(std::string::npos, why.find("vertex 0"));
}

} // namespace
