#include "ImportRun.h"

#include "importer/Talvex_MSH_IMPORT_15.h"

namespace memhost {}
using namespace memhost;

namespace hardening {

ImportRun importFile(const std::filesystem::path& file) {
    ImportRun run;
    MessageBoxRecorder boxes;
    MisuseRecorder misuse;
    Talvex_MSH_IMPORT_15 importer;
    run.result =
        importer.DoImport(file.wstring().c_str(), importInterface(), GetCOREInterface(), FALSE);
    for (const MessageBoxCall& call : boxes.calls())
        run.messages.push_back(call.text);
    run.misuse = misuse.reports();
    return run;
}

bool someMessageHas(const ImportRun& run, const std::vector<std::wstring>& parts) {
    for (const std::wstring& text : run.messages) {
        bool all = true;
        for (const std::wstring& part : parts)
            all = all && text.find(part) != std::wstring::npos;
        if (all)
            return true;
    }
    return false;
}

} // namespace hardening
