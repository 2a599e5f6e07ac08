#include "scene/AffineMatrix.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace mshgltf;

namespace {

// A matrix with awkward floats everywhere, as a rotated, scaled and moved node has.
AffineMatrix awkwardMatrix() {
    AffineMatrix m;
    const double values[4][3] = {{0.1f, -0.7f, 0.3f},
                                 {1e-7f, 2.5f, -1.0f / 3.0f},
                                 {-0.0f, 0.6f, 7.25f},
                                 {123.456f, -9.87e-3f, 4e5f}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            m.m[i][j] = values[i][j];
    m.m[3][3] = 1.0;
    return m;
}

Point3 transform(const Point3& p, const AffineMatrix& m) {
    double r[3];
    for (int j = 0; j < 3; ++j)
        r[j] = p.x * m.m[0][j] + p.y * m.m[1][j] + p.z * m.m[2][j] + m.m[3][j];
    return Point3(float(r[0]), float(r[1]), float(r[2]));
}

} // namespace

TEST(AxisChange, ZUpBecomesYUpAndBackExactly) {
    Point3 up = pointToGltf(Point3(0.0f, 0.0f, 1.0f));
    EXPECT_EQ(up, Point3(0.0f, 1.0f, 0.0f));
    EXPECT_EQ(pointToGltf(Point3(1.0f, 2.0f, 3.0f)), Point3(1.0f, 3.0f, -2.0f));
    Point3 odd(0.1f, -1e-30f, 3.4e38f);
    Point3 back = pointFromGltf(pointToGltf(odd));
    EXPECT_EQ(std::memcmp(&back, &odd, sizeof odd), 0);
}

TEST(AxisChange, MatricesConvertWithoutRoundingAndAgreeWithPoints) {
    AffineMatrix m = awkwardMatrix();
    AffineMatrix g = matrixToGltf(m);
    EXPECT_EQ(matrixFromGltf(g), m);
    // Every entry of the converted matrix is an entry of the original, maybe negated.
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            bool found = false;
            for (int a = 0; a < 4; ++a)
                for (int b = 0; b < 4; ++b)
                    found = found || std::fabs(g.m[i][j]) == std::fabs(m.m[a][b]);
            EXPECT_TRUE(found) << i << "," << j;
        }
    // Transforming then converting equals converting then transforming in glTF's frame.
    Point3 p(1.5f, -2.0f, 0.25f);
    Point3 viaHost = pointToGltf(transform(p, m));
    Point3 viaGltf = transform(pointToGltf(p), g);
    EXPECT_NEAR(viaHost.x, viaGltf.x, 1e-3);
    EXPECT_NEAR(viaHost.y, viaGltf.y, 1e-3);
    EXPECT_NEAR(viaHost.z, viaGltf.z, 1e-3);
    EXPECT_FLOAT_EQ(viaHost.y, viaGltf.y);
}

TEST(AffineMatrixMath, InverseProductAndSingularMatrices) {
    AffineMatrix m = awkwardMatrix(), inverse;
    ASSERT_TRUE(invertAffine(m, inverse));
    EXPECT_TRUE((m * inverse).nearlyEquals(AffineMatrix::identity(), 1e-9));
    EXPECT_TRUE((inverse * m).nearlyEquals(AffineMatrix::identity(), 1e-9));
    AffineMatrix flat = AffineMatrix::identity();
    flat.m[2][2] = 0.0;
    EXPECT_FALSE(invertAffine(flat, inverse));
    // Row-vector order: translate then scale moves the translation too.
    AffineMatrix move = AffineMatrix::identity(), scale = AffineMatrix::identity();
    move.m[3][0] = 1.0;
    scale.m[0][0] = 2.0;
    EXPECT_EQ((move * scale).m[3][0], 2.0);
    EXPECT_EQ((scale * move).m[3][0], 1.0);
}

TEST(AffineMatrixMath, GltfArrayIsColumnMajorWithTranslationLast) {
    AffineMatrix m = AffineMatrix::identity();
    m.m[3][0] = 5.0;
    m.m[3][1] = 6.0;
    m.m[3][2] = 7.0;
    std::vector<double> values = toGltfArray(m);
    ASSERT_EQ(values.size(), 16u);
    EXPECT_EQ(values[12], 5.0);
    EXPECT_EQ(values[13], 6.0);
    EXPECT_EQ(values[14], 7.0);
    EXPECT_EQ(values[15], 1.0);
    AffineMatrix back;
    ASSERT_TRUE(fromGltfArray(values, back));
    EXPECT_EQ(back, m);
    EXPECT_FALSE(fromGltfArray(std::vector<double>(15, 0.0), back));
}

TEST(AffineMatrixMath, TranslationRotationScaleFollowGltf) {
    // 90 degrees about +Y: glTF rotates +X onto -Z (right-handed, column vectors).
    double h = std::sqrt(0.5);
    AffineMatrix m =
        fromTranslationRotationScale({1.0, 2.0, 3.0}, {0.0, h, 0.0, h}, {2.0, 1.0, 1.0});
    // Row 0 is where +X goes, scaled by 2; row 3 the translation.
    EXPECT_NEAR(m.m[0][0], 0.0, 1e-12);
    EXPECT_NEAR(m.m[0][2], -2.0, 1e-12);
    EXPECT_NEAR(m.m[2][0], 1.0, 1e-12);
    EXPECT_EQ(m.m[3][0], 1.0);
    EXPECT_EQ(m.m[3][2], 3.0);
    EXPECT_EQ(fromTranslationRotationScale({}, {}, {}), AffineMatrix::identity());
}
