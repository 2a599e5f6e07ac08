// The Skin modifier: bones, their initial transforms and per-node vertex weights, written
// through ISkinImportData and read through ISkin / ISkinContextData. As in 3ds Max, the
// weights of a node live in data the modifier builds when the node is evaluated.
#include "host/impl/SceneState.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

using hostimpl::misuse;

namespace {

// Skin source: the default bone_Limit, the most influences a vertex keeps (ClassDescStuff.cpp).
const size_t kBoneLimit = 20;

bool updateEvaluates = false;

struct BindTransforms {
    Matrix3 objectTm;
    Matrix3 nodeTm;
};

struct Influence {
    int bone; // index into the skin's bone list
    float weight;
};

bool strongerFirst(const Influence& a, const Influence& b) {
    return a.weight > b.weight;
}

// Skin source: what BuildNormalizedWeight makes of a vertex given weights
// (VertsWeightFunctions.cpp). Over the bone limit the strongest are kept; a lone influence on
// an absolute bone (every bone AddBoneEx adds) is 1 above 0.5, else 0; otherwise each weight
// is divided by the vertex's sum (0/0 giving NaN, as there).
void normalise(std::vector<Influence>& list) {
    if (list.size() > kBoneLimit) {
        std::stable_sort(list.begin(), list.end(), strongerFirst);
        list.resize(kBoneLimit);
    }
    if (list.size() == 1) {
        list[0].weight = list[0].weight > 0.5f ? 1.0f : 0.0f;
        return;
    }
    float sum = 0.0f;
    for (const Influence& influence : list)
        sum += influence.weight;
    for (Influence& influence : list)
        influence.weight /= sum;
}

// The Skin's data for one node (its BoneModData): made at the node's first evaluation.
class SkinContext : public ISkinContextData {
public:
    // Skin source: the base transforms are the node's at that moment (bonesdef.cpp
    // InitLocalData).
    explicit SkinContext(INode* skinned) : base{skinned->GetObjectTM(0), skinned->GetNodeTM(0)} {}

    BindTransforms base; // set by SetSkinTm

    int GetNumPoints() override { return (int)vertices.size(); }
    int GetNumAssignedBones(int vertexIdx) override {
        const VertexWeights* vertex = vertexAt(vertexIdx, "GetNumAssignedBones");
        if (!vertex)
            return 0;
        return vertex->given() ? (int)vertex->count : vertex->envelope >= 0 ? 1 : 0;
    }
    int GetAssignedBone(int vertexIdx, int boneIdx) override {
        Influence influence = influenceAt(vertexIdx, boneIdx, "GetAssignedBone");
        return influence.bone;
    }
    float GetBoneWeight(int vertexIdx, int boneIdx) override {
        Influence influence = influenceAt(vertexIdx, boneIdx, "GetBoneWeight");
        return influence.weight;
    }

    // Skin source: the table follows the point count of the object entering the modifier
    // (bonesdef.cpp ModifyObject, GetNumPoints), here kept by index.
    void evaluate(const Mesh* input, const std::vector<Point3>& bonePositions) {
        size_t points = input ? (size_t)input->numVerts : 0;
        if (points != vertices.size()) {
            vertices.resize(points);
            envelopesCurrent = false;
        }
        if (!envelopesCurrent && input)
            weighFromEnvelopes(*input, bonePositions);
        envelopesCurrent = true;
    }
    void bonesChanged() { envelopesCurrent = false; }
    void setWeights(int vertex, const std::vector<Influence>& list) {
        VertexWeights& slot = vertices[(size_t)vertex];
        // A list that fits where the vertex's last one was goes there; a longer one goes to
        // the end of the pool.
        if (!slot.given() || list.size() > slot.count) {
            slot.first = (uint32_t)pool.size();
            pool.resize(pool.size() + list.size());
        }
        std::copy(list.begin(), list.end(), pool.begin() + (std::ptrdiff_t)slot.first);
        slot.count = (uint32_t)list.size();
        slot.envelope = VertexWeights::kGiven;
    }

private:
    // One vertex: its influences, `count` of them from `first` in `pool`, once given weights;
    // before that the bone whose envelope weighs it.
    struct VertexWeights {
        static const int32_t kNone = -1;
        static const int32_t kGiven = -2;
        uint32_t first = 0;
        uint32_t count = 0;
        int32_t envelope = kNone;
        bool given() const { return envelope == kGiven; }
    };

    // All influences in one pool rather than a list per vertex: a skin of a million vertices
    // would otherwise make a million allocations.
    std::vector<VertexWeights> vertices;
    std::vector<Influence> pool;
    bool envelopesCurrent = false;

    // Skin source: a vertex never given weights is weighted from the bones' envelopes at each
    // evaluation (bonesdef.cpp RecomputeAllBones). Here the envelope of the bone nearest to
    // the vertex at bind time takes it whole, which is what a lone envelope gives it
    // (VertsWeightFunctions.cpp).
    void weighFromEnvelopes(const Mesh& input, const std::vector<Point3>& bonePositions) {
        for (size_t v = 0; v < vertices.size(); ++v) {
            VertexWeights& vertex = vertices[v];
            if (vertex.given())
                continue;
            vertex.envelope = VertexWeights::kNone;
            Point3 at = input.verts[v] * base.objectTm;
            float nearest = 0.0f;
            for (size_t b = 0; b < bonePositions.size(); ++b) {
                float distance = (bonePositions[b] - at).LengthSquared();
                if (vertex.envelope < 0 || distance < nearest) {
                    vertex.envelope = (int32_t)b;
                    nearest = distance;
                }
            }
        }
    }
    const VertexWeights* vertexAt(int vertexIdx, const char* operation) {
        if (vertexIdx >= 0 && vertexIdx < (int)vertices.size())
            return &vertices[(size_t)vertexIdx];
        misuse(std::string("ISkinContextData::") + operation + ": vertex " +
               std::to_string(vertexIdx) + " of " + std::to_string(vertices.size()));
        return nullptr;
    }
    Influence influenceAt(int vertexIdx, int boneIdx, const char* operation) {
        const VertexWeights* vertex = vertexAt(vertexIdx, operation);
        if (!vertex)
            return Influence{0, 0.0f};
        int count = GetNumAssignedBones(vertexIdx);
        if (boneIdx < 0 || boneIdx >= count) {
            misuse(std::string("ISkinContextData::") + operation + ": influence " +
                   std::to_string(boneIdx) + " of " + std::to_string(count) + " at vertex " +
                   std::to_string(vertexIdx));
            return Influence{0, 0.0f};
        }
        if (!vertex->given())
            return Influence{vertex->envelope, 1.0f};
        return pool[vertex->first + (size_t)boneIdx];
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

class SkinModifier : public Modifier, public hostimpl::PipelineModifier {
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

    // Skin source: the node's data is made when its pipeline runs the modifier (bonesdef.cpp
    // ModifyObject -> InitLocalData); nothing else makes it.
    Object* modify(Object* input, INode* node) override {
        if (!node)
            return input;
        std::unique_ptr<SkinContext>& slot = contexts[node];
        if (!slot)
            slot.reset(new SkinContext(node));
        Mesh* mesh = hostimpl::isTriObject(input) ? &static_cast<TriObject*>(input)->mesh : nullptr;
        slot->evaluate(mesh, bonePositions());
        return input;
    }

    std::vector<INode*> bones;
    std::map<INode*, BindTransforms> boneInit; // captured by AddBoneEx, changed by SetBoneTm

    int boneIndex(INode* node) const {
        auto found = std::find(bones.begin(), bones.end(), node);
        return found == bones.end() ? -1 : (int)(found - bones.begin());
    }
    bool carriedBy(INode* node) { return node && hostimpl::stackHolds(node->GetObjectRef(), this); }
    std::vector<INode*> carriers() {
        std::vector<INode*> nodes;
        for (INode* node : allNodesDepthFirst())
            if (carriedBy(node))
                nodes.push_back(node);
        return nodes;
    }
    // Skin source: GetBMD is NULL until the node has been evaluated (bonesdef.cpp).
    SkinContext* contextOf(INode* node) {
        if (!carriedBy(node))
            return nullptr;
        auto found = contexts.find(node);
        return found == contexts.end() ? nullptr : found->second.get();
    }
    void bonesChanged() {
        for (auto& context : contexts)
            context.second->bonesChanged();
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
    std::map<INode*, std::unique_ptr<SkinContext>> contexts;

    std::vector<Point3> bonePositions() {
        std::vector<Point3> positions;
        for (INode* bone : bones)
            positions.push_back(boneInit[bone].objectTm.GetTrans());
        return positions;
    }
};

int SkinQuery::GetBoneInitTM(INode* pNode, Matrix3& InitTM, bool bObjOffset) {
    if (skin.boneIndex(pNode) < 0)
        return SKIN_INVALID_NODE_PTR;
    const BindTransforms& bind = skin.boneInit[pNode];
    InitTM = bObjOffset ? bind.objectTm : bind.nodeTm;
    return SKIN_OK;
}

int SkinQuery::GetSkinInitTM(INode* pNode, Matrix3& InitTM, bool bObjOffset) {
    // Skin source: no data for the node, no transform (bonesdef.cpp GetSkinInitTM).
    SkinContext* context = skin.contextOf(pNode);
    if (!context)
        return SKIN_INVALID_NODE_PTR;
    InitTM = bObjOffset ? context->base.objectTm : context->base.nodeTm;
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

// Skin source: the bone's tm, the inverse of its initial object transform (bonesdef.cpp,
// iskin.h SetBoneTm).
Matrix3 SkinQuery::GetBoneTm(int id) {
    if (!skin.boneIndexValid(id, "GetBoneTm"))
        return Matrix3(TRUE);
    return Inverse(skin.boneInit[skin.bones[(size_t)id]].objectTm);
}

BOOL SkinImport::AddBoneEx(INode* boneNode, BOOL update) {
    // Skin source: the node is dereferenced without a check (commandmodes.cpp AddBoneEx).
    if (!boneNode) {
        misuse("ISkinImportData::AddBoneEx: NULL bone");
        return FALSE;
    }
    // Skin source: a bone that depends on the skin, as the skinned node itself does, is
    // refused (commandmodes.cpp dependency test).
    if (skin.carriedBy(boneNode))
        return FALSE;
    // Skin source: so is a bone whose world state has no object (commandmodes.cpp).
    if (!boneNode->EvalWorldState(0).obj)
        return FALSE;
    // Skin source: a modifier that sits on no node takes no bone (commandmodes.cpp).
    std::vector<INode*> nodes = skin.carriers();
    if (nodes.empty())
        return FALSE;
    if (skin.boneIndex(boneNode) < 0) {
        skin.bones.push_back(boneNode);
        // Skin source: the bone's transforms are captured as it is added (commandmodes.cpp).
        skin.boneInit[boneNode] = BindTransforms{boneNode->GetObjectTM(0), boneNode->GetNodeTM(0)};
        skin.bonesChanged();
    }
    // Skin source (2026): update evaluates every node the modifier sits on (commandmodes.cpp);
    // the header promises only a UI update (iskin.h), so it is the embedding program's choice.
    if (update && updateEvaluates)
        for (INode* node : nodes)
            node->EvalWorldState(0);
    return TRUE;
}

// Skin source: FALSE while the node has no data, that is before its evaluation
// (commandmodes.cpp SetSkinTm).
BOOL SkinImport::SetSkinTm(INode* skinNode, Matrix3 objectTm, Matrix3 nodeTm) {
    SkinContext* context = skinNode ? skin.contextOf(skinNode) : nullptr;
    if (!context)
        return FALSE;
    context->base = BindTransforms{objectTm, nodeTm};
    return TRUE;
}

// Skin source: FALSE for a bone not added (commandmodes.cpp SetBoneTm).
BOOL SkinImport::SetBoneTm(INode* boneNode, Matrix3 objectTm, Matrix3 nodeTm) {
    if (!boneNode || skin.boneIndex(boneNode) < 0)
        return FALSE;
    skin.boneInit[boneNode] = BindTransforms{objectTm, nodeTm};
    skin.bonesChanged();
    return TRUE;
}

// Skin source: FALSE, changing nothing, for a NULL node, lists of different lengths, a node
// without data (not yet evaluated), a NULL bone or one never added (commandmodes.cpp
// AddWeights).
BOOL SkinImport::AddWeights(INode* skinNode, int vertexID, Tab<INode*>& boneNodeList,
                            Tab<float>& weights) {
    if (!skinNode || boneNodeList.Count() != weights.Count())
        return FALSE;
    SkinContext* context = skin.contextOf(skinNode);
    if (!context)
        return FALSE;
    std::vector<Influence>& list = scratch;
    list.clear();
    for (int k = 0; k < boneNodeList.Count(); ++k) {
        int bone = boneNodeList[k] ? skin.boneIndex(boneNodeList[k]) : -1;
        if (bone < 0)
            return FALSE;
        list.push_back(Influence{bone, weights[k]});
    }
    // Max grows its table for a vertex beyond it; here that is a fault of the caller.
    int points = context->GetNumPoints();
    if (vertexID < 0 || vertexID >= points) {
        misuse("ISkinImportData::AddWeights: vertex " + std::to_string(vertexID) + " of node \"" +
               hostimpl::narrow(skinNode->GetName()) + "\", whose Skin has " +
               std::to_string(points) + " points");
        return FALSE;
    }
    // Skin source: normalised at the next evaluation (commandmodes.cpp, bonesdef.cpp); here at
    // once, as every read comes after one.
    normalise(list);
    context->setWeights(vertexID, list);
    return TRUE;
}

} // namespace

namespace hostimpl {
Modifier* newSkinModifier() {
    return new SkinModifier();
}
} // namespace hostimpl

void setSkinUpdateEvaluates(bool evaluates) {
    updateEvaluates = evaluates;
}

bool skinUpdateEvaluates() {
    return updateEvaluates;
}
