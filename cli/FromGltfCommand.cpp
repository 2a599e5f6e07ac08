// `mshtool from-gltf`: a glTF 2.0 model into the scene, written by the exporter plug-in.
#include "cli/BoneShapeKeeping.h"
#include "cli/BridgeMessages.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/FileKind.h"
#include "cli/Mesh8Unkept.h"
#include "cli/ModelImport.h"
#include "cli/OutputPlan.h"
#include "cli/OutputStage.h"
#include "cli/Platform.h"
#include "cli/PluginSession.h"
#include "cli/StreamInputs.h"
#include "format/MshFile.h"
#include "format/TextField.h"
#include "gltf/GltfBridge.h"
#include "host/embed/MemoryHost.h"
#include "scene/CaseFolding.h"

namespace mshtool {
namespace {

struct FromGltfOptions {
    std::string input;
    std::string output;
    bool bones = false;
    bool mesh8 = false;
    bool noSplit = false;
    std::vector<std::string> selected;
    bool force = false;
    bool keepBoneShapes = false;
};

bool endsWithMsh(const std::string& path) {
    return mshgltf::caseFolded(pathOf(path).extension().u8string()) == ".msh";
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
            printMessage("mshtool from-gltf: --selected " + name + ": no node of that name");
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

// A glTF file, or something tinygltf will say more about; models, pictures and folders are
// answered here.
bool isGltfInput(const std::string& path) {
    FileIdentity identity = identifyFile(path);
    switch (identity.kind) {
    case FileKind::Glb:
    case FileKind::Gltf:
    case FileKind::Json:
    case FileKind::Foreign:
        return true;
    case FileKind::Unreadable:
        printMessage("mshtool: " + notAModelMessage(path, identity));
        return false;
    default:
        printMessage("mshtool: " + path + " is " + describeKind(identity.kind, path) +
                     ", not a glTF file");
        return false;
    }
}

// The objects the exporter's mesh pass takes: visible, not bones, selected when only those
// are exported, and with geometry (helpers are passed over). Compared with the records it
// wrote, this counts what it left out, whatever its messages say.
size_t objectsToExport(bool selectedOnly) {
    size_t count = 0;
    for (INode* node : allNodesDepthFirst()) {
        if (node->IsHidden(0, FALSE) || node->GetBoneNodeOnOff() ||
            (selectedOnly && !node->Selected()))
            continue;
        Object* object = node->EvalWorldState(0, TRUE).obj;
        if (object && object->CanConvertToType(Class_ID(TRIOBJ_CLASS_ID, 0)))
            ++count;
    }
    return count;
}

// Records in a file the exporter wrote; 0 when there is none.
size_t recordsIn(const std::string& path) {
    MshFileReader reader;
    MshError error;
    return reader.open(fromUtf8(path), error) ? reader.objectCount() : 0;
}

int convert(const FromGltfOptions& options, OutputStage& stage) {
    resetScene();
    mshgltf::BridgeReport report;
    std::string error;
    mshgltf::GltfImportOptions fitting;
    fitting.layout = options.mesh8 ? MshLayoutMesh8 : MshLayoutLegacy;
    fitting.splitToFit = !options.noSplit;
    fitting.modelStem = pathOf(options.output).stem().u8string();
    fitting.finalImageDir = pathText(stage.targetFolder());
    std::vector<mshgltf::SplitObject> splits;
    if (!mshgltf::importGltfIntoScene(options.input, stage.folder(), report, error, fitting,
                                      &splits)) {
        printMessage("mshtool: " + error);
        return exitBadFile;
    }
    bool lost = printBridgeReport(options.input, report);
    bool selectedOnly = !options.selected.empty();
    if (selectedOnly && !selectNodes(withParts(options.selected, splits), options.bones))
        return exitBadFile;
    if (options.mesh8)
        printTwoSidedNotKeptInMesh8(options.input, selectedOnly);
    PluginSession session;
    std::string staged = stage.stagedPath(pathOf(options.output).filename());
    if (options.bones && (!options.force || options.keepBoneShapes))
        keepExistingBoneShapes(exportedFiles(options.output, true, options.mesh8)[1]);
    if (!session.exportFile(staged, options.bones, options.mesh8, selectedOnly)) {
        printMessage("mshtool: " + options.output + ": the exporter failed (see above)");
        return exitBadFile;
    }
    lost = lost || session.sawMessages();
    std::string note = options.input;
    for (const std::string& file : exportedFiles(options.output, options.bones, options.mesh8))
        note += (note == options.input ? " -> " : ", ") + file;
    report.objectsWritten = recordsIn(staged);
    size_t expected = objectsToExport(selectedOnly);
    if (expected > report.objectsWritten)
        report.objectsLeftOut += expected - report.objectsWritten;
    report.bonesWritten = options.bones ? recordsIn(staged.substr(0, staged.size() - 3) + "bn") : 0;
    return exitCodeOf(finishConversion(stage, options.input, lost, options.force, note,
                                       bridgeSummary(options.input, report)));
}

int runFromGltf(const FromGltfOptions& given) {
    if (!endsWithMsh(given.output)) {
        printMessage("mshtool from-gltf: -o " + given.output + ": give a .msh file");
        return exitUsage;
    }
    StreamInputs streams;
    FromGltfOptions options = given;
    options.input = streams.readable(given.input);
    if (!outputsAreNotInputs("from-gltf", {options.input},
                             exportedFiles(options.output, options.bones, options.mesh8)))
        return exitUsage;
    if (!isGltfInput(options.input))
        return exitBadFile;
    try {
        OutputStage stage;
        if (!stage.open(pathOf(options.output).parent_path()))
            return exitBadFile;
        return convert(options, stage);
    } catch (const std::exception& e) {
        printMessage(std::string("mshtool: ") + e.what());
        return exitBadFile;
    }
}

} // namespace

Command addFromGltfCommand(CLI::App& app) {
    auto options = std::make_shared<FromGltfOptions>();
    CLI::App* command = app.add_subcommand(
        "from-gltf", "Convert a .gltf or .glb model to MSH through the exporter");
    command->footer("Writes OUT.msh and, with --export-bones, OUT.bn (and OUT.BBX in the legacy\n"
                    "layout), as the exporter does; bitmaps embedded in the model are written\n"
                    "beside OUT.msh. A mesh that one object of the layout cannot hold (more\n"
                    "than four bones in the legacy layout, more than 10,922 faces in Mesh8,\n"
                    "more than 65,535 vertices or faces) is split into objects NAME, NAME.1,\n"
                    "NAME.2, ... An existing file is replaced only when nothing was lost on the\n"
                    "way, or with --force. Bones without a shape in the glTF keep the shape of\n"
                    "the bone of the same name in an existing OUT.bn, unless --force.\n\n"
                    "Example:\n  mshtool from-gltf hero.glb -o hero.msh --export-bones --mesh8");
    command->add_option("GLTF", options->input, "The .gltf or .glb file")->required();
    command->add_option("-o,--output", options->output, "The MSH file to write")->required();
    command->add_flag("--export-bones,--bones", options->bones,
                      "Answer Yes to \"Export bones?\" (--bones is the older name)");
    command->add_flag("--mesh8", options->mesh8, "Answer Yes to \"Use Mesh8 structure?\"");
    command->add_flag("--no-split", options->noSplit,
                      "Refuse a mesh that one object cannot hold instead of splitting it");
    command->add_option("--selected", options->selected,
                        "Export only these nodes (with --export-bones, every bone as well)");
    command->add_flag("--force", options->force,
                      "Replace existing files even when something was lost on the way");
    command->add_flag("--keep-bone-shapes", options->keepBoneShapes,
                      "Keep the shapes of an existing OUT.bn for bones without one, also with "
                      "--force");
    return {command, [options] { return runFromGltf(*options); }};
}

} // namespace mshtool
