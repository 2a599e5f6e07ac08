#include "exporter/SceneSaver.h"

#include "exporter/LegacyAssembly.h"
#include "host/max.h"

SceneSaver::SceneSaver(Interface* host, ExportReport& report, const std::wstring& fileLabel)
    : bonesOnly(false), selectedOnly(false), ip(host), output(NULL), losses(&report),
      label(fileLabel) {}

void SceneSaver::beginPass(bool bonePass, const std::wstring& fileLabel,
                           RecordStream<MshObject>* stream) {
    bonesOnly = bonePass;
    label = fileLabel;
    output = stream;
    records.clear();
}

bool SceneSaver::accepts(INode* node) {
    if (node->IsHidden(0, FALSE))
        return false;
    if ((node->GetBoneNodeOnOff() == TRUE) != bonesOnly)
        return false;
    return !selectedOnly || node->Selected();
}

int SceneSaver::callback(INode* node) {
    // Nothing may unwind through the host's enumeration (3ds Max would not survive it).
    try {
        take(node);
        return TREE_CONTINUE;
    } catch (...) {
        failure = std::current_exception();
        return TREE_ABORT;
    }
}

void SceneSaver::enumerate(IScene& scene) {
    failure = std::exception_ptr();
    scene.EnumTree(this);
    if (failure)
        std::rethrow_exception(failure);
}

void SceneSaver::take(INode* node) {
    if (!accepts(node))
        return;
    AssemblyContext context(ip, losses, label, selectedOnly);
    // In the bone pass a helper flagged as a bone is kept with empty geometry, so the
    // skeleton keeps its hierarchy; in the mesh pass lights, cameras and helpers are left out.
    if (output) {
        MshObject record;
        if (buildMshObject(record, node, bonesOnly, context))
            output->add(record);
        return;
    }
    // Built where it is kept, not copied there: a record can hold megabytes.
    records.push_back(MshObject());
    if (!buildMshObject(records.back(), node, bonesOnly, context))
        records.pop_back();
}
