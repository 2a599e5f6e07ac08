// IGame objects: meshes with per-corner normals and map channels, other objects, modifiers
// and skins.
#include "host/impl/IGameImpl.h"
#include "host/impl/MeshNormals.h"

#include <algorithm>

using hostimpl::misuse;

namespace {

std::string rangeText(int index, size_t count) {
    return std::to_string(index) + " of " + std::to_string(count);
}

class GeneralModifierView : public IGameModifier {
public:
    explicit GeneralModifierView(Modifier* mod) : modifier(mod) {}
    ModType GetModifierType() override { return IGAME_GENERAL; }
    bool IsSkin() override { return false; }
    Modifier* GetMaxModifier() override { return modifier; }

private:
    Modifier* modifier;
};

class SkinView : public IGameSkin {
public:
    SkinView(INode* skinned, Modifier* mod)
        : node(skinned), modifier(mod), skin(static_cast<ISkin*>(mod->GetInterface(I_SKIN))),
          context(skin ? skin->GetContextInterface(skinned) : nullptr) {}
    ModType GetModifierType() override { return IGAME_SKINNING; }
    bool IsSkin() override { return true; }
    Modifier* GetMaxModifier() override { return modifier; }
    int GetNumOfSkinnedVerts() override { return context ? context->GetNumPoints() : 0; }
    int GetNumberOfBones(int vertexIndex) override {
        return context ? context->GetNumAssignedBones(vertexIndex) : 0;
    }
    float GetWeight(int vertexIndex, int boneIndex) override {
        return context ? context->GetBoneWeight(vertexIndex, boneIndex) : 0.0f;
    }
    INode* GetBone(int vertexIndex, int boneIndex) override {
        return context ? skin->GetBone(context->GetAssignedBone(vertexIndex, boneIndex)) : nullptr;
    }
    IGameNode* GetIGameBone(int vertexIndex, int boneIndex) override {
        return hostimpl::igameNodeFor(GetBone(vertexIndex, boneIndex));
    }
    int GetBoneID(int vertexIndex, int boneIndex) override {
        INode* bone = GetBone(vertexIndex, boneIndex);
        return bone ? (int)bone->GetHandle() : -1;
    }
    int GetTotalBoneCount() override { return (int)usedBones().size(); }
    int GetTotalSkinBoneCount() override { return skin ? skin->GetNumBones() : 0; }
    INode* GetBone(int index, bool usedList) override {
        if (!usedList)
            return skin ? skin->GetBone(index) : nullptr;
        std::vector<INode*> used = usedBones();
        if (index < 0 || index >= (int)used.size()) {
            misuse("IGameSkin::GetBone: used bone " + rangeText(index, used.size()));
            return nullptr;
        }
        return used[(size_t)index];
    }
    bool GetInitBoneTM(INode* boneNode, GMatrix& intMat) override {
        Matrix3 tm;
        if (!skin || skin->GetBoneInitTM(boneNode, tm, false) != SKIN_OK)
            return false;
        intMat = GMatrix(tm);
        return true;
    }
    void GetInitSkinTM(GMatrix& intMat) override {
        Matrix3 tm(TRUE);
        if (skin)
            skin->GetSkinInitTM(node, tm, true);
        intMat = GMatrix(tm);
    }
    SkinType GetSkinType() override { return IGAME_SKIN; }

private:
    INode* node;
    Modifier* modifier;
    ISkin* skin;
    ISkinContextData* context;

    // The skin's bones that weigh on some vertex, in the skin's order.
    std::vector<INode*> usedBones() {
        std::vector<bool> used(skin ? (size_t)skin->GetNumBones() : 0, false);
        int points = GetNumOfSkinnedVerts();
        for (int v = 0; v < points; ++v)
            for (int b = 0; b < context->GetNumAssignedBones(v); ++b)
                used[(size_t)context->GetAssignedBone(v, b)] = true;
        std::vector<INode*> bones;
        for (size_t i = 0; i < used.size(); ++i)
            if (used[i])
                bones.push_back(skin->GetBone((int)i));
        return bones;
    }
};

// The modifiers of a node's stacks, top first; shared by every kind of IGame object.
class ModifierViews {
public:
    explicit ModifierViews(INode* node) {
        Object* obj = node->GetObjectRef();
        while (obj && obj->SuperClassID() == GEN_DERIVOB_CLASS_ID) {
            auto* stack = static_cast<IDerivedObject*>(obj);
            for (int i = 0; i < stack->NumModifiers(); ++i) {
                Modifier* mod = stack->GetModifier(i);
                if (mod->ClassID() == SKIN_CLASSID) {
                    views.emplace_back(std::make_unique<SkinView>(node, mod));
                    lastSkin = static_cast<SkinView*>(views.back().get());
                } else {
                    views.emplace_back(std::make_unique<GeneralModifierView>(mod));
                }
            }
            obj = stack->GetObjRef();
        }
    }
    int count() const { return (int)views.size(); }
    IGameModifier* at(int index) const {
        if (index < 0 || index >= (int)views.size()) {
            misuse("IGameObject::GetIGameModifier: modifier " + rangeText(index, views.size()));
            return nullptr;
        }
        return views[(size_t)index].get();
    }
    IGameSkin* skin() const { return lastSkin; }

private:
    std::vector<std::unique_ptr<IGameModifier>> views;
    IGameSkin* lastSkin = nullptr;
};

class PlainObjectView : public IGameObject {
public:
    PlainObjectView(INode* maxNode, ObjectTypes objectType)
        : node(maxNode), type(objectType), modifiers(maxNode) {}
    ObjectTypes GetIGameType() override { return type; }
    bool InitializeData() override { return !hostimpl::igameDataFails(node); }
    void GetBoundingBox(Box3& bb) override { bb.Init(); }
    Object* GetMaxObject() override { return node->EvalWorldState(0).obj; }
    bool IsObjectSkinned() override { return modifiers.skin() != nullptr; }
    IGameSkin* GetIGameSkin() override { return modifiers.skin(); }
    int GetNumModifiers() override { return modifiers.count(); }
    IGameModifier* GetIGameModifier(int index) override { return modifiers.at(index); }
    GMatrix GetIGameObjectTM() override { return GMatrix(node->GetObjectTM(0)); }

private:
    INode* node;
    ObjectTypes type;
    ModifierViews modifiers;
};

struct MapChannel {
    std::vector<Point3> verts;
    std::vector<TVFace> faces;
};

class MeshView : public IGameMesh {
public:
    explicit MeshView(INode* maxNode) : node(maxNode), modifiers(maxNode) {}

    ObjectTypes GetIGameType() override { return IGAME_MESH; }
    bool InitializeData() override;
    void GetBoundingBox(Box3& bb) override {
        bb.Init();
        for (const Point3& v : verts)
            bb += v;
    }
    Object* GetMaxObject() override { return node->EvalWorldState(0).obj; }
    bool IsObjectSkinned() override { return modifiers.skin() != nullptr; }
    IGameSkin* GetIGameSkin() override { return modifiers.skin(); }
    int GetNumModifiers() override { return modifiers.count(); }
    IGameModifier* GetIGameModifier(int index) override { return modifiers.at(index); }
    GMatrix GetIGameObjectTM() override { return GMatrix(node->GetObjectTM(0)); }

    int GetNumberOfVerts() override { return (int)verts.size(); }
    Point3 GetVertex(int index, bool objectSpace) override {
        Point3 v;
        if (!GetVertex(index, v, objectSpace))
            misuse("IGameMesh::GetVertex: vertex " + rangeText(index, verts.size()));
        return v;
    }
    bool GetVertex(int index, Point3& vert, bool objectSpace) override {
        if (index < 0 || index >= (int)verts.size())
            return false;
        vert = objectSpace ? verts[(size_t)index] : verts[(size_t)index] * node->GetObjectTM(0);
        return true;
    }
    int GetNumberOfFaces() override { return (int)faces.size(); }
    FaceEx* GetFace(int index) override {
        if (index < 0 || index >= (int)faces.size()) {
            misuse("IGameMesh::GetFace: face " + rangeText(index, faces.size()));
            return nullptr;
        }
        return &faces[(size_t)index];
    }
    int GetNumberOfNormals() override { return (int)normals.size(); }
    Point3 GetNormal(int index, bool objectSpace) override {
        Point3 n;
        if (!GetNormal(index, n, objectSpace))
            misuse("IGameMesh::GetNormal: normal " + rangeText(index, normals.size()));
        return n;
    }
    bool GetNormal(int index, Point3& norm, bool objectSpace) override {
        if (index < 0 || index >= (int)normals.size())
            return false;
        norm = objectSpace ? normals[(size_t)index] : toWorldNormal(normals[(size_t)index]);
        return true;
    }
    Point3 GetNormal(int faceIndex, int corner, bool objectSpace) override {
        if (faceIndex < 0 || faceIndex >= (int)faces.size() || corner < 0 || corner > 2) {
            misuse("IGameMesh::GetNormal: face " + rangeText(faceIndex, faces.size()) +
                   ", corner " + std::to_string(corner));
            return Point3();
        }
        return GetNormal((int)faces[(size_t)faceIndex].norm[corner], objectSpace);
    }
    Point3 GetNormal(FaceEx* face, int corner, bool objectSpace) override {
        if (!face) {
            misuse("IGameMesh::GetNormal: NULL face");
            return Point3();
        }
        return GetNormal(face->meshFaceIndex, corner, objectSpace);
    }
    int GetNumberOfTexVerts() override { return GetNumberOfMapVerts(1); }
    Point2 GetTexVertex(int index) override {
        Point3 uv = GetMapVertex(1, index);
        return Point2(uv.x, uv.y);
    }
    Tab<int> GetActiveMapChannelNum() override {
        Tab<int> active;
        for (auto& entry : channels) {
            int ch = entry.first;
            active.Append(1, &ch);
        }
        return active;
    }
    int GetNumberOfMapVerts(int ch) override {
        auto found = channels.find(ch);
        return found == channels.end() ? 0 : (int)found->second.verts.size();
    }
    Point3 GetMapVertex(int ch, int index) override {
        Point3 v;
        if (!GetMapVertex(ch, index, v))
            misuse("IGameMesh::GetMapVertex: channel " + std::to_string(ch) + " vertex " +
                   rangeText(index, (size_t)GetNumberOfMapVerts(ch)));
        return v;
    }
    bool GetMapVertex(int ch, int index, Point3& mVert) override {
        auto found = channels.find(ch);
        if (found == channels.end() || index < 0 || index >= (int)found->second.verts.size())
            return false;
        mVert = found->second.verts[(size_t)index];
        return true;
    }
    bool GetMapFaceIndex(int ch, int faceNum, DWORD* index) override {
        auto found = channels.find(ch);
        if (!index || found == channels.end() || faceNum < 0 ||
            faceNum >= (int)found->second.faces.size())
            return false;
        for (int k = 0; k < 3; ++k)
            index[k] = found->second.faces[(size_t)faceNum].t[k];
        return true;
    }
    Mesh* GetMaxMesh() override { return mesh; }
    IGameMaterial* GetMaterialFromFace(int faceNum) override {
        if (faceNum < 0 || faceNum >= (int)faces.size()) {
            misuse("IGameMesh::GetMaterialFromFace: face " + rangeText(faceNum, faces.size()));
            return nullptr;
        }
        return node->GetMtl() ? hostimpl::igameMaterialFor(node->GetMtl()) : nullptr;
    }
    // The in-memory host always lists one unweighted normal per face corner.
    void SetUseWeightedNormals() override {}
    void SetCreateOptimizedNormalList() override {}

private:
    INode* node;
    ModifierViews modifiers;
    Mesh* mesh = nullptr;
    std::vector<Point3> verts;
    std::vector<FaceEx> faces;
    std::vector<Point3> normals;
    std::map<int, MapChannel> channels;

    Point3 toWorldNormal(const Point3& n) {
        // Normals transform with the inverse transpose, so non-uniform scale keeps them normal.
        Matrix3 inv = Inverse(node->GetObjectTM(0));
        return Point3(n % inv.GetRow(0), n % inv.GetRow(1), n % inv.GetRow(2)).Normalize();
    }
    bool snapshotChannels();
    void snapshotNormals();
    void swapMirroredCorners();
};

// IGame source: the list holds "all active channels including the standard ones such as
// Texture Coordinates, Vertex Colors, Illum, and Alpha" (IGameObject.h GetActiveMapChannelNum):
// the hidden maps -2, -1 and vertex colours 0 as well, ascending.
bool MeshView::snapshotChannels() {
    channels.clear();
    for (int ch = -NUM_HIDDENMAPS; ch < mesh->getNumMaps(); ++ch) {
        if (!mesh->mapSupport(ch))
            continue;
        int faceCount = mesh->getNumMapFaces(ch), vertCount = mesh->getNumMapVerts(ch);
        if (faceCount != mesh->numFaces) {
            misuse("IGameMesh::InitializeData: map channel " + std::to_string(ch) + " has " +
                   std::to_string(faceCount) + " faces for " + std::to_string(mesh->numFaces) +
                   " mesh faces");
            return false;
        }
        MapChannel& channel = channels[ch];
        channel.verts.assign(mesh->mapVerts(ch), mesh->mapVerts(ch) + vertCount);
        channel.faces.assign(mesh->mapFaces(ch), mesh->mapFaces(ch) + faceCount);
        for (int f = 0; f < faceCount; ++f)
            for (int k = 0; k < 3; ++k)
                if (channel.faces[(size_t)f].t[k] >= (DWORD)vertCount) {
                    misuse("IGameMesh::InitializeData: map channel " + std::to_string(ch) +
                           " face " + std::to_string(f) + " refers to map vertex " +
                           std::to_string(channel.faces[(size_t)f].t[k]) + " of " +
                           std::to_string(vertCount));
                    return false;
                }
    }
    return true;
}

void MeshView::snapshotNormals() {
    std::vector<Point3> smooth =
        hostimpl::computeCornerNormals(*mesh, hostimpl::computeFaceNormals(*mesh));
    MeshNormalSpec* normalSpec = mesh->GetSpecifiedNormals();
    normals = smooth;
    if (!normalSpec)
        return;
    int specFaces = std::min(normalSpec->GetNumFaces(), mesh->numFaces);
    for (int f = 0; f < specFaces; ++f)
        for (int k = 0; k < 3; ++k) {
            int id = normalSpec->Face(f).GetNormalID(k);
            if (id >= 0 && id < normalSpec->GetNumNormals())
                normals[(size_t)(3 * f + k)] = normalSpec->Normal(id);
        }
}

// IGame source: "Mirroring is taken into account so the data you retrieve is swapped"
// (IGameObject.h IGameMesh): on a node whose object transform mirrors, corners 1 and 2 of every
// face trade places (vertices, normals, map faces).
void MeshView::swapMirroredCorners() {
    if (GMatrix(node->GetObjectTM(0)).Parity() == 0)
        return;
    for (FaceEx& face : faces) {
        std::swap(face.vert[1], face.vert[2]);
        std::swap(face.norm[1], face.norm[2]);
        std::swap(face.texCoord[1], face.texCoord[2]);
    }
    for (auto& entry : channels)
        for (TVFace& face : entry.second.faces)
            std::swap(face.t[1], face.t[2]);
}

bool MeshView::InitializeData() {
    verts.clear();
    faces.clear();
    normals.clear();
    channels.clear();
    // IGame source: "It will return FALSE when data has not been converted, this object should
    // not be exported" (IGameObject.h InitializeData).
    if (hostimpl::igameDataFails(node))
        return false;
    mesh = hostimpl::evaluatedMesh(node);
    if (!mesh || !hostimpl::checkMeshIndices(*mesh, "IGameMesh::InitializeData") ||
        !snapshotChannels())
        return false;
    // No IGame header says InitializeData builds the Max mesh's normals; its callers build
    // them (mesh.h, checkNormals).
    verts.assign(mesh->verts, mesh->verts + mesh->numVerts);
    snapshotNormals();
    auto texChannel = channels.find(1);
    faces.reserve((size_t)mesh->numFaces);
    for (int f = 0; f < mesh->numFaces; ++f) {
        const Face& src = mesh->faces[f];
        FaceEx face;
        for (int k = 0; k < 3; ++k) {
            face.vert[k] = src.v[k];
            face.norm[k] = (DWORD)(3 * f + k);
            face.texCoord[k] =
                texChannel == channels.end() ? 0 : texChannel->second.faces[(size_t)f].t[k];
            face.color[k] = face.illum[k] = face.alpha[k] = 0;
            face.edgeVis[k] = src.getEdgeVis(k) ? 1 : 0;
        }
        face.smGrp = src.smGroup;
        face.matID = src.getMatID();
        face.flags = src.flags;
        face.meshFaceIndex = f;
        faces.push_back(face);
    }
    swapMirroredCorners();
    return true;
}

} // namespace

namespace hostimpl {

IGameObject::ObjectTypes igameTypeOf(INode* node) {
    Object* obj = node->EvalWorldState(0).obj;
    if (!obj)
        return IGameObject::IGAME_UNKNOWN;
    if (obj->CanConvertToType(Class_ID(TRIOBJ_CLASS_ID, 0)))
        return IGameObject::IGAME_MESH;
    switch (obj->SuperClassID()) {
    case LIGHT_CLASS_ID:
        return IGameObject::IGAME_LIGHT;
    case CAMERA_CLASS_ID:
        return IGameObject::IGAME_CAMERA;
    case HELPER_CLASS_ID:
        return IGameObject::IGAME_HELPER;
    default:
        return IGameObject::IGAME_UNKNOWN;
    }
}

std::unique_ptr<IGameObject> makeIGameObject(INode* node) {
    IGameObject::ObjectTypes type = igameTypeOf(node);
    if (type == IGameObject::IGAME_MESH)
        return std::unique_ptr<IGameObject>(new MeshView(node));
    return std::unique_ptr<IGameObject>(new PlainObjectView(node, type));
}

} // namespace hostimpl
