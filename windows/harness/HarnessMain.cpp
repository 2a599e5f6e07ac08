// Loads the two plug-in DLLs as the host does, checks everything they show, runs one import
// and one export through them, and exits with 0 only when every check held.
#include "windows/harness/CheckLog.h"
#include "windows/harness/LibraryChecks.h"
#include "windows/harness/SceneChecks.h"

#include <cstdio>

int wmain() {
    CheckLog log;
    ClassDesc* importer = checkLibrary(log, expectedImporter());
    ClassDesc* exporter = checkLibrary(log, expectedExporter());
    if (importer != nullptr)
        checkImportPluginObject(log, importer);
    if (exporter != nullptr)
        checkExportPluginObject(log, exporter);
    if (importer != nullptr && exporter != nullptr)
        checkImportAndExport(log, importer, exporter);
    std::printf("windows harness: %d checks, %d failed\n", log.checks(), log.failures());
    return log.failures() == 0 && log.checks() > 0 ? 0 : 1;
}
