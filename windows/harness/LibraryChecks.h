// Loads a plug-in DLL as the host does and checks what it shows before any import or export:
// exports, DllMain's handle, string resources, descriptor and plug-in object values.
#ifndef MSH_WINDOWS_HARNESS_LIBRARYCHECKS_H
#define MSH_WINDOWS_HARNESS_LIBRARYCHECKS_H

#include "host/PlugApi.h"
#include "tests/plugin/ExpectedPluginTables.h"
#include "windows/harness/CheckLog.h"

/// What one library must present.
struct ExpectedLibrary : ExpectedPluginTable {
    const wchar_t* fileName;
};

const ExpectedLibrary& expectedImporter();
const ExpectedLibrary& expectedExporter();

/// Loads the library by file name with LoadLibraryW, finds every export with GetProcAddress
/// and checks every value. Returns the library's descriptor (the library stays loaded), or
/// null when it cannot be loaded or has no descriptor.
ClassDesc* checkLibrary(CheckLog& log, const ExpectedLibrary& library);

/// Creates import plug-in objects through the descriptor, checks their values, deletes them.
void checkImportPluginObject(CheckLog& log, ClassDesc* descriptor);
/// The same for the export plug-in.
void checkExportPluginObject(CheckLog& log, ClassDesc* descriptor);

#endif
