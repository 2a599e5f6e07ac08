#include "exporter/LegacyAssembly.h"
#include "exporter/LegacySkinTable.h"
#include "host/max.h"

namespace {

// The last Skin modifier of the node's stack wins, also when it offers no skin interface.
ISkin* findSkin(INode* node) {
    Object* reference = node->GetObjectRef();
    if (!reference || reference->SuperClassID() != GEN_DERIVOB_CLASS_ID)
        return NULL;
    IDerivedObject* stack = static_cast<IDerivedObject*>(reference);
    ISkin* skin = NULL;
    for (int i = 0; i < stack->NumModifiers(); ++i) {
        Modifier* modifier = stack->GetModifier(i);
        if (modifier && modifier->ClassID() == SKIN_CLASSID)
            skin = static_cast<ISkin*>(modifier->GetInterface(I_SKIN));
    }
    return skin;
}

// Influences naming a bone the skin does not list cannot be written; they are skipped.
SkinPoints readSkinPoints(ISkin* skin, ISkinContextData* context) {
    int numPoints = context->GetNumPoints();
    int numBones = skin->GetNumBones();
    SkinPoints points(numPoints);
    for (int k = 0; k < numPoints; ++k) {
        int assigned = context->GetNumAssignedBones(k);
        if (assigned > 0)
            points[k].reserve(static_cast<size_t>(assigned));
        for (int l = 0; l < assigned; ++l) {
            int bone = context->GetAssignedBone(k, l);
            if (bone >= 0 && bone < numBones)
                points[k].push_back(Influence(bone, context->GetBoneWeight(k, l)));
        }
    }
    return points;
}

std::wstring boneName(ISkin* skin, int bone) {
    INode* node = skin->GetBone(bone);
    const MCHAR* name = node ? node->GetName() : NULL;
    return name ? name : L"";
}

void reportSkinLosses(const LegacySkinTable& table, ISkin* skin, const std::wstring& label,
                      ExportReport& report) {
    if (table.nonFinitePoints > 0)
        report.add(label + L": " + nonFiniteWeightsNote(table.nonFinitePoints));
    if (table.cappedPoints > 0)
        report.add(label + L": " + cappedInfluencesNote(table.cappedPoints));
    if (table.droppedBones.empty())
        return;
    std::wstring names;
    for (size_t i = 0; i < table.droppedBones.size(); ++i)
        names += (i ? L", " : L"") + quoted(boneName(skin, table.droppedBones[i]));
    report.add(label + L": the skin uses more than four bones; the influences of " + names +
               L" on " + countText(table.pointsLosingBones) +
               L" vertices were dropped, a record names at most four bones");
}

} // namespace

bool fillLegacySkin(MshObject& record, INode* node, const AssemblyContext& context) {
    record.numBones = 0;
    record.skinVertices.clear();
    record.header.numSkinVerts = 0;
    ISkin* skin = findSkin(node);
    // A Skin without bones binds nothing (the importer puts one on every legacy object), so
    // it is written as no skin, and a re-export gives the file it came from.
    ISkinContextData* skinData =
        skin && skin->GetNumBones() > 0 ? skin->GetContextInterface(node) : NULL;
    if (!skinData)
        return true;

    std::wstring name = node->GetName();
    std::wstring label = context.nodeLabel(name);
    // The Skin numbers the points of the object entering it; a modifier above it that
    // changes the vertices would put the weights on the wrong ones.
    if (skinData->GetNumPoints() != static_cast<int>(record.vertices.size())) {
        context.report->add(skinMismatchNote(label, skinData->GetNumPoints(),
                                             static_cast<int>(record.vertices.size())));
        return true;
    }
    if (skinData->GetNumPoints() > LEGACY_MAX_ENTRIES) {
        context.report->add(label + L" left out: its skin has " +
                            countText(skinData->GetNumPoints()) +
                            L" points, a record holds at most " + countText(LEGACY_MAX_ENTRIES));
        return false;
    }

    LegacySkinTable table = buildLegacySkinTable(readSkinPoints(skin, skinData));
    record.numBones = static_cast<int32_t>(table.bones.size());
    for (size_t i = 0; i < table.bones.size(); ++i)
        storeReportedText(record.boneNames[i], MSH_TEXT_FIELD_SIZE, boneName(skin, table.bones[i]),
                          label + L": bone name", *context.report);
    record.skinVertices.swap(table.entries);
    record.header.numSkinVerts = static_cast<uint16_t>(record.skinVertices.size());
    reportSkinLosses(table, skin, label, *context.report);
    return true;
}
