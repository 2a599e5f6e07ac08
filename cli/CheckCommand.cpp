// `mshtool check`: every error the readers detect and every layout invariant, with where.
#include "cli/BatchJobs.h"
#include "cli/BatchProgress.h"
#include "cli/BbxCheck.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/FileKind.h"
#include "cli/FolderInputs.h"
#include "cli/ModelCheck.h"
#include "cli/ModelImport.h"
#include "cli/StreamInputs.h"

#include <nlohmann/json.hpp>

#include <map>
#include <memory>

namespace mshtool {
namespace {

struct CheckOptions {
    std::vector<std::string> files;
    std::string bones;
    bool noBones = false;
    bool json = false;
    unsigned jobs = 0;
};

nlohmann::json toJson(const CheckResult& result, const std::string& skipped) {
    nlohmann::json problems = nlohmann::json::array();
    for (const CheckProblem& p : result.problems)
        problems.push_back({{"record", p.record},
                            {"name", p.recordName},
                            {"field", p.field},
                            {"offset", p.offset},
                            {"message", p.message}});
    nlohmann::json file = {{"file", result.file},
                           {"layout", result.layout},
                           {"objects", result.objectCount},
                           {"ok", result.ok()},
                           {"problems", problems}};
    if (!result.bones.empty())
        file["bones"] = result.bones;
    if (!skipped.empty())
        file["skipped"] = skipped;
    return file;
}

void printResultText(const CheckResult& checked) {
    if (checked.ok()) {
        std::string what = checked.layout == "bbx"
                               ? std::string("bbx")
                               : checked.layout + ", " + std::to_string(checked.objectCount) +
                                     (checked.objectCount == 1 ? " object" : " objects");
        if (!checked.bones.empty())
            what += "; bones from " + checked.bones;
        printResult(checked.file + ": ok (" + what + ")");
        return;
    }
    printResult(checked.file + ": " + std::to_string(checked.problems.size()) +
                (checked.problems.size() == 1 ? " problem" : " problems"));
    for (const CheckProblem& p : checked.problems)
        printResult("  " + p.describe());
}

// The BN files that models and BBX files are checked against, each read once.
class BoneFiles {
public:
    explicit BoneFiles(const CheckOptions& checkOptions) : options(checkOptions) {}

    /// The BN file for `path`: --bones, or the one beside it; null when there is none. A BN
    /// file that cannot be read becomes a problem of `result`.
    const BoneFile* forFile(const std::string& path, CheckResult& result) {
        std::string bonePath = boneFileFor(path, options.bones, options.noBones);
        if (bonePath.empty() || (options.bones.empty() && isBoneFileName(path)))
            return nullptr;
        auto found = read.find(bonePath);
        if (found == read.end()) {
            auto bones = std::make_unique<BoneFile>();
            CheckProblem problem;
            if (!readBoneFile(bonePath, *bones, problem)) {
                failures[bonePath] = problem.describe();
                bones.reset();
            }
            found = read.emplace(bonePath, std::move(bones)).first;
        }
        if (!found->second)
            result.problems.push_back(fileProblem(
                "", 0, "the bone file " + bonePath + " cannot be read: " + failures[bonePath]));
        return found->second.get();
    }

private:
    static bool isBoneFileName(const std::string& path) {
        return describeKind(FileKind::Legacy, path) == "a BN file";
    }

    const CheckOptions& options;
    std::map<std::string, std::unique_ptr<BoneFile>> read;
    std::map<std::string, std::string> failures;
};

// What a file's check comes to, for the batch's summary.
enum CheckOutcome { fileSound = 0, fileWithProblems = 1, fileSkipped = 2 };

// One file's lines, and its JSON object (as text) for the array printed at the end.
FileOutcome checkFile(const CheckOptions& options, BoneFiles& boneFiles, const std::string& path) {
    FileIdentity identity = identifyFile(path);
    CheckResult checked;
    checked.file = path;
    std::string skipped;
    if (isModel(identity.kind) || identity.kind == FileKind::Bbx) {
        const BoneFile* bones = boneFiles.forFile(path, checked);
        CheckResult found = identity.kind == FileKind::Bbx ? checkBbxFile(path, bones)
                                                           : checkModelFile(path, bones);
        found.problems.insert(found.problems.begin(), checked.problems.begin(),
                              checked.problems.end());
        // Named when found beside the file: the user did not say which one to use.
        found.bones = bones && options.bones.empty() ? bones->path : std::string();
        checked = found;
    } else if (identity.kind != FileKind::Unreadable && !hasModelExtension(path)) {
        // Not a model, nor named as one: `check folder/*` passes over the rest.
        skipped = identity.kind == FileKind::Foreign
                      ? "not a model file"
                      : describeKind(identity.kind, path) + ", not a model file";
    } else {
        checked.problems.push_back(fileProblem("", 0, notAModelMessage(path, identity)));
    }
    FileOutcome outcome;
    outcome.code = !skipped.empty() ? fileSkipped : checked.ok() ? fileSound : fileWithProblems;
    if (options.json)
        outcome.record =
            toJson(checked, skipped).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    else if (!skipped.empty())
        printResult(path + ": skipped: " + skipped);
    else
        printResultText(checked);
    return outcome;
}

int runCheck(const CheckOptions& given) {
    StreamInputs streams;
    CheckOptions options = given;
    for (std::string& path : options.files)
        path = streams.readable(path);
    if (!options.bones.empty())
        options.bones = streams.readable(options.bones);
    bool allRead = true;
    options.files = withFoldersOpened(options.files, allRead);
    int exitCode = allRead ? exitOk : exitBadFile;
    nlohmann::json all = nlohmann::json::array();
    BoneFiles boneFiles(options);
    BatchProgress progress(options.files.size(), "ok", "with problems");
    FileLoop loop;
    loop.starting = [&](size_t i) { progress.start(i, options.files[i]); };
    loop.convert = [&](size_t i) { return checkFile(options, boneFiles, options.files[i]); };
    loop.done = [&](size_t, const FileOutcome& outcome) {
        if (!outcome.record.empty())
            all.push_back(nlohmann::json::parse(outcome.record));
        if (outcome.code == fileSkipped)
            progress.skipped();
        else if (outcome.code == fileSound)
            progress.succeeded();
        else
            progress.failed();
        if (outcome.code != fileSound && outcome.code != fileSkipped)
            exitCode = exitBadFile;
    };
    runFiles(options.files, streams.holdsCopies() ? 1 : jobsFor(options.jobs, options.files.size()),
             loop);
    progress.finish();
    if (options.json)
        printRaw(all.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
    return exitCode;
}

} // namespace

Command addCheckCommand(CLI::App& app) {
    auto options = std::make_shared<CheckOptions>();
    CLI::App* command = app.add_subcommand(
        "check", "Validate MSH, BN and BBX files: reader errors and layout invariants");
    command->footer(
        "Models and BBX files are checked against the BN file given with --bones, or else\n"
        "the .bn of the same stem beside them unless --no-bones. Files that are not model\n"
        "files and are not named as one (.msh, .bn, .bbx) are skipped; a folder stands for\n"
        "the model files inside it, at any depth. Exit status 0 when every file is sound,\n"
        "1 otherwise.\n\n"
        "Example:\n  mshtool check samples/");
    command->add_option("FILE", options->files, "MSH, BN and BBX files, or folders")->required();
    CLI::Option* bones = command->add_option(
        "--bones", options->bones,
        "BN file whose bone names the models' bones and parents must use, and whose boxes the "
        "BBX boxes must be the union of");
    command->add_flag("--no-bones", options->noBones, "Do not look for a BN file beside the files")
        ->excludes(bones);
    command->add_flag("--json", options->json,
                      "Print a JSON array: {file, layout, objects, ok, problems: [{record, "
                      "name, field, offset, message}]}, plus bones and skipped when they apply");
    addJobsOption(*command, options->jobs);
    return {command, [options] { return runCheck(*options); }};
}

} // namespace mshtool
