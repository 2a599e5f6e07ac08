#include "importer/Talvex_MSH_IMPORT_15.h"

#include "importer/ImportMessages.h"
#include "importer/ImportPrompts.h"
#include "importer/SceneBuildingSink.h"
#include "plugin/AutoKeyOffScope.h"

Talvex_MSH_IMPORT_15::Talvex_MSH_IMPORT_15() {}

Talvex_MSH_IMPORT_15::~Talvex_MSH_IMPORT_15() {}

int Talvex_MSH_IMPORT_15::ExtCount() {
    return 2;
}

const MCHAR* Talvex_MSH_IMPORT_15::Ext(int n) {
    switch (n) {
    case 0:
        return _M("MSH");
    case 1:
        return _M("BN");
    default:
        return _M("");
    }
}

const MCHAR* Talvex_MSH_IMPORT_15::LongDesc() {
    return _M("Talvex model import Plugin");
}

const MCHAR* Talvex_MSH_IMPORT_15::ShortDesc() {
    return _M("Talvex MSH(BN)");
}

const MCHAR* Talvex_MSH_IMPORT_15::AuthorName() {
    return _M("Talvex tools team");
}

const MCHAR* Talvex_MSH_IMPORT_15::CopyrightMessage() {
    return _M("Copyright Talvex tools team");
}

const MCHAR* Talvex_MSH_IMPORT_15::OtherMessage1() {
    return _M("");
}

const MCHAR* Talvex_MSH_IMPORT_15::OtherMessage2() {
    return _M("");
}

unsigned int Talvex_MSH_IMPORT_15::Version() {
    return 100;
}

void Talvex_MSH_IMPORT_15::ShowAbout(HWND hWnd) {
    (void)hWnd;
}

int Talvex_MSH_IMPORT_15::ZoomExtents() {
    return ZOOMEXT_NOT_IMPLEMENTED;
}

int Talvex_MSH_IMPORT_15::DoImport(const MCHAR* name, ImpInterface* ii, Interface* i,
                                   BOOL suppressPrompts) {
    // ii is not needed: the core interface does all scene work.
    (void)ii;
    if (name == NULL || i == NULL)
        return IMPEXP_FAIL;
    AutoKeyOffScope noKeys;
    // A script's #noPrompt (or quiet mode): every message goes to the log, no dialog shows.
    ImportPromptScope prompts(i, suppressPrompts != FALSE);
    SceneBuildingSink sink(i);
    // Nothing may unwind into the host: an exception (a record list the heap cannot hold, or
    // one thrown by the host) ends the import as a damaged file does.
    try {
        MshError error;
        if (!readModelFile(name, sink, error)) {
            reportImportStopped(error);
            return IMPEXP_FAIL;
        }
        return sink.everyRecordConsistent() ? IMPEXP_SUCCESS : IMPEXP_FAIL;
    } catch (...) {
        reportImportException(name, sink.currentPlace());
        return IMPEXP_FAIL;
    }
}
