// Whole imports (bone file first, then the mesh file) into a fresh in-memory scene, and whole
// exports of that scene, each layout; reading the same files into records, one at a time as
// the importer does, is measured alongside as the cost without the scene.

#include "bench/BenchArgs.h"
#include "bench/BenchModels.h"
#include "bench/FileBytes.h"
#include "bench/SceneImport.h"
#include "format/MshFile.h"
#include "format/TextField.h"
#include "host/embed/MemoryHost.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

enum class Layout { legacy, mesh8 };

std::string meshPath(Layout layout) {
    bench::ModelFiles files = bench::modelFilesIn(bench::inputDir());
    return layout == Layout::legacy ? files.legacyPath : files.mesh8Path;
}

std::string bonePath() {
    return bench::modelFilesIn(bench::inputDir()).bonePath;
}

unsigned objectCountOf(const std::string& path) {
    MshFileReader reader;
    MshError error;
    return reader.open(fromUtf8(path), error) ? reader.objectCount() : 0;
}

void setRates(benchmark::State& state, int64_t bytes, unsigned objects) {
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
    state.counters["objects_per_second"] =
        benchmark::Counter(double(state.iterations()) * objects, benchmark::Counter::kIsRate);
    state.counters["objects"] = objects;
}

// Reads every record of the file into one reused record, as the import loop does.
bool streamRecords(const std::string& path, std::string& why) {
    MshFileReader reader;
    MshError error;
    if (!reader.open(fromUtf8(path), error)) {
        why = error.describe();
        return false;
    }
    LegacyRecord legacy;
    Mesh8Record mesh8;
    while (reader.hasNext()) {
        bool ok = reader.layout() == MshLayoutLegacy ? reader.readNextLegacy(legacy, error)
                                                     : reader.readNextMesh8(mesh8, error);
        if (!ok) {
            why = error.describe();
            return false;
        }
    }
    return true;
}

void BM_ReadForImport(benchmark::State& state, Layout layout) {
    std::string why;
    for (auto _ : state) {
        if (!streamRecords(bonePath(), why) || !streamRecords(meshPath(layout), why)) {
            state.SkipWithError(why.c_str());
            return;
        }
    }
    setRates(state, bench::fileSize(bonePath()) + bench::fileSize(meshPath(layout)),
             objectCountOf(bonePath()) + objectCountOf(meshPath(layout)));
}

// The layout whose files the current scene was imported from, so the repetitions of an export
// row import once; every import row empties the scene first.
enum class SceneContent { empty, legacy, mesh8 };
SceneContent sceneContent = SceneContent::empty;

void BM_Import(benchmark::State& state, Layout layout) {
    sceneContent = SceneContent::empty;
    for (auto _ : state) {
        state.PauseTiming();
        resetScene(); // freeing the last scene is not part of an import
        state.ResumeTiming();
        for (const std::string& path : {bonePath(), meshPath(layout)}) {
            bench::PluginRun run = bench::importFile(path);
            if (!run.succeeded()) {
                state.SkipWithError(
                    ("import of " + path + " failed or showed \"" + run.firstMessage + "\"")
                        .c_str());
                return;
            }
        }
    }
    state.counters["nodes"] = double(allNodesDepthFirst().size());
    setRates(state, bench::fileSize(bonePath()) + bench::fileSize(meshPath(layout)),
             objectCountOf(bonePath()) + objectCountOf(meshPath(layout)));
    resetScene();
}

void BM_Export(benchmark::State& state, Layout layout) {
    bool mesh8 = layout == Layout::mesh8;
    SceneContent wanted = mesh8 ? SceneContent::mesh8 : SceneContent::legacy;
    std::string why;
    if (sceneContent != wanted) {
        sceneContent = SceneContent::empty;
        if (!bench::importModel(bonePath(), meshPath(layout), why)) {
            state.SkipWithError(why.c_str());
            return;
        }
        sceneContent = wanted;
    }
    std::string target = bench::inputDir() + (mesh8 ? "/export-mesh8.msh" : "/export-legacy.msh");
    for (auto _ : state) {
        bench::PluginRun run = bench::exportScene(target, true, mesh8);
        if (!run.succeeded()) {
            state.SkipWithError(("export failed or showed \"" + run.firstMessage + "\"").c_str());
            return;
        }
    }
    // The export path ends in "msh": the bone and box files take its last three characters.
    std::string stem = target.substr(0, target.size() - 3);
    int64_t written = bench::fileSize(target) + bench::fileSize(stem + "bn") +
                      std::max<int64_t>(0, bench::fileSize(stem + "BBX"));
    setRates(state, written, objectCountOf(target) + objectCountOf(stem + "bn"));
}

} // namespace

BENCHMARK_CAPTURE(BM_ReadForImport, legacy, Layout::legacy)

    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Import, legacy, Layout::legacy)

    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_ReadForImport, mesh8, Layout::mesh8)

    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Import, mesh8, Layout::mesh8)

    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_Export, legacy, Layout::legacy)

    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_Export, mesh8, Layout::mesh8)

    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
