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
    // Decided on the host's own parent: IGame may or may not offer a node outside the selection.
    INode* hostParent = node->GetMaxNode() ? node->GetMaxNode()->GetParentNode() : NULL;
    if (context.leavesOut(hostParent)) {
        context.noteAtTop(name, hostParent);
        parent = NULL;
    }
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

/// Where a face's texture coordinates come from: the first texture channel the mesh has.
struct UvSource {
    int channel; ///< 0 when the mesh has none
    DWORD faceIndex[3];
};

// IGame lists every active channel, vertex colours (0) and the hidden maps (-1, -2)
// included; texture coordinates live in channels 1 and up.
int firstTextureChannel(IGameMesh* mesh) {
    Tab<int> channels = mesh->GetActiveMapChannelNum();
    int first = 0;
    for (int i = 0; i < channels.Count(); ++i)
        if (channels[i] >= 1 && (first == 0 || channels[i] < first))
            first = channels[i];
    return first;
}

// The channel's own faces index its vertices; FaceEx::texCoord indexes channel 1 only.
UvSource uvSourceOf(IGameMesh* mesh, int channel, int faceIndex) {
    UvSource source;
    source.channel = channel;
    if (channel == 0 || !mesh->GetMapFaceIndex(channel, faceIndex, source.faceIndex))
        source.channel = 0;
    return source;
}

Mesh8Vertex cornerVertex(IGameMesh* mesh, const std::vector<Point3>& vertexNormals,
                         const FaceEx& face, int corner, const UvSource& uvs,
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
    // Without a texture channel the corner has no texture coordinate.
    Point3 uv;
    if (uvs.channel != 0 &&
        mesh->GetMapVertex(uvs.channel, static_cast<int>(uvs.faceIndex[corner]), uv)) {
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

// The IGame object's data is freed as soon as the node's record is built, not at the end of
// the export: a large scene would otherwise hold every converted mesh at once.
class IGameObjectRelease {
public:
    explicit IGameObjectRelease(Mesh8ExportObject& built) : record(built) {}
    ~IGameObjectRelease() {
        if (record.gameObject)
            record.gameNode->ReleaseIGameObject();
        record.gameObject = NULL;
    }

private:
    IGameObjectRelease(const IGameObjectRelease&);
    IGameObjectRelease& operator=(const IGameObjectRelease&);
    Mesh8ExportObject& record;
};

// IGame swaps corners 1 and 2 of a node whose object transform mirrors; the record keeps the
// mesh's own winding, as the legacy layout and the importer expect, so they are read back in
// mesh order.
const int kMeshCorners[3] = {0, 1, 2};
const int kMirroredCorners[3] = {0, 2, 1};

} // namespace

bool buildMesh8ExportObject(Mesh8ExportObject& record, IGameNode* node,
                            const AssemblyContext& context) {
    record.gameNode = node;
    record.gameObject = node->GetIGameObject();
    IGameObjectRelease release(record);
    IGameObject* object = record.gameObject;
    if (!object || object->GetIGameType() != IGameObject::IGAME_MESH)
        return false;
    std::wstring label = context.nodeLabel(node->GetName());
    if (!object->InitializeData()) {
        context.report->add(label + L" left out: IGame could not convert it to a mesh");
        return false;
    }
    IGameMesh* mesh = static_cast<IGameMesh*>(object);
    IGameSkin* skin = object->GetIGameSkin();
    // A Skin without bones binds nothing; it is written as no skin, as in the legacy layout.
    if (skin && skin->GetTotalSkinBoneCount() == 0)
        skin = NULL;
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
    // The host mesh's vertex normals, read per corner: IGame need not have built them.
    std::vector<Point3> vertexNormals;
    if (Mesh* maxMesh = mesh->GetMaxMesh()) {
        std::vector<Point3> cornerNormals;
        readCornerNormals(*maxMesh, cornerNormals);
        vertexNormalsFromCorners(*maxMesh, cornerNormals, vertexNormals);
    }
    int uvChannel = firstTextureChannel(mesh);
    const int* cornerOrder = node->GetObjectTM(kTime).Parity() ? kMirroredCorners : kMeshCorners;
    std::vector<int> cornerSource;
    // One vertex per corner: room for all of them at once, not regrown corner by corner.
    size_t corners = 3 * static_cast<size_t>(numFaces);
    record.vertices.reserve(corners);
    record.indices.reserve(corners);
    cornerSource.reserve(corners);
    for (int f = 0; f < numFaces; ++f) {
        FaceEx* face = mesh->GetFace(f);
        UvSource uvs = uvSourceOf(mesh, uvChannel, f);
        for (int i = 0; i < 3; ++i) {
            int c = cornerOrder[i];
            int v = static_cast<int>(face->vert[c]);
            const VertexSkin* vertexSkin =
                v >= 0 && v < static_cast<int>(skins.size()) ? &skins[v] : NULL;
            record.vertices.push_back(cornerVertex(mesh, vertexNormals, *face, c, uvs, vertexSkin));
            record.indices.push_back(static_cast<uint16_t>(3 * f + i));
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
