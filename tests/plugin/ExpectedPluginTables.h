// What each plug-in library must show the host before any import or export. One table for
// both checks: the Linux tests that dlopen the modules and the Windows harness run under wine.
#ifndef MSH_TESTS_PLUGIN_EXPECTEDPLUGINTABLES_H
#define MSH_TESTS_PLUGIN_EXPECTEDPLUGINTABLES_H

#include "host/PlugApi.h"

struct ExpectedPluginTable {
    const wchar_t* description; ///< LibDescription, string 1
    const wchar_t* className;   ///< ClassName, string 3
    const wchar_t* internalName;
    SClass_ID superClassId;
    ULONG classIdA;
    ULONG classIdB;
};

inline const ExpectedPluginTable& expectedImportTable() {
    static const ExpectedPluginTable table = {L"Talvex msh import plugin",
                                              L"Talvex_MSH_IMPORT_15",
                                              L"Talvex_MSH_IMPORT",
                                              0xA10u,
                                              0x91FC4DDFu,
                                              0xB1198B1Du};
    return table;
}

inline const ExpectedPluginTable& expectedExportTable() {
    static const ExpectedPluginTable table = {L"Talvex msh export", L"Talvex_MSH_EXPORT",
                                              L"Talvex_MSH_EXPORT", 0xA20u,
                                              0x8C8D2D42u,          0x735368BDu};
    return table;
}

#endif
