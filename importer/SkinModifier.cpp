#include "importer/SkinModifier.h"

#include "format/MshLayout.h"
#include "format/UnitWeights.h"
#include "importer/ImportMessages.h"

namespace {

// Weights written by hand or by tools that round them may miss 1 by this much without a word.
const float kWeightSumTolerance = 0.001f;

bool offOne(float sum) {
    return sum < 1.0f - kWeightSumTolerance || sum > 1.0f + kWeightSumTolerance;
}

} // namespace

ISkinImportData* attachSkinModifier(Interface* ip, INode* node, Object* object) {
    Modifier* skin = static_cast<Modifier*>(ip->CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
    if (skin == NULL)
        return NULL;
    ISkinImportData* skinImport =
        static_cast<ISkinImportData*>(skin->GetInterface(I_SKINIMPORTDATA));
    IDerivedObject* derived = CreateDerivedObject(object);
    node->SetObjectRef(derived);
    derived->AddModifier(skin, NULL, 0);
    return skinImport;
}

bool addSkinBone(ISkinImportData* skinImport, INode* bone, bool update) {
    return skinImport->AddBoneEx(bone, update ? TRUE : FALSE) != FALSE;
}

bool prepareSkinWeights(ISkinImportData* skinImport, INode* node, int numVerts) {
    // The Skin makes its data for a node only when the node is evaluated; until then it
    // refuses the base transform and every weight.
    node->EvalWorldState(0);
    Matrix3 objectTM = node->GetObjectTM(0);
    if (!skinImport->SetSkinTm(node, objectTM, objectTM))
        return false;
    // A vertex never given weights takes them from the bones' envelopes; an empty list gives
    // it none.
    Tab<INode*> noBones;
    Tab<float> noWeights;
    for (int v = 0; v < numVerts; ++v)
        skinImport->AddWeights(node, v, noBones, noWeights);
    return true;
}

VertexWeightWriter::VertexWeightWriter(ISkinImportData* skinImport_, INode* node_)
    : skinImport(skinImport_), node(node_), rescaled(0), unusable(0), refused(0), firstRefused(0) {}

void VertexWeightWriter::add(int vertex, INode* const* bones, const float* weights, int count) {
    boneList.ZeroCount();
    weightList.ZeroCount();
    for (int k = 0; k < count; ++k) {
        INode* bone = bones[k];
        if (bone == NULL)
            continue;
        int at = 0;
        while (at < boneList.Count() && boneList[at] != bone)
            ++at;
        if (at < boneList.Count()) {
            weightList[at] += weights[k];
            continue;
        }
        float weight = weights[k];
        boneList.Append(1, &bone, MSH_MAX_BONES);
        weightList.Append(1, &weight, MSH_MAX_BONES);
    }
    if (weightList.Count() > 0) {
        float sum = weightSum(weightList.Addr(0), weightList.Count());
        if (!makeWeightsSumToOne(weightList.Addr(0), weightList.Count())) {
            // The Skin would divide by that sum; the vertex is better left without weights.
            ++unusable;
            boneList.ZeroCount();
            weightList.ZeroCount();
        } else if (offOne(sum)) {
            ++rescaled;
        }
    }
    if (!skinImport->AddWeights(node, vertex, boneList, weightList)) {
        firstRefused = refused == 0 ? vertex : firstRefused;
        ++refused;
    }
}

void VertexWeightWriter::reportProblems(const std::string& objectName) const {
    if (rescaled > 0)
        reportRescaledWeights(objectName, rescaled);
    if (unusable > 0)
        reportUnusableWeights(objectName, unusable);
    if (refused > 0)
        reportRefusedWeights(objectName, refused, firstRefused);
}
