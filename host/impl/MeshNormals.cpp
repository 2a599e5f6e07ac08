// Smoothing-group normals.
#include "host/impl/MeshNormals.h"

#include <limits>
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

// Scratch storage kept from vertex to vertex.
struct Scratch {
    std::vector<int> parent;
    std::vector<int> clusterOfRoot;
};

/// The smoothing clusters around one vertex: corners whose faces share a smoothing bit,
/// directly or through other faces there, are one cluster. `clusterOf[i]` is corner i's
/// cluster, numbered by first corner, or -1 for a face in group 0. Returns the count.
int clusterAroundVertex(const Mesh& mesh, const Corner* corners, size_t n, Scratch& scratch,
                        std::vector<int>& clusterOf) {
    clusterOf.assign(n, 0);
    // Most vertices sit inside one smoothing group.
    DWORD firstGroup = mesh.faces[corners[0].face].smGroup;
    bool oneGroup = true;
    for (size_t i = 1; oneGroup && i < n; ++i)
        oneGroup = mesh.faces[corners[i].face].smGroup == firstGroup;
    if (oneGroup && firstGroup != 0)
        return 1;
    std::vector<int>& parent = scratch.parent;
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
    scratch.clusterOfRoot.assign(n, -1);
    int count = 0;
    for (size_t i = 0; i < n; ++i) {
        if (mesh.faces[corners[i].face].smGroup == 0) {
            clusterOf[i] = -1;
            continue;
        }
        int& cluster = scratch.clusterOfRoot[(size_t)findGroup(parent, (int)i)];
        if (cluster < 0)
            cluster = count++;
        clusterOf[i] = cluster;
    }
    return count;
}

/// Calls visit(v, corners, n, clusterOf, normals, groups) for every used vertex v, with
/// `normals[c]` the normal of cluster c (its face normals summed in corner order, normalised)
/// and `groups[c]` its smoothing bits.
template <class Visit>
void forEachVertexCluster(const Mesh& mesh, const std::vector<Point3>& faceNormals, Visit visit) {
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
    Scratch scratch;
    std::vector<int> clusterOf;
    std::vector<Point3> sums;
    std::vector<DWORD> groups;
    for (size_t v = 0; v < verts; ++v) {
        size_t n = start[v + 1] - start[v];
        if (n == 0)
            continue;
        const Corner* around = &corners[start[v]];
        int count = clusterAroundVertex(mesh, around, n, scratch, clusterOf);
        sums.assign((size_t)count, Point3(0.0f, 0.0f, 0.0f));
        groups.assign((size_t)count, 0);
        for (size_t i = 0; i < n; ++i) {
            if (clusterOf[i] < 0)
                continue;
            sums[(size_t)clusterOf[i]] += faceNormals[(size_t)around[i].face];
            groups[(size_t)clusterOf[i]] |= mesh.faces[around[i].face].smGroup;
        }
        for (Point3& sum : sums)
            sum = sum.Normalize();
        visit(v, around, n, clusterOf, sums, groups);
    }
}

} // namespace

std::vector<Point3> computeCornerNormals(const Mesh& mesh, const std::vector<Point3>& faceNormals) {
    std::vector<Point3> out((size_t)mesh.numFaces * 3);
    forEachVertexCluster(
        mesh, faceNormals,
        [&](size_t, const Corner* around, size_t n, const std::vector<int>& clusterOf,
            const std::vector<Point3>& normals, const std::vector<DWORD>&) {
            for (size_t i = 0; i < n; ++i) {
                const Corner& c = around[i];
                out[(size_t)(3 * c.face + c.corner)] =
                    clusterOf[i] < 0 ? faceNormals[(size_t)c.face] : normals[(size_t)clusterOf[i]];
            }
        });
    return out;
}

void computeRenderedNormals(const Mesh& mesh, const std::vector<Point3>& faceNormals,
                            RVertex* rVerts) {
    float nan = std::numeric_limits<float>::quiet_NaN();
    for (int v = 0; v < mesh.numVerts; ++v)
        rVerts[v].rn.setNormal(Point3(nan, nan, nan));
    forEachVertexCluster(mesh, faceNormals,
                         [&](size_t v, const Corner*, size_t, const std::vector<int>&,
                             const std::vector<Point3>& normals, const std::vector<DWORD>& groups) {
                             RVertex& rv = rVerts[v];
                             size_t count = normals.size();
                             rv.rFlags = (DWORD)count;
                             if (count == 1) {
                                 rv.rn.setNormal(normals[0]);
                                 rv.rn.setSmGroup(groups[0]);
                                 return;
                             }
                             if (count == 0)
                                 return;
                             rv.ern = new RNormal[count];
                             for (size_t c = 0; c < count; ++c) {
                                 rv.ern[c].setNormal(normals[c]);
                                 rv.ern[c].setSmGroup(groups[c]);
                             }
                         });
}

} // namespace hostimpl
