// `mshtool info`: layout, object count and per-record summary of each file.
#include "cli/Commands.h"
#include "cli/RecordSummary.h"
#include "cli/Terminal.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <iostream>
#include <sstream>

namespace mshtool {
namespace {

const char* layoutName(MshLayoutKind layout) {
    return layout == MshLayoutMesh8 ? "mesh8" : "legacy";
}

std::string vectorText(const std::array<float, 3>& v) {
    std::ostringstream text;
    text << "(" << v[0] << ", " << v[1] << ", " << v[2] << ")";
    return text.str();
}

void printText(const FileSummary& f) {
    std::cout << f.file << ": " << layoutName(f.layout) << ", " << f.objectCount
              << (f.objectCount == 1 ? " object\n" : " objects\n");
    for (size_t i = 0; i < f.objects.size(); ++i) {
        const RecordSummary& r = f.objects[i];
        std::cout << "  [" << i << "] \"" << r.name << "\" parent \"" << r.parent
                  << "\": " << r.numVerts << " verts, " << r.numFaces << " faces, "
                  << r.numSkinVerts << " skin verts" << (r.twoSided ? ", two-sided" : "") << "\n";
        if (!r.texturePath.empty())
            std::cout << "      texture: " << r.texturePath << "\n";
        if (!r.bones.empty()) {
            std::cout << "      bones:";
            for (size_t b = 0; b < r.bones.size(); ++b)
                std::cout << (b ? ", " : " ") << r.bones[b];
            std::cout << "\n";
        }
        std::cout << "      bounds: " << vectorText(r.boundsMin) << " .. "
                  << vectorText(r.boundsMax) << "\n";
    }
}

// The shortest decimal that reads back as the same float, so 0.6f shows as 0.6 and not as
// the double 0.6000000238418579.
double shortestDecimal(float value) {
    char text[32];
    std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    double shortest = 0.0;
    std::from_chars(text, end.ptr, shortest);
    return shortest;
}

nlohmann::ordered_json pointJson(const std::array<float, 3>& v) {
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
                           {"boundsMin", pointJson(r.boundsMin)},
                           {"boundsMax", pointJson(r.boundsMax)}});
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
};

int runInfo(const InfoOptions& options) {
    int result = exitOk;
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    for (size_t i = 0; i < options.files.size(); ++i) {
        showProgress(i, options.files.size(), options.files[i]);
        FileSummary summary = summariseFile(options.files[i]);
        if (!summary.readWhole) {
            std::cerr << "mshtool: " << summary.error.describe() << "\n";
            result = exitBadFile;
            if (summary.error.kind == MshErrorOpen && !options.json)
                continue;
        }
        if (options.json)
            all.push_back(toJson(summary));
        else
            printText(summary);
    }
    if (options.json)
        std::cout << all.dump(2) << "\n";
    return result;
}

} // namespace

void addInfoCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App* info = app.add_subcommand("info", "Show the layout and the records of model files");
    info->footer("Example:\n  mshtool info samples/hero.msh samples/hero.bn --json");
    info->add_option("FILE", options->files, "MSH or BN files")->required();
    info->add_flag("--json", options->json,
                   "Print a JSON array with one object per file: {file, layout, objects}");
    info->callback([options, &exitCode] { exitCode = runInfo(*options); });
}

} // namespace mshtool
