#include "cli/PluginModules.h"

#include "cli/Platform.h"
#include "format/TextField.h"

#include <stdexcept>

namespace mshtool {

const char* const importModuleName = "Talvex_MSH_IMPORT_15.dli";
const char* const exportModuleName = "Talvex_MSH_EXPORT_15.dle";

namespace {

namespace fs = std::filesystem;

// Beside the program first (build folder, Windows package), then the installed layout.
fs::path findModule(const std::string& fileName) {
    fs::path folder = executablePath().parent_path();
    fs::path candidates[] = {folder / fileName,
                             folder.parent_path() / "lib" / "mshtool" / fileName};
    std::error_code code;
    for (const fs::path& candidate : candidates)
        if (fs::is_regular_file(candidate, code))
            return candidate;
    throw std::runtime_error("cannot find the plug-in " + fileName + ": looked for " +
                             pathText(candidates[0]) + " and " + pathText(candidates[1]));
}

template <typename Function>
Function findExport(void* handle, const char* name, const std::string& file) {
    void* symbol = librarySymbol(handle, name);
    if (!symbol)
        throw std::runtime_error(file + ": export " + name + " is missing");
    return reinterpret_cast<Function>(symbol);
}

} // namespace

PluginModule::PluginModule(const std::string& fileName) : file(findModule(fileName)) {
    std::string error;
    handle = loadLibrary(file, error);
    if (!handle)
        throw std::runtime_error("cannot load the plug-in " + pathText(file) + ": " + error);
    libVersion = findExport<ULONG (*)()>(handle, "LibVersion", fileName)();
    if (libVersion != VERSION_3DSMAX)
        throw std::runtime_error(fileName + ": built for another host version");
    libDescription = findExport<const MCHAR* (*)()>(handle, "LibDescription", fileName);
    auto libClassDesc = findExport<ClassDesc* (*)(int)>(handle, "LibClassDesc", fileName);
    classDesc = libClassDesc(0);
    if (!classDesc)
        throw std::runtime_error(fileName + ": LibClassDesc(0) returned no descriptor");
}

PluginModule::~PluginModule() {
    if (handle)
        unloadLibrary(handle);
}

std::string PluginModule::description() const {
    const MCHAR* text = libDescription();
    return text ? toUtf8(text) : std::string();
}

std::unique_ptr<SceneImport> createImporter(const PluginModule& module) {
    if (module.descriptor()->SuperClassID() != SCENE_IMPORT_CLASS_ID)
        throw std::runtime_error("the import library does not hold an import plug-in");
    return std::unique_ptr<SceneImport>(static_cast<SceneImport*>(module.descriptor()->Create()));
}

std::unique_ptr<SceneExport> createExporter(const PluginModule& module) {
    if (module.descriptor()->SuperClassID() != SCENE_EXPORT_CLASS_ID)
        throw std::runtime_error("the export library does not hold an export plug-in");
    return std::unique_ptr<SceneExport>(static_cast<SceneExport*>(module.descriptor()->Create()));
}

} // namespace mshtool
