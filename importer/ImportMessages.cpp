#include "importer/ImportMessages.h"

#include "format/TextField.h"
#include "importer/FindNodeByName.h"
#include "importer/ImportPrompts.h"

#include "host/Interface.h"
#include "host/Log.h"
#include "host/WinApi.h"

namespace {

std::string verticesText(int count) {
    return numberText(count) + (count == 1 ? " vertex" : " vertices");
}

// Owned by the main window, so the scene cannot be changed while a box waits.
HWND ownerWindow() {
    Interface* ip = GetCOREInterface();
    return ip ? ip->GetMAXHWnd() : NULL;
}

// A part of the file that could not be built as it says: a warning in the log.
void showNotice(const std::string& text) {
    if (!logInsteadOfBox(text.c_str(), L"MSHImp", SYSLOG_WARN))
        MessageBoxA(ownerWindow(), text.c_str(), MSH_IMPORT_CAPTION, MB_OK);
}

// The file path may hold characters outside the ANSI code page, so problems that name the
// file are shown as wide text. `type`: SYSLOG_ERROR when the import stopped.
void showWideNotice(const std::wstring& text, DWORD type = SYSLOG_WARN) {
    if (!logInsteadOfBox(text.c_str(), L"MSHImp", type))
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

void reportRefusedBone(const std::string& name, const std::string& boneName) {
    showNotice("Bone [" + boneName + "] of [" + name +
               "] was refused by the Skin modifier: it is the object itself, depends on it or "
               "has no object. [" +
               name + "] gets no skin weights");
}

void reportSkinWithoutData(const std::string& name) {
    showNotice("The Skin modifier of [" + name + "] had no data for it after evaluating it. [" +
               name + "] gets no skin weights");
}

void reportRescaledWeights(const std::string& name, int vertices) {
    showNotice("The bone weights of " + verticesText(vertices) + " of [" + name +
               "] did not add up to 1; they were rescaled to 1");
}

void reportUnusableWeights(const std::string& name, int vertices) {
    showNotice("The bone weights of " + verticesText(vertices) + " of [" + name +
               "] do not add up to a positive number; they were left without weights");
}

void reportRefusedWeights(const std::string& name, int vertices, int firstVertex) {
    showNotice("The Skin modifier of [" + name + "] refused the bone weights of " +
               verticesText(vertices) + ", the first vertex " + numberText(firstVertex) +
               "; they were left without weights");
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
            MessageBoxA(ownerWindow(), "Import stopped: not enough memory", MSH_IMPORT_CAPTION,
                        MB_OK);
    }
}

void reportUnreadableTexture(const std::wstring& objectName, const std::wstring& bitmapPath,
                             bool missing) {
    showWideNotice(L"Texture for [" + objectName + L"] " +
                   (missing ? L"not found: " : L"could not be read (not an image, or damaged): ") +
                   bitmapPath + L"; the material keeps this path, so the map shows once the " +
                   L"file is there");
}
