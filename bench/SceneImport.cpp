#include "bench/SceneImport.h"

#include "exporter/Talvex_MSH_EXPORT.h"
#include "format/TextField.h"
#include "host/embed/MemoryHost.h"
#include "importer/Talvex_MSH_IMPORT_15.h"

namespace bench {
namespace {

void countMessages(const MessageBoxRecorder& recorder, size_t questions, PluginRun& run) {
    const std::vector<MessageBoxCall>& calls = recorder.calls();
    for (size_t i = questions; i < calls.size(); ++i) {
        if (run.messageBoxes++ == 0)
            run.firstMessage = toUtf8(calls[i].text);
    }
}

} // namespace

PluginRun importFile(const std::string& path) {
    MessageBoxRecorder recorder;
    Talvex_MSH_IMPORT_15 importer;
    std::wstring name = fromUtf8(path);
    PluginRun run;
    run.result = importer.DoImport(name.c_str(), importInterface(), GetCOREInterface());
    countMessages(recorder, 0, run);
    return run;
}

PluginRun exportScene(const std::string& path, bool bones, bool mesh8) {
    MessageBoxRecorder recorder;
    recorder.queueAnswers({bones ? IDYES : IDNO, mesh8 ? IDYES : IDNO});
    recorder.answer(IDOK);
    Talvex_MSH_EXPORT exporter;
    std::wstring name = fromUtf8(path);
    PluginRun run;
    run.result = exporter.DoExport(name.c_str(), exportInterface(), GetCOREInterface());
    countMessages(recorder, 2, run);
    return run;
}

bool importModel(const std::string& bonePath, const std::string& meshPath, std::string& why) {
    resetScene();
    for (const std::string& path : {bonePath, meshPath}) {
        PluginRun run = importFile(path);
        if (!run.succeeded()) {
            why = "import of " + path + " returned " + std::to_string(run.result) + " with " +
                  std::to_string(run.messageBoxes) + " messages; first: " + run.firstMessage;
            return false;
        }
    }
    return true;
}

} // namespace bench
