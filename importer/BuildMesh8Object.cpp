#include "importer/Mesh8Object.h"

#include "format/TextField.h"
#include "importer/BuildMaterial.h"
#include "importer/ImportMessages.h"
#include "importer/RecordNode.h"
#include "importer/SkinBinding.h"

#include <cstddef>

Mesh8Object::Mesh8Object(const Mesh8Record& source, const std::wstring& folder,
                         const ImportRecordPlace& where)
    : record(source), textureDir(folder), place(where), node(NULL), skinImport(NULL),
      triObject(NULL), mesh(NULL), inconsistent(false) {}

namespace {

Point3 pointOf(const float* xyz) {
    return Point3(xyz[0], xyz[1], xyz[2]);
}

void setCornerNormals(const Mesh8Object& object, Mesh& mesh) {
    mesh.SpecifyNormals();
    MeshNormalSpec* normals = mesh.GetSpecifiedNormals();
    if (normals == NULL)
        return;
    const Mesh8Record& record = object.record;
    int numFaces = record.header.numFaces;
    for (int f = 0; f < numFaces; ++f) {
        for (int k = 0; k < 3; ++k) {
            const Mesh8Vertex& entry = record.vertices[record.indices[3 * f + k]];
            Point3 normal = pointOf(entry.cornerNormal);
            normals->SetNormal(f, k, normal);
        }
    }
}

// Welding more vertices than the header gives means the header is wrong, not the faces:
// the mesh still gets every welded vertex, so no face refers to a vertex it lacks.
void checkWeldedCount(Mesh8Object& object) {
    size_t welded = object.weldList.size();
    const MshObjectHeader& header = object.record.header;
    if (welded <= header.numVerts)
        return;
    MshError error = object.place.errorHere(readTextField(header.name, MSH_TEXT_FIELD_SIZE));
    failWith(error, MshErrorCount, "numVerts",
             object.place.offset + offsetof(MshObjectHeader, numVerts),
             "at least " + numberText(static_cast<int64_t>(welded)) +
                 " (the vertices its faces weld to)",
             numberText(header.numVerts));
    object.inconsistent = true;
    reportInconsistentRecord(error);
}

// Bone record i carries the bone names of mesh vertex i, so every welded vertex needs one.
bool skinCoversWeldedVertices(Mesh8Object& object) {
    if (object.inconsistent)
        return false;
    size_t welded = object.weldList.size();
    const Mesh8Record& record = object.record;
    const MshObjectHeader& header = record.header;
    if (header.numSkinVerts >= welded)
        return true;
    MshError error = object.place.errorHere(readTextField(header.name, MSH_TEXT_FIELD_SIZE));
    std::string expected =
        "at least " + numberText(static_cast<int64_t>(welded)) + " (one per welded vertex)";
    if (record.boneRecords.size() < welded) {
        uint64_t countOffset = object.place.offset + sizeof(MshObjectHeader) + 2 +
                               record.vertices.size() * sizeof(Mesh8Vertex) + 2 +
                               record.indices.size() * sizeof(uint16_t);
        failWith(error, MshErrorCount, "numBoneRecords", countOffset, expected,
                 numberText(static_cast<int64_t>(record.boneRecords.size())));
    } else {
        failWith(error, MshErrorCount, "numSkinVerts",
                 object.place.offset + offsetof(MshObjectHeader, numSkinVerts), expected,
                 numberText(header.numSkinVerts));
    }
    object.inconsistent = true;
    reportInconsistentRecord(error);
    return false;
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
        mesh.setNormal(m, used ? object.weldList[m].vertexNormal : Point3(0.0f, 0.0f, 0.0f));
    }
    for (int f = 0; f < numFaces; ++f) {
        Face& face = mesh.faces[f];
        for (int k = 0; k < 3; ++k) {
            face.v[k] = static_cast<DWORD>(object.cornerVertex[3 * f + k]);
            const Mesh8Vertex& entry = record.vertices[record.indices[3 * f + k]];
            mesh.tVerts[3 * f + k] = UVVert(entry.uv[0], entry.uv[1], 0.0f);
        }
        face.setEdgeVisFlags(1, 1, 0);
        mesh.tvFace[f].setTVerts(3 * f, 3 * f + 1, 3 * f + 2);
    }
    setCornerNormals(object, mesh);
    mesh.buildBoundingBox();
    mesh.InvalidateEdgeList();
}

TriObject* buildMesh8Object(Mesh8Object& object, Interface* ip) {
    WeldResult weld;
    weldMesh8Corners(object.record, weld);
    object.weldList.swap(weld.weldList);
    object.cornerVertex.swap(weld.cornerVertex);
    checkWeldedCount(object);

    object.triObject = CreateNewTriObject();
    object.mesh = &object.triObject->GetMesh();
    fillMesh8Mesh(object, *object.mesh);
    object.node = createRecordNode(ip, object.triObject, object.record.header, false);
    bool allBonesFound = bindSkin(object, ip);
    // Checked even when a bone is missing, so the user hears of a broken record either way.
    bool weightsFit = object.boneNameSet.empty() || skinCoversWeldedVertices(object);
    if (allBonesFound && weightsFit)
        applySkinWeights(object);
    buildMaterial(object.record.header, object.textureDir, object.node);
    return object.triObject;
}
