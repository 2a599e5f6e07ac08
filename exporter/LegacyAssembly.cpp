#include "exporter/LegacyAssembly.h"

#include "exporter/CornerNormals.h"
#include "exporter/ExportTransforms.h"
#include "exporter/FiniteValue.h"
#include "exporter/RecordFields.h"
#include "format/TextField.h"
#include "host/max.h"

#include <cstring>

namespace {

const TimeValue kTime = 0;

void fillNodePart(MshObject& record, INode* node, const AssemblyContext& context) {
    MshObjectHeader& header = record.header;
    std::wstring name = node->GetName();
    storeReportedText(header.name, sizeof header.name, name, context.fileLabel + L": name of node",
                      *context.report);

    INode* parent = node->GetParentNode();
    bool hasParent = parent && parent != context.ip->GetRootNode();
    if (hasParent && context.leavesOut(parent)) {
        context.noteAtTop(name, parent);
        hasParent = false;
    }
    if (hasParent)
        storeReportedText(header.parentName, sizeof header.parentName, parent->GetName(),
                          context.nodeLabel(name) + L": parent name", *context.report);
    else
        storeTextField(header.parentName, sizeof header.parentName, L"NULL");

    GMatrix world(node->GetObjectTM(kTime));
    if (hasParent) {
        GMatrix parentWorld(parent->GetObjectTM(kTime));
        storeTransforms(header, world, &parentWorld);
    } else {
        storeTransforms(header, world, NULL);
    }
}

bool fitsLegacyCounts(const Mesh& mesh, const std::wstring& label, ExportReport& report) {
    if (mesh.getNumVerts() <= LEGACY_MAX_ENTRIES && mesh.getNumFaces() <= LEGACY_MAX_ENTRIES)
        return true;
    report.add(label + L" left out: " + countText(mesh.getNumVerts()) + L" vertices and " +
               countText(mesh.getNumFaces()) + L" faces, a record holds at most " +
               countText(LEGACY_MAX_ENTRIES) + L" of each");
    return false;
}

bool finitePositions(const Mesh& mesh, const std::wstring& label, ExportReport& report) {
    for (int i = 0; i < mesh.getNumVerts(); ++i) {
        const Point3& p = mesh.verts[i];
        if (!isFiniteValue(p.x) || !isFiniteValue(p.y) || !isFiniteValue(p.z)) {
            report.add(nonFinitePositionNote(label));
            return false;
        }
    }
    return true;
}

void fillMeshPart(MshObject& record, Mesh& mesh, INode* node) {
    MshObjectHeader& header = record.header;
    header.numVerts = static_cast<uint16_t>(mesh.getNumVerts());
    header.numFaces = static_cast<uint16_t>(mesh.getNumFaces());

    // The record has one normal per vertex; every corner repeats its vertex's.
    std::vector<Point3> vertexNormals;
    {
        std::vector<Point3> cornerNormals;
        readCornerNormals(mesh, cornerNormals);
        vertexNormalsFromCorners(mesh, cornerNormals, vertexNormals);
    }
    record.vertices.resize(mesh.getNumVerts());
    for (int i = 0; i < mesh.getNumVerts(); ++i) {
        MshVertex& vertex = record.vertices[i];
        copyPoint(vertex.position, mesh.verts[i]);
        vertex.w = 1.0f;
        copyPoint(vertex.normal, vertexNormals[i]);
    }

    bool hasTextureFaces = mesh.getNumTVerts() > 0 && mesh.tvFace != NULL;
    record.faces.resize(mesh.getNumFaces());
    for (int f = 0; f < mesh.getNumFaces(); ++f) {
        MshFace& face = record.faces[f];
        memset(&face, 0, sizeof face);
        for (int c = 0; c < 3; ++c) {
            DWORD v = mesh.faces[f].v[c];
            face.vertex[c] = v;
            if (v < static_cast<DWORD>(mesh.getNumVerts()))
                copyPoint(face.cornerNormal[c], vertexNormals[v]);
            if (!hasTextureFaces)
                continue;
            DWORD t = mesh.tvFace[f].t[c];
            if (t < static_cast<DWORD>(mesh.getNumTVerts()))
                copyPoint(face.uvw[c], mesh.tVerts[t]);
        }
    }

    // From the mesh itself: GetWorldBoundBox of many objects is empty without a live
    // viewport, which a batch session may not have.
    Matrix3 objectTM = node->GetObjectTM(kTime);
    storeBounds(header, mesh.getBoundingBox(&objectTM));
}

// A bone without geometry still has a place in the skeleton box: its pivot.
void fillEmptyGeometry(MshObject& record, INode* node, Object* object,
                       const AssemblyContext& context) {
    Box3 box;
    if (object)
        object->GetWorldBoundBox(kTime, node, &context.ip->GetActiveViewExp(), box);
    if (box.IsEmpty()) {
        Point3 pivot = node->GetObjectTM(kTime).GetTrans();
        box = Box3(pivot, pivot);
    }
    storeBounds(record.header, box);
}

void fillMaterialPart(MshObject& record, INode* node, const AssemblyContext& context) {
    Mtl* material = node->GetMtl();
    if (!material || material->ClassID() != Class_ID(DMTL_CLASS_ID, 0))
        return;
    StdMat* standard = static_cast<StdMat*>(material);
    record.header.twoSided = standard->GetTwoSided() ? 1 : 0;
    Texmap* diffuse = material->GetSubTexmap(ID_DI);
    if (!diffuse || diffuse->ClassID() != Class_ID(BMTEX_CLASS_ID, 0))
        return;
    const MCHAR* mapName = static_cast<BitmapTex*>(diffuse)->GetMapName();
    storeReportedText(record.header.texturePath, sizeof record.header.texturePath,
                      mapName ? mapName : L"",
                      context.nodeLabel(node->GetName()) + L": texture path", *context.report);
}

} // namespace

bool buildMshObject(MshObject& record, INode* node, bool emptyGeometryAllowed,
                    const AssemblyContext& context) {
    record.node = node;
    Object* object = node->EvalWorldState(kTime, TRUE).obj;
    Class_ID triClass(TRIOBJ_CLASS_ID, 0);
    TriObject* tri = NULL;
    if (object && object->CanConvertToType(triClass))
        tri = static_cast<TriObject*>(object->ConvertToType(kTime, triClass));
    if (!tri && !emptyGeometryAllowed)
        return false;
    record.triObject = tri;

    fillNodePart(record, node, context);
    bool kept = true;
    if (tri) {
        std::wstring label = context.nodeLabel(node->GetName());
        kept = fitsLegacyCounts(tri->GetMesh(), label, *context.report) &&
               finitePositions(tri->GetMesh(), label, *context.report);
        if (kept) {
            tri->GetMesh().buildNormals();
            fillMeshPart(record, tri->GetMesh(), node);
        }
    } else {
        fillEmptyGeometry(record, node, object, context);
    }
    kept = kept && fillLegacySkin(record, node, context);
    if (kept)
        fillMaterialPart(record, node, context);

    // A triangle object made only for this export goes back to the host.
    if (tri && tri != object)
        tri->DeleteMe();
    record.triObject = NULL;
    return kept;
}
