// Mesh arrays, normals from smoothing groups, specified normals, boxes and map channels.
#include "tests/host/HostTestSupport.h"

#include <cmath>

namespace {

class MeshTest : public HostTest {};

// Two triangles folded 90 degrees along their shared edge 0-1 (the x axis): face 0 lies in
// the z=0 plane facing +z, face 1 in the y=0 plane facing +y.
struct FoldedPair {
    Mesh mesh;
    FoldedPair(DWORD group0, DWORD group1) {
        mesh.setNumVerts(4);
        mesh.verts[0] = Point3(0, 0, 0);
        mesh.verts[1] = Point3(1, 0, 0);
        mesh.verts[2] = Point3(0, 1, 0);
        mesh.verts[3] = Point3(0, 0, -1);
        mesh.setNumFaces(2);
        mesh.faces[0].setVerts(0, 1, 2);
        mesh.faces[1].setVerts(0, 1, 3);
        mesh.faces[0].setSmGroup(group0);
        mesh.faces[1].setSmGroup(group1);
    }
};

TEST_F(MeshTest, NewFacesHaveNoSmoothingGroupAndNoFlags) {
    Mesh mesh;
    mesh.setNumFaces(2);
    for (int f = 0; f < 2; ++f) {
        EXPECT_EQ(0u, mesh.faces[f].smGroup);
        EXPECT_EQ(0u, mesh.faces[f].flags);
    }
    mesh.faces[0].setEdgeVisFlags(1, 1, 0);
    EXPECT_NE(0, mesh.faces[0].getEdgeVis(1));
    EXPECT_EQ(0, mesh.faces[0].getEdgeVis(2));
    mesh.faces[0].setMatID(7);
    EXPECT_EQ(7, mesh.faces[0].getMatID());
    EXPECT_NE(0, mesh.faces[0].getEdgeVis(0)); // the material id shares flags, not the bits
}

TEST_F(MeshTest, ResizingKeepsOnlyWhenAsked) {
    Mesh mesh;
    mesh.setNumVerts(2);
    mesh.verts[1] = Point3(1, 2, 3);
    mesh.setNumVerts(3, TRUE);
    expectPointNear(Point3(1, 2, 3), mesh.verts[1]);
    expectPointNear(Point3(0, 0, 0), mesh.verts[2]);
    mesh.setNumVerts(3, FALSE);
    expectPointNear(Point3(0, 0, 0), mesh.verts[1]);

    // Texture faces follow the face count.
    mesh.setNumFaces(1);
    mesh.setNumTVFaces(1);
    mesh.tvFace[0].setTVerts(0, 1, 2);
    mesh.setNumFaces(3, TRUE);
    EXPECT_EQ(3, mesh.getNumTVFaces());
    EXPECT_EQ(2u, mesh.tvFace[0].t[2]);

    Mesh copy(mesh);
    copy.verts[0] = Point3(9, 9, 9);
    expectPointNear(Point3(0, 0, 0), mesh.verts[0]);
    EXPECT_EQ(3, copy.getNumTVFaces());
}

TEST_F(MeshTest, SharedSmoothingGroupAveragesFaceNormals) {
    FoldedPair pair(1, 1);
    pair.mesh.buildNormals();
    Point3 n0 = pair.mesh.getFaceNormal(0), n1 = pair.mesh.getFaceNormal(1);
    expectPointNear(Point3(0, 0, 1), n0);
    expectPointNear(Point3(0, 1, 0), n1);
    // Vertices 0 and 1 are on both faces: the average; 2 and 3 only on one.
    Point3 averaged = (n0 + n1).Normalize();
    expectPointNear(averaged, pair.mesh.getNormal(0));
    expectPointNear(averaged, pair.mesh.getNormal(1));
    expectPointNear(n0, pair.mesh.getNormal(2));
    expectPointNear(n1, pair.mesh.getNormal(3));
}

TEST_F(MeshTest, DifferentGroupsOrGroupZeroKeepFacesApart) {
    FoldedPair split(1, 2);
    split.mesh.buildNormals();
    // A shared vertex has a normal per group, read per corner; it has no single normal.
    RVertex& shared = split.mesh.getRVert(0);
    ASSERT_EQ(2u, shared.rFlags & NORCT_MASK);
    EXPECT_EQ(1u, shared.ern[0].getSmGroup());
    expectPointNear(Point3(0, 0, 1), shared.ern[0].getNormal());
    EXPECT_EQ(2u, shared.ern[1].getSmGroup());
    expectPointNear(Point3(0, 1, 0), shared.ern[1].getNormal());
    expectPointNear(Point3(0, 1, 0), split.mesh.getNormal(3));
    {
        MisuseRecorder misuse;
        EXPECT_TRUE(std::isnan(split.mesh.getNormal(1).x));
        ASSERT_EQ(1u, misuse.reports().size());
        EXPECT_NE(std::string::npos, misuse.reports()[0].find("vertex 1 has 2 normals"));
    }

    // Faces in group 0 give their vertices no normal at all.
    FoldedPair faceted(0, 0);
    faceted.mesh.buildNormals();
    EXPECT_EQ(0u, faceted.mesh.getRVert(0).rFlags & NORCT_MASK);
    EXPECT_DEATH(faceted.mesh.getNormal(2), "vertex 2 has 0 normals");

    // A face in groups 1 and 2 smooths with a face in group 2.
    FoldedPair bridged(3, 2);
    bridged.mesh.buildNormals();
    expectPointNear(Point3(0, 1, 1).Normalize(), bridged.mesh.getNormal(0));
}

TEST_F(MeshTest, SetNormalValuesDoNotSurvive) {
    FoldedPair pair(1, 1);
    EXPECT_DEATH(pair.mesh.getNormal(2), "normals are not built");
    pair.mesh.buildNormals();
    pair.mesh.setNormal(2, Point3(1, 0, 0));
    expectPointNear(Point3(1, 0, 0), pair.mesh.getNormal(2));
    Mesh copy(pair.mesh);
    EXPECT_DEATH(copy.getNormal(2), "normals are not built");
    copy.buildNormals();
    expectPointNear(Point3(0, 0, 1), copy.getNormal(2));

    pair.mesh.InvalidateGeomCache();
    EXPECT_DEATH(pair.mesh.getNormal(2), "normals are not built");
    pair.mesh.setNormal(2, Point3(1, 0, 0));
    pair.mesh.buildNormals();
    expectPointNear(Point3(0, 0, 1), pair.mesh.getNormal(2));
}

TEST_F(MeshTest, FaceIndexPastTheVerticesIsReported) {
    Mesh mesh;
    mesh.setNumVerts(3);
    mesh.setNumFaces(1);
    mesh.faces[0].setVerts(0, 1, 3);
    MisuseRecorder misuse;
    mesh.buildNormals();
    ASSERT_EQ(1u, misuse.reports().size());
    EXPECT_NE(std::string::npos, misuse.reports()[0].find("face 0 corner 2 refers to vertex 3"));
    (void)mesh.getNormal(3);
    mesh.setVert(-1, Point3(1, 1, 1));
    EXPECT_EQ(3u, misuse.reports().size());
}

TEST_F(MeshTest, OutOfRangeIndexAbortsWithoutAHandler) {
    Mesh mesh;
    mesh.setNumVerts(1);
    EXPECT_DEATH(mesh.setNormal(5, Point3(0, 0, 1)), "host misuse: Mesh::setNormal: index 5");
}

TEST_F(MeshTest, BoundingBoxIsCachedUntilInvalidated) {
    Mesh mesh;
    mesh.setNumVerts(2);
    mesh.verts[0] = Point3(-1, 2, 0);
    mesh.verts[1] = Point3(3, -4, 5);
    EXPECT_TRUE(mesh.getBoundingBox().IsEmpty());
    mesh.buildBoundingBox();
    expectPointNear(Point3(-1, -4, 0), mesh.getBoundingBox().Min());
    expectPointNear(Point3(3, 2, 5), mesh.getBoundingBox().Max());
    Matrix3 shift = TransMatrix(Point3(10, 0, 0));
    expectPointNear(Point3(13, 2, 5), mesh.getBoundingBox(&shift).Max());
    mesh.InvalidateGeomCache();
    EXPECT_TRUE(mesh.getBoundingBox().IsEmpty());
}

TEST_F(MeshTest, SpecifiedNormalsGiveEachCornerItsOwnNormal) {
    FoldedPair pair(1, 1);
    EXPECT_EQ(nullptr, pair.mesh.GetSpecifiedNormals());
    pair.mesh.SpecifyNormals();
    MeshNormalSpec* normalSpec = pair.mesh.GetSpecifiedNormals();
    ASSERT_NE(nullptr, normalSpec);
    // An empty normal set: a corner is misuse until the faces are sized.
    EXPECT_EQ(0, normalSpec->GetNumFaces());
    Point3 early(0, 0, 1);
    EXPECT_DEATH(normalSpec->SetNormal(0, 0, early), "SetNormal: face 0 corner 0 outside 0");
    normalSpec->SetParent(&pair.mesh);
    normalSpec->SetNumFaces(2);
    for (int f = 0; f < 2; ++f)
        for (int k = 0; k < 3; ++k) {
            Point3 n((float)f, (float)k, 1.0f);
            normalSpec->SetNormal(f, k, n);
        }
    EXPECT_EQ(6, normalSpec->GetNumNormals());
    expectPointNear(Point3(1, 2, 1), normalSpec->GetNormal(1, 2));
    EXPECT_TRUE(normalSpec->Face(1).GetSpecified(2));
    EXPECT_TRUE(normalSpec->GetNormalExplicit(normalSpec->GetNormalIndex(1, 2)));
    Point3 normal12(0, 0, -1);
    normalSpec->SetNormal(1, 2, normal12); // overwrites, does not grow
    EXPECT_EQ(6, normalSpec->GetNumNormals());

    MisuseRecorder misuse;
    Point3 normal20(0, 0, 1);
    normalSpec->SetNormal(2, 0, normal20);
    EXPECT_EQ(1u, misuse.reports().size());
}

TEST_F(MeshTest, DocumentedSpecifiedNormalSequence) {
    FoldedPair pair(1, 1);
    pair.mesh.SpecifyNormals();
    MeshNormalSpec* normalSpec = pair.mesh.GetSpecifiedNormals();
    {
        MisuseRecorder misuse;
        normalSpec->CheckNormals();
        ASSERT_EQ(1u, misuse.reports().size());
        EXPECT_NE(std::string::npos, misuse.reports()[0].find("no parent mesh"));
        normalSpec->SetParent(&pair.mesh);
        normalSpec->CheckNormals();
        ASSERT_EQ(2u, misuse.reports().size());
        EXPECT_NE(std::string::npos, misuse.reports()[1].find("0 faces for a parent mesh of 2"));
    }
    // One normal per vertex, shared by its corners.
    normalSpec->SetNumFaces(2);
    normalSpec->SetNumNormals(4);
    for (int v = 0; v < 4; ++v)
        normalSpec->Normal(v) = Point3(float(v), 0, 1);
    for (int f = 0; f < 2; ++f)
        for (int k = 0; k < 3; ++k)
            normalSpec->Face(f).SpecifyNormalID(k, int(pair.mesh.faces[f].v[k]));
    normalSpec->SetAllExplicit();
    normalSpec->CheckNormals();
    EXPECT_EQ(4, normalSpec->GetNumNormals());
    expectPointNear(Point3(3, 0, 1), normalSpec->GetNormal(1, 2));
    expectPointNear(Point3(1, 0, 1), normalSpec->GetNormal(0, 1));
}

TEST_F(MeshTest, BuildNormalsFillsOnlyUnspecifiedCorners) {
    FoldedPair pair(1, 2);
    pair.mesh.SpecifyNormals();
    MeshNormalSpec* normalSpec = pair.mesh.GetSpecifiedNormals();
    normalSpec->SetParent(&pair.mesh);
    normalSpec->SetNumFaces(2);
    Point3 normal00(1, 0, 0);
    normalSpec->SetNormal(0, 0, normal00);
    normalSpec->BuildNormals();
    EXPECT_EQ(6, normalSpec->GetNumNormals());
    expectPointNear(Point3(1, 0, 0), normalSpec->GetNormal(0, 0));
    expectPointNear(Point3(0, 0, 1), normalSpec->GetNormal(0, 1));
    expectPointNear(Point3(0, 1, 0), normalSpec->GetNormal(1, 0));
}

TEST_F(MeshTest, MapChannelOneIsTheTextureChannel) {
    Mesh mesh;
    mesh.setNumFaces(1);
    EXPECT_FALSE(mesh.mapSupport(1));
    mesh.setNumTVerts(3);
    mesh.setNumTVFaces(1);
    EXPECT_TRUE(mesh.mapSupport(1));
    EXPECT_EQ(mesh.tVerts, mesh.mapVerts(1));
    EXPECT_EQ(mesh.tvFace, mesh.mapFaces(1));
    EXPECT_EQ(3, mesh.getNumMapVerts(1));

    mesh.setNumMaps(4, TRUE);
    EXPECT_FALSE(mesh.mapSupport(3));
    mesh.setNumMapVerts(3, 2);
    mesh.setNumMapFaces(3, 1);
    EXPECT_TRUE(mesh.mapSupport(3));
    mesh.mapVerts(3)[1] = Point3(0.5f, 0.25f, 0);
    mesh.mapFaces(3)[0].setTVerts(1, 1, 0);
    Mesh copy(mesh);
    expectPointNear(Point3(0.5f, 0.25f, 0), copy.mapVerts(3)[1]);
    EXPECT_EQ(1u, copy.mapFaces(3)[0].t[0]);
}

} // namespace

namespace {

class MeshCopyTest : public HostTest {};

TEST_F(MeshCopyTest, CopiesOwnTheirSpecifiedNormals) {
    Mesh original;
    original.setNumVerts(3);
    original.setNumFaces(1);
    original.faces[0].setVerts(0, 1, 2);
    original.SpecifyNormals();
    original.GetSpecifiedNormals()->SetNumFaces(1);
    Point3 normal00(0, 0, 1);
    original.GetSpecifiedNormals()->SetNormal(0, 0, normal00);
    Mesh copy;
    copy = original;
    MeshNormalSpec* copied = copy.GetSpecifiedNormals();
    ASSERT_NE(nullptr, copied);
    EXPECT_NE(original.GetSpecifiedNormals(), copied);
    EXPECT_EQ(&copy, copied->GetParent());
    Point3 replaced(1, 0, 0);
    copied->SetNormal(0, 0, replaced);
    expectPointNear(Point3(0, 0, 1), original.GetSpecifiedNormals()->GetNormal(0, 0));
    copy.ClearSpecifiedNormals();
    EXPECT_EQ(nullptr, copy.GetSpecifiedNormals());
    EXPECT_NE(nullptr, original.GetSpecifiedNormals());
}

TEST_F(MeshCopyTest, SpecifiedNormalsFollowTheFaceCount) {
    Mesh mesh;
    mesh.setNumFaces(2);
    mesh.SpecifyNormals();
    mesh.setNumFaces(5, TRUE);
    EXPECT_EQ(5, mesh.GetSpecifiedNormals()->GetNumFaces());
    EXPECT_EQ(-1, mesh.GetSpecifiedNormals()->GetNormalIndex(4, 2));
}

TEST_F(MeshCopyTest, ComputeNormalsLeavesExplicitNormalsAlone) {
    Mesh mesh;
    mesh.setNumVerts(3);
    mesh.verts[1] = Point3(1, 0, 0);
    mesh.verts[2] = Point3(0, 1, 0);
    mesh.setNumFaces(1);
    mesh.faces[0].setVerts(0, 1, 2);
    mesh.SpecifyNormals();
    MeshNormalSpec* normalSpec = mesh.GetSpecifiedNormals();
    normalSpec->SetParent(&mesh);
    normalSpec->SetNumFaces(1);
    Point3 normal00(1, 0, 0);
    normalSpec->SetNormal(0, 0, normal00);
    normalSpec->BuildNormals();
    normalSpec->Normal(normalSpec->GetNormalIndex(0, 1)) =
        Point3(5, 5, 5); // stale value, not explicit
    normalSpec->ComputeNormals();
    expectPointNear(Point3(1, 0, 0), normalSpec->GetNormal(0, 0));
    expectPointNear(Point3(0, 0, 1), normalSpec->GetNormal(0, 1));
    normalSpec->SetAllExplicit(false);
    normalSpec->ComputeNormals();
    expectPointNear(Point3(0, 0, 1), normalSpec->GetNormal(0, 0));
}

TEST_F(MeshCopyTest, UnusedVerticesGetNoNormal) {
    Mesh mesh;
    mesh.setNumVerts(4);
    mesh.verts[1] = Point3(1, 0, 0);
    mesh.verts[2] = Point3(0, 1, 0);
    mesh.verts[3] = Point3(5, 5, 5);
    mesh.setNumFaces(1);
    mesh.faces[0].setVerts(0, 1, 2);
    mesh.faces[0].setSmGroup(1);
    mesh.setNormal(3, Point3(1, 1, 1));
    mesh.buildNormals();
    EXPECT_EQ(0u, mesh.getRVert(3).rFlags & NORCT_MASK);
    expectPointNear(Point3(0, 0, 1), mesh.getNormal(0));
}

TEST_F(MeshCopyTest, TextureFaceIndexPastTheTextureVerticesIsReported) {
    Mesh mesh;
    mesh.setNumVerts(3);
    mesh.setNumFaces(1);
    mesh.faces[0].setVerts(0, 1, 2);
    mesh.setNumTVerts(2);
    mesh.setNumTVFaces(1);
    mesh.tvFace[0].setTVerts(0, 1, 2);
    MisuseRecorder misuse;
    mesh.buildNormals();
    ASSERT_EQ(1u, misuse.reports().size());
    EXPECT_NE(std::string::npos, misuse.reports()[0].find("texture vertex 2 of 2"));
}

} // namespace
