// `mshtool to-gltf`: model files to glTF 2.0 through the importer plug-in.
#include "cli/BridgeMessages.h"
#include "cli/Commands.h"
#include "cli/ModelImport.h"
#include "cli/Terminal.h"
#include "gltf/GltfBridge.h"

#include <filesystem>
#include <iostream>

namespace mshtool {
namespace {

namespace fs = std::filesystem;

struct ToGltfOptions {
    std::vector<std::string> inputs;
    std::string bones;
    bool noBones = false;
    std::string output;
};

bool isGltfName(const fs::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext)
        c = char(std::tolower((unsigned char)c));
    return ext == ".glb" || ext == ".gltf";
}

int runToGltf(const ToGltfOptions& options) {
    const fs::path out(options.output);
    std::error_code code;
    bool intoFolder = options.inputs.size() > 1 || fs::is_directory(out, code) ||
                      (!options.output.empty() && options.output.back() == '/');
    if (!intoFolder && !isGltfName(out)) {
        std::cerr << "mshtool to-gltf: -o " << options.output
                  << ": give a .glb or .gltf file, or a folder\n";
        return exitUsage;
    }
    if (intoFolder && !fs::is_directory(out, code) && !fs::create_directories(out, code)) {
        std::cerr << "mshtool to-gltf: cannot create the folder " << options.output << ": "
                  << code.message() << "\n";
        return exitBadFile;
    }
    if (!intoFolder && out.has_parent_path() && !fs::is_directory(out.parent_path(), code) &&
        !fs::create_directories(out.parent_path(), code)) {
        std::cerr << "mshtool to-gltf: cannot create the folder " << out.parent_path().string()
                  << ": " << code.message() << "\n";
        return exitBadFile;
    }
    int result = exitOk;
    try {
        PluginSession session;
        for (size_t i = 0; i < options.inputs.size(); ++i) {
            const std::string& input = options.inputs[i];
            showProgress(i, options.inputs.size(), input);
            std::string target =
                intoFolder ? (out / fs::path(input).stem()).string() + ".glb" : options.output;
            bool lost = false;
            std::string bones = boneFileFor(input, options.bones, options.noBones);
            if (!importModel(session, input, bones, lost)) {
                result = exitBadFile;
                continue;
            }
            mshgltf::BridgeReport report;
            std::string error;
            if (!mshgltf::exportSceneAsGltf(target, report, error)) {
                std::cerr << "mshtool: " << error << "\n";
                result = exitBadFile;
                continue;
            }
            lost = printBridgeReport(input, report) || lost;
            if (lost) {
                std::cerr << "mshtool: " << input
                          << ": something was lost on the way (see above)\n";
                result = exitBadFile;
            }
            std::cout << input << (bones.empty() ? "" : " + " + bones) << " -> " << target << "\n";
            printBridgeSummary(input, report);
        }
    } catch (const std::exception& e) {
        std::cerr << "mshtool: " << e.what() << "\n";
        return exitBadFile;
    }
    return result;
}

} // namespace

void addToGltfCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ToGltfOptions>();
    CLI::App* command = app.add_subcommand(
        "to-gltf", "Convert MSH files (with their BN bones) to glTF 2.0 through the importer");
    command->footer(
        "The BN file is imported first: the one given, or the .bn of the same stem\n"
        "beside each MSH file unless --no-bones. OUT ending in .glb writes binary\n"
        "glTF, .gltf writes JSON plus a .bin; a folder gets one .glb per input.\n\n"
        "Example:\n  mshtool to-gltf samples/hero.msh --bones samples/hero.bn -o hero.glb");
    command->add_option("MSH", options->inputs, "MSH files")->required();
    CLI::Option* bones =
        command->add_option("--bones", options->bones, "BN file to import before each MSH file");
    command->add_flag("--no-bones", options->noBones, "Do not look for a BN file beside the MSH")
        ->excludes(bones);
    command->add_option("-o,--output", options->output, "Output .glb/.gltf file or folder")
        ->required();
    command->callback([options, &exitCode] { exitCode = runToGltf(*options); });
}

} // namespace mshtool
