#include "importer/ImportMessages.h"

#include "format/TextField.h"
#include "importer/FindNodeByName.h"
#include "importer/ImportPrompts.h"

#include "host/Log.h"
#include "host/WinApi.h"

namespace {

// A part of the file that could not be built as it says: a warning in the log.
void showNotice(const std::string& text) {
    if (!logInsteadOfBox(text.c_str(), L"MSHImp", SYSLOG_WARN))
        MessageBoxA(NULL, text.c_str(), MSH_IMPORT_CAPTION, MB_OK);
}

// The file path may hold characters outside the ANSI code page, so problems that name the
// file are shown as wide text. `type`: SYSLOG_ERROR when the import stopped.
void showWideNotice(const std::wstring& text, DWORD type = SYSLOG_WARN) {
    if (!logInsteadOfBox(text.c_str(), L"MSHImp", type))
        MessageBoxW(NULL, text.c_str(), L"MSHImp", MB_OK);
}

} // namespace

void reportMissingParent(const std::string& name, const std::string& parentName) {
    showNotice("Parent for [" + name + "] not found on current scene. Parent name [" + parentName +
               "]");
}

void reportMissingBone(const std::string& name, const std::string& boneName) {
    showNotice("Bone Parent for [" + name + "] not found on current scene. Parent name [" +
               boneName + "]");
}

std::wstring describeForUser(const MshError& error) {
    MshError shown = error;
    shown.recordName = toUtf8(nodeNameFromField(error.recordName));
    return fromUtf8(shown.describe());
}

void reportImportStopped(const MshError& error) {
    showWideNotice(L"Import stopped: " + describeForUser(error), SYSLOG_ERROR);
}

void reportInconsistentRecord(const MshError& error) {
    showWideNotice(L"Record built without skin weights: " + describeForUser(error));
}

void reportMoreVerticesThanNumVerts(const MshError& error) {
    showWideNotice(L"Record built with more vertices than numVerts: " + describeForUser(error));
}

void reportSkippedSkinEntries(const MshError& error, size_t skipped) {
    std::wstring count = fromUtf8(numberText(static_cast<int64_t>(skipped)));
    showWideNotice(L"Record built without the weights of " + count +
                   (skipped == 1 ? L" skin entry: " : L" skin entries, the first: ") +
                   describeForUser(error));
}

void reportImportException(const std::wstring& fileName, const ImportRecordPlace& place) {
    try {
        std::wstring where = fileName;
        if (place.record >= 0)
            where += L": record " + fromUtf8(numberText(place.record));
        showWideNotice(L"Import stopped: " + where + L": " + fromUtf8(currentExceptionText()) +
                           MSH_IMPORT_EXCEPTION_ENDING,
                       SYSLOG_ERROR);
    } catch (...) {
        if (!logInsteadOfBox("Import stopped: not enough memory", L"MSHImp", SYSLOG_ERROR))
            MessageBoxA(NULL, "Import stopped: not enough memory", MSH_IMPORT_CAPTION, MB_OK);
    }
}
