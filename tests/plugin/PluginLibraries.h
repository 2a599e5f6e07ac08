// The two built plug-in modules as the tests load them, and what each must show the host.
#ifndef MSH_TESTS_PLUGIN_PLUGINLIBRARIES_H
#define MSH_TESTS_PLUGIN_PLUGINLIBRARIES_H

#include "tests/plugin/ExpectedPluginTables.h"
#include "tests/plugin/LoadedLibrary.h"

#include <ostream>

/// One library and the values it must present.
struct LibraryUnderTest : ExpectedPluginTable {
    const char* label;
    const char* path;
    /// The importer is loaded with RTLD_GLOBAL, so that a symbol the exporter failed to keep
    /// private would bind to the importer's copy and show up as a wrong text or handle.
    bool loadGlobal;
};

const LibraryUnderTest& importerUnderTest();
const LibraryUnderTest& exporterUnderTest();

/// The module, loaded once per test process (the importer always first).
LoadedLibrary& loadedLibrary(const LibraryUnderTest& library);
/// Finds the exports of the loaded module; false, with the reason, when the module did not
/// load or lacks one. Tests assert on it before calling anything.
bool findLibraryExports(const LibraryUnderTest& library, LibraryExports& exports, std::string& why);

inline std::ostream& operator<<(std::ostream& out, const LibraryUnderTest& library) {
    return out << library.label;
}

#endif
