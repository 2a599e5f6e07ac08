// `mshtool from-gltf`: a glTF 2.0 model into the scene, written by the exporter plug-in.
#include "cli/BridgeMessages.h"
#include "cli/Commands.h"
#include "cli/PluginSession.h"
#include "format/MshFile.h"
#include "format/TextField.h"
#include "gltf/GltfBridge.h"
#include "host/embed/MemoryHost.h"

#include <filesystem>
#include <iostream>

namespace mshtool {
namespace {

namespace fs = std::filesystem;

struct FromGltfOptions {
    std::string input;
    std::string output;
    bool bones = false;
    bool mesh8 = false;
    bool noSplit = false;
    std::vector<std::string> selected;
};

bool endsWithMsh(const std::string& path) {
    if (path.size() < 4)
        return false;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext)
        c = char(std::tolower((unsigned char)c));
    return ext == ".msh";
}

// The names given, each with the parts it was split into.
std::vector<std::string> withParts(const std::vector<std::string>& names,
                                   const std::vector<mshgltf::SplitObject>& splits) {
    std::vector<std::string> all;
    for (const std::string& name : names) {
        all.push_back(name);
        for (const mshgltf::SplitObject& split : splits)
            if (split.name == name)
                all.insert(all.end(), split.parts.begin() + 1, split.parts.end());
    }
    return all;
}

// Selects the named nodes (and, when bones are exported, every bone, so the BN file stays
// whole); false when a name is not in the scene.
bool selectNodes(const std::vector<std::string>& names, bool withBones) {
    Interface* ip = GetCOREInterface();
    ip->ClearNodeSelection(FALSE);
    bool ok = true;
    for (const std::string& name : names) {
        std::wstring wide = fromUtf8(name);
        INode* node = ip->GetINodeByName(wide.c_str());
        if (!node) {
            std::cerr << "mshtool from-gltf: --selected " << name << ": no node of that name\n";
            ok = false;
            continue;
        }
        ip->SelectNode(node, 0);
    }
    if (withBones)
        for (INode* node : allNodesDepthFirst())
            if (node->GetBoneNodeOnOff())
                ip->SelectNode(node, 0);
    return ok;
}

// Records in a file the exporter wrote; 0 when there is none.
size_t recordsIn(const std::string& path) {
    MshFileReader reader;
    MshError error;
    return reader.open(fromUtf8(path), error) ? reader.objectCount() : 0;
}

int runFromGltf(const FromGltfOptions& options) {
    if (!endsWithMsh(options.output)) {
        std::cerr << "mshtool from-gltf: -o " << options.output << ": give a .msh file\n";
        return exitUsage;
    }
    resetScene();
    mshgltf::BridgeReport report;
    std::string error;
    fs::path folder = fs::path(options.output).parent_path();
    mshgltf::GltfImportOptions fitting;
    fitting.layout = options.mesh8 ? MshLayoutMesh8 : MshLayoutLegacy;
    fitting.splitToFit = !options.noSplit;
    fitting.modelStem = fs::u8path(options.output).stem().u8string();
    std::vector<mshgltf::SplitObject> splits;
    // A file refused as it is read leaves nothing behind, not even the folder.
    if (!mshgltf::importGltfIntoScene(options.input, folder.empty() ? "." : folder.string(), report,
                                      error, fitting, &splits)) {
        std::cerr << "mshtool: " << error << "\n";
        return exitBadFile;
    }
    std::error_code code;
    if (!folder.empty() && !fs::is_directory(folder, code) &&
        !fs::create_directories(folder, code)) {
        std::cerr << "mshtool from-gltf: cannot create the folder " << folder.string() << ": "
                  << code.message() << "\n";
        return exitBadFile;
    }
    bool lost = printBridgeReport(options.input, report);
    bool selectedOnly = !options.selected.empty();
    if (selectedOnly && !selectNodes(withParts(options.selected, splits), options.bones))
        return exitBadFile;
    try {
        PluginSession session;
        if (!session.exportFile(options.output, options.bones, options.mesh8, selectedOnly)) {
            std::cerr << "mshtool: " << options.output << ": the exporter failed (see above)\n";
            return exitBadFile;
        }
        lost = lost || session.sawMessages();
    } catch (const std::exception& e) {
        std::cerr << "mshtool: " << e.what() << "\n";
        return exitBadFile;
    }
    std::string base = options.output.substr(0, options.output.size() - 3);
    std::cout << options.input << " -> " << options.output;
    if (options.bones)
        std::cout << ", " << base << "bn" << (options.mesh8 ? "" : ", " + base + "BBX");
    std::cout << "\n";
    report.objectsWritten = recordsIn(options.output);
    report.bonesWritten = options.bones ? recordsIn(base + "bn") : 0;
    printBridgeSummary(options.input, report);
    if (lost) {
        std::cerr << "mshtool: " << options.input
                  << ": something was lost on the way (see above)\n";
        return exitBadFile;
    }
    return exitOk;
}

} // namespace

void addFromGltfCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<FromGltfOptions>();
    CLI::App* command = app.add_subcommand(
        "from-gltf", "Convert a .gltf or .glb model to MSH through the exporter");
    command->footer("Writes OUT.msh and, with --bones, OUT.bn (and OUT.BBX in the legacy\n"
                    "layout), as the exporter does; bitmaps embedded in the model are written\n"
                    "beside OUT.msh. A mesh that one object of the layout cannot hold (more\n"
                    "than four bones in the legacy layout, more than 10,922 faces in Mesh8,\n"
                    "more than 65,535 vertices or faces) is split into objects NAME, NAME.1,\n"
                    "NAME.2, ...\n\n"
                    "Example:\n  mshtool from-gltf hero.glb -o hero.msh --bones --mesh8");
    command->add_option("GLTF", options->input, "The .gltf or .glb file")->required();
    command->add_option("-o,--output", options->output, "The MSH file to write")->required();
    command->add_flag("--bones", options->bones, "Answer Yes to \"Export bones?\"");
    command->add_flag("--mesh8", options->mesh8, "Answer Yes to \"Use Mesh8 structure?\"");
    command->add_flag("--no-split", options->noSplit,
                      "Refuse a mesh that one object cannot hold instead of splitting it");
    command->add_option("--selected", options->selected,
                        "Export only these nodes (with --bones, every bone as well)");
    command->callback([options, &exitCode] { exitCode = runFromGltf(*options); });
}

} // namespace mshtool
