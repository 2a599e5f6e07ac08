// The hashed welding against the first-match linear search it replaces.

#include "importer/Welding.h"
#include "bench/LinearWeld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

// The reference: the first-match linear search the hashed weld replaces (kept with the
// benchmarks, which time the two against each other).
WeldResult weldLinear(const Mesh8Record& record) {
    WeldResult result;
    bench::linearWeldMesh8Corners(record, result);
    return result;
}

bool sameBits(const Point3& a, const Point3& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void expectSameWelding(const Mesh8Record& record) {
    WeldResult linear = weldLinear(record);
    WeldResult hashed;
    weldMesh8Corners(record, hashed);
    ASSERT_EQ(linear.cornerVertex, hashed.cornerVertex);
    ASSERT_EQ(linear.weldList.size(), hashed.weldList.size());
    for (size_t m = 0; m < linear.weldList.size(); ++m) {
        EXPECT_TRUE(sameBits(linear.weldList[m].position, hashed.weldList[m].position)) << m;
        EXPECT_TRUE(sameBits(linear.weldList[m].vertexNormal, hashed.weldList[m].vertexNormal))
            << m;
        EXPECT_EQ(linear.weldList[m].source, hashed.weldList[m].source) << m;
    }
}

Mesh8Vertex corner(float px, float py, float pz, float nx, float ny, float nz) {
    Mesh8Vertex v;
    std::memset(&v, 0, sizeof v);
    v.position[0] = px;
    v.position[1] = py;
    v.position[2] = pz;
    v.vertexNormal[0] = nx;
    v.vertexNormal[1] = ny;
    v.vertexNormal[2] = nz;
    return v;
}

Mesh8Record recordOf(const std::vector<Mesh8Vertex>& vertices,
                     const std::vector<uint16_t>& indices) {
    Mesh8Record r;
    r.vertices = vertices;
    r.indices = indices;
    r.header.numFaces = uint16_t(indices.size() / 3);
    r.header.numVerts = uint16_t(vertices.size());
    return r;
}

// Records drawn from a small pool of coordinates so that repeats, signed zeros and NaNs meet.
Mesh8Record randomRecord(std::mt19937& random, int numFaces, int numEntries) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float pool[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, nan, 1e-38f, std::nextafter(1.0f, 2.0f)};
    std::uniform_int_distribution<int> pick(0, 7);
    std::uniform_int_distribution<int> rare(0, 19);
    std::vector<Mesh8Vertex> vertices;
    for (int e = 0; e < numEntries; ++e) {
        float c[6];
        for (float& value : c)
            value = rare(random) == 0 ? pool[pick(random)] : pool[pick(random) % 3];
        vertices.push_back(corner(c[0], c[1], c[2], c[3], c[4], c[5]));
    }
    std::uniform_int_distribution<int> entry(0, numEntries - 1);
    std::vector<uint16_t> indices;
    for (int k = 0; k < 3 * numFaces; ++k)
        indices.push_back(uint16_t(entry(random)));
    return recordOf(vertices, indices);
}

TEST(Welding, SharedEdgeGivesFourVertices) {
    std::vector<Mesh8Vertex> v = {corner(0, 0, 0, 0, 0, 1), corner(1, 0, 0, 0, 0, 1),
                                  corner(1, 1, 0, 0, 0, 1), corner(0, 0, 0, 0, 0, 1),
                                  corner(1, 1, 0, 0, 0, 1), corner(0, 1, 0, 0, 0, 1)};
    Mesh8Record r = recordOf(v, {0, 1, 2, 3, 4, 5});
    WeldResult weld;
    weldMesh8Corners(r, weld);
    EXPECT_EQ(4u, weld.weldList.size());
    EXPECT_EQ((std::vector<int>{0, 1, 2, 0, 2, 3}), weld.cornerVertex);
    EXPECT_EQ(&r.vertices[5], weld.weldList[3].source);
}

TEST(Welding, PositionOrNormalDifferingInOneBitStaysApart) {
    float nextX = std::nextafter(1.0f, 2.0f);
    std::vector<Mesh8Vertex> v = {corner(1, 0, 0, 0, 0, 1), corner(1, 0, 0, 0, 1, 0),
                                  corner(nextX, 0, 0, 0, 0, 1)};
    Mesh8Record r = recordOf(v, {0, 1, 2});
    WeldResult weld;
    weldMesh8Corners(r, weld);
    EXPECT_EQ(3u, weld.weldList.size());
}

TEST(Welding, NegativeZeroWeldsWithZeroKeepingTheFirstCornersBits) {
    std::vector<Mesh8Vertex> v = {corner(-0.0f, 0, 0, 0, 0, -0.0f), corner(0.0f, 0, 0, 0, 0, 0.0f),
                                  corner(0.0f, -0.0f, 0, 0, 0, 0)};
    Mesh8Record r = recordOf(v, {0, 1, 2});
    WeldResult weld;
    weldMesh8Corners(r, weld);
    ASSERT_EQ(1u, weld.weldList.size());
    EXPECT_TRUE(std::signbit(weld.weldList[0].position.x));
    expectSameWelding(r);
}

TEST(Welding, NanCornerNeverWeldsNotEvenWithItself) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<Mesh8Vertex> v = {corner(nan, 0, 0, 0, 0, 1), corner(0, 0, 0, 0, 0, nan),
                                  corner(0, 0, 0, 0, 0, 1)};
    // Entry 0 used by three corners, entry 2 by two.
    Mesh8Record r = recordOf(v, {0, 0, 2, 1, 0, 2});
    WeldResult weld;
    weldMesh8Corners(r, weld);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 2}), weld.cornerVertex);
    expectSameWelding(r);
}

TEST(Welding, CornersFollowTheIndicesNotTheVertexBlock) {
    std::vector<Mesh8Vertex> v = {corner(5, 0, 0, 0, 0, 1), corner(6, 0, 0, 0, 0, 1),
                                  corner(7, 0, 0, 0, 0, 1)};
    Mesh8Record r = recordOf(v, {2, 0, 2, 1, 2, 0});
    WeldResult weld;
    weldMesh8Corners(r, weld);
    EXPECT_EQ((std::vector<int>{0, 1, 0, 2, 0, 1}), weld.cornerVertex);
    EXPECT_EQ(7.0f, weld.weldList[0].position.x);
    EXPECT_EQ(&r.vertices[2], weld.weldList[0].source);
}

TEST(Welding, MatchesLinearSearchOnRandomRecords) {
    std::mt19937 random(20261209);
    for (int round = 0; round < 300; ++round) {
        int faces = 1 + int(random() % 60);
        int entries = 1 + int(random() % 120);
        Mesh8Record r = randomRecord(random, faces, entries);
        SCOPED_TRACE("round " + std::to_string(round));
        expectSameWelding(r);
    }
}

TEST(Welding, MatchesLinearSearchWhenOnePositionCarriesManyNormals) {
    std::vector<Mesh8Vertex> v;
    for (int n = 0; n < 50; ++n)
        v.push_back(corner(1, 2, 3, float(n % 7), float(n % 5), n % 2 ? -0.0f : 0.0f));
    std::vector<uint16_t> indices;
    for (int k = 0; k < 300; ++k)
        indices.push_back(uint16_t((k * 37) % 50));
    expectSameWelding(recordOf(v, indices));
}

TEST(Welding, LargestRecordWithDistinctCornersKeepsEveryCorner) {
    // 10,922 faces with every corner distinct: each corner is its own vertex, in corner
    // order. (How fast this goes is measured by the weld benchmark, not here.)
    const int faces = MESH8_MAX_FACES;
    std::vector<Mesh8Vertex> v;
    std::vector<uint16_t> indices;
    for (int k = 0; k < 3 * faces; ++k) {
        v.push_back(corner(float(k), float(k % 17), 0, 0, 0, 1));
        indices.push_back(uint16_t(k));
    }
    Mesh8Record r = recordOf(v, indices);
    WeldResult weld;
    weldMesh8Corners(r, weld);
    ASSERT_EQ(size_t(3 * faces), weld.weldList.size());
    for (int k = 0; k < 3 * faces; k += 997)
        EXPECT_EQ(&r.vertices[k], weld.weldList[k].source) << "corner " << k;
}

} // namespace
