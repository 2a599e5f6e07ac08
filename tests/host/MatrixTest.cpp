// Matrix algebra in the host's row-vector convention: products apply the left factor first.
#include "tests/host/HostTestSupport.h"

#include <cmath>

namespace {

const float kPi = 3.14159265358979f;

TEST(MatrixTest, ProductAppliesLeftFactorFirst) {
    // Rotate a quarter turn about Z, then move along X: (1,0,0) -> (0,1,0) -> (10,1,0).
    Matrix3 rotThenMove = RotateZMatrix(kPi / 2) * TransMatrix(Point3(10.0f, 0.0f, 0.0f));
    expectPointNear(Point3(10.0f, 1.0f, 0.0f), Point3(1.0f, 0.0f, 0.0f) * rotThenMove);
    // The other order moves first: (11,0,0) rotated is (0,11,0).
    Matrix3 moveThenRot = TransMatrix(Point3(10.0f, 0.0f, 0.0f)) * RotateZMatrix(kPi / 2);
    expectPointNear(Point3(0.0f, 11.0f, 0.0f), Point3(1.0f, 0.0f, 0.0f) * moveThenRot);

    GMatrix g = GMatrix(RotateZMatrix(kPi / 2)) * GMatrix(TransMatrix(Point3(10.0f, 0.0f, 0.0f)));
    expectPointNear(Point3(10.0f, 1.0f, 0.0f), Point3(1.0f, 0.0f, 0.0f) * g);
    expectGMatrixNear(GMatrix(rotThenMove), g);
}

TEST(MatrixTest, GMatrixFromMatrix3HasAffineFourthColumn) {
    Matrix3 m(Point3(1, 2, 3), Point3(4, 5, 6), Point3(7, 8, 10), Point3(11, 12, 13));
    GMatrix g(m);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(m.GetAddr()[r][c], g.GetAddr()[r][c]);
        EXPECT_EQ(r == 3 ? 1.0f : 0.0f, g.GetAddr()[r][3]);
    }
    EXPECT_TRUE(g.ExtractMatrix3() == m);
    EXPECT_TRUE(g.GetRow(3) == Point4(11, 12, 13, 1));
    expectPointNear(Point3(11, 12, 13), g.Translation());
}

TEST(MatrixTest, InverseUndoesScaleRotationAndTranslation) {
    Matrix3 m = ScaleMatrix(Point3(2.0f, 3.0f, 0.5f)) * RotateXMatrix(0.3f) * RotateZMatrix(1.1f) *
                TransMatrix(Point3(4.0f, -5.0f, 6.0f));
    expectMatrixNear(Matrix3(TRUE), m * Inverse(m));
    expectMatrixNear(Matrix3(TRUE), Inverse(m) * m);

    GMatrix g(m);
    GMatrix inv = g.Inverse();
    expectGMatrixNear(GMatrix(), g * inv);
    expectGMatrixNear(GMatrix(Inverse(m)), inv, 1e-4f);
    // Inverse is non-const in IGame but must leave the matrix alone.
    expectGMatrixNear(GMatrix(m), g);
}

TEST(MatrixTest, LocalFromWorldFollowsRowConvention) {
    // W = L * P  <=>  L = W * Inverse(P): a child at x=12 under a parent at x=10 is at x=2.
    GMatrix parent(TransMatrix(Point3(10.0f, 0.0f, 0.0f)));
    GMatrix world(TransMatrix(Point3(12.0f, 0.0f, 0.0f)));
    GMatrix local = world * parent.Inverse();
    expectPointNear(Point3(2.0f, 0.0f, 0.0f), local.Translation());
    expectGMatrixNear(world, local * parent);
}

TEST(MatrixTest, SingularInverseIsZeroNotGarbage) {
    Matrix3 flat = ScaleMatrix(Point3(1.0f, 0.0f, 1.0f));
    Matrix3 inv = Inverse(flat);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(0.0f, inv.GetAddr()[r][c]);
    GMatrix g(flat);
    EXPECT_EQ(0.0f, g.Inverse().GetAddr()[3][3]);
}

TEST(MatrixTest, ScalingOfRotatedAndScaledMatrix) {
    Matrix3 m = ScaleMatrix(Point3(2.0f, 3.0f, 4.0f)) * RotateYMatrix(0.7f) * RotateZMatrix(-1.2f) *
                TransMatrix(Point3(1.0f, 2.0f, 3.0f));
    GMatrix g(m);
    expectPointNear(Point3(2.0f, 3.0f, 4.0f), g.Scaling());
    // The rotation left over is the one put in.
    Matrix3 rot;
    g.Rotation().MakeMatrix(rot);
    expectMatrixNear(RotateYMatrix(0.7f) * RotateZMatrix(-1.2f), rot, 1e-5f);

    // Uniform scale under a rotated parent (the exporter's scaleTM case).
    GMatrix uniform = GMatrix(ScaleMatrix(Point3(2.0f, 2.0f, 2.0f)) * RotateXMatrix(0.4f));
    expectPointNear(Point3(2.0f, 2.0f, 2.0f), uniform.Scaling());
}

TEST(MatrixTest, MirroredMatrixHasNegativeScalingAndProperRotation) {
    Matrix3 m = ScaleMatrix(Point3(-2.0f, 1.0f, 1.0f)) * RotateZMatrix(0.5f);
    GMatrix g(m);
    EXPECT_EQ(1, g.Parity());
    expectPointNear(Point3(-2.0f, -1.0f, -1.0f), g.Scaling());
    Matrix3 rot;
    g.Rotation().MakeMatrix(rot);
    // Scaling then rotation rebuilds the 3x3 part.
    expectMatrixNear(ScaleMatrix(g.Scaling()) * rot, m, 1e-5f);
}

TEST(MatrixTest, QuaternionsMatchAxisRotations) {
    Matrix3 fromQuat;
    QFromAngAxis(0.6f, Point3(0.0f, 0.0f, 1.0f)).MakeMatrix(fromQuat);
    expectMatrixNear(RotateZMatrix(0.6f), fromQuat);
    QFromAngAxis(-0.9f, Point3(1.0f, 0.0f, 0.0f)).MakeMatrix(fromQuat);
    expectMatrixNear(RotateXMatrix(-0.9f), fromQuat);
    Matrix3 back;
    Quat(RotateYMatrix(2.5f)).MakeMatrix(back);
    expectMatrixNear(RotateYMatrix(2.5f), back);
}

TEST(MatrixTest, BoxTransformUsesAllEightCorners) {
    Box3 box(Point3(-1.0f, -1.0f, -1.0f), Point3(1.0f, 1.0f, 1.0f));
    Box3 turned = box * RotateZMatrix(kPi / 4);
    float r = std::sqrt(2.0f);
    expectPointNear(Point3(-r, -r, -1.0f), turned.Min());
    expectPointNear(Point3(r, r, 1.0f), turned.Max());
    EXPECT_TRUE((Box3() * RotateZMatrix(1.0f)).IsEmpty());
    Box3 grown;
    grown += Point3(3.0f, -2.0f, 1.0f);
    grown += Point3(-1.0f, 4.0f, 0.0f);
    expectPointNear(Point3(-1.0f, -2.0f, 0.0f), grown.Min());
    expectPointNear(Point3(3.0f, 4.0f, 1.0f), grown.Max());
}

TEST(MatrixTest, BadRowIsReportedNotWritten) {
    MisuseRecorder misuse;
    Matrix3 m(TRUE);
    m.SetRow(4, Point3(9.0f, 9.0f, 9.0f));
    ASSERT_EQ(1u, misuse.reports().size());
    EXPECT_NE(std::string::npos, misuse.reports()[0].find("row 4"));
    EXPECT_TRUE(m.IsIdentity());
}

TEST(MatrixTest, TabGrowsCopiesAndRejectsBadIndex) {
    Tab<int> tab;
    int values[3] = {4, 5, 6};
    EXPECT_EQ(0, tab.Append(3, values));
    int more = 7;
    EXPECT_EQ(3, tab.Append(1, &more, 10));
    int front = 3;
    tab.Insert(0, 1, &front);
    tab.Delete(2, 1);
    Tab<int> copy = tab;
    tab[0] = 100;
    ASSERT_EQ(4, copy.Count());
    EXPECT_EQ(3, copy[0]);
    EXPECT_EQ(4, copy[1]);
    EXPECT_EQ(6, copy[2]);
    EXPECT_EQ(7, copy[3]);
    tab.SetCount(6);
    EXPECT_EQ(0, tab[5]);

    MisuseRecorder misuse;
    (void)copy[4];
    (void)copy[-1];
    EXPECT_EQ(2u, misuse.reports().size());
}

} // namespace

namespace {

TEST(MatrixTest, InPlaceOperationsAppendOrPrepend) {
    Matrix3 m = RotateZMatrix(0.8f) * TransMatrix(Point3(1, 2, 3));
    Matrix3 scaled = m;
    scaled.Scale(Point3(2, 3, 4), TRUE); // after m, translation included
    expectMatrixNear(m * ScaleMatrix(Point3(2, 3, 4)), scaled);
    Matrix3 scaledNoTrans = m;
    scaledNoTrans.Scale(Point3(2, 3, 4));
    expectPointNear(Point3(1, 2, 3), scaledNoTrans.GetTrans());

    Matrix3 pre = m;
    pre.PreScale(Point3(2, 3, 4));
    expectMatrixNear(ScaleMatrix(Point3(2, 3, 4)) * m, pre);
    Matrix3 preMoved = m;
    preMoved.PreTranslate(Point3(1, 0, 0));
    expectMatrixNear(TransMatrix(Point3(1, 0, 0)) * m, preMoved);
    Matrix3 turned = m;
    turned.Rotate(QFromAngAxis(0.4f, Point3(0, 1, 0)));
    expectMatrixNear(m * RotateYMatrix(0.4f), turned);
    Matrix3 moved = m;
    moved.Translate(Point3(0, 0, 10));
    expectPointNear(Point3(1, 2, 13), moved.GetTrans());
    Matrix3 inverted = m;
    inverted.Invert();
    expectMatrixNear(Inverse(m), inverted);
}

TEST(MatrixTest, OrthogonalizeRemovesScaleAndSkew) {
    Matrix3 m =
        ScaleMatrix(Point3(3, 0.5f, 2)) * RotateXMatrix(0.3f) * TransMatrix(Point3(7, 8, 9));
    m.Orthogonalize();
    expectMatrixNear(RotateXMatrix(0.3f) * TransMatrix(Point3(7, 8, 9)), m);
}

TEST(MatrixTest, VectorsIgnoreTranslationPointsDoNot) {
    Matrix3 m = ScaleMatrix(Point3(2, 2, 2)) * TransMatrix(Point3(5, 0, 0));
    expectPointNear(Point3(2, 0, 0), VectorTransform(m, Point3(1, 0, 0)));
    expectPointNear(Point3(7, 0, 0), m.PointTransform(Point3(1, 0, 0)));
    expectPointNear(Point3(7, 0, 0), Point3(1, 0, 0) * GMatrix(m));
    expectPointNear(Point3(0, 0, 1), Point3(1, 0, 0) ^ Point3(0, 1, 0));
    EXPECT_FLOAT_EQ(32.0f, Point3(1, 2, 3) % Point3(4, 5, 6));
    expectPointNear(Point3(0, 0, 0), Point3(0, 0, 0).Normalize());
}

TEST(MatrixTest, ScaleValueScalesAlongItsOwnAxes) {
    // A stretch of 2 along the axis that a quarter turn about Z makes of X: world Y.
    ScaleValue sv(Point3(2, 1, 1), QFromAngAxis(3.14159265f / 2, Point3(0, 0, 1)));
    Matrix3 m = ScaleValueMatrix(sv);
    expectPointNear(Point3(1, 0, 0), Point3(1, 0, 0) * m);
    expectPointNear(Point3(0, 2, 0), Point3(0, 1, 0) * m);
    expectMatrixNear(ScaleMatrix(Point3(2, 3, 4)), ScaleValueMatrix(ScaleValue(Point3(2, 3, 4))));
}

TEST(MatrixTest, GMatrixIdentityAndRows) {
    GMatrix g;
    EXPECT_TRUE(g.IsIdentity());
    g.SetRow(3, Point4(1, 2, 3, 1));
    EXPECT_FALSE(g.IsIdentity());
    EXPECT_TRUE(g.GetColumn(0) == Point4(1, 0, 0, 1));
    EXPECT_FLOAT_EQ(1.0f, g.Determinant());
    EXPECT_EQ(0, g.Parity());
    g.SetIdentity();
    EXPECT_TRUE(g == GMatrix());
    MisuseRecorder misuse;
    (void)g.GetRow(4);
    EXPECT_EQ(1u, misuse.reports().size());
}

} // namespace

namespace {

TEST(MatrixTest, WritesThroughABadRowLeaveTheMatrixAlone) {
    MisuseRecorder misuse;
    Matrix3 m(TRUE);
    m.SetRow(7, Point3(5, 5, 5));
    EXPECT_TRUE(m.IsIdentity());
    GMatrix g;
    g[-1] = Point4(5, 5, 5, 5);
    EXPECT_TRUE(g.IsIdentity());
    EXPECT_EQ(2u, misuse.reports().size());
    m.SetRow(3, Point3(1, 2, 3));
    expectPointNear(Point3(1, 2, 3), m.GetTrans());
}

} // namespace
