#include "exporter/Mesh8ExportObject.h"

#include "exporter/CornerNormals.h"
#include "exporter/ExportTransforms.h"
#include "exporter/FiniteValue.h"
#include "exporter/Influences.h"
#include "exporter/RecordFields.h"
#include "exporter/WeldOrder.h"
#include "format/TextField.h"
#include "host/max.h"

#include <cstring>

namespace {

const TimeValue kTime = 0;

/// A source vertex's kept influences and the bones behind them.
struct VertexSkin {
    std::vector<Influence> influences; ///< `bone` = the influence's number in the skin's list
    bool capped;
    bool nonFiniteDropped;
};

void fillNames(Mesh8ExportObject& record, IGameNode* node, const AssemblyContext& context) {
    MshObjectHeader& header = record.header;
    std::wstring name = node->GetName();
    storeReportedText(header.name, sizeof header.name, name, context.fileLabel + L": name of node",
                      *context.report);
    IGameNode* parent = node->GetNodeParent();
    if (parent)
        storeReportedText(header.parentName, sizeof header.parentName, parent->GetName(),
                          context.nodeLabel(name) + L": parent name", *context.report);
    else
        storeTextField(header.parentName, sizeof header.parentName, L"NULL");

    GMatrix world = node->GetObjectTM(kTime);
    if (parent) {
        GMatrix parentWorld = parent->GetObjectTM(kTime);
        storeTransforms(header, world, &parentWorld);
    } else {
        storeTransforms(header, world, NULL);
    }
}

bool fitsMesh8(IGameMesh* mesh, bool skinned, const std::wstring& label, ExportReport& report) {
    int verts = mesh->GetNumberOfVerts();
    int faces = mesh->GetNumberOfFaces();
    std::wstring why;
    if (faces > MESH8_MAX_FACES)
        why = countText(faces) + L" faces, a Mesh8 record holds at most " +
              countText(MESH8_MAX_FACES);
    else if (verts > MESH8_MAX_VERTICES)
        why = countText(verts) + L" vertices, a Mesh8 record holds at most " +
              countText(MESH8_MAX_VERTICES);
    else if (skinned && verts > MESH8_MAX_BLOCK_ENTRIES)
        why = countText(verts) + L" skinned vertices, a Mesh8 record holds at most " +
              countText(MESH8_MAX_BLOCK_ENTRIES) + L" bone records";
    if (why.empty())
        return true;
    report.add(label + L" left out: " + why);
    return false;
}

std::vector<VertexSkin> readVertexSkins(IGameSkin* skin, int numVerts) {
    std::vector<VertexSkin> skins(numVerts);
    for (int v = 0; v < numVerts; ++v) {
        for (int k = 0; k < skin->GetNumberOfBones(v); ++k)
            skins[v].influences.push_back(Influence(k, skin->GetWeight(v, k)));
        skins[v].nonFiniteDropped = dropNonFiniteWeights(skins[v].influences);
        skins[v].capped = keepStrongestInfluences(skins[v].influences);
        settleWeightSum(skins[v].influences);
    }
    return skins;
}

Mesh8Vertex cornerVertex(IGameMesh* mesh, const std::vector<Point3>& vertexNormals,
                         const FaceEx& face, int corner, const Tab<int>& channels,
                         const VertexSkin* skin) {
    Mesh8Vertex vertex;
    memset(&vertex, 0, sizeof vertex);
    DWORD v = face.vert[corner];
    copyPoint(vertex.position, mesh->GetVertex(static_cast<int>(v), true));
    if (skin)
        for (size_t k = 0; k < skin->influences.size(); ++k)
            vertex.weight[k] = skin->influences[k].weight;
    if (v < vertexNormals.size())
        copyPoint(vertex.vertexNormal, vertexNormals[v]);
    // Without an active map channel the corner has no texture coordinate.
    if (channels.Count() > 0) {
        Point3 uv = mesh->GetMapVertex(channels[0], static_cast<int>(face.texCoord[corner]));
        vertex.uv[0] = uv.x;
        vertex.uv[1] = uv.y;
    }
    copyPoint(vertex.cornerNormal, mesh->GetNormal(static_cast<int>(face.norm[corner]), true));
    return vertex;
}

Mesh8BoneRecord boneRecordFor(IGameSkin* skin, int v, const VertexSkin& vertexSkin,
                              const std::wstring& label, ExportReport& report) {
    Mesh8BoneRecord boneRecord;
    memset(&boneRecord, 0, sizeof boneRecord);
    boneRecord.numBones = static_cast<int32_t>(vertexSkin.influences.size());
    for (size_t k = 0; k < vertexSkin.influences.size(); ++k) {
        INode* bone = skin->GetBone(v, vertexSkin.influences[k].bone);
        const MCHAR* name = bone ? bone->GetName() : NULL;
        storeReportedText(boneRecord.boneNames[k], MSH_TEXT_FIELD_SIZE, name ? name : L"",
                          label + L": bone name", report);
    }
    return boneRecord;
}

bool finitePositions(const std::vector<Mesh8Vertex>& vertices) {
    for (size_t i = 0; i < vertices.size(); ++i)
        for (int c = 0; c < 3; ++c)
            if (!isFiniteValue(vertices[i].position[c]))
                return false;
    return true;
}

void fillTexture(Mesh8ExportObject& record, IGameNode* node, const std::wstring& label,
                 ExportReport& report) {
    IGameMaterial* material = node->GetNodeMaterial();
    if (!material || material->GetNumberOfTextureMaps() <= 0)
        return;
    IGameTextureMap* map = material->GetIGameTextureMap(0);
    const MCHAR* file = map ? map->GetBitmapFileName() : NULL;
    if (file)
        storeReportedText(record.header.texturePath, sizeof record.header.texturePath, file,
                          label + L": texture path", report);
}

} // namespace

bool buildMesh8ExportObject(Mesh8ExportObject& record, IGameNode* node,
                            const AssemblyContext& context) {
    record.gameNode = node;
    record.gameObject = node->GetIGameObject();
    IGameObject* object = record.gameObject;
    if (!object)
        return false;
    object->InitializeData();
    if (object->GetIGameType() != IGameObject::IGAME_MESH)
        return false;
    IGameMesh* mesh = static_cast<IGameMesh*>(object);
    IGameSkin* skin = object->GetIGameSkin();
    // A Skin without bones binds nothing; it is written as no skin, as in the legacy layout.
    if (skin && skin->GetTotalSkinBoneCount() == 0)
        skin = NULL;
    std::wstring label = context.nodeLabel(node->GetName());
    // The skin's vertices are those entering the Skin; a modifier above it may change them.
    if (skin && skin->GetNumOfSkinnedVerts() != mesh->GetNumberOfVerts()) {
        context.report->add(
            skinMismatchNote(label, skin->GetNumOfSkinnedVerts(), mesh->GetNumberOfVerts()));
        skin = NULL;
    }
    if (!fitsMesh8(mesh, skin != NULL, label, *context.report))
        return false;

    fillNames(record, node, context);
    int numVerts = mesh->GetNumberOfVerts();
    int numFaces = mesh->GetNumberOfFaces();
    record.header.numVerts = static_cast<uint16_t>(numVerts);
    record.header.numFaces = static_cast<uint16_t>(numFaces);

    std::vector<VertexSkin> skins;
    if (skin)
        skins = readVertexSkins(skin, numVerts);
    Tab<int> channels = mesh->GetActiveMapChannelNum();
    // The host mesh's vertex normals, read per corner: IGame need not have built them.
    std::vector<Point3> vertexNormals;
    if (Mesh* maxMesh = mesh->GetMaxMesh()) {
        std::vector<Point3> cornerNormals;
        readCornerNormals(*maxMesh, cornerNormals);
        vertexNormalsFromCorners(*maxMesh, cornerNormals, vertexNormals);
    }
    std::vector<int> cornerSource;
    // One vertex per corner: room for all of them at once, not regrown corner by corner.
    size_t corners = 3 * static_cast<size_t>(numFaces);
    record.vertices.reserve(corners);
    record.indices.reserve(corners);
    cornerSource.reserve(corners);
    for (int f = 0; f < numFaces; ++f) {
        FaceEx* face = mesh->GetFace(f);
        for (int c = 0; c < 3; ++c) {
            int v = static_cast<int>(face->vert[c]);
            const VertexSkin* vertexSkin =
                v >= 0 && v < static_cast<int>(skins.size()) ? &skins[v] : NULL;
            record.vertices.push_back(
                cornerVertex(mesh, vertexNormals, *face, c, channels, vertexSkin));
            record.indices.push_back(static_cast<uint16_t>(3 * f + c));
            cornerSource.push_back(v);
        }
    }

    if (!finitePositions(record.vertices)) {
        context.report->add(nonFinitePositionNote(label));
        return false;
    }

    Box3 box;
    object->GetBoundingBox(box);
    storeBounds(record.header, box);

    if (skin) {
        std::vector<int> order;
        if (!boneRecordOrder(record.vertices, cornerSource, numVerts, order)) {
            context.report->add(label + L" left out: a vertex with a NaN position or normal " +
                                L"cannot be matched to its skin weights in the Mesh8 layout");
            return false;
        }
        int capped = 0, nonFinite = 0;
        record.boneRecords.reserve(order.size());
        for (size_t i = 0; i < order.size(); ++i) {
            record.boneRecords.push_back(
                boneRecordFor(skin, order[i], skins[order[i]], label, *context.report));
            capped += skins[order[i]].capped ? 1 : 0;
            nonFinite += skins[order[i]].nonFiniteDropped ? 1 : 0;
        }
        record.header.numSkinVerts = static_cast<uint16_t>(numVerts);
        if (nonFinite > 0)
            context.report->add(label + L": " + nonFiniteWeightsNote(nonFinite));
        if (capped > 0)
            context.report->add(label + L": " + cappedInfluencesNote(capped));
    }

    fillTexture(record, node, label, *context.report);
    return true;
}
