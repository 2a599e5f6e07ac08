#pragma once
// Loads the two plug-in libraries as the host does at start-up, and creates their plug-in
// objects through the class descriptors. The libraries are found relative to mshtool itself:
// beside it (the build folder, the Windows package) or in ../lib/mshtool (an installed tree),
// so a copied or moved installation keeps working.

#include "host/max.h"

#include <filesystem>
#include <memory>
#include <string>

namespace mshtool {

/// One loaded plug-in library.
class PluginModule {
public:
    /// Finds `fileName` relative to the running executable and loads it. Throws
    /// std::runtime_error saying where it looked, or with the loader's message when the
    /// library or one of its exports is missing.
    explicit PluginModule(const std::string& fileName);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    /// The library's single class descriptor (LibClassDesc(0)).
    ClassDesc* descriptor() const { return classDesc; }
    /// Where the library was loaded from.
    const std::filesystem::path& path() const { return file; }
    /// LibDescription() as UTF-8 (empty when it returns null).
    std::string description() const;
    /// LibVersion().
    unsigned long version() const { return libVersion; }

private:
    void* handle = nullptr;
    std::filesystem::path file;
    ClassDesc* classDesc = nullptr;
    unsigned long libVersion = 0;
    const MCHAR* (*libDescription)() = nullptr;
};

/// The importer plug-in object, created fresh per import as the host does.
std::unique_ptr<SceneImport> createImporter(const PluginModule& module);
/// The exporter plug-in object, created fresh per export.
std::unique_ptr<SceneExport> createExporter(const PluginModule& module);

/// File names of the two libraries.
extern const char* const importModuleName;
extern const char* const exportModuleName;

} // namespace mshtool
