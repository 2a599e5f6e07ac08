#include "importer/SkinBinding.h"

#include "format/TextField.h"
#include "importer/FindNodeByName.h"
#include "importer/ImportMessages.h"
#include "importer/SkinModifier.h"

bool bindSkin(MshLegacyObject& object, Interface* ip) {
    const LegacyRecord& record = object.record;
    object.skinImport = attachSkinModifier(ip, object.node, object.triObject);
    if (object.skinImport == NULL)
        return false;
    std::string name = readTextField(record.header.name, MSH_TEXT_FIELD_SIZE);
    bool allFound = true;
    for (int i = 0; i < record.numBones; ++i) {
        std::string boneName = readTextField(record.boneNames[i], MSH_TEXT_FIELD_SIZE);
        INode* bone = findNodeByName(boneName, ip->GetRootNode());
        if (bone == NULL) {
            reportMissingBone(name, boneName);
            allFound = false;
            continue;
        }
        // The Skin takes a bone's initial transform only once the bone is added.
        Matrix3 boneTM = bone->GetNodeTM(0);
        if (!addSkinBone(object.skinImport, bone, i + 1 == record.numBones) ||
            !object.skinImport->SetBoneTm(bone, boneTM, boneTM)) {
            reportRefusedBone(name, boneName);
            allFound = false;
            continue;
        }
        // Only a bone the Skin took: a refused one may be the mesh itself.
        bone->SetBoneNodeOnOff(TRUE, 0);
        object.boneNodes.Append(1, &bone);
    }
    if (!prepareSkinWeights(object.skinImport, object.node,
                            object.triObject->GetMesh().getNumVerts())) {
        reportSkinWithoutData(name);
        return false;
    }
    return allFound;
}

namespace {

// One message for the record, naming the first entry skipped and how many were.
void reportSkippedEntries(const MshLegacyObject& object, size_t first, size_t skipped) {
    const LegacyRecord& record = object.record;
    MshError error = object.place.errorHere(readTextField(record.header.name, MSH_TEXT_FIELD_SIZE));
    failSkinVertexOutside(record, first, object.place.offset, error);
    reportSkippedSkinEntries(error, skipped);
}

} // namespace

void applySkinWeights(MshLegacyObject& object) {
    const LegacyRecord& record = object.record;
    // The reader has checked each count against 0 to 4 and each bone number against
    // `numBones`; with every bone found, `boneNodes` matches the record's bone list.
    if (object.skinImport == NULL || object.boneNodes.Count() != record.numBones)
        return;
    size_t skipped = 0, firstSkipped = 0;
    VertexWeightWriter writer(object.skinImport, object.node);
    for (size_t e = 0; e < record.skinVertices.size(); ++e) {
        if (!skinVertexInRecord(record, e)) {
            firstSkipped = skipped == 0 ? e : firstSkipped;
            ++skipped;
            continue;
        }
        const MshSkinVertex& entry = record.skinVertices[e];
        INode* bones[MSH_MAX_BONES];
        for (int k = 0; k < entry.count; ++k)
            bones[k] = object.boneNodes[entry.bone[k]];
        writer.add(entry.vertex, bones, entry.weight, entry.count);
    }
    writer.reportProblems(readTextField(record.header.name, MSH_TEXT_FIELD_SIZE));
    if (skipped > 0) {
        object.inconsistent = true;
        reportSkippedEntries(object, firstSkipped, skipped);
    }
}
