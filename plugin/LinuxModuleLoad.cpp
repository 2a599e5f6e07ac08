// Linux stand-in for the Windows loader's part: dlopen calls no DllMain and finds no resources
// in the file, so at load this registers the module's string table with the host and then
// calls DllMain as Windows would. The module's load address serves as its handle, as an
// HINSTANCE on Windows is the module's base address.
#ifndef _WIN32

#include "plugin/LibraryEntry.h"
#include "plugin/ModuleInstance.h"
#include "plugin/ModuleStringTable.h"

#include <cstddef>
#include <dlfcn.h>

namespace {

// Any object inside this module tells dladdr which module is meant.
char moduleAnchor;

HINSTANCE thisModuleHandle() {
    Dl_info info;
    if (dladdr(&moduleAnchor, &info) == 0 || info.dli_fbase == NULL)
        return NULL;
    return static_cast<HINSTANCE>(info.dli_fbase);
}

__attribute__((constructor)) void attachModule() {
    HINSTANCE instance = thisModuleHandle();
    if (instance == NULL)
        return; // DllMain never runs: string lookups then return null, as before load
    registerModuleStringTable(instance);
    DllMain(instance, DLL_PROCESS_ATTACH, NULL);
}

__attribute__((destructor)) void detachModule() {
    DllMain(moduleInstance(), DLL_PROCESS_DETACH, NULL);
}

} // namespace

#endif
