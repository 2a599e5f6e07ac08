#include "exporter/Talvex_MSH_EXPORT.h"

#include "exporter/ExportFlow.h"
#include "exporter/ExportOptions.h"
#include "exporter/ExportPrompts.h"
#include "plugin/AutoKeyOffScope.h"

Talvex_MSH_EXPORT::Talvex_MSH_EXPORT() {}

Talvex_MSH_EXPORT::~Talvex_MSH_EXPORT() {}

int Talvex_MSH_EXPORT::ExtCount() {
    return 1;
}

const MCHAR* Talvex_MSH_EXPORT::Ext(int n) {
    (void)n;
    return _M("MSH");
}

const MCHAR* Talvex_MSH_EXPORT::LongDesc() {
    return _M("Talvex model export Plugin");
}

const MCHAR* Talvex_MSH_EXPORT::ShortDesc() {
    return _M("Talvex MSH");
}

const MCHAR* Talvex_MSH_EXPORT::AuthorName() {
    return _M("Talvex tools team");
}

const MCHAR* Talvex_MSH_EXPORT::CopyrightMessage() {
    return _M("Copyright Talvex tools team");
}

const MCHAR* Talvex_MSH_EXPORT::OtherMessage1() {
    return _M("");
}

const MCHAR* Talvex_MSH_EXPORT::OtherMessage2() {
    return _M("");
}

unsigned int Talvex_MSH_EXPORT::Version() {
    return 100;
}

void Talvex_MSH_EXPORT::ShowAbout(HWND hWnd) {
    (void)hWnd;
}

int Talvex_MSH_EXPORT::DoExport(const MCHAR* name, ExpInterface* ei, Interface* i,
                                BOOL suppressPrompts, DWORD options) {
    AutoKeyOffScope noKeys;
    // runExport catches what the export throws; this catches what copying the path throws.
    // Nothing may unwind into the host.
    try {
        ExportRequest request;
        request.path = name ? name : _M("");
        request.selectedOnly = (options & SCENE_EXPORT_SELECTED) != 0;
        // A script's #noPrompt: the answers come from the published options.
        request.suppressPrompts = suppressPrompts != FALSE;
        request.scriptedBones = exportOptions().GetExportBones() != FALSE;
        request.scriptedMesh8 = exportOptions().GetUseMesh8() != FALSE;
        request.scene = ei;
        request.ip = i;
        return runExport(request);
    } catch (...) {
        return reportExportException(ExportPrompts(i, suppressPrompts != FALSE), NULL);
    }
}

// "TRUE if all option bits set are supported" (impexp.h SupportsOptions): export-selected is
// the only option this exporter knows.
BOOL Talvex_MSH_EXPORT::SupportsOptions(int ext, DWORD options) {
    (void)ext;
    return (options & ~static_cast<DWORD>(SCENE_EXPORT_SELECTED)) == 0 ? TRUE : FALSE;
}
