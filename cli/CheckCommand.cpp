// `mshtool check`: every error the readers detect and every layout invariant, with where.
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
    for (size_t i = 0; i < options.files.size(); ++i) {
        const std::string& path = options.files[i];
        progress.start(i, path);
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
        if (!skipped.empty())
            progress.skipped();
        else if (checked.ok())
            progress.succeeded();
        else
            progress.failed();
        if (!checked.ok())
            exitCode = exitBadFile;
        if (options.json)
            all.push_back(toJson(checked, skipped));
        else if (!skipped.empty())
            printResult(path + ": skipped: " + skipped);
        else
            printResultText(checked);
    }
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
    return {command, [options] { return runCheck(*options); }};
}

} // namespace mshtool
