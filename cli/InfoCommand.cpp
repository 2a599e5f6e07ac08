// `mshtool info`: layout, object count and per-record summary of each file; a BBX file's
// model name and box.
#include "cli/BatchJobs.h"
#include "cli/BatchProgress.h"
#include "cli/BbxCheck.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/FileKind.h"
#include "cli/FolderInputs.h"
#include "cli/NumberText.h"
#include "cli/RecordSummary.h"
#include "cli/StreamInputs.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cstring>

namespace mshtool {
namespace {

const char* layoutName(MshLayoutKind layout) {
    return layout == MshLayoutMesh8 ? "mesh8" : "legacy";
}

void printText(const FileSummary& f) {
    printResult(f.file + ": " + layoutName(f.layout) + ", " + std::to_string(f.objectCount) +
                (f.objectCount == 1 ? " object" : " objects"));
    for (size_t i = 0; i < f.objects.size(); ++i) {
        const RecordSummary& r = f.objects[i];
        printResult("  [" + std::to_string(i) + "] \"" + r.name + "\" parent \"" + r.parent +
                    "\": " + std::to_string(r.numVerts) + " verts, " + std::to_string(r.numFaces) +
                    " faces, " + std::to_string(r.numSkinVerts) + " skin verts" +
                    (r.twoSided ? ", two-sided" : ""));
        if (!r.texturePath.empty())
            printResult("      texture: " + r.texturePath);
        if (!r.bones.empty()) {
            std::string bones = "      bones:";
            for (size_t b = 0; b < r.bones.size(); ++b)
                bones += (b ? ", " : " ") + r.bones[b];
            printResult(bones);
        }
        printResult("      bounds: " + pointText(r.boundsMin) + " .. " + pointText(r.boundsMax));
    }
}

// The shortest decimal that reads back as the same float, so 0.6f shows as 0.6 and not as
// the double 0.6000000238418579.
double shortestDecimal(float value) {
    std::string text = floatText(value);
    double shortest = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), shortest);
    return shortest;
}

nlohmann::ordered_json pointJson(const float* v) {
    return nlohmann::ordered_json::array(
        {shortestDecimal(v[0]), shortestDecimal(v[1]), shortestDecimal(v[2])});
}

nlohmann::ordered_json toJson(const FileSummary& f) {
    nlohmann::ordered_json objects = nlohmann::ordered_json::array();
    for (const RecordSummary& r : f.objects) {
        objects.push_back({{"name", r.name},
                           {"parent", r.parent},
                           {"numVerts", r.numVerts},
                           {"numFaces", r.numFaces},
                           {"numSkinVerts", r.numSkinVerts},
                           {"texturePath", r.texturePath},
                           {"twoSided", r.twoSided},
                           {"bones", r.bones},
                           {"boundsMin", pointJson(r.boundsMin.data())},
                           {"boundsMax", pointJson(r.boundsMax.data())}});
    }
    nlohmann::ordered_json file = {
        {"file", f.file}, {"layout", layoutName(f.layout)}, {"objects", objects}};
    if (!f.readWhole)
        file["error"] = f.error.describe();
    return file;
}

struct InfoOptions {
    std::vector<std::string> files;
    bool json = false;
    unsigned jobs = 0;
};

// Prints a model file; false when it could not be read whole.
bool showModel(const InfoOptions& options, const std::string& path, nlohmann::ordered_json& all) {
    FileSummary summary = summariseFile(path);
    if (!summary.readWhole)
        printMessage("mshtool: " + summary.error.describe());
    if (options.json)
        all.push_back(toJson(summary));
    else if (summary.readWhole || summary.error.kind != MshErrorOpen)
        printText(summary);
    return summary.readWhole;
}

bool showBbx(const InfoOptions& options, const std::string& path, nlohmann::ordered_json& all) {
    BbxFileLayout file;
    std::string error;
    if (!readBbxFile(path, file, error)) {
        printMessage("mshtool: " + error);
        if (options.json)
            all.push_back({{"file", path}, {"layout", "bbx"}, {"error", error}});
        return false;
    }
    float boundsMax[3], boundsMin[3];
    std::memcpy(boundsMax, file.boundsMax, sizeof boundsMax);
    std::memcpy(boundsMin, file.boundsMin, sizeof boundsMin);
    bool empty = isEmptyBox(file);
    if (options.json) {
        all.push_back({{"file", path},
                       {"layout", "bbx"},
                       {"name", bbxModelName(file)},
                       {"emptyBox", empty},
                       {"boundsMin", pointJson(boundsMin)},
                       {"boundsMax", pointJson(boundsMax)}});
        return true;
    }
    printResult(path + ": bbx, model \"" + bbxModelName(file) + "\"");
    printResult("  bounds: " + (empty ? std::string("empty (exported without bones)")
                                      : pointText(boundsMin) + " .. " + pointText(boundsMax)));
    return true;
}

// One file's lines, and its JSON object (as text) for the array printed at the end.
FileOutcome showFile(const InfoOptions& options, const std::string& path) {
    nlohmann::ordered_json shown = nlohmann::ordered_json::array();
    FileIdentity identity = identifyFile(path);
    bool ok;
    if (isModel(identity.kind)) {
        ok = showModel(options, path, shown);
    } else if (identity.kind == FileKind::Bbx) {
        ok = showBbx(options, path, shown);
    } else {
        std::string message = notAModelMessage(path, identity);
        printMessage("mshtool: " + message);
        if (options.json)
            shown.push_back({{"file", path}, {"layout", nullptr}, {"error", message}});
        ok = false;
    }
    FileOutcome outcome;
    outcome.code = ok ? exitOk : exitBadFile;
    if (options.json)
        outcome.record =
            shown.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    return outcome;
}

int runInfo(const InfoOptions& options) {
    StreamInputs streams;
    std::vector<std::string> given;
    for (const std::string& path : options.files)
        given.push_back(streams.readable(path));
    bool allRead = true;
    std::vector<std::string> files = withFoldersOpened(given, allRead);
    int result = allRead ? exitOk : exitBadFile;
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    BatchProgress progress(files.size(), "read", "failed");
    FileLoop loop;
    loop.starting = [&](size_t i) { progress.start(i, files[i]); };
    loop.convert = [&](size_t i) { return showFile(options, files[i]); };
    loop.done = [&](size_t, const FileOutcome& outcome) {
        if (!outcome.record.empty())
            for (auto& shown : nlohmann::ordered_json::parse(outcome.record))
                all.push_back(std::move(shown));
        if (outcome.code == exitOk) {
            progress.succeeded();
        } else {
            progress.failed();
            result = exitBadFile;
        }
    };
    runFiles(files, streams.holdsCopies() ? 1 : jobsFor(options.jobs, files.size()), loop);
    progress.finish();
    if (options.json)
        printRaw(all.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n");
    return result;
}

} // namespace

Command addInfoCommand(CLI::App& app) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App* info = app.add_subcommand("info", "Show the layout and the records of model files");
    info->footer("A folder stands for the MSH, BN and BBX files inside it, at any depth.\n\n"
                 "Example:\n  mshtool info samples/hero.msh samples/hero.bn samples/hero.BBX");
    info->add_option("FILE", options->files, "MSH, BN or BBX files, or folders")->required();
    info->add_flag("--json", options->json,
                   "Print a JSON array with one object per file: {file, layout, objects} "
                   "(BBX: {file, layout, name, emptyBox, boundsMin, boundsMax})");
    addJobsOption(*info, options->jobs);
    return {info, [options] { return runInfo(*options); }};
}

} // namespace mshtool
