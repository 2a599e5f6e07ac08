#include "cli/PluginModules.h"

#include <dlfcn.h>
#include <filesystem>
#include <stdexcept>

namespace mshtool {

const char* const importModuleName = "Talvex_MSH_IMPORT_15.dli";
const char* const exportModuleName = "Talvex_MSH_EXPORT_15.dle";

namespace {

std::filesystem::path executableFolder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

template <typename Function>
Function findExport(void* handle, const char* name, const std::string& file) {
    void* symbol = dlsym(handle, name);
    if (!symbol)
        throw std::runtime_error(file + ": export " + name + " is missing");
    return reinterpret_cast<Function>(symbol);
}

} // namespace

PluginModule::PluginModule(const std::string& fileName) {
    std::string path = (executableFolder() / fileName).string();
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        throw std::runtime_error("cannot load plug-in " + path + ": " + dlerror());
    auto libVersion = findExport<ULONG (*)()>(handle, "LibVersion", fileName);
    if (libVersion() != VERSION_3DSMAX)
        throw std::runtime_error(fileName + ": built for another host version");
    auto libClassDesc = findExport<ClassDesc* (*)(int)>(handle, "LibClassDesc", fileName);
    classDesc = libClassDesc(0);
    if (!classDesc)
        throw std::runtime_error(fileName + ": LibClassDesc(0) returned no descriptor");
}

PluginModule::~PluginModule() {
    if (handle)
        dlclose(handle);
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
