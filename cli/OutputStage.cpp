#include "cli/OutputStage.h"

#include "cli/BatchJobs.h"
#include "cli/Console.h"
#include "cli/Platform.h"
#include "format/FilePaths.h"
#include "format/TextField.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <set>
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
    // Block by block (outputs run to hundreds of megabytes), in blocks on the stack: a batch
    // compares hundreds of files, and fresh heap blocks would fault in their pages each time.
    char left[65536], right[65536];
    while (first && second) {
        first.read(left, std::streamsize(sizeof left));
        second.read(right, std::streamsize(sizeof right));
        if (first.gcount() != second.gcount() ||
            std::memcmp(left, right, size_t(first.gcount())) != 0)
            return false;
    }
    return first.eof() && second.eof();
}

// ".mshtool-<process id>-<random>": the id tells a later run whether the folder's run is gone.
const std::string stagePrefix = ".mshtool-";
// Inside the staging folder: the files a commit replaced, until all are in place.
const char keptFolderName[] = ".mshtool-kept";

std::string randomName() {
    static const char digits[] = "0123456789abcdef";
    std::random_device source;
    std::string name = stagePrefix + std::to_string(currentProcessId()) + "-";
    for (int i = 0; i < 8; ++i)
        name += digits[source() % 16];
    return name;
}

// The id of the run that made a staging folder of `name`; 0 when the name is not one.
unsigned long ownerOf(const std::string& name) {
    if (name.compare(0, stagePrefix.size(), stagePrefix) != 0)
        return 0;
    size_t dash = name.find('-', stagePrefix.size());
    if (dash == std::string::npos)
        return 0;
    std::string id = name.substr(stagePrefix.size(), dash - stagePrefix.size());
    if (id.empty() || id.size() > 9 || id.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return std::stoul(id);
}

// A killed run (SIGKILL, a power cut) could not clean up: its staging folder goes now.
void removeStaleStages(const fs::path& folder) {
    std::error_code code;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, code), end;
         !code && it != end; it.increment(code)) {
        unsigned long owner = ownerOf(pathText(it->path().filename()));
        std::error_code ignored;
        if (owner != 0 && owner != currentProcessId() && !processIsRunning(owner) &&
            it->is_directory(ignored))
            fs::remove_all(it->path(), ignored);
    }
}

std::vector<fs::path> stagedFiles(const fs::path& stage) {
    std::vector<fs::path> files;
    std::error_code code;
    for (fs::directory_iterator it(stage, code), end; !code && it != end; it.increment(code))
        if (it->path().filename() != keptFolderName)
            files.push_back(it->path());
    std::sort(files.begin(), files.end());
    return files;
}

// The stages an interrupt must remove; changed and read under InterruptLock.
std::set<OutputStage*>& openStages() {
    static std::set<OutputStage*> stages;
    return stages;
}

std::atomic<bool> interrupted(false);

void removeStagesOnInterrupt() {
    interrupted = true;
    InterruptLock lock; // a commit under way ends first, in place or put back
    for (OutputStage* stage : openStages())
        stage->removeAll();
}

const char nameTakenReason[] = "another file of this name was put there while this model was "
                               "converted";

std::string nameTakenMessage(const fs::path& destination) {
    return "mshtool: " + pathText(destination) + ": " + nameTakenReason +
           "; run it again to give it a name of its own";
}

fs::path linkedPath(const fs::path& path) {
    return pathOf(toUtf8(linkedFilePath(fromUtf8(pathText(path)))));
}

std::wstring wide(const fs::path& path) {
    return fromUtf8(pathText(path));
}

} // namespace

struct OutputStage::Placement {
    fs::path staged;      ///< the new file
    fs::path destination; ///< where the user asked for it
    fs::path kept;        ///< the file it replaced, kept aside; empty when there was none
};

OutputStage::~OutputStage() {
    InterruptLock lock;
    openStages().erase(this);
    if (!stage.empty())
        showPathsAs("", "");
    removeAll();
}

void OutputStage::removeAll() {
    std::error_code code;
    if (!stage.empty()) {
        // Again when a writer still at work added a file meanwhile (an interrupt).
        for (int attempt = 0; attempt < 5 && fs::exists(stage, code); ++attempt)
            fs::remove_all(stage, code);
        stage.clear();
    }
    // A conversion that wrote nothing leaves no folder behind either.
    if (created.empty())
        return;
    for (fs::path folder = target; fs::remove(folder, code); folder = folder.parent_path())
        if (folder == created)
            break;
    created.clear();
}

bool OutputStage::open(const fs::path& targetFolder) {
    callOnInterrupt(removeStagesOnInterrupt);
    InterruptLock lock;
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
    openStages().insert(this);
    removeStaleStages(target);
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

void OutputStage::placeAsNew(const fs::path& fileName) {
    asNew.insert(fileName);
}

bool OutputStage::commit(bool lost, bool force) {
    InterruptLock lock;
    takenName = false;
    std::vector<Placement> plan;
    std::vector<std::string> refusals; // one message per target that stops the commit
    std::vector<fs::path> others;      // existing targets kept only because of those
    std::error_code code;
    for (const fs::path& file : stagedFiles(stage)) {
        fs::path destination = target / file.filename();
        fs::path real = linkedPath(destination);
        if (sameBytes(file, real)) {
            fs::remove(file, code);
            continue;
        }
        std::string reason;
        bool exists = fs::exists(real, code);
        if (exists && asNew.count(file.filename()))
            refusals.push_back(nameTakenMessage(destination));
        else if (!canReplaceFile(wide(destination), force, reason))
            refusals.push_back("mshtool: " + pathText(destination) +
                               ": cannot write the file: " + reason +
                               (fs::is_directory(real, code) ? "" : "; --force replaces it"));
        else if (lost && !force && exists)
            refusals.push_back("mshtool: " + pathText(destination) +
                               ": kept the existing file: the new one, which would have gone "
                               "here, lost something (see above); --force replaces it");
        else if (exists)
            others.push_back(destination);
        plan.push_back(Placement{file, destination, fs::path()});
    }
    if (interrupted) {
        discard();
        return false;
    }
    if (refusals.empty())
        return placeAll(plan, force);
    takenName = std::all_of(refusals.begin(), refusals.end(), [&](const std::string& refusal) {
        return refusal.find(nameTakenReason) != std::string::npos;
    });
    for (const std::string& refusal : refusals)
        printMessage(refusal);
    for (const fs::path& kept : others)
        printMessage("mshtool: " + pathText(kept) +
                     ": kept as it was: a conversion's files are written all together or not "
                     "at all");
    discard();
    return false;
}

// Every planned file into place, each replaced one kept aside first (a hard link, so no copy
// where the file system has them); the first failure, or an interrupt, puts back all placed.
bool OutputStage::placeAll(const std::vector<Placement>& plan, bool force) {
    std::error_code code;
    const fs::path keptFolder = stage / keptFolderName;
    std::vector<Placement> placed;
    std::string failure;
    size_t failedAt = 0;
    for (size_t i = 0; i < plan.size() && failure.empty(); ++i) {
        failedAt = i;
        Placement step = plan[i];
        fs::path real = linkedPath(step.destination);
        std::string reason;
        if (interrupted) {
            failure = "mshtool: interrupted; the files of this conversion were put back";
            break;
        }
        if (asNew.count(step.staged.filename()) && !fs::is_symlink(step.destination, code)) {
            if (moveIfAbsent(step.staged, step.destination, code)) {
                placed.push_back(step);
                continue;
            }
            if (code == std::errc::file_exists && sameBytes(step.staged, step.destination))
                continue; // the same picture, put there meanwhile: nothing to undo
            takenName = code == std::errc::file_exists;
            failure = takenName ? nameTakenMessage(step.destination)
                                : "mshtool: " + pathText(step.destination) +
                                      ": cannot write the file: " + code.message();
            break;
        }
        if (fs::exists(real, code)) {
            fs::create_directory(keptFolder, code);
            step.kept = keptFolder / std::to_string(i);
            fs::create_hard_link(real, step.kept, code);
            if (code)
                fs::copy_file(real, step.kept, code);
            if (code) {
                failure = "mshtool: " + pathText(step.destination) +
                          ": cannot keep the existing file aside while the new one is put in "
                          "place: " +
                          code.message();
                break;
            }
        }
        if (!replaceFile(wide(step.staged), wide(step.destination), reason, force)) {
            failure =
                "mshtool: " + pathText(step.destination) + ": cannot write the file: " + reason;
            break;
        }
        placed.push_back(step);
    }
    if (!failure.empty()) {
        putBack(placed);
        printMessage(failure);
        for (size_t i = 0; i < plan.size(); ++i)
            if (i != failedAt)
                printMessage(
                    "mshtool: " + pathText(plan[i].destination) +
                    (fs::exists(plan[i].destination, code) ? ": kept as it was" : ": not written") +
                    ": a conversion's files are written all together or not at all");
    }
    discard();
    return failure.empty();
}

void OutputStage::putBack(const std::vector<Placement>& placed) {
    std::error_code code;
    for (auto step = placed.rbegin(); step != placed.rend(); ++step) {
        std::string reason;
        if (step->kept.empty())
            fs::remove(linkedPath(step->destination), code);
        else if (!replaceFile(wide(step->kept), wide(step->destination), reason, true))
            printMessage("mshtool: " + pathText(step->destination) +
                         ": cannot put back the file that was there: " + reason);
    }
}

void OutputStage::discard() {
    asNew.clear();
    std::error_code code;
    for (const fs::path& file : stagedFiles(stage))
        fs::remove_all(file, code);
    fs::remove_all(stage / keptFolderName, code);
}

int exitCodeOf(Conversion conversion) {
    return conversion == Conversion::converted ? 0 : 1;
}

Conversion finishConversion(OutputStage& stage, const std::string& input, bool lost, bool force,
                            const std::string& note, const std::string& summary) {
    bool written = stage.commit(lost, force);
    if (written)
        printNote(note);
    if (written && !summary.empty())
        printNote(summary);
    if (lost)
        printMessage("mshtool: " + input + ": something was lost on the way (see above)");
    // What is done is on record even when the run is killed before its end.
    std::fflush(stdout);
    if (!written)
        return Conversion::failed;
    return lost ? Conversion::convertedWithLosses : Conversion::converted;
}

} // namespace mshtool
