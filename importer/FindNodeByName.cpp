#include "importer/FindNodeByName.h"

#include "host/WinApi.h"

#include <vector>

std::wstring nodeNameFromField(const std::string& fieldText) {
    if (fieldText.empty())
        return std::wstring();
    int textBytes = static_cast<int>(fieldText.size());
    int units = MultiByteToWideChar(CP_ACP, 0, fieldText.data(), textBytes, NULL, 0);
    if (units <= 0)
        return std::wstring();
    std::vector<WCHAR> wide(static_cast<size_t>(units));
    MultiByteToWideChar(CP_ACP, 0, fieldText.data(), textBytes, &wide[0], units);
    return std::wstring(wide.begin(), wide.end());
}

INode* findNodeByName(const std::string& name, INode* start) {
    if (start == NULL)
        return NULL;
    std::wstring wanted = nodeNameFromField(name);
    // An explicit stack instead of recursion: a chain of parents as long as a file can hold
    // must not exhaust the host's thread stack. Children are pushed last first so they are
    // visited in index order, each subtree before its next sibling.
    std::vector<INode*> pending;
    for (int i = start->NumberOfChildren() - 1; i >= 0; --i)
        pending.push_back(start->GetChildNode(i));
    while (!pending.empty()) {
        INode* node = pending.back();
        pending.pop_back();
        if (node == NULL)
            continue;
        const MCHAR* nodeName = node->GetName();
        if (nodeName != NULL && lstrcmpW(nodeName, wanted.c_str()) == 0)
            return node;
        for (int i = node->NumberOfChildren() - 1; i >= 0; --i)
            pending.push_back(node->GetChildNode(i));
    }
    return NULL;
}
