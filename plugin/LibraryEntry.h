// What a plug-in library shows the host: the module entry and the library exports. Both
// libraries share this code; each supplies its own descriptor through libraryClassDesc().
#ifndef MSH_PLUGIN_LIBRARYENTRY_H
#define MSH_PLUGIN_LIBRARYENTRY_H

#include "host/PlugApi.h"
#include "host/WinApi.h"

// On Windows the .def file exports the names undecorated; elsewhere the library is built with
// hidden symbols, and only these are made visible.
#ifdef _WIN32
#define MSH_LIBRARY_EXPORT
#else
#define MSH_LIBRARY_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
/// Module entry: on process attach stores the module handle and turns off thread
/// notifications. Returns TRUE for every reason.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

/// The library's description for the host's plug-in list (string 1); null before load.
MSH_LIBRARY_EXPORT const MCHAR* LibDescription();
/// Number of plug-in classes in the library: 1.
MSH_LIBRARY_EXPORT int LibNumberClasses();
/// The library's descriptor for i = 0, null for any other i.
MSH_LIBRARY_EXPORT ClassDesc* LibClassDesc(int i);
/// The SDK version the library was built for, VERSION_3DSMAX.
MSH_LIBRARY_EXPORT ULONG LibVersion();
/// Called by the host after loading; there is nothing to set up. Returns TRUE.
MSH_LIBRARY_EXPORT int LibInitialize();
/// Called by the host before unloading; there is nothing to release. Returns TRUE.
MSH_LIBRARY_EXPORT int LibShutdown();
}

/// The one descriptor of this library, created on the first call and destroyed with the
/// library's static data. Each library defines it next to its descriptor class.
ClassDesc* libraryClassDesc();

#endif
