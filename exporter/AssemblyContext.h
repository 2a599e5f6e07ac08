#ifndef MSH_EXPORTER_ASSEMBLYCONTEXT_H
#define MSH_EXPORTER_ASSEMBLYCONTEXT_H

#include "exporter/ExportReport.h"

#include <string>

class Interface;

/// What record assembly needs besides the node: the host, where losses are reported, and
/// the file the records go to (named in every reported item).
struct AssemblyContext {
    Interface* ip;
    ExportReport* report;
    std::wstring fileLabel;

    AssemblyContext(Interface* host, ExportReport* losses, const std::wstring& label)
        : ip(host), report(losses), fileLabel(label) {}

    /// `fileLabel` + ": node "name"" — how items about one node begin.
    std::wstring nodeLabel(const std::wstring& nodeName) const {
        return fileLabel + L": node " + quoted(nodeName);
    }
};

#endif
