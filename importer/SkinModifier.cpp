#include "importer/SkinModifier.h"

#include "format/MshLayout.h"

ISkinImportData* attachSkinModifier(Interface* ip, INode* node, Object* object) {
    Modifier* skin = static_cast<Modifier*>(ip->CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
    if (skin == NULL)
        return NULL;
    ISkinImportData* skinImport =
        static_cast<ISkinImportData*>(skin->GetInterface(I_SKINIMPORTDATA));
    IDerivedObject* derived = CreateDerivedObject(object);
    node->SetObjectRef(derived);
    derived->AddModifier(skin, NULL, 0);
    if (skinImport != NULL) {
        Matrix3 objectTM = node->GetObjectTM(0);
        skinImport->SetSkinTm(node, objectTM, objectTM);
    }
    return skinImport;
}

VertexWeightWriter::VertexWeightWriter(ISkinImportData* skinImport_, INode* node_)
    : skinImport(skinImport_), node(node_) {}

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
    skinImport->AddWeights(node, vertex, boneList, weightList);
}
