// Loads a built plug-in module the way the host does, and finds its library exports.
#ifndef MSH_TESTS_PLUGIN_LOADEDLIBRARY_H
#define MSH_TESTS_PLUGIN_LOADEDLIBRARY_H

#include "host/PlugApi.h"

#include <string>

/// The six exports every plug-in library offers.
struct LibraryExports {
    const MCHAR* (*LibDescription)();
    int (*LibNumberClasses)();
    ClassDesc* (*LibClassDesc)(int);
    ULONG (*LibVersion)();
    int (*LibInitialize)();
    int (*LibShutdown)();
};

/// One dlopen of a module file; the module stays loaded while this object lives.
class LoadedLibrary {
public:
    /// Loads with RTLD_NOW, so an unresolved host symbol fails here; `global` adds
    /// RTLD_GLOBAL, which exposes the module's visible symbols to later loads.
    LoadedLibrary(const std::string& path, bool global);
    ~LoadedLibrary();
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool loaded() const { return handle != nullptr; }
    /// Why the load or the last lookup failed.
    const std::string& error() const { return lastError; }
    /// The address of an exported symbol, or null (with error()).
    void* symbol(const char* name);
    /// Fills every export; false (with error() naming the first missing one) otherwise.
    bool findExports(LibraryExports& exports);
    /// The load address of the module, found from one of its exported symbols.
    void* baseAddress();

private:
    void* handle;
    std::string lastError;
};

#endif
