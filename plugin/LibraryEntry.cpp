#include "plugin/LibraryEntry.h"

#include "plugin/ModuleInstance.h"
#include "plugin/ModuleStrings.h"
#include "plugin/PluginResources.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        setModuleInstance(instance);
        // The libraries keep no per-thread state.
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

const MCHAR* LibDescription() {
    return moduleString(IDS_LIBDESCRIPTION);
}

int LibNumberClasses() {
    return 1;
}

ClassDesc* LibClassDesc(int i) {
    return i == 0 ? libraryClassDesc() : NULL;
}

ULONG LibVersion() {
    return VERSION_3DSMAX;
}

int LibInitialize() {
    return TRUE;
}

int LibShutdown() {
    return TRUE;
}
