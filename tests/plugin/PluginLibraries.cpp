#include "tests/plugin/PluginLibraries.h"

#include <memory>

const LibraryUnderTest& importerUnderTest() {
    static const LibraryUnderTest library = {expectedImportTable(), "importer",
                                             MSH_IMPORT_MODULE_PATH, true};
    return library;
}

const LibraryUnderTest& exporterUnderTest() {
    static const LibraryUnderTest library = {expectedExportTable(), "exporter",
                                             MSH_EXPORT_MODULE_PATH, false};
    return library;
}

namespace {

struct LoadedPair {
    std::unique_ptr<LoadedLibrary> importer;
    std::unique_ptr<LoadedLibrary> exporter;
};

// Both load together, importer first, so the RTLD_GLOBAL importer can interfere with the
// exporter whichever test runs.
LoadedPair& loadedPair() {
    static LoadedPair pair;
    if (!pair.importer) {
        pair.importer = std::make_unique<LoadedLibrary>(importerUnderTest().path, true);
        pair.exporter = std::make_unique<LoadedLibrary>(exporterUnderTest().path, false);
    }
    return pair;
}

} // namespace

LoadedLibrary& loadedLibrary(const LibraryUnderTest& library) {
    LoadedPair& pair = loadedPair();
    return library.loadGlobal ? *pair.importer : *pair.exporter;
}

bool findLibraryExports(const LibraryUnderTest& library, LibraryExports& exports,
                        std::string& why) {
    exports = LibraryExports();
    LoadedLibrary& loaded = loadedLibrary(library);
    if (loaded.loaded() && loaded.findExports(exports))
        return true;
    why = std::string(library.path) + ": " + loaded.error();
    return false;
}
