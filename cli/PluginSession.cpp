#include "cli/PluginSession.h"

#include "cli/Console.h"
#include "cli/Platform.h"
#include "format/TextField.h"
#include "host/embed/MemoryHost.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

namespace mshtool {

namespace {

// The exporter's published options, as a script reaches them (exportOptions.exportBones).
void setExportOption(const PluginModule& module, const MCHAR* name, bool answer) {
    if (!setPublishedProperty(*module.descriptor(), L"exportOptions", name, answer ? TRUE : FALSE))
        throw std::runtime_error(module.path().filename().string() + ": the export option " +
                                 toUtf8(name) + " cannot be set");
}

} // namespace

PluginSession::PluginSession() {
    // The plug-ins run with prompts suppressed: what their boxes would show is in the log.
    setLogHandler([this](const LogEntryCall& entry) {
        if (entry.type != SYSLOG_INFO) // an info line tells what the user chose, no loss
            ++messages;
        // One line per line of the entry, each with its title, so every line can be found
        // by the title.
        std::string title = toUtf8(entry.title), text = toUtf8(entry.text);
        for (size_t start = 0; start <= text.size();) {
            size_t end = std::min(text.find('\n', start), text.size());
            size_t cut = end > start && text[end - 1] == '\r' ? end - 1 : end;
            if (cut > start || text.empty())
                printMessage(title + ": " + text.substr(start, cut - start));
            start = end + 1;
        }
    });
}

PluginSession::~PluginSession() {
    setLogHandler(LogHandler());
}

bool PluginSession::importFile(const std::string& path) {
    if (!importer)
        importer.reset(new PluginModule(importModuleName));
    std::unique_ptr<SceneImport> plugin = createImporter(*importer);
    std::wstring name = fromUtf8(path);
    return importThroughHost(*plugin, name.c_str(), TRUE) == IMPEXP_SUCCESS;
}

bool PluginSession::exportFile(const std::string& path, bool bones, bool mesh8, bool selectedOnly) {
    if (!exporter)
        exporter.reset(new PluginModule(exportModuleName));
    // The host's file dialog only offers folders that exist; the command line may name new ones.
    std::filesystem::path folder = pathOf(path).parent_path();
    std::error_code code;
    if (!folder.empty())
        std::filesystem::create_directories(folder, code);
    setExportOption(*exporter, L"exportBones", bones);
    setExportOption(*exporter, L"useMesh8", mesh8);
    std::unique_ptr<SceneExport> plugin = createExporter(*exporter);
    std::wstring name = fromUtf8(path);
    DWORD options = selectedOnly ? SCENE_EXPORT_SELECTED : 0;
    return exportThroughHost(*plugin, name.c_str(), TRUE, options) == IMPEXP_SUCCESS;
}

} // namespace mshtool
