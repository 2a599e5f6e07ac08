#include "cli/Mesh8Unkept.h"

#include "cli/Console.h"
#include "format/TextField.h"
#include "host/embed/MemoryHost.h"

#include <vector>

namespace mshtool {
namespace {

bool takenByExporter(INode* node, bool selectedOnly) {
    return node->GetBoneNodeOnOff() != TRUE && !node->IsHidden(0, FALSE) &&
           (!selectedOnly || node->Selected());
}

bool twoSided(INode* node) {
    Mtl* material = node->GetMtl();
    return material && material->ClassID() == Class_ID(DMTL_CLASS_ID, 0) &&
           static_cast<StdMat*>(material)->GetTwoSided();
}

std::string namesText(const std::vector<std::string>& names) {
    const size_t listed = 3;
    std::string text;
    for (size_t i = 0; i < names.size() && i < listed; ++i)
        text += (i ? ", \"" : "\"") + names[i] + "\"";
    if (names.size() > listed)
        text += " and " + std::to_string(names.size() - listed) + " more";
    return text;
}

} // namespace

void printTwoSidedNotKeptInMesh8(const std::string& file, bool selectedOnly) {
    std::vector<std::string> names;
    for (INode* node : allNodesDepthFirst())
        if (takenByExporter(node, selectedOnly) && twoSided(node))
            names.push_back(toUtf8(node->GetName()));
    if (names.empty())
        return;
    printWarning("mshtool: " + file + ": not kept: the two-sided flag of " + namesText(names) +
                 " (the Mesh8 layout cannot carry it)");
}

} // namespace mshtool
