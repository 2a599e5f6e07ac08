#include "cli/OutputStage.h"

#include "cli/BatchJobs.h"
#include "cli/Console.h"
#include "cli/Platform.h"
#include "format/FilePaths.h"
#include "format/TextField.h"

#include <cstring>
#include <fstream>
#include <random>
#include <vector>

namespace mshtool {
namespace {

namespace fs = std::filesystem;

bool sameBytes(const fs::path& a, const fs::path& b) {
    std::error_code code;
    if (!fs::is_regular_file(a, code) || !fs::is_regular_file(b, code) ||
        fs::file_size(a, code) != fs::file_size(b, code))
        return false;
    std::ifstream first(a, std::ios::binary), second(b, std::ios::binary);
    // Block by block: outputs run to hundreds of megabytes.
    std::vector<char> left(1 << 20), right(1 << 20);
    while (first && second) {
        first.read(left.data(), std::streamsize(left.size()));
        second.read(right.data(), std::streamsize(right.size()));
        if (first.gcount() != second.gcount() ||
            std::memcmp(left.data(), right.data(), size_t(first.gcount())) != 0)
            return false;
    }
    return first.eof() && second.eof();
}

std::string randomName() {
    static const char digits[] = "0123456789abcdef";
    std::random_device source;
    std::string name = ".mshtool-";
    for (int i = 0; i < 8; ++i)
        name += digits[source() % 16];
    return name;
}

std::vector<fs::path> stagedFiles(const fs::path& stage) {
    std::vector<fs::path> files;
    std::error_code code;
    for (fs::directory_iterator it(stage, code), end; !code && it != end; it.increment(code))
        files.push_back(it->path());
    return files;
}

} // namespace

OutputStage::~OutputStage() {
    std::error_code code;
    if (!stage.empty()) {
        fs::remove_all(stage, code);
        showPathsAs("", "");
    }
    // A conversion that wrote nothing leaves no folder behind either.
    if (created.empty())
        return;
    for (fs::path folder = target; fs::remove(folder, code); folder = folder.parent_path())
        if (folder == created)
            break;
}

bool OutputStage::open(const fs::path& targetFolder) {
    target = targetFolder;
    std::error_code code;
    if (!target.empty() && !fs::is_directory(target, code)) {
        for (fs::path missing = target; !missing.empty() && !fs::exists(missing, code);
             missing = missing.parent_path())
            created = missing;
    }
    if (!created.empty() && !fs::create_directories(target, code)) {
        created.clear();
        printMessage("mshtool: cannot create the folder " + pathText(target) + ": " +
                     code.message());
        return false;
    }
    // A name of its own, so that two runs writing into one folder never meet.
    for (int attempt = 0; attempt < 16; ++attempt) {
        fs::path candidate = target / randomName();
        if (fs::create_directory(candidate, code)) {
            stage = candidate;
            noteStagingFolder(pathText(stage));
            // "a/.mshtool-x/b.msh" reads "a/b.msh"; "./" is not shown when none was given.
            showPathsAs(pathText(stage / ""), target.empty() ? "" : pathText(target / ""));
            return true;
        }
        if (code)
            break;
    }
    printMessage("mshtool: cannot write in the folder " +
                 (target.empty() ? std::string(".") : pathText(target)) + ": " +
                 (code ? code.message() : std::string("no free name for a staging folder")));
    return false;
}

std::string OutputStage::stagedPath(const fs::path& fileName) const {
    return pathText(stage / fileName);
}

std::string OutputStage::folder() const {
    return pathText(stage);
}

fs::path OutputStage::targetFolder() const {
    return target.empty() ? fs::path(".") : target;
}

bool OutputStage::commit(bool lost, bool force) {
    std::vector<fs::path> files = stagedFiles(stage);
    std::vector<fs::path> replaced;
    std::error_code code;
    for (const fs::path& file : files) {
        fs::path destination = target / file.filename();
        if (lost && !force && fs::exists(destination, code) && !sameBytes(file, destination))
            replaced.push_back(destination);
    }
    if (!replaced.empty()) {
        for (const fs::path& kept : replaced)
            printMessage("mshtool: " + pathText(kept) +
                         ": kept the existing file: the new one, which would have gone here, "
                         "lost something (see above); --force replaces it");
        discard();
        return false;
    }
    bool ok = true;
    for (const fs::path& file : files) {
        fs::path destination = target / file.filename();
        if (sameBytes(file, destination)) {
            fs::remove(file, code);
            continue;
        }
        std::string reason;
        if (!replaceFile(fromUtf8(pathText(file)), fromUtf8(pathText(destination)), reason)) {
            printMessage("mshtool: " + pathText(destination) +
                         ": cannot write the file: " + reason);
            ok = false;
        }
    }
    discard();
    return ok;
}

void OutputStage::discard() {
    std::error_code code;
    for (const fs::path& file : stagedFiles(stage))
        fs::remove_all(file, code);
}

int finishConversion(OutputStage& stage, const std::string& input, bool lost, bool force,
                     const std::string& note, const std::string& summary) {
    bool written = stage.commit(lost, force);
    if (written)
        printNote(note);
    if (written && !summary.empty())
        printNote(summary);
    if (lost)
        printMessage("mshtool: " + input + ": something was lost on the way (see above)");
    return written && !lost ? 0 : 1;
}

} // namespace mshtool
