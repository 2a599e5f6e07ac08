#include "cli/FolderInputs.h"

#include "cli/Console.h"
#include "cli/FileKind.h"
#include "cli/Platform.h"

#include <algorithm>
#include <filesystem>

namespace mshtool {
namespace {

namespace fs = std::filesystem;

bool isModelFile(const std::string& path) {
    FileKind kind = identifyFile(path).kind;
    return isModel(kind) || kind == FileKind::Bbx || hasModelExtension(path);
}

std::vector<std::string> modelFilesIn(const std::string& folder, bool& allRead) {
    std::vector<std::string> found;
    std::error_code code;
    fs::recursive_directory_iterator walk(pathOf(folder),
                                          fs::directory_options::skip_permission_denied, code);
    for (; !code && walk != fs::recursive_directory_iterator(); walk.increment(code)) {
        std::error_code typeCode;
        if (!walk->is_regular_file(typeCode))
            continue;
        std::string path = pathText(walk->path());
        if (isModelFile(path))
            found.push_back(path);
    }
    if (code) {
        allRead = false;
        printMessage("mshtool: " + folder + ": cannot read the whole folder: " + code.message());
    }
    // std::string orders by unsigned bytes: the UTF-8 paths' code point order.
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

std::vector<std::string> withFoldersOpened(const std::vector<std::string>& paths, bool& allRead) {
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        if (identifyFile(path).kind != FileKind::Folder) {
            files.push_back(path);
            continue;
        }
        std::vector<std::string> inside = modelFilesIn(path, allRead);
        if (inside.empty())
            printWarning("mshtool: " + path + ": no model files in this folder");
        files.insert(files.end(), inside.begin(), inside.end());
    }
    return files;
}

} // namespace mshtool
