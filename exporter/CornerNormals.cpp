#include "exporter/CornerNormals.h"

namespace {

bool cornerInMesh(const Mesh& mesh, int f, int k) {
    return mesh.faces[f].v[k] < static_cast<DWORD>(mesh.getNumVerts());
}

bool facesInMesh(const Mesh& mesh) {
    for (int f = 0; f < mesh.getNumFaces(); ++f)
        for (int k = 0; k < 3; ++k)
            if (!cornerInMesh(mesh, f, k))
                return false;
    return true;
}

// Every corner specified with an explicit normal: those are the values, as they are stored.
bool readExplicitNormals(MeshNormalSpec& specified, int numFaces, std::vector<Point3>& out) {
    int numNormals = specified.GetNumNormals();
    for (int f = 0; f < numFaces; ++f) {
        MeshNormalFace& face = specified.Face(f);
        for (int k = 0; k < 3; ++k) {
            int id = face.GetNormalID(k);
            if (!face.GetSpecified(k) || id < 0 || id >= numNormals ||
                !specified.GetNormalExplicit(id))
                return false;
            out[3 * f + k] = specified.Normal(id);
        }
    }
    return true;
}

// Unspecified corners are completed on a copy, so the scene's normals stay as they were.
bool readSpecifiedNormals(Mesh& mesh, std::vector<Point3>& out) {
    MeshNormalSpec* specified = mesh.GetSpecifiedNormals();
    int numFaces = mesh.getNumFaces();
    if (!specified || numFaces == 0 || specified->GetNumFaces() != numFaces || !facesInMesh(mesh))
        return false;
    // What the importer makes: no copy, nor the smoothing pass that completing would need.
    if (readExplicitNormals(*specified, numFaces, out))
        return true;
    MeshNormalSpec copy;
    copy = *specified;
    copy.SetParent(&mesh);
    copy.CheckNormals();
    for (int f = 0; f < numFaces; ++f)
        for (int k = 0; k < 3; ++k)
            out[3 * f + k] = copy.GetNormal(f, k);
    return true;
}

// As the SDK's ASCII exporter reads a corner: the vertex's one normal, else the one of the
// face's smoothing group; a face in no group shows its face normal.
Point3 smoothingGroupNormal(Mesh& mesh, int f, int k) {
    const Face& face = mesh.faces[f];
    RVertex* rv = mesh.getRVertPtr(static_cast<int>(face.v[k]));
    int count = static_cast<int>(rv->rFlags & NORCT_MASK);
    if (rv->rFlags & SPECIFIED_NORMAL)
        return rv->rn.getNormal();
    if (count > 0 && face.smGroup != 0) {
        if (count == 1)
            return rv->rn.getNormal();
        for (int i = 0; i < count; ++i)
            if (rv->ern[i].getSmGroup() & face.smGroup)
                return rv->ern[i].getNormal();
    }
    return mesh.getFaceNormal(f);
}

} // namespace

void readCornerNormals(Mesh& mesh, std::vector<Point3>& cornerNormals) {
    int numFaces = mesh.getNumFaces();
    cornerNormals.assign(3 * static_cast<size_t>(numFaces), Point3(0.0f, 0.0f, 0.0f));
    if (readSpecifiedNormals(mesh, cornerNormals))
        return;
    mesh.checkNormals(TRUE);
    for (int f = 0; f < numFaces; ++f)
        for (int k = 0; k < 3; ++k)
            if (cornerInMesh(mesh, f, k))
                cornerNormals[3 * f + k] = smoothingGroupNormal(mesh, f, k);
}

void vertexNormalsFromCorners(const Mesh& mesh, const std::vector<Point3>& cornerNormals,
                              std::vector<Point3>& vertexNormals) {
    int numVerts = mesh.getNumVerts();
    vertexNormals.assign(static_cast<size_t>(numVerts), Point3(0.0f, 0.0f, 0.0f));
    std::vector<bool> seen(static_cast<size_t>(numVerts), false);
    for (int f = 0; f < mesh.getNumFaces(); ++f)
        for (int k = 0; k < 3; ++k) {
            DWORD v = mesh.faces[f].v[k];
            if (v < static_cast<DWORD>(numVerts) && !seen[v]) {
                seen[v] = true;
                vertexNormals[v] = cornerNormals[3 * f + k];
            }
        }
}
