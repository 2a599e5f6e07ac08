// The Skin modifier: bones, their initial transforms and per-node vertex weights, written
// through ISkinImportData and read through ISkin / ISkinContextData.
#include "host/impl/SceneState.h"

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

using hostimpl::misuse;

namespace {

struct BindTransforms {
    Matrix3 objectTm;
    Matrix3 nodeTm;
};

struct Influence {
    int bone; // index into the skin's bone list
    float weight;
};

std::string nodeLabel(INode* node) {
    return node ? "\"" + hostimpl::narrow(node->GetName()) + "\"" : std::string("NULL");
}

// The weights of one skinned node.
class SkinContext : public ISkinContextData {
public:
    explicit SkinContext(INode* skinned) : node(skinned) {}
    int GetNumPoints() override {
        Mesh* mesh = hostimpl::evaluatedMesh(node);
        return mesh ? mesh->numVerts : 0;
    }
    int GetNumAssignedBones(int vertexIdx) override {
        const Influences* list = influencesOf(vertexIdx, "GetNumAssignedBones");
        return list ? (int)list->count : 0;
    }
    int GetAssignedBone(int vertexIdx, int boneIdx) override {
        const Influence* influence = influenceAt(vertexIdx, boneIdx, "GetAssignedBone");
        return influence ? influence->bone : 0;
    }
    float GetBoneWeight(int vertexIdx, int boneIdx) override {
        const Influence* influence = influenceAt(vertexIdx, boneIdx, "GetBoneWeight");
        return influence ? influence->weight : 0.0f;
    }
    void setWeights(int vertex, const std::vector<Influence>& list) {
        if ((size_t)vertex >= weights.size())
            weights.resize((size_t)vertex + 1);
        Influences& slot = weights[(size_t)vertex];
        // A list that fits where the vertex's last one was goes there; a longer one goes to the
        // end of the pool.
        if (list.size() > slot.count) {
            slot.first = pool.size();
            pool.resize(pool.size() + list.size());
        }
        std::copy(list.begin(), list.end(), pool.begin() + (std::ptrdiff_t)slot.first);
        slot.count = list.size();
    }

private:
    // One vertex's influences: `count` of them from `first` in `pool`.
    struct Influences {
        size_t first = 0;
        size_t count = 0;
    };

    INode* node;
    // All influences in one pool rather than a list per vertex: a skin of a million vertices
    // would otherwise make a million allocations.
    std::vector<Influences> weights; // per vertex; missing tail = no influences
    std::vector<Influence> pool;

    const Influences* influencesOf(int vertexIdx, const char* operation) {
        int points = GetNumPoints();
        if (vertexIdx < 0 || vertexIdx >= points) {
            misuse(std::string("ISkinContextData::") + operation + ": vertex " +
                   std::to_string(vertexIdx) + " of " + std::to_string(points));
            return nullptr;
        }
        static const Influences none;
        return (size_t)vertexIdx < weights.size() ? &weights[(size_t)vertexIdx] : &none;
    }
    const Influence* influenceAt(int vertexIdx, int boneIdx, const char* operation) {
        const Influences* list = influencesOf(vertexIdx, operation);
        if (!list)
            return nullptr;
        if (boneIdx < 0 || (size_t)boneIdx >= list->count) {
            misuse(std::string("ISkinContextData::") + operation + ": influence " +
                   std::to_string(boneIdx) + " of " + std::to_string(list->count) + " at vertex " +
                   std::to_string(vertexIdx));
            return nullptr;
        }
        return &pool[list->first + (size_t)boneIdx];
    }
};

class SkinModifier;

class SkinQuery : public ISkin {
public:
    explicit SkinQuery(SkinModifier& modifier) : skin(modifier) {}
    int GetBoneInitTM(INode* pNode, Matrix3& InitTM, bool bObjOffset) override;
    int GetSkinInitTM(INode* pNode, Matrix3& InitTM, bool bObjOffset) override;
    int GetNumBones() override;
    INode* GetBone(int idx) override;
    DWORD GetBoneProperty(int idx) override;
    ISkinContextData* GetContextInterface(INode* pNode) override;
    const MCHAR* GetBoneName(int index) override;
    Matrix3 GetBoneTm(int id) override;
    INode* GetBoneFlat(int idx) override { return GetBone(idx); }
    int GetNumBonesFlat() override { return GetNumBones(); }
    int GetRefFrame() override { return 0; }

private:
    SkinModifier& skin;
};

class SkinImport : public ISkinImportData {
public:
    explicit SkinImport(SkinModifier& modifier) : skin(modifier) {}
    BOOL AddBoneEx(INode* boneNode, BOOL update) override;
    BOOL SetSkinTm(INode* skinNode, Matrix3 objectTm, Matrix3 nodeTm) override;
    BOOL SetBoneTm(INode* boneNode, Matrix3 objectTm, Matrix3 nodeTm) override;
    BOOL AddWeights(INode* skinNode, int vertexID, Tab<INode*>& boneNodeList,
                    Tab<float>& weights) override;

private:
    SkinModifier& skin;
    std::vector<Influence> scratch; // one vertex's list, kept from call to call
};

class SkinModifier : public Modifier {
public:
    SkinModifier() : query(*this), importer(*this) {}
    Class_ID ClassID() override { return SKIN_CLASSID; }
    void* GetInterface(ULONG id) override {
        if (id == I_SKIN)
            return static_cast<ISkin*>(&query);
        if (id == I_SKINIMPORTDATA)
            return static_cast<ISkinImportData*>(&importer);
        return Modifier::GetInterface(id);
    }

    std::vector<INode*> bones;
    std::map<INode*, BindTransforms> boneInit; // set by SetBoneTm or captured by AddBoneEx
    std::map<INode*, BindTransforms> skinInit; // set by SetSkinTm
    std::map<INode*, std::unique_ptr<SkinContext>> contexts;

    int boneIndex(INode* node) const {
        auto found = std::find(bones.begin(), bones.end(), node);
        return found == bones.end() ? -1 : (int)(found - bones.begin());
    }
    bool carriedBy(INode* node) { return node && hostimpl::stackHolds(node->GetObjectRef(), this); }
    SkinContext* contextOf(INode* node) {
        if (!carriedBy(node))
            return nullptr;
        std::unique_ptr<SkinContext>& slot = contexts[node];
        if (!slot)
            slot.reset(new SkinContext(node));
        return slot.get();
    }
    bool boneIndexValid(int idx, const char* operation) const {
        if (idx >= 0 && idx < (int)bones.size())
            return true;
        misuse(std::string("ISkin::") + operation + ": bone " + std::to_string(idx) + " of " +
               std::to_string(bones.size()));
        return false;
    }

private:
    SkinQuery query;
    SkinImport importer;
};

int SkinQuery::GetBoneInitTM(INode* pNode, Matrix3& InitTM, bool bObjOffset) {
    if (skin.boneIndex(pNode) < 0)
        return SKIN_INVALID_NODE_PTR;
    const BindTransforms& bind = skin.boneInit[pNode];
    InitTM = bObjOffset ? bind.objectTm : bind.nodeTm;
    return SKIN_OK;
}

int SkinQuery::GetSkinInitTM(INode* pNode, Matrix3& InitTM, bool bObjOffset) {
    if (!pNode)
        return SKIN_INVALID_NODE_PTR;
    auto found = skin.skinInit.find(pNode);
    if (found != skin.skinInit.end())
        InitTM = bObjOffset ? found->second.objectTm : found->second.nodeTm;
    else
        InitTM = bObjOffset ? pNode->GetObjectTM(0) : pNode->GetNodeTM(0);
    return SKIN_OK;
}

int SkinQuery::GetNumBones() {
    return (int)skin.bones.size();
}

INode* SkinQuery::GetBone(int idx) {
    return skin.boneIndexValid(idx, "GetBone") ? skin.bones[(size_t)idx] : nullptr;
}

DWORD SkinQuery::GetBoneProperty(int idx) {
    skin.boneIndexValid(idx, "GetBoneProperty");
    return 0; // no bone carries lock, spline or envelope settings here
}

ISkinContextData* SkinQuery::GetContextInterface(INode* pNode) {
    return skin.contextOf(pNode);
}

const MCHAR* SkinQuery::GetBoneName(int index) {
    return skin.boneIndexValid(index, "GetBoneName") ? skin.bones[(size_t)index]->GetName() : L"";
}

Matrix3 SkinQuery::GetBoneTm(int id) {
    if (!skin.boneIndexValid(id, "GetBoneTm"))
        return Matrix3(TRUE);
    return skin.boneInit[skin.bones[(size_t)id]].nodeTm;
}

BOOL SkinImport::AddBoneEx(INode* boneNode, BOOL) {
    if (!boneNode)
        return FALSE;
    if (skin.boneIndex(boneNode) >= 0)
        return TRUE;
    skin.bones.push_back(boneNode);
    // A bone bound without SetBoneTm keeps the transform it has when added.
    if (!skin.boneInit.count(boneNode))
        skin.boneInit[boneNode] = BindTransforms{boneNode->GetObjectTM(0), boneNode->GetNodeTM(0)};
    return TRUE;
}

BOOL SkinImport::SetSkinTm(INode* skinNode, Matrix3 objectTm, Matrix3 nodeTm) {
    if (!skinNode)
        return FALSE;
    skin.skinInit[skinNode] = BindTransforms{objectTm, nodeTm};
    return TRUE;
}

BOOL SkinImport::SetBoneTm(INode* boneNode, Matrix3 objectTm, Matrix3 nodeTm) {
    if (!boneNode)
        return FALSE;
    skin.boneInit[boneNode] = BindTransforms{objectTm, nodeTm};
    return TRUE;
}

BOOL SkinImport::AddWeights(INode* skinNode, int vertexID, Tab<INode*>& boneNodeList,
                            Tab<float>& weights) {
    SkinContext* context = skin.contextOf(skinNode);
    if (!context) {
        misuse("ISkinImportData::AddWeights: node " + nodeLabel(skinNode) +
               " does not carry this Skin modifier");
        return FALSE;
    }
    int points = context->GetNumPoints();
    if (vertexID < 0 || vertexID >= points) {
        misuse("ISkinImportData::AddWeights: vertex " + std::to_string(vertexID) + " of node " +
               nodeLabel(skinNode) + ", whose mesh has " + std::to_string(points) + " vertices");
        return FALSE;
    }
    if (boneNodeList.Count() != weights.Count()) {
        misuse("ISkinImportData::AddWeights: " + std::to_string(boneNodeList.Count()) +
               " bones but " + std::to_string(weights.Count()) + " weights");
        return FALSE;
    }
    std::vector<Influence>& list = scratch;
    list.clear();
    for (int k = 0; k < boneNodeList.Count(); ++k) {
        int bone = skin.boneIndex(boneNodeList[k]);
        if (bone < 0) {
            misuse("ISkinImportData::AddWeights: bone " + nodeLabel(boneNodeList[k]) +
                   " was not added to the skin");
            return FALSE;
        }
        list.push_back(Influence{bone, weights[k]});
    }
    context->setWeights(vertexID, list);
    return TRUE;
}

} // namespace

namespace hostimpl {
Modifier* newSkinModifier() {
    return new SkinModifier();
}
} // namespace hostimpl
