#include "windows/harness/LibraryChecks.h"

#include "host/max.h"

#include <windows.h>

#include <cwchar>
#include <memory>
#include <string>

namespace {

struct LibraryExports {
    const MCHAR* (*LibDescription)() = nullptr;
    int (*LibNumberClasses)() = nullptr;
    ClassDesc* (*LibClassDesc)(int) = nullptr;
    ULONG (*LibVersion)() = nullptr;
    int (*LibInitialize)() = nullptr;
    int (*LibShutdown)() = nullptr;
};

bool same(const wchar_t* text, const wchar_t* expected) {
    return text != nullptr && std::wcscmp(text, expected) == 0;
}

std::string shows(const char* what, const wchar_t* text, const wchar_t* expected) {
    return std::string(what) + " is " + printable(text) + ", expected " + printable(expected);
}

template <typename Function>
bool findExport(CheckLog& log, HMODULE module, const char* name, Function& out) {
    FARPROC address = GetProcAddress(module, name);
    // Through void(*)(): the one function type any other may be cast from without a warning.
    out = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
    return log.expect(address != nullptr, std::string("GetProcAddress finds ") + name);
}

bool findExports(CheckLog& log, HMODULE module, LibraryExports& exports) {
    bool all = findExport(log, module, "LibDescription", exports.LibDescription);
    all = findExport(log, module, "LibNumberClasses", exports.LibNumberClasses) && all;
    all = findExport(log, module, "LibClassDesc", exports.LibClassDesc) && all;
    all = findExport(log, module, "LibVersion", exports.LibVersion) && all;
    all = findExport(log, module, "LibInitialize", exports.LibInitialize) && all;
    all = findExport(log, module, "LibShutdown", exports.LibShutdown) && all;
    return all;
}

void checkExportValues(CheckLog& log, const ExpectedLibrary& library,
                       const LibraryExports& exports) {
    log.expect(exports.LibNumberClasses() == 1, "LibNumberClasses is 1");
    log.expect(exports.LibVersion() == 0x42682C00u, "LibVersion is exactly 0x42682C00");
    log.expect(exports.LibInitialize() == 1, "LibInitialize is 1");
    log.expect(exports.LibShutdown() == 1, "LibShutdown is 1");
    log.expect(same(exports.LibDescription(), library.description),
               shows("LibDescription", exports.LibDescription(), library.description));
    ClassDesc* first = exports.LibClassDesc(0);
    log.expect(first != nullptr && exports.LibClassDesc(0) == first,
               "LibClassDesc(0) gives the same descriptor every time");
    log.expect(exports.LibClassDesc(1) == nullptr, "LibClassDesc(1) is null");
    log.expect(exports.LibClassDesc(-1) == nullptr, "LibClassDesc(-1) is null");
}

void checkStringTable(CheckLog& log, const ExpectedLibrary& library, HMODULE module) {
    const UINT ids[] = {1, 2, 3, 4, 5};
    const wchar_t* texts[] = {library.description, L"Games", library.className, L"Parameters",
                              L"Spin"};
    for (int i = 0; i < 5; ++i) {
        wchar_t buffer[256] = {0};
        int length = LoadStringW(module, ids[i], buffer, 256);
        log.expect(length == static_cast<int>(std::wcslen(texts[i])) && same(buffer, texts[i]),
                   "resource string " + std::to_string(ids[i]) + ": " +
                       shows("LoadStringW", buffer, texts[i]));
    }
    wchar_t buffer[16] = {0};
    log.expect(LoadStringW(module, 6, buffer, 16) == 0, "the string table ends at 5");
}

void checkDescriptor(CheckLog& log, const ExpectedLibrary& library, ClassDesc* descriptor,
                     HMODULE module) {
    log.expect(descriptor->IsPublic() == 1, "IsPublic is 1");
    log.expect(same(descriptor->ClassName(), library.className),
               shows("ClassName", descriptor->ClassName(), library.className));
    log.expect(descriptor->SuperClassID() == library.superClassId, "SuperClassID");
    log.expect(descriptor->ClassID() == Class_ID(library.classIdA, library.classIdB), "ClassID");
    log.expect(same(descriptor->Category(), L"Games"),
               shows("Category", descriptor->Category(), L"Games"));
    log.expect(same(descriptor->InternalName(), library.internalName),
               shows("InternalName", descriptor->InternalName(), library.internalName));
    log.expect(descriptor->HInstance() == module,
               "HInstance is the handle DllMain received (the one LoadLibraryW returned)");
    log.expect(descriptor->OkToCreate(GetCOREInterface()) == TRUE, "OkToCreate is TRUE");
    log.expect(descriptor->HasClassParams() == FALSE, "HasClassParams is FALSE");
    log.expect(descriptor->InitialRollupPageState() == 0x7FFFFFFFu,
               "InitialRollupPageState is 0x7FFFFFFF");
}

void checkStringsKeepTheirBuffers(CheckLog& log, const ExpectedLibrary& library,
                                  ClassDesc* descriptor, const LibraryExports& exports) {
    const MCHAR* className = descriptor->ClassName();
    const MCHAR* category = descriptor->Category();
    const MCHAR* description = exports.LibDescription();
    log.expect(same(className, library.className) && same(category, L"Games") &&
                   same(description, library.description),
               "ClassName, then Category, then LibDescription keep their own texts (" +
                   printable(className) + ", " + printable(category) + ")");
    log.expect(descriptor->ClassName() == className,
               "a string is loaded once and keeps its buffer");
}

} // namespace

const ExpectedLibrary& expectedImporter() {
    static const ExpectedLibrary library = {expectedImportTable(), L"Talvex_MSH_IMPORT_15.dli"};
    return library;
}

const ExpectedLibrary& expectedExporter() {
    static const ExpectedLibrary library = {expectedExportTable(), L"Talvex_MSH_EXPORT_15.dle"};
    return library;
}

ClassDesc* checkLibrary(CheckLog& log, const ExpectedLibrary& library) {
    log.section("library " + printable(library.fileName));
    HMODULE module = LoadLibraryW(library.fileName);
    if (!log.expect(module != nullptr,
                    "LoadLibraryW loads it (error " + std::to_string(GetLastError()) + ")"))
        return nullptr;
    log.expect(LoadLibraryW(library.fileName) == module, "a second load gives the same module");
    LibraryExports exports;
    if (!findExports(log, module, exports))
        return nullptr;
    checkExportValues(log, library, exports);
    checkStringTable(log, library, module);
    ClassDesc* descriptor = exports.LibClassDesc(0);
    if (!log.expect(descriptor != nullptr, "LibClassDesc(0) gives a descriptor"))
        return nullptr;
    checkDescriptor(log, library, descriptor, module);
    checkStringsKeepTheirBuffers(log, library, descriptor, exports);
    return descriptor;
}

void checkImportPluginObject(CheckLog& log, ClassDesc* descriptor) {
    log.section("import plug-in object");
    std::unique_ptr<SceneImport> importer(static_cast<SceneImport*>(descriptor->Create(FALSE)));
    std::unique_ptr<SceneImport> another(static_cast<SceneImport*>(descriptor->Create(TRUE)));
    if (!log.expect(importer && another && importer != another, "every Create gives a new object"))
        return;
    log.expect(importer->ExtCount() == 2, "ExtCount is 2");
    log.expect(same(importer->Ext(0), L"MSH"), shows("Ext(0)", importer->Ext(0), L"MSH"));
    log.expect(same(importer->Ext(1), L"BN"), shows("Ext(1)", importer->Ext(1), L"BN"));
    log.expect(same(importer->Ext(2), L""), shows("Ext(2)", importer->Ext(2), L""));
    log.expect(same(importer->LongDesc(), L"Talvex model import Plugin"),
               shows("LongDesc", importer->LongDesc(), L"Talvex model import Plugin"));
    log.expect(same(importer->ShortDesc(), L"Talvex MSH(BN)"),
               shows("ShortDesc", importer->ShortDesc(), L"Talvex MSH(BN)"));
    log.expect(importer->AuthorName() != nullptr, "AuthorName is a text");
    log.expect(importer->CopyrightMessage() != nullptr, "CopyrightMessage is a text");
    log.expect(same(importer->OtherMessage1(), L"") && same(importer->OtherMessage2(), L""),
               "OtherMessage1 and OtherMessage2 are empty");
    log.expect(importer->Version() == 100, "Version is 100");
    log.expect(importer->ZoomExtents() == ZOOMEXT_NOT_IMPLEMENTED, "ZoomExtents is -1");
    importer->ShowAbout(nullptr);
}

void checkExportPluginObject(CheckLog& log, ClassDesc* descriptor) {
    log.section("export plug-in object");
    std::unique_ptr<SceneExport> exporter(static_cast<SceneExport*>(descriptor->Create(FALSE)));
    std::unique_ptr<SceneExport> another(static_cast<SceneExport*>(descriptor->Create(TRUE)));
    if (!log.expect(exporter && another && exporter != another, "every Create gives a new object"))
        return;
    log.expect(exporter->ExtCount() == 1, "ExtCount is 1");
    for (int n : {0, 1, 5})
        log.expect(same(exporter->Ext(n), L"MSH"),
                   shows(("Ext(" + std::to_string(n) + ")").c_str(), exporter->Ext(n), L"MSH"));
    log.expect(same(exporter->LongDesc(), L"Talvex model export Plugin"),
               shows("LongDesc", exporter->LongDesc(), L"Talvex model export Plugin"));
    log.expect(same(exporter->ShortDesc(), L"Talvex MSH"),
               shows("ShortDesc", exporter->ShortDesc(), L"Talvex MSH"));
    log.expect(exporter->AuthorName() != nullptr, "AuthorName is a text");
    log.expect(exporter->CopyrightMessage() != nullptr, "CopyrightMessage is a text");
    log.expect(same(exporter->OtherMessage1(), L"") && same(exporter->OtherMessage2(), L""),
               "OtherMessage1 and OtherMessage2 are empty");
    log.expect(exporter->Version() == 100, "Version is 100");
    log.expect(exporter->SupportsOptions(0, 0) == 1 &&
                   exporter->SupportsOptions(0, SCENE_EXPORT_SELECTED) == 1,
               "SupportsOptions is 1, also for export-selected");
    exporter->ShowAbout(nullptr);
}
