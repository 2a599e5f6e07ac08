#include "tests/plugin/LoadedLibrary.h"

#include <dlfcn.h>

LoadedLibrary::LoadedLibrary(const std::string& path, bool global)
    : handle(dlopen(path.c_str(), RTLD_NOW | (global ? RTLD_GLOBAL : RTLD_LOCAL))) {
    if (handle == nullptr)
        lastError = dlerror();
}

LoadedLibrary::~LoadedLibrary() {
    if (handle != nullptr)
        dlclose(handle);
}

void* LoadedLibrary::symbol(const char* name) {
    if (handle == nullptr)
        return nullptr;
    dlerror();
    void* address = dlsym(handle, name);
    if (address == nullptr) {
        const char* why = dlerror();
        lastError = std::string(name) + ": " + (why != nullptr ? why : "null symbol");
    }
    return address;
}

namespace {

template <typename Function> bool find(LoadedLibrary& library, const char* name, Function& out) {
    out = reinterpret_cast<Function>(library.symbol(name));
    return out != nullptr;
}

} // namespace

bool LoadedLibrary::findExports(LibraryExports& exports) {
    return find(*this, "LibDescription", exports.LibDescription) &&
           find(*this, "LibNumberClasses", exports.LibNumberClasses) &&
           find(*this, "LibClassDesc", exports.LibClassDesc) &&
           find(*this, "LibVersion", exports.LibVersion) &&
           find(*this, "LibInitialize", exports.LibInitialize) &&
           find(*this, "LibShutdown", exports.LibShutdown);
}

void* LoadedLibrary::baseAddress() {
    void* address = symbol("LibVersion");
    Dl_info info;
    if (address == nullptr || dladdr(address, &info) == 0)
        return nullptr;
    return info.dli_fbase;
}
