#pragma once
// Whole imports and exports through the plug-in classes, as the host's commands call them:
// a fresh plug-in object per file, message boxes answered by script and counted.

#include <string>

namespace bench {

/// What one DoImport or DoExport call did.
struct PluginRun {
    int result = 0;
    int messageBoxes = 0;     ///< boxes shown besides the exporter's two questions
    std::string firstMessage; ///< the first such box's text, for error reports
    bool succeeded() const { return result == 1 && messageBoxes == 0; }
};

/// DoImport of `path` into the current scene.
PluginRun importFile(const std::string& path);

/// DoExport of the whole scene to `path`, answering "Export bones?" with `bones` and
/// "Use Mesh8 structure?" with `mesh8`.
PluginRun exportScene(const std::string& path, bool bones, bool mesh8);

/// Empties the scene, then imports the bone file and the mesh file in that order; false (with
/// `why`) when either import fails or shows a message.
bool importModel(const std::string& bonePath, const std::string& meshPath, std::string& why);

} // namespace bench
