// Smoothing-group normals.
#include "host/impl/MeshNormals.h"

#include <numeric>

namespace hostimpl {

std::vector<Point3> computeFaceNormals(const Mesh& mesh) {
    std::vector<Point3> normals((size_t)mesh.numFaces);
    for (int f = 0; f < mesh.numFaces; ++f) {
        const Face& face = mesh.faces[f];
        const Point3& a = mesh.verts[face.v[0]];
        const Point3& b = mesh.verts[face.v[1]];
        const Point3& c = mesh.verts[face.v[2]];
        normals[(size_t)f] = ((b - a) ^ (c - a)).Normalize();
    }
    return normals;
}

namespace {

struct Corner {
    int face;
    int corner;
};

int findGroup(std::vector<int>& parent, int i) {
    while (parent[(size_t)i] != i) {
        parent[(size_t)i] = parent[(size_t)parent[(size_t)i]];
        i = parent[(size_t)i];
    }
    return i;
}

// Joins the corners around one vertex whose faces share smoothing bits.
void smoothAroundVertex(const Mesh& mesh, const std::vector<Corner>& corners,
                        const std::vector<Point3>& faceNormals, std::vector<Point3>& out) {
    size_t n = corners.size();
    std::vector<int> parent(n);
    std::iota(parent.begin(), parent.end(), 0);
    for (int bit = 0; bit < 32; ++bit) {
        int first = -1;
        for (size_t i = 0; i < n; ++i) {
            if (!(mesh.faces[corners[i].face].smGroup & (1u << bit)))
                continue;
            if (first < 0) {
                first = (int)i;
                continue;
            }
            parent[(size_t)findGroup(parent, (int)i)] = findGroup(parent, first);
        }
    }
    std::vector<Point3> sums(n);
    for (size_t i = 0; i < n; ++i)
        sums[(size_t)findGroup(parent, (int)i)] += faceNormals[(size_t)corners[i].face];
    for (size_t i = 0; i < n; ++i) {
        const Corner& c = corners[i];
        Point3 normal = mesh.faces[c.face].smGroup == 0
                            ? faceNormals[(size_t)c.face]
                            : sums[(size_t)findGroup(parent, (int)i)].Normalize();
        out[(size_t)(3 * c.face + c.corner)] = normal;
    }
}

} // namespace

std::vector<Point3> computeCornerNormals(const Mesh& mesh, const std::vector<Point3>& faceNormals) {
    std::vector<std::vector<Corner>> cornersAt((size_t)mesh.numVerts);
    for (int f = 0; f < mesh.numFaces; ++f)
        for (int k = 0; k < 3; ++k)
            cornersAt[mesh.faces[f].v[k]].push_back(Corner{f, k});
    std::vector<Point3> out((size_t)mesh.numFaces * 3);
    for (const auto& corners : cornersAt)
        if (!corners.empty())
            smoothAroundVertex(mesh, corners, faceNormals, out);
    return out;
}

} // namespace hostimpl
