#include "importer/SkinBinding.h"

#include "format/TextField.h"
#include "importer/FindNodeByName.h"
#include "importer/ImportMessages.h"
#include "importer/SkinModifier.h"

namespace {

int usedSlots(const Mesh8BoneRecord& boneRecord) {
    if (boneRecord.numBones <= 0)
        return 0;
    return boneRecord.numBones < MSH_MAX_BONES ? boneRecord.numBones : MSH_MAX_BONES;
}

} // namespace

void collectBoneNames(Mesh8Object& object) {
    const Mesh8Record& record = object.record;
    size_t examined = record.header.numSkinVerts;
    if (examined > record.boneRecords.size())
        examined = record.boneRecords.size();
    for (size_t i = 0; i < examined; ++i) {
        const Mesh8BoneRecord& boneRecord = record.boneRecords[i];
        for (int k = 0; k < usedSlots(boneRecord); ++k)
            object.boneNameSet.insert(readTextField(boneRecord.boneNames[k], MSH_TEXT_FIELD_SIZE));
    }
}

bool bindSkin(Mesh8Object& object, Interface* ip) {
    if (object.boneNameSet.empty())
        return false;
    object.skinImport = attachSkinModifier(ip, object.node, object.triObject);
    if (object.skinImport == NULL)
        return false;
    std::string name = readTextField(object.record.header.name, MSH_TEXT_FIELD_SIZE);
    bool allFound = true;
    for (std::set<std::string>::const_iterator it = object.boneNameSet.begin();
         it != object.boneNameSet.end(); ++it) {
        INode* bone = findNodeByName(*it, ip->GetRootNode());
        if (bone == NULL) {
            reportMissingBone(name, *it);
            allFound = false;
            continue;
        }
        std::set<std::string>::const_iterator next = it;
        if (!addSkinBone(object.skinImport, bone, ++next == object.boneNameSet.end())) {
            reportRefusedBone(name, *it);
            allFound = false;
            continue;
        }
        object.boneNodes.Append(1, &bone);
        object.boneByName[*it] = bone;
    }
    if (!prepareSkinWeights(object.skinImport, object.node, object.mesh->getNumVerts())) {
        reportSkinWithoutData(name);
        return false;
    }
    return allFound;
}

void applySkinWeights(Mesh8Object& object) {
    const Mesh8Record& record = object.record;
    size_t numWelded = object.weldList.size();
    if (object.skinImport == NULL || record.header.numSkinVerts < numWelded)
        return;
    VertexWeightWriter writer(object.skinImport, object.node);
    for (size_t i = 0; i < numWelded; ++i) {
        const Mesh8BoneRecord& boneRecord = record.boneRecords[i];
        const float* weights = object.weldList[i].source->weight;
        INode* bones[MSH_MAX_BONES];
        int count = usedSlots(boneRecord);
        for (int l = 0; l < count; ++l) {
            std::string boneName = readTextField(boneRecord.boneNames[l], MSH_TEXT_FIELD_SIZE);
            std::map<std::string, INode*>::const_iterator found = object.boneByName.find(boneName);
            bones[l] = found == object.boneByName.end() ? NULL : found->second;
        }
        writer.add(static_cast<int>(i), bones, weights, count);
    }
    writer.reportProblems(readTextField(record.header.name, MSH_TEXT_FIELD_SIZE));
}
