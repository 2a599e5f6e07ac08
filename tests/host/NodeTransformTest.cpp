// What a node keeps of the matrix it is given, and the animate switch that turns values into
// keys.
#include "tests/host/HostTestSupport.h"

namespace {

class NodeTransformTest : public HostTest {};

Matrix3 rowsMatrix(Point3 x, Point3 y, Point3 z, Point3 t) {
    return Matrix3(x, y, z, t);
}

TEST_F(NodeTransformTest, TheControllerHoldsShearAndMirroringAsScaleAlongItsAxes) {
    INode* node = emptyNode(L"n");
    // A shear is a stretch along turned axes followed by a rotation: it is kept, to rounding.
    Matrix3 sheared =
        rowsMatrix(Point3(1, 0, 0), Point3(0.5f, 1, 0), Point3(0, 0.25f, 2), Point3(3, -4, 5));
    node->SetNodeTM(0, sheared);
    expectMatrixNear(sheared, node->GetNodeTM(0));

    // A mirror comes back mirrored: the sign is held as negative scale factors.
    Matrix3 mirrored = ScaleMatrix(Point3(-1, 1, 1)) * TransMatrix(Point3(1, 2, 3));
    node->SetNodeTM(0, mirrored);
    EXPECT_EQ(mirrored, node->GetNodeTM(0));

    // Under a parent scaled unevenly a turned child's world transform is sheared, and so is
    // the local transform asked of its controller when that world transform is set.
    INode* parent = emptyNode(L"parent");
    Matrix3 parentTM = ScaleMatrix(Point3(1, 3, 1));
    parent->SetNodeTM(0, parentTM);
    parent->AttachChild(node, FALSE);
    Matrix3 world = RotateZMatrix(0.7f) * parentTM * TransMatrix(Point3(0, 1, 0));
    node->SetNodeTM(0, world);
    expectMatrixNear(world, node->GetNodeTM(0));
}

TEST_F(NodeTransformTest, TheMatrixIsRebuiltFromTheStoredPartsSoLowBitsMayChange) {
    INode* node = emptyNode(L"n");
    // Translation and an unturned scale are stored as they are.
    Matrix3 plain = ScaleMatrix(Point3(2, 2, 2)) * TransMatrix(Point3(0.1f, 7, -3));
    node->SetNodeTM(0, plain);
    EXPECT_EQ(plain, node->GetNodeTM(0));

    // A quarter turn is stored as a rotation of floats: rebuilt, zeros become float noise.
    Matrix3 quarter = rowsMatrix(Point3(0, 1, 0), Point3(-1, 0, 0), Point3(0, 0, 1), Point3());
    node->SetNodeTM(0, quarter);
    Matrix3 back = node->GetNodeTM(0);
    expectMatrixNear(quarter, back, 1e-6f);
    EXPECT_NE(quarter, back);
}

TEST_F(NodeTransformTest, ValuesSetWhileAnimatingBecomeKeys) {
    INode* node = emptyNode(L"n");
    StdMat2* material = NewDefaultStdMat();
    Matrix3 moved = TransMatrix(Point3(1, 0, 0));
    node->SetNodeTM(0, moved);
    EXPECT_FALSE(Animating());
    EXPECT_TRUE(animationKeys().empty());

    AnimateOn();
    node->SetNodeTM(0, moved);
    material->SetDiffuse(Color(1, 0, 0), 0);
    std::vector<AnimationKey> keys = animationKeys();
    ASSERT_EQ(2u, keys.size());
    EXPECT_EQ(node, keys[0].owner);
    EXPECT_EQ("transform", keys[0].track);
    EXPECT_EQ(material, keys[1].owner);
    EXPECT_EQ("diffuse", keys[1].track);

    // Suspending turns the switch off until the matching resume, nested as a stack.
    SuspendAnimate();
    EXPECT_FALSE(Animating());
    node->SetNodeTM(0, moved);
    SuspendAnimate();
    AnimateOn();
    ResumeAnimate();
    EXPECT_FALSE(Animating());
    ResumeAnimate();
    EXPECT_TRUE(Animating());
    EXPECT_EQ(2u, animationKeys().size());

    resetScene();
    EXPECT_FALSE(Animating());
    EXPECT_TRUE(animationKeys().empty());
}

TEST_F(NodeTransformTest, ResumingWhatWasNotSuspendedIsMisuse) {
    MisuseRecorder misuse;
    ResumeAnimate();
    ASSERT_EQ(1u, misuse.reports().size());
    EXPECT_NE(std::string::npos, misuse.reports()[0].find("ResumeAnimate"));
}

} // namespace
