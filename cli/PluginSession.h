#pragma once
// Imports and exports through the real plug-in modules on the in-memory scene, as a script
// runs them in 3ds Max: with prompts suppressed, the exporter's two answers set through its
// published options, and the plug-ins' messages taken from the host's log and shown on stderr.

#include "cli/PluginModules.h"

#include <memory>
#include <string>

namespace mshtool {

class PluginSession {
public:
    /// Installs the log handler; the modules are loaded on first use.
    PluginSession();
    ~PluginSession();
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    /// DoImport of a fresh importer object on `path`. False when the importer reports failure
    /// (it has said why in a message).
    bool importFile(const std::string& path);
    /// DoExport of a fresh exporter object to `path`, the answer to "Export bones?" set to
    /// `bones` and to "Use Mesh8 structure?" to `mesh8` through the exporter's published
    /// options; `selectedOnly` passes the host's export-selected option.
    bool exportFile(const std::string& path, bool bones, bool mesh8, bool selectedOnly);

    /// True when a plug-in logged a warning or an error since the last call of clearMessages (a
    /// missing parent or bone, a loss, a failure); info lines are shown and not counted.
    bool sawMessages() const { return messages > 0; }
    void clearMessages() { messages = 0; }

private:
    std::unique_ptr<PluginModule> importer;
    std::unique_ptr<PluginModule> exporter;
    int messages = 0;
};

} // namespace mshtool
