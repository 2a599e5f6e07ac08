// Runs one import of the sample model and one export of the resulting scene through the
// loaded plug-in DLLs, and checks what was built and written.
#ifndef MSH_WINDOWS_HARNESS_SCENECHECKS_H
#define MSH_WINDOWS_HARNESS_SCENECHECKS_H

#include "host/PlugApi.h"
#include "windows/harness/CheckLog.h"

/// Writes the sample files into a fresh temporary folder, imports the skeleton and the mesh
/// with import plug-in objects, checks the scene, exports it with an export plug-in object and
/// checks the written MSH file. With no display both export questions are answered without
/// IDYES, so the export is legacy MSH only, without BN and BBX files. Removes its files.
void checkImportAndExport(CheckLog& log, ClassDesc* importDescriptor, ClassDesc* exportDescriptor);

#endif
