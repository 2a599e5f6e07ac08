// The hashed weld against the linear first-match reference on Mesh8 bodies of 1,000, 5,000 and
// 10,922 faces; each size first checks that both number every corner alike.

#include "bench/BenchArgs.h"
#include "bench/BenchModels.h"
#include "bench/FlatWeld.h"
#include "bench/LinearWeld.h"

#include <benchmark/benchmark.h>

#include <map>

namespace {

// Tube shapes with exactly the wanted face count (2 x rings x segments).
bench::TubeShape shapeWithFaces(int faces) {
    bench::TubeShape shape;
    switch (faces) {
    case 1000:
        shape.rings = 25;
        shape.segments = 20;
        break;
    case 5000:
        shape.rings = 50;
        shape.segments = 50;
        break;
    default:
        shape.rings = 43;
        shape.segments = 127;
        break; // 10,922: the most a record holds
    }
    return shape;
}

const Mesh8Record& bodyWithFaces(int faces) {
    static std::map<int, Mesh8Record> bodies;
    auto found = bodies.find(faces);
    if (found == bodies.end())
        found = bodies.emplace(faces, bench::mesh8Body(0, shapeWithFaces(faces))).first;
    return found->second;
}

using WeldFunction = void (*)(const Mesh8Record&, WeldResult&);

// Skips the benchmark unless the weld under test agrees with the linear reference.
bool checkSameNumbering(benchmark::State& state, const Mesh8Record& record, WeldFunction weld) {
    WeldResult tested, linear;
    weld(record, tested);
    bench::linearWeldMesh8Corners(record, linear);
    std::string why;
    if (!bench::sameWeld(tested, linear, why)) {
        state.SkipWithError(("the welds differ: " + why).c_str());
        return false;
    }
    state.counters["vertices"] = double(tested.weldList.size());
    return true;
}

template <void (*weld)(const Mesh8Record&, WeldResult&)> void runWeld(benchmark::State& state) {
    const Mesh8Record& record = bodyWithFaces(int(state.range(0)));
    if (record.header.numFaces != state.range(0)) {
        state.SkipWithError("wrong face count");
        return;
    }
    if (!checkSameNumbering(state, record, weld))
        return;
    WeldResult result; // reused from weld to weld, as the importer does from record to record
    for (auto _ : state) {
        weld(record, result);
        benchmark::DoNotOptimize(result.cornerVertex.data());
    }
    state.counters["corners"] = 3.0 * double(record.header.numFaces);
    state.SetItemsProcessed(int64_t(state.iterations()) * 3 * record.header.numFaces);
}

void BM_WeldHashed(benchmark::State& state) {
    runWeld<weldMesh8Corners>(state);
}

void BM_WeldLinear(benchmark::State& state) {
    runWeld<bench::linearWeldMesh8Corners>(state);
}

void BM_WeldFlatProposal(benchmark::State& state) {
    runWeld<bench::flatWeldMesh8Corners>(state);
}

} // namespace

BENCHMARK(BM_WeldHashed)->Arg(1000)->Arg(5000)->Arg(10922)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WeldLinear)->Arg(1000)->Arg(5000)->Arg(10922)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WeldFlatProposal)->Arg(10922)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
