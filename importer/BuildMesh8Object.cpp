#include "importer/Mesh8Object.h"

#include "host/Mesh.h"
#include "importer/BuildMaterial.h"
#include "importer/Mesh8Checks.h"
#include "importer/RecordNode.h"
#include "importer/SkinBinding.h"

Mesh8Object::Mesh8Object(const Mesh8Record& source, const std::wstring& folder,
                         const ImportRecordPlace& where)
    : record(source), textureDir(folder), place(where), node(NULL), skinImport(NULL),
      triObject(NULL), mesh(NULL), inconsistent(false) {}

namespace {

Point3 pointOf(const float* xyz) {
    return Point3(xyz[0], xyz[1], xyz[2]);
}

// Each corner keeps its own normal as an explicit specified normal, set up as the SDK's
// users do it: parent, face and normal counts, ids, explicit flags, then CheckNormals.
void setCornerNormals(const Mesh8Object& object, Mesh& mesh) {
    mesh.SpecifyNormals();
    MeshNormalSpec* normals = mesh.GetSpecifiedNormals();
    if (normals == NULL)
        return;
    const Mesh8Record& record = object.record;
    int numFaces = record.header.numFaces;
    normals->SetParent(&mesh);
    normals->SetNumFaces(numFaces);
    normals->SetNumNormals(3 * numFaces);
    for (int f = 0; f < numFaces; ++f) {
        for (int k = 0; k < 3; ++k) {
            const Mesh8Vertex& entry = record.vertices[record.indices[3 * f + k]];
            normals->Normal(3 * f + k) = pointOf(entry.cornerNormal);
            normals->Face(f).SpecifyNormalID(k, 3 * f + k);
        }
    }
    normals->SetAllExplicit();
    normals->CheckNormals();
}

} // namespace

void fillMesh8Mesh(const Mesh8Object& object, Mesh& mesh) {
    const Mesh8Record& record = object.record;
    int numFaces = record.header.numFaces;
    int numWelded = static_cast<int>(object.weldList.size());
    int numVerts = numWelded > record.header.numVerts ? numWelded : record.header.numVerts;
    mesh.setNumVerts(numVerts, FALSE, TRUE);
    mesh.setNumFaces(numFaces, FALSE, TRUE);
    mesh.setNumTVerts(3 * numFaces, FALSE);
    mesh.setNumTVFaces(numFaces, FALSE, 0);
    for (int m = 0; m < numVerts; ++m) {
        bool used = m < numWelded;
        mesh.verts[m] = used ? object.weldList[m].position : Point3(0.0f, 0.0f, 0.0f);
    }
    for (int f = 0; f < numFaces; ++f) {
        Face& face = mesh.faces[f];
        for (int k = 0; k < 3; ++k) {
            face.v[k] = static_cast<DWORD>(object.cornerVertex[3 * f + k]);
            const Mesh8Vertex& entry = record.vertices[record.indices[3 * f + k]];
            mesh.tVerts[3 * f + k] = UVVert(entry.uv[0], entry.uv[1], 0.0f);
        }
        face.setEdgeVisFlags(1, 1, 0);
        // New faces have no smoothing group; one group shades the mesh smooth wherever the
        // specified normals are not used (renders).
        face.setSmGroup(1);
        mesh.tvFace[f].setTVerts(3 * f, 3 * f + 1, 3 * f + 2);
    }
    setCornerNormals(object, mesh);
    mesh.buildBoundingBox();
    mesh.InvalidateEdgeList();
}

TriObject* buildMesh8Object(Mesh8Object& object, WeldResult& weld, Interface* ip) {
    weldMesh8Corners(object.record, weld);
    object.weldList.swap(weld.weldList);
    object.cornerVertex.swap(weld.cornerVertex);
    collectBoneNames(object);
    checkWeldedCount(object);

    object.triObject = CreateNewTriObject();
    object.mesh = &object.triObject->GetMesh();
    fillMesh8Mesh(object, *object.mesh);
    object.node = createRecordNode(ip, object.triObject, object.record.header, false);
    bool allBonesFound = bindSkin(object, ip);
    // Checked even when a bone is missing, so the user hears of a broken record either way.
    bool weightsFit = object.boneNameSet.empty() || checkSkinCoversWeldedVertices(object);
    if (allBonesFound && weightsFit)
        applySkinWeights(object);
    buildMaterial(object.record.header, object.textureDir, object.node);
    // The next record welds into the same storage.
    weld.weldList.swap(object.weldList);
    weld.cornerVertex.swap(object.cornerVertex);
    return object.triObject;
}
