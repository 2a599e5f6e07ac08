// `mshtool to-gltf`: model files to glTF 2.0 through the importer plug-in.
#include "cli/BatchJobs.h"
#include "cli/BatchProgress.h"
#include "cli/BridgeMessages.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ModelImport.h"
#include "cli/OutputPlan.h"
#include "cli/OutputStage.h"
#include "cli/Platform.h"
#include "cli/StreamInputs.h"
#include "gltf/GltfBridge.h"
#include "scene/CaseFolding.h"

#include <filesystem>
#include <set>

namespace mshtool {
namespace {

namespace fs = std::filesystem;

struct ToGltfOptions {
    std::vector<std::string> inputs;
    std::string bones;
    bool noBones = false;
    std::string output;
    bool force = false;
    unsigned jobs = 0;
};

std::string lowerExtension(const fs::path& path) {
    return mshgltf::caseFolded(path.extension().u8string());
}

bool isGltfName(const fs::path& path) {
    std::string ext = lowerExtension(path);
    return ext == ".glb" || ext == ".gltf";
}

// Where each input goes: one glTF file, or one .glb per input in a folder. Empty, after
// saying why, when -o cannot take the inputs.
std::vector<std::string> plannedTargets(const ToGltfOptions& options) {
    const fs::path out = pathOf(options.output);
    std::error_code code;
    bool folder =
        fs::is_directory(out, code) ||
        (!options.output.empty() && (options.output.back() == '/' ||
                                     options.output.back() == char(fs::path::preferred_separator)));
    if (options.inputs.size() > 1 && !folder && (fs::exists(out, code) || isGltfName(out))) {
        printMessage("mshtool to-gltf: -o " + options.output + ": " +
                     std::to_string(options.inputs.size()) +
                     " inputs need a folder, one .glb each, not a file");
        return {};
    }
    if (options.inputs.size() == 1 && !folder && !isGltfName(out)) {
        printMessage("mshtool to-gltf: -o " + options.output +
                     ": give a .glb or .gltf file, or a folder");
        return {};
    }
    std::vector<std::string> targets;
    for (const std::string& input : options.inputs)
        targets.push_back(options.inputs.size() > 1 || folder
                              ? pathText(out / pathOf(input).stem()) + ".glb"
                              : options.output);
    return targets;
}

// The inputs less each X.bn given beside its X.msh (`to-gltf game/*`): it is that model's
// bones, read with it, not a model of its own.
std::vector<std::string> modelsOnly(const std::vector<std::string>& inputs) {
    std::set<std::string> models;
    for (const std::string& input : inputs)
        if (lowerExtension(pathOf(input)) == ".msh")
            models.insert(mshgltf::caseFolded(pathText(pathOf(input).replace_extension())));
    std::vector<std::string> kept;
    for (const std::string& input : inputs)
        if (lowerExtension(pathOf(input)) != ".bn" ||
            !models.count(mshgltf::caseFolded(pathText(pathOf(input).replace_extension()))))
            kept.push_back(input);
    return kept;
}

// Every file a target takes: a .gltf has its .bin beside it.
std::vector<std::string> filesOf(const std::vector<std::string>& targets) {
    std::vector<std::string> files;
    for (const std::string& target : targets) {
        files.push_back(target);
        if (lowerExtension(pathOf(target)) == ".gltf")
            files.push_back(pathText(pathOf(target).replace_extension(".bin")));
    }
    return files;
}

// One input to `target`.
Conversion convertOne(PluginSession& session, const ToGltfOptions& options,
                      const std::string& input, const std::string& target, OutputStage& stage) {
    bool lost = false;
    std::string bones = boneFileFor(input, options.bones, options.noBones);
    if (!isImportableModel(input, false) || (!bones.empty() && !isImportableModel(bones, true)) ||
        !importModel(session, input, bones, lost))
        return Conversion::failed;
    mshgltf::BridgeReport report;
    std::string error;
    if (!mshgltf::exportSceneAsGltf(stage.stagedPath(pathOf(target).filename()), report, error,
                                    pathText(stage.targetFolder()))) {
        printMessage("mshtool: " + error);
        stage.discard();
        return Conversion::failed;
    }
    lost = printBridgeReport(input, report) || lost;
    for (const std::string& texture : report.texturesCopied)
        stage.placeAsNew(pathOf(texture));
    return finishConversion(stage, input, lost, options.force,
                            input + (bones.empty() ? "" : " + " + bones) + " -> " + target,
                            bridgeSummary(input, report));
}

int runToGltf(const ToGltfOptions& given) {
    ToGltfOptions options = given;
    options.inputs = modelsOnly(given.inputs);
    std::vector<std::string> targets = plannedTargets(options);
    if (targets.empty())
        return exitUsage;
    // Named as given for the targets above, then read from a copy when they are streams.
    StreamInputs streams;
    for (std::string& input : options.inputs)
        input = streams.readable(input);
    if (!options.bones.empty())
        options.bones = streams.readable(options.bones);
    std::vector<std::string> inputs = options.inputs;
    for (const std::string& input : options.inputs)
        inputs.push_back(boneFileFor(input, options.bones, options.noBones));
    if (!outputsAreDistinct("to-gltf", options.inputs, targets) ||
        !outputsAreNotInputs("to-gltf", inputs, filesOf(targets)))
        return exitUsage;
    int result = exitOk;
    try {
        OutputStage stage;
        if (!stage.open(pathOf(targets[0]).parent_path()))
            return exitBadFile;
        PluginSession session;
        BatchProgress progress(options.inputs.size(), "converted", "failed", true);
        FileLoop loop;
        loop.starting = [&](size_t i) { progress.start(i, options.inputs[i]); };
        loop.convert = [&](size_t i) {
            FileOutcome outcome;
            outcome.code = int(convertOne(session, options, options.inputs[i], targets[i], stage));
            if (outcome.code == int(Conversion::failed) && stage.nameTaken())
                outcome.code = redoInParent;
            return outcome;
        };
        loop.done = [&](size_t, const FileOutcome& outcome) {
            // Negative: its worker ended on it, or it kept meeting other files' output.
            Conversion done = outcome.code < 0 ? Conversion::failed : Conversion(outcome.code);
            if (done == Conversion::converted)
                progress.succeeded();
            else if (done == Conversion::convertedWithLosses)
                progress.succeededWithLosses();
            else
                progress.failed();
            if (done != Conversion::converted)
                result = exitBadFile;
        };
        runFiles(options.inputs,
                 streams.holdsCopies() ? 1 : jobsFor(options.jobs, options.inputs.size()), loop);
        progress.finish();
    } catch (const std::exception& e) {
        printMessage(std::string("mshtool: ") + e.what());
        return exitBadFile;
    }
    return result;
}

} // namespace

Command addToGltfCommand(CLI::App& app) {
    auto options = std::make_shared<ToGltfOptions>();
    CLI::App* command = app.add_subcommand(
        "to-gltf", "Convert MSH files (with their BN bones) to glTF 2.0 through the importer");
    command->footer(
        "The BN file is imported first: the one given, or the .bn of the same stem\n"
        "beside each MSH file unless --no-bones. OUT ending in .glb writes binary\n"
        "glTF, .gltf writes JSON plus a .bin; a folder gets one .glb per input.\n"
        "An existing file is replaced only when nothing was lost on the way, or with\n"
        "--force; an input is never replaced.\n\n"
        "Example:\n  mshtool to-gltf samples/hero.msh --bones samples/hero.bn -o hero.glb");
    command->add_option("MSH", options->inputs, "MSH files")->required();
    CLI::Option* bones =
        command->add_option("--bones", options->bones, "BN file to import before each MSH file");
    command->add_flag("--no-bones", options->noBones, "Do not look for a BN file beside the MSH")
        ->excludes(bones);
    command->add_option("-o,--output", options->output, "Output .glb/.gltf file or folder")
        ->required();
    command->add_flag("--force", options->force,
                      "Replace existing files even when something was lost on the way");
    addJobsOption(*command, options->jobs);
    return {command, [options] { return runToGltf(*options); }};
}

} // namespace mshtool
