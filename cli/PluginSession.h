#pragma once
// Imports and exports through the real plug-in modules on the in-memory scene, as 3ds Max
// would run them, with the plug-ins' message boxes shown on stderr and the exporter's two
// questions answered from the command line.

#include "cli/PluginModules.h"

#include <memory>
#include <string>

namespace mshtool {

class PluginSession {
public:
    /// Installs the message-box handler; the modules are loaded on first use.
    PluginSession();
    ~PluginSession();
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    /// DoImport of a fresh importer object on `path`. False when the importer reports failure
    /// (it has said why in a message).
    bool importFile(const std::string& path);
    /// DoExport of a fresh exporter object to `path`, answering "Export bones?" with
    /// `bones` and "Use Mesh8 structure?" with `mesh8`; `selectedOnly` passes the host's
    /// export-selected option.
    bool exportFile(const std::string& path, bool bones, bool mesh8, bool selectedOnly);

    /// True when a plug-in showed a message other than the export questions since the last
    /// call of clearMessages (a missing parent or bone, a loss, a failure).
    bool sawMessages() const { return messages > 0; }
    void clearMessages() { messages = 0; }

private:
    std::unique_ptr<PluginModule> importer;
    std::unique_ptr<PluginModule> exporter;
    bool answerBones = false;
    bool answerMesh8 = false;
    int messages = 0;
};

} // namespace mshtool
