#include "cli/PluginSession.h"

#include "cli/Console.h"
#include "cli/Platform.h"
#include "format/TextField.h"
#include "host/embed/MemoryHost.h"

#include <algorithm>
#include <filesystem>

namespace mshtool {

PluginSession::PluginSession() {
    setMessageBoxHandler([this](const MessageBoxCall& call) {
        if ((call.type & 0xF) == MB_YESNO) {
            if (call.text == L"Export bones?")
                return answerBones ? IDYES : IDNO;
            if (call.text == L"Use Mesh8 structure?")
                return answerMesh8 ? IDYES : IDNO;
        }
        ++messages;
        // One line per line of the box, each with its caption, so every line can be found
        // by the caption.
        std::string caption = toUtf8(call.caption), text = toUtf8(call.text);
        for (size_t start = 0; start <= text.size();) {
            size_t end = std::min(text.find('\n', start), text.size());
            size_t cut = end > start && text[end - 1] == '\r' ? end - 1 : end;
            if (cut > start || text.empty())
                printMessage(caption + ": " + text.substr(start, cut - start));
            start = end + 1;
        }
        return unattendedAnswer(call.type);
    });
}

PluginSession::~PluginSession() {
    setMessageBoxHandler(MessageBoxHandler());
}

bool PluginSession::importFile(const std::string& path) {
    if (!importer)
        importer.reset(new PluginModule(importModuleName));
    std::unique_ptr<SceneImport> plugin = createImporter(*importer);
    std::wstring name = fromUtf8(path);
    return plugin->DoImport(name.c_str(), importInterface(), GetCOREInterface(), FALSE) ==
           IMPEXP_SUCCESS;
}

bool PluginSession::exportFile(const std::string& path, bool bones, bool mesh8, bool selectedOnly) {
    if (!exporter)
        exporter.reset(new PluginModule(exportModuleName));
    // The host's file dialog only offers folders that exist; the command line may name new ones.
    std::filesystem::path folder = pathOf(path).parent_path();
    std::error_code code;
    if (!folder.empty())
        std::filesystem::create_directories(folder, code);
    answerBones = bones;
    answerMesh8 = mesh8;
    std::unique_ptr<SceneExport> plugin = createExporter(*exporter);
    std::wstring name = fromUtf8(path);
    DWORD options = selectedOnly ? SCENE_EXPORT_SELECTED : 0;
    return plugin->DoExport(name.c_str(), exportInterface(), GetCOREInterface(), FALSE, options) ==
           IMPEXP_SUCCESS;
}

} // namespace mshtool
