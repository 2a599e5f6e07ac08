#pragma once
// Loads the two plug-in libraries from beside mshtool, as the host does at start-up, and
// creates their plug-in objects through the class descriptors.

#include "host/max.h"

#include <memory>
#include <string>

namespace mshtool {

/// One loaded plug-in library.
class PluginModule {
public:
    /// Loads `fileName` from the folder of the running executable, where the build puts the
    /// modules. Throws std::runtime_error with the loader's message when the library or one of
    /// its exports is missing.
    explicit PluginModule(const std::string& fileName);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    /// The library's single class descriptor (LibClassDesc(0)).
    ClassDesc* descriptor() const { return classDesc; }

private:
    void* handle = nullptr;
    ClassDesc* classDesc = nullptr;
};

/// The importer plug-in object, created fresh per import as the host does.
std::unique_ptr<SceneImport> createImporter(const PluginModule& module);
/// The exporter plug-in object, created fresh per export.
std::unique_ptr<SceneExport> createExporter(const PluginModule& module);

/// File names of the two libraries.
extern const char* const importModuleName;
extern const char* const exportModuleName;

} // namespace mshtool
