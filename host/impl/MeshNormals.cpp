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

// Joins the corners around one vertex whose faces share smoothing bits. `parent` and `sums`
// are scratch storage kept from vertex to vertex.
void smoothAroundVertex(const Mesh& mesh, const Corner* corners, size_t n,
                        const std::vector<Point3>& faceNormals, std::vector<int>& parent,
                        std::vector<Point3>& sums, std::vector<Point3>& out) {
    // Most vertices sit inside one smoothing group: every corner gets the normalised sum of
    // all its faces' normals, added in the same order as below.
    DWORD firstGroup = mesh.faces[corners[0].face].smGroup;
    bool oneGroup = firstGroup != 0;
    for (size_t i = 1; oneGroup && i < n; ++i)
        oneGroup = mesh.faces[corners[i].face].smGroup == firstGroup;
    if (oneGroup) {
        Point3 sum(0.0f, 0.0f, 0.0f);
        for (size_t i = 0; i < n; ++i)
            sum += faceNormals[(size_t)corners[i].face];
        Point3 normal = sum.Normalize();
        for (size_t i = 0; i < n; ++i)
            out[(size_t)(3 * corners[i].face + corners[i].corner)] = normal;
        return;
    }
    parent.resize(n);
    std::iota(parent.begin(), parent.end(), 0);
    DWORD bitsUsed = 0;
    for (size_t i = 0; i < n; ++i)
        bitsUsed |= mesh.faces[corners[i].face].smGroup;
    for (int bit = 0; bit < 32; ++bit) {
        if (!(bitsUsed & (1u << bit)))
            continue;
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
    sums.assign(n, Point3(0.0f, 0.0f, 0.0f));
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
    // The corners of each vertex in face order, in one array: vertex v's run from start[v].
    size_t verts = (size_t)mesh.numVerts;
    std::vector<size_t> start(verts + 1, 0);
    for (int f = 0; f < mesh.numFaces; ++f)
        for (int k = 0; k < 3; ++k)
            ++start[mesh.faces[f].v[k] + 1];
    for (size_t v = 0; v < verts; ++v)
        start[v + 1] += start[v];
    std::vector<Corner> corners((size_t)mesh.numFaces * 3);
    std::vector<size_t> next(start.begin(), start.end() - 1);
    for (int f = 0; f < mesh.numFaces; ++f)
        for (int k = 0; k < 3; ++k)
            corners[next[mesh.faces[f].v[k]]++] = Corner{f, k};
    std::vector<Point3> out((size_t)mesh.numFaces * 3);
    std::vector<int> parent;
    std::vector<Point3> sums;
    for (size_t v = 0; v < verts; ++v)
        if (start[v + 1] > start[v])
            smoothAroundVertex(mesh, &corners[start[v]], start[v + 1] - start[v], faceNormals,
                               parent, sums, out);
    return out;
}

} // namespace hostimpl
