#include "importer/SkinModifier.h"

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

void addVertexWeights(ISkinImportData* skinImport, INode* node, int vertex, INode* const* bones,
                      const float* weights, int count) {
    Tab<INode*> boneList;
    Tab<float> weightList;
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
        boneList.Append(1, &bone);
        weightList.Append(1, &weight);
    }
    skinImport->AddWeights(node, vertex, boneList, weightList);
}
