#include "importer/ImportMessages.h"

#include "format/TextField.h"
#include "importer/FindNodeByName.h"

#include "host/Interface.h"
#include "host/WinApi.h"

namespace {

// Owned by the main window, so the scene cannot be changed while a box waits.
HWND ownerWindow() {
    Interface* ip = GetCOREInterface();
    return ip ? ip->GetMAXHWnd() : NULL;
}

void showNotice(const std::string& text) {
    MessageBoxA(ownerWindow(), text.c_str(), MSH_IMPORT_CAPTION, MB_OK);
}

// The file path may hold characters outside the ANSI code page, so problems that name the
// file are shown as wide text.
void showWideNotice(const std::wstring& text) {
    MessageBoxW(ownerWindow(), text.c_str(), L"MSHImp", MB_OK);
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
    showWideNotice(L"Import stopped: " + describeForUser(error));
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
                       MSH_IMPORT_EXCEPTION_ENDING);
    } catch (...) {
        MessageBoxA(ownerWindow(), "Import stopped: not enough memory", MSH_IMPORT_CAPTION, MB_OK);
    }
}

void reportUnreadableTexture(const std::wstring& objectName, const std::wstring& bitmapPath,
                             bool missing) {
    showWideNotice(L"Texture for [" + objectName + L"] " +
                   (missing ? L"not found: " : L"could not be read (not an image, or damaged): ") +
                   bitmapPath + L"; the material keeps this path, so the map shows once the " +
                   L"file is there");
}
