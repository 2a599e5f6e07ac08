#include "importer/RecordNode.h"

#include "format/TextField.h"
#include "importer/FindNodeByName.h"
#include "importer/ImportMessages.h"

namespace {

// "NULL" (or nothing) stands for the scene root.
bool namesSceneRoot(const std::string& parentName) {
    return parentName.empty() || parentName == "NULL";
}

void linkParent(Interface* ip, INode* node, const MshObjectHeader& header) {
    std::string parentName = readTextField(header.parentName, MSH_TEXT_FIELD_SIZE);
    if (namesSceneRoot(parentName))
        return;
    // The node is already named, so a record that names itself as parent finds itself when
    // no earlier node has the name: that parent is missing too, not a link into a cycle.
    INode* parent = findNodeByName(parentName, ip->GetRootNode());
    if (parent == NULL || parent == node) {
        reportMissingParent(readTextField(header.name, MSH_TEXT_FIELD_SIZE), parentName);
        return;
    }
    // The world transform is set afterwards, so the child's own transform need not be kept.
    parent->AttachChild(node, FALSE);
}

} // namespace

Matrix3 matrixFromRows(const float rows[4][4]) {
    Matrix3 tm(TRUE);
    for (int r = 0; r < 4; ++r)
        tm.SetRow(r, Point3(rows[r][0], rows[r][1], rows[r][2]));
    return tm;
}

INode* createRecordNode(Interface* ip, Object* object, const MshObjectHeader& header, bool isBone) {
    INode* node = ip->CreateObjectNode(object);
    std::wstring name = nodeNameFromField(readTextField(header.name, MSH_TEXT_FIELD_SIZE));
    node->SetName(name.c_str());
    if (isBone)
        node->SetBoneNodeOnOff(TRUE, 0);
    linkParent(ip, node, header);
    Matrix3 worldTM = matrixFromRows(header.worldTM);
    node->SetNodeTM(0, worldTM);
    return node;
}
