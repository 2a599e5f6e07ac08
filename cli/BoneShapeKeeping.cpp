#include "cli/BoneShapeKeeping.h"

#include "cli/Console.h"
#include "cli/Platform.h"
#include "format/MshFile.h"
#include "format/TextField.h"
#include "host/embed/MemoryHost.h"

#include <map>

namespace mshtool {
namespace {

using RecordsByName = std::map<std::string, LegacyRecord>;

// The records of the BN file that have geometry, by their name field's bytes.
RecordsByName shapedRecords(const std::string& path) {
    RecordsByName shaped;
    MshFileReader reader;
    MshError error;
    if (!reader.open(fromUtf8(path), error) || reader.layout() != MshLayoutLegacy)
        return shaped;
    while (reader.hasNext()) {
        LegacyRecord record;
        if (!reader.readNextLegacy(record, error))
            return RecordsByName();
        if (!record.vertices.empty() && !record.faces.empty())
            shaped[readTextField(record.header.name, sizeof record.header.name)] = record;
    }
    return shaped;
}

// The node's name as the exporter stores it in a record.
std::string recordName(INode* node) {
    char field[MSH_TEXT_FIELD_SIZE];
    storeTextField(field, sizeof field, node->GetName() ? node->GetName() : L"");
    return readTextField(field, sizeof field);
}

bool hasGeometry(INode* node) {
    Object* object = node->GetObjectRef();
    Class_ID triClass(TRIOBJ_CLASS_ID, 0);
    if (!object || object->ClassID() != triClass)
        return false;
    return static_cast<TriObject*>(object)->GetMesh().getNumVerts() > 0;
}

// The record's mesh as the importer builds it, so the exporter writes the same record again:
// positions, faces with their UVs, and the file's vertex normals as specified normals. (The
// importer's own builder is inside its plug-in module, which mshtool loads but does not link.)
TriObject* meshOf(const LegacyRecord& record) {
    TriObject* tri = CreateNewTriObject();
    Mesh& mesh = tri->GetMesh();
    int verts = int(record.vertices.size());
    int faces = int(record.faces.size());
    mesh.setNumVerts(verts, FALSE, TRUE);
    mesh.setNumFaces(faces, FALSE, TRUE);
    mesh.setNumTVerts(3 * faces, FALSE);
    mesh.setNumTVFaces(faces, FALSE, 0);
    for (int i = 0; i < verts; ++i) {
        const float* p = record.vertices[size_t(i)].position;
        mesh.verts[i] = Point3(p[0], p[1], p[2]);
    }
    for (int j = 0; j < faces; ++j) {
        const MshFace& face = record.faces[size_t(j)];
        mesh.faces[j].setVerts(int(face.vertex[0]), int(face.vertex[1]), int(face.vertex[2]));
        mesh.faces[j].setEdgeVisFlags(1, 1, 1);
        mesh.faces[j].setSmGroup(1);
        for (int k = 0; k < 3; ++k)
            mesh.tVerts[3 * j + k] = UVVert(face.uvw[k][0], face.uvw[k][1], face.uvw[k][2]);
        mesh.tvFace[j].setTVerts(3 * j, 3 * j + 1, 3 * j + 2);
    }
    mesh.SpecifyNormals();
    if (MeshNormalSpec* normals = mesh.GetSpecifiedNormals()) {
        normals->SetParent(&mesh);
        normals->SetNumFaces(faces);
        normals->SetNumNormals(verts);
        for (int i = 0; i < verts; ++i) {
            const float* n = record.vertices[size_t(i)].normal;
            normals->Normal(i) = Point3(n[0], n[1], n[2]);
        }
        for (int j = 0; j < faces; ++j)
            for (int k = 0; k < 3; ++k)
                normals->Face(j).SpecifyNormalID(k, int(record.faces[size_t(j)].vertex[k]));
        normals->SetAllExplicit();
        normals->CheckNormals();
    }
    mesh.InvalidateGeomCache();
    return tri;
}

} // namespace

void keepExistingBoneShapes(const std::string& bonePath) {
    std::error_code failed;
    if (!std::filesystem::is_regular_file(pathOf(bonePath), failed))
        return;
    RecordsByName shaped = shapedRecords(bonePath);
    size_t bones = 0, kept = 0;
    for (INode* node : allNodesDepthFirst()) {
        if (!node->GetBoneNodeOnOff())
            continue;
        ++bones;
        auto record = shaped.find(recordName(node));
        if (hasGeometry(node) || record == shaped.end())
            continue;
        node->SetObjectRef(meshOf(record->second));
        ++kept;
    }
    if (kept > 0)
        printWarning("mshtool: " + bonePath + ": " + std::to_string(kept) + " of " +
                     std::to_string(bones) +
                     " bones have no shape in the scene and keep theirs from this file; "
                     "--force writes them without");
}

} // namespace mshtool
