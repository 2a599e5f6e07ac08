#include "windows/harness/SceneChecks.h"

#include "host/embed/MemoryHost.h"
#include "tests/plugin/SampleChecks.h"
#include "tests/plugin/SampleModel.h"

#include <windows.h>

#include <memory>
#include <string>

namespace {

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A fresh folder under the user's temporary folder, ending in a backslash.
std::wstring makeWorkFolder() {
    wchar_t temp[MAX_PATH + 1] = {0};
    DWORD length = GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length > MAX_PATH)
        return std::wstring();
    std::wstring folder =
        std::wstring(temp) + L"msh-harness-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return std::wstring();
    return folder;
}

void removeWorkFolder(const std::wstring& folder) {
    for (const wchar_t* name : {L"skeleton.bn", L"body.msh", L"out.msh", L"out.bn", L"out.BBX"})
        DeleteFileW((folder + name).c_str());
    RemoveDirectoryW(folder.c_str());
}

bool importFile(CheckLog& log, ClassDesc* descriptor, const std::wstring& path) {
    std::unique_ptr<SceneImport> importer(static_cast<SceneImport*>(descriptor->Create(FALSE)));
    if (!log.expect(importer != nullptr, "Create gives an import plug-in object"))
        return false;
    int result = importer->DoImport(path.c_str(), importInterface(), GetCOREInterface(), FALSE);
    return log.expect(result == IMPEXP_SUCCESS, "DoImport of " + printable(path.c_str()) +
                                                    " returns 1, got " + std::to_string(result));
}

void exportScene(CheckLog& log, ClassDesc* descriptor, const std::wstring& folder) {
    const std::wstring target = folder + L"out.msh";
    std::unique_ptr<SceneExport> exporter(static_cast<SceneExport*>(descriptor->Create(FALSE)));
    if (!log.expect(exporter != nullptr, "Create gives an export plug-in object"))
        return;
    int result =
        exporter->DoExport(target.c_str(), exportInterface(), GetCOREInterface(), FALSE, 0);
    log.expect(result == IMPEXP_SUCCESS, "DoExport returns 1, got " + std::to_string(result));
    log.expectNone(exportedSampleProblems(target, folder + L"skin.tga"),
                   "the exported MSH file holds Body as imported (legacy layout)");
    log.expect(!fileExists(folder + L"out.bn"), "no BN file: \"Export bones?\" was not a Yes");
    log.expect(!fileExists(folder + L"out.BBX"), "no BBX file either");
}

} // namespace

void checkImportAndExport(CheckLog& log, ClassDesc* importDescriptor, ClassDesc* exportDescriptor) {
    log.section("import and export through the DLLs");
    const std::wstring folder = makeWorkFolder();
    if (!log.expect(!folder.empty(), "a temporary folder can be made"))
        return;
    log.note("files in " + printable(folder.c_str()) + ", ANSI code page " +
             std::to_string(GetACP()));
    SampleModelFiles files;
    std::string error;
    if (log.expect(writeSampleModel(folder, files, error),
                   "the sample files are written " + error)) {
        resetScene();
        if (importFile(log, importDescriptor, files.skeletonPath) &&
            importFile(log, importDescriptor, files.meshPath)) {
            log.expectNone(importedSampleProblems(GetCOREInterface(), folder + L"skin.tga"),
                           "the scene holds Root, Arm and the skinned, textured Body");
            exportScene(log, exportDescriptor, folder);
        }
        resetScene();
    }
    removeWorkFolder(folder);
}
