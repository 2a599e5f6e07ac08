// Mesh8 records through the real DoImport: welding, normals, texture faces, parents.

#include "ImportFixture.h"

using namespace importtest;

namespace {

class Mesh8Import : public ImportTest {};

Mesh8Record quad(const std::string& name, const std::string& parent = "NULL") {
    Mesh8Builder b(name, parent);
    int v0 = b.vertex(Point3(0, 0, 0));
    int v1 = b.vertex(Point3(1, 0, 0));
    int v2 = b.vertex(Point3(1, 1, 0));
    int v3 = b.vertex(Point3(0, 1, 0));
    b.face(v0, v1, v2);
    b.face(v0, v2, v3);
    return b.build();
}

TEST_F(Mesh8Import, SharedEdgeWeldsToFourVerticesWithCornerDataKept) {
    std::wstring file = temp.path(L"quad.msh");
    writeBytes(file, mesh8Bytes({quad("Quad")}));
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(file));
    EXPECT_TRUE(boxes.calls().empty());
    INode* node = findNode(L"Quad");
    ASSERT_NE(nullptr, node);
    Mesh* mesh = meshOf(node);
    ASSERT_NE(nullptr, mesh);
    ASSERT_EQ(4, mesh->getNumVerts());
    EXPECT_EQ(Point3(1, 1, 0), mesh->verts[2]);
    ASSERT_EQ(2, mesh->getNumFaces());
    const DWORD expected[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (int f = 0; f < 2; ++f) {
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(expected[f][k], mesh->faces[f].v[k]) << f << k;
        EXPECT_NE(0, mesh->faces[f].getEdgeVis(0));
        EXPECT_NE(0, mesh->faces[f].getEdgeVis(1));
        EXPECT_EQ(0, mesh->faces[f].getEdgeVis(2));
        EXPECT_EQ(1u, mesh->faces[f].smGroup);
    }
    ASSERT_EQ(6, mesh->getNumTVerts());
    EXPECT_EQ(UVVert(1.0f + 2.0f / 10.0f, 1.0f, 0.0f), mesh->tVerts[5]);
    EXPECT_EQ(4u, mesh->tvFace[1].t[1]);

    MeshNormalSpec* normals = mesh->GetSpecifiedNormals();
    ASSERT_NE(nullptr, normals);
    ASSERT_EQ(2, normals->GetNumFaces());
    for (int f = 0; f < 2; ++f)
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(Point3(float(f), float(k), 1.0f), normals->GetNormal(f, k)) << f << k;
            EXPECT_TRUE(normals->GetNormalExplicit(normals->GetNormalIndex(f, k))) << f << k;
        }
    EXPECT_EQ(nullptr, stackOf(node)); // unskinned: no modifier
}

TEST_F(Mesh8Import, SamePositionDifferentNormalsGiveTwoVertices) {
    Mesh8Builder b("Crease");
    int up = b.vertex(Point3(0, 0, 0), Point3(0, 0, 1));
    int side = b.vertex(Point3(0, 0, 0), Point3(1, 0, 0));
    int far = b.vertex(Point3(5, 0, 0), Point3(0, 0, 1));
    b.face(up, side, far);
    std::wstring file = temp.path(L"crease.msh");
    writeBytes(file, mesh8Bytes({b.build()}));
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(file));
    Mesh* mesh = meshOf(findNode(L"Crease"));
    ASSERT_NE(nullptr, mesh);
    EXPECT_EQ(3, mesh->getNumVerts());
    EXPECT_EQ(Point3(0, 0, 0), mesh->verts[1]);
}

TEST_F(Mesh8Import, DegenerateFaceStillHasThreeTextureVerticesAndNormals) {
    Mesh8Builder b("Point");
    int p = b.vertex(Point3(2, 2, 2));
    b.face(p, p, p);
    std::wstring file = temp.path(L"point.msh");
    writeBytes(file, mesh8Bytes({b.build()}));
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(file));
    Mesh* mesh = meshOf(findNode(L"Point"));
    ASSERT_NE(nullptr, mesh);
    EXPECT_EQ(1, mesh->getNumVerts());
    EXPECT_EQ(3, mesh->getNumTVerts());
    EXPECT_EQ(Point3(0, 2, 1), mesh->GetSpecifiedNormals()->GetNormal(0, 2));
}

TEST_F(Mesh8Import, UnusedVerticesPastTheWeldedOnesAreAtTheOrigin) {
    Mesh8Record r = quad("Sparse");
    r.header.numVerts = 7;
    std::wstring file = temp.path(L"sparse.msh");
    writeBytes(file, mesh8Bytes({r}));
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(file));
    Mesh* mesh = meshOf(findNode(L"Sparse"));
    ASSERT_EQ(7, mesh->getNumVerts());
    for (int m = 4; m < 7; ++m)
        EXPECT_EQ(Point3(0, 0, 0), mesh->verts[m]) << m;
}

TEST_F(Mesh8Import, NoFacesGivesAnEmptyMeshWithNumVertsVertices) {
    Mesh8Record r = quad("Empty");
    r.vertices.clear();
    r.indices.clear();
    r.header.numFaces = 0;
    std::wstring file = temp.path(L"empty.msh");
    writeBytes(file, mesh8Bytes({r}));
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(file));
    Mesh* mesh = meshOf(findNode(L"Empty"));
    ASSERT_NE(nullptr, mesh);
    EXPECT_EQ(4, mesh->getNumVerts());
    EXPECT_EQ(0, mesh->getNumFaces());
}

TEST_F(Mesh8Import, TransformIsWorldTMAndParentsLinkAsInLegacyFiles) {
    std::wstring file = temp.path(L"LINKS.MSH");
    writeBytes(file, mesh8Bytes({quad("Top", "NULL"), quad("Kid", "Top"), quad("Lost", "After"),
                                 quad("Blank", ""), quad("After")}));
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(file));
    INode* top = findNode(L"Top");
    EXPECT_EQ(top, findNode(L"Kid")->GetParentNode());
    EXPECT_EQ(GetCOREInterface()->GetRootNode(), findNode(L"Lost")->GetParentNode());
    EXPECT_EQ(GetCOREInterface()->GetRootNode(), findNode(L"Blank")->GetParentNode());
    EXPECT_EQ(std::vector<std::wstring>{parentMessage("Lost", "After")}, texts(boxes));
    expectWorldTM(findNode(L"Kid"));
    expectWorldTM(findNode(L"Top"));
}

TEST_F(Mesh8Import, MagicInAnyCaseAndBnExtensionStillBuildMeshes) {
    std::string bytes = mesh8Bytes({quad("Mixed")});
    bytes.replace(0, 6, "Mesh08");
    std::wstring file = temp.path(L"skeleton.bn");
    writeBytes(file, bytes);
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(file));
    INode* node = findNode(L"Mixed");
    ASSERT_NE(nullptr, node);
    EXPECT_FALSE(node->GetBoneNodeOnOff());
    EXPECT_EQ(4, meshOf(node)->getNumVerts());
}

} // namespace
