// Shared set-up for the host tests: a fresh scene per test and small scene builders.
#ifndef TESTS_HOST_HOSTTESTSUPPORT_H
#define TESTS_HOST_HOSTTESTSUPPORT_H

#include "host/embed/MemoryHost.h"

#include <gtest/gtest.h>

#include <vector>

class HostTest : public ::testing::Test {
protected:
    void SetUp() override { resetScene(); }
    void TearDown() override { resetScene(); }

    Interface* ip() { return GetCOREInterface(); }

    /// A named node holding a new triangle object with these vertices and faces.
    INode* meshNode(const wchar_t* name, const std::vector<Point3>& verts,
                    const std::vector<std::vector<int>>& faceVerts, DWORD smGroup = 1) {
        TriObject* tri = CreateNewTriObject();
        Mesh& mesh = tri->GetMesh();
        mesh.setNumVerts((int)verts.size());
        for (size_t i = 0; i < verts.size(); ++i)
            mesh.verts[i] = verts[i];
        mesh.setNumFaces((int)faceVerts.size());
        for (size_t f = 0; f < faceVerts.size(); ++f) {
            mesh.faces[f].setVerts(faceVerts[f][0], faceVerts[f][1], faceVerts[f][2]);
            mesh.faces[f].setSmGroup(smGroup);
        }
        INode* node = ip()->CreateObjectNode(tri);
        node->SetName(name);
        return node;
    }

    INode* emptyNode(const wchar_t* name) {
        INode* node = ip()->CreateObjectNode(createHelperObject());
        node->SetName(name);
        return node;
    }

    static Mesh& meshOf(INode* node) {
        return static_cast<TriObject*>(node->EvalWorldState(0).obj)->GetMesh();
    }
};

inline void expectPointNear(const Point3& expected, const Point3& actual, float tol = 1e-5f) {
    EXPECT_NEAR(expected.x, actual.x, tol);
    EXPECT_NEAR(expected.y, actual.y, tol);
    EXPECT_NEAR(expected.z, actual.z, tol);
}

inline void expectMatrixNear(const Matrix3& expected, const Matrix3& actual, float tol = 1e-5f) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(expected.GetAddr()[r][c], actual.GetAddr()[r][c], tol)
                << "row " << r << " col " << c;
}

inline void expectGMatrixNear(const GMatrix& expected, const GMatrix& actual, float tol = 1e-5f) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(expected.GetAddr()[r][c], actual.GetAddr()[r][c], tol)
                << "row " << r << " col " << c;
}

#endif
