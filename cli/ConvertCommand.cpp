// `mshtool convert`: import a model and export it again (legacy to Mesh8 and back).
#include "cli/Commands.h"
#include "cli/ModelImport.h"

#include <iostream>

namespace mshtool {
namespace {

struct ConvertOptions {
    std::string input;
    std::string bones;
    bool noBones = false;
    std::string output;
    bool mesh8 = false;
    bool exportBones = false;
};

int runConvert(const ConvertOptions& options) {
    if (options.output.size() < 4) {
        std::cerr << "mshtool convert: -o " << options.output << ": give a .msh file\n";
        return exitUsage;
    }
    try {
        PluginSession session;
        bool lost = false;
        std::string bones = boneFileFor(options.input, options.bones, options.noBones);
        if (!importModel(session, options.input, bones, lost))
            return exitBadFile;
        session.clearMessages();
        if (!session.exportFile(options.output, options.exportBones, options.mesh8, false)) {
            std::cerr << "mshtool: " << options.output << ": the exporter failed (see above)\n";
            return exitBadFile;
        }
        lost = lost || session.sawMessages();
        std::cout << options.input << (bones.empty() ? "" : " + " + bones) << " -> "
                  << options.output << (options.mesh8 ? " (Mesh8)" : " (legacy)") << "\n";
        if (lost) {
            std::cerr << "mshtool: " << options.input
                      << ": something was lost on the way (see above)\n";
            return exitBadFile;
        }
    } catch (const std::exception& e) {
        std::cerr << "mshtool: " << e.what() << "\n";
        return exitBadFile;
    }
    return exitOk;
}

} // namespace

void addConvertCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ConvertOptions>();
    CLI::App* command =
        app.add_subcommand("convert", "Import a model and export it again through the plug-ins");
    command->footer("The BN file is imported first: the one given, or the .bn of the same stem\n"
                    "beside the MSH file unless --no-bones.\n\n"
                    "Example:\n  mshtool convert samples/hero.msh -o hero_mesh8.msh --mesh8 "
                    "--export-bones");
    command->add_option("MSH", options->input, "The MSH file to convert")->required();
    CLI::Option* bones =
        command->add_option("--bones", options->bones, "BN file to import before the MSH file");
    command->add_flag("--no-bones", options->noBones, "Do not look for a BN file beside the MSH")
        ->excludes(bones);
    command->add_option("-o,--output", options->output, "The MSH file to write")->required();
    command->add_flag("--mesh8", options->mesh8, "Write the Mesh8 layout");
    command->add_flag("--export-bones", options->exportBones,
                      "Write the BN file (and, in the legacy layout, the BBX file) too");
    command->callback([options, &exitCode] { exitCode = runConvert(*options); });
}

} // namespace mshtool
