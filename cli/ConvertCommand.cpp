// `mshtool convert`: import a model and export it again (legacy to Mesh8 and back).
#include "cli/BoneShapeKeeping.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/Mesh8Unkept.h"
#include "cli/ModelImport.h"
#include "cli/OutputPlan.h"
#include "cli/OutputStage.h"
#include "cli/Platform.h"
#include "cli/StreamInputs.h"

namespace mshtool {
namespace {

struct ConvertOptions {
    std::string input;
    std::string bones;
    bool noBones = false;
    std::string output;
    bool mesh8 = false;
    bool exportBones = false;
    bool force = false;
};

bool endsWithMsh(const std::string& path) {
    std::string ext = pathOf(path).extension().u8string();
    return ext.size() == 4 && (ext[1] | 0x20) == 'm' && (ext[2] | 0x20) == 's' &&
           (ext[3] | 0x20) == 'h';
}

int convert(const ConvertOptions& options, const std::string& bones, OutputStage& stage) {
    PluginSession session;
    bool lost = false;
    if (!importModel(session, options.input, bones, lost))
        return exitBadFile;
    session.clearMessages();
    if (options.mesh8)
        printTwoSidedNotKeptInMesh8(options.input, false);
    std::string staged = stage.stagedPath(pathOf(options.output).filename());
    if (options.exportBones && !options.force)
        keepExistingBoneShapes(exportedFiles(options.output, true, options.mesh8)[1]);
    if (!session.exportFile(staged, options.exportBones, options.mesh8, false)) {
        printMessage("mshtool: " + options.output + ": the exporter failed (see above)");
        return exitBadFile;
    }
    lost = lost || session.sawMessages();
    return exitCodeOf(finishConversion(stage, options.input, lost, options.force,
                                       options.input + (bones.empty() ? "" : " + " + bones) +
                                           " -> " + options.output +
                                           (options.mesh8 ? " (Mesh8)" : " (legacy)")));
}

int runConvert(const ConvertOptions& given) {
    if (!endsWithMsh(given.output)) {
        printMessage("mshtool convert: -o " + given.output + ": give a .msh file");
        return exitUsage;
    }
    StreamInputs streams;
    ConvertOptions options = given;
    options.input = streams.readable(given.input);
    if (!options.bones.empty())
        options.bones = streams.readable(given.bones);
    std::string bones = boneFileFor(options.input, options.bones, options.noBones);
    std::vector<std::string> outputs =
        exportedFiles(options.output, options.exportBones, options.mesh8);
    if (!outputsAreNotInputs("convert", {options.input, bones}, outputs))
        return exitUsage;
    if (refuseBoneFileAsModel(options.input) || !isImportableModel(options.input, false) ||
        (!bones.empty() && !isImportableModel(bones, true)))
        return exitBadFile;
    try {
        OutputStage stage;
        if (!stage.open(pathOf(options.output).parent_path()))
            return exitBadFile;
        return convert(options, bones, stage);
    } catch (const std::exception& e) {
        printMessage(std::string("mshtool: ") + e.what());
        return exitBadFile;
    }
}

} // namespace

Command addConvertCommand(CLI::App& app) {
    auto options = std::make_shared<ConvertOptions>();
    CLI::App* command =
        app.add_subcommand("convert", "Import a model and export it again through the plug-ins");
    command->footer(
        "The BN file is imported first: the one given, or the .bn of the same stem\n"
        "beside the MSH file unless --no-bones. An existing file is replaced only when\n"
        "nothing was lost on the way, or with --force; an input is never replaced.\n"
        "With --export-bones, bones without a shape keep the shape of the bone of the\n"
        "same name in an existing OUT.bn, unless --force.\n\n"
        "Example:\n  mshtool convert samples/hero.msh -o hero_mesh8.msh --mesh8 --export-bones");
    command->add_option("MSH", options->input, "The MSH file to convert")->required();
    CLI::Option* bones =
        command->add_option("--bones", options->bones, "BN file to import before the MSH file");
    command->add_flag("--no-bones", options->noBones, "Do not look for a BN file beside the MSH")
        ->excludes(bones);
    command->add_option("-o,--output", options->output, "The MSH file to write")->required();
    command->add_flag("--mesh8", options->mesh8, "Write the Mesh8 layout");
    command->add_flag("--export-bones", options->exportBones,
                      "Write the BN file (and, in the legacy layout, the BBX file) too");
    command->add_flag("--force", options->force,
                      "Replace existing files even when something was lost on the way");
    return {command, [options] { return runConvert(*options); }};
}

} // namespace mshtool
