#ifndef MSH_EXPORTER_ASSEMBLYCONTEXT_H
#define MSH_EXPORTER_ASSEMBLYCONTEXT_H

#include "exporter/ExportReport.h"
#include "host/INode.h"
#include "host/Interface.h"

#include <string>

/// What record assembly needs besides the node: the host, where losses are reported, the
/// file the records go to (named in every reported item) and whether only the selection is
/// exported.
struct AssemblyContext {
    Interface* ip;
    ExportReport* report;
    std::wstring fileLabel;
    bool selectedOnly;

    AssemblyContext(Interface* host, ExportReport* losses, const std::wstring& label,
                    bool selectionOnly)
        : ip(host), report(losses), fileLabel(label), selectedOnly(selectionOnly) {}

    /// True when `parent`, a node's parent, is a scene node that this export of the selection
    /// leaves out: the record then names no parent and stands at its world place, since no
    /// file of the export holds the parent for the importer to find.
    bool leavesOut(INode* parent) const {
        return selectedOnly && parent && parent != ip->GetRootNode() && !parent->IsRootNode() &&
               !parent->Selected();
    }

    /// Notes that node `name` stands at the top because its parent is not in the selection.
    void noteAtTop(const std::wstring& name, INode* parent) const {
        report->note(nodeLabel(name) +
                     L" written at the top with its world transform: its "
                     L"parent " +
                     quoted(parent->GetName()) + L" is not selected");
    }

    /// `fileLabel` + ": node "name"" — how items about one node begin.
    std::wstring nodeLabel(const std::wstring& nodeName) const {
        return fileLabel + L": node " + quoted(nodeName);
    }
};

#endif
