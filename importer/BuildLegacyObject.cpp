#include "importer/MshLegacyObject.h"

#include "host/Mesh.h"
#include "importer/BuildMaterial.h"
#include "importer/RecordNode.h"
#include "importer/SkinBinding.h"

MshLegacyObject::MshLegacyObject(const LegacyRecord& source, bool boneFile,
                                 const std::wstring& folder, const ImportRecordPlace& where)
    : record(source), isBoneFile(boneFile), textureDir(folder), place(where), triObject(NULL),
      node(NULL), skinImport(NULL), inconsistent(false) {}

namespace {

// The file's vertex normals reach the scene only as specified normals, one per vertex shared
// by its corners: a value set with setNormal is gone with the next copy of the mesh.
void specifyVertexNormals(const LegacyRecord& record, Mesh& mesh) {
    mesh.SpecifyNormals();
    MeshNormalSpec* normals = mesh.GetSpecifiedNormals();
    if (normals == NULL)
        return;
    int numVerts = static_cast<int>(record.vertices.size());
    int numFaces = static_cast<int>(record.faces.size());
    normals->SetParent(&mesh);
    normals->SetNumFaces(numFaces);
    normals->SetNumNormals(numVerts);
    for (int i = 0; i < numVerts; ++i) {
        const float* n = record.vertices[i].normal;
        normals->Normal(i) = Point3(n[0], n[1], n[2]);
    }
    for (int j = 0; j < numFaces; ++j)
        for (int k = 0; k < 3; ++k)
            normals->Face(j).SpecifyNormalID(k, static_cast<int>(record.faces[j].vertex[k]));
    normals->SetAllExplicit();
    normals->CheckNormals();
}

} // namespace

void fillLegacyMesh(const LegacyRecord& record, Mesh& mesh) {
    int numVerts = static_cast<int>(record.vertices.size());
    int numFaces = static_cast<int>(record.faces.size());
    mesh.setNumVerts(numVerts, FALSE, TRUE);
    mesh.setNumFaces(numFaces, FALSE, TRUE);
    mesh.setNumTVerts(3 * numFaces, FALSE);
    mesh.setNumTVFaces(numFaces, FALSE, 0);
    for (int i = 0; i < numVerts; ++i) {
        const MshVertex& vertex = record.vertices[i];
        mesh.verts[i] = Point3(vertex.position[0], vertex.position[1], vertex.position[2]);
    }
    // The reader has checked every face index against the vertex count.
    for (int j = 0; j < numFaces; ++j) {
        const MshFace& face = record.faces[j];
        mesh.faces[j].setVerts(static_cast<int>(face.vertex[0]), static_cast<int>(face.vertex[1]),
                               static_cast<int>(face.vertex[2]));
        mesh.faces[j].setEdgeVisFlags(1, 1, 1);
        // New faces have no smoothing group; one group shades the mesh smooth wherever the
        // specified normals are not used (renders).
        mesh.faces[j].setSmGroup(1);
        for (int k = 0; k < 3; ++k)
            mesh.tVerts[3 * j + k] = UVVert(face.uvw[k][0], face.uvw[k][1], face.uvw[k][2]);
        mesh.tvFace[j].setTVerts(3 * j, 3 * j + 1, 3 * j + 2);
    }
    specifyVertexNormals(record, mesh);
    mesh.InvalidateGeomCache();
}

void buildLegacyObject(MshLegacyObject& object, Interface* ip) {
    object.triObject = CreateNewTriObject();
    fillLegacyMesh(object.record, object.triObject->GetMesh());
    object.node = createRecordNode(ip, object.triObject, object.record.header, object.isBoneFile);
    // A bone record stays a plain bone node. Its closing bone setting is left out: switching
    // the bone flag off again would hide the node from the exporter's bone pass.
    if (object.isBoneFile)
        return;
    if (bindSkin(object, ip))
        applySkinWeights(object);
    buildMaterial(object.record.header, object.textureDir, object.node);
}
