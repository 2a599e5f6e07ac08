#include "importer/MshLegacyObject.h"

#include "importer/BuildMaterial.h"
#include "importer/RecordNode.h"
#include "importer/SkinBinding.h"

MshLegacyObject::MshLegacyObject(const LegacyRecord& source, bool boneFile,
                                 const std::wstring& folder, const ImportRecordPlace& where)
    : record(source), isBoneFile(boneFile), textureDir(folder), place(where), triObject(NULL),
      node(NULL), skinImport(NULL), inconsistent(false) {}

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
        mesh.setNormal(i, Point3(vertex.normal[0], vertex.normal[1], vertex.normal[2]));
    }
    // The reader has checked every face index against the vertex count.
    for (int j = 0; j < numFaces; ++j) {
        const MshFace& face = record.faces[j];
        mesh.faces[j].setVerts(static_cast<int>(face.vertex[0]), static_cast<int>(face.vertex[1]),
                               static_cast<int>(face.vertex[2]));
        mesh.faces[j].setEdgeVisFlags(1, 1, 1);
        for (int k = 0; k < 3; ++k)
            mesh.tVerts[3 * j + k] = UVVert(face.uvw[k][0], face.uvw[k][1], face.uvw[k][2]);
        mesh.tvFace[j].setTVerts(3 * j, 3 * j + 1, 3 * j + 2);
    }
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
