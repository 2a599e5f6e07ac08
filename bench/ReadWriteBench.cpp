// Reading and writing whole model files, each against the plain copy of the same bytes measured
// in the same run: one read() into fresh memory for reading, one write() for writing.

#include "bench/BenchArgs.h"
#include "bench/BenchModels.h"
#include "bench/FileBytes.h"
#include "format/MshFile.h"
#include "format/TextField.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

enum class Layout { legacy, mesh8 };

std::string inputPath(Layout layout) {
    bench::ModelFiles files = bench::modelFilesIn(bench::inputDir());
    return layout == Layout::legacy ? files.legacyPath : files.mesh8Path;
}

// Every record of the file, kept, as a reader that materialises its records must.
template <typename Record>
bool readRecords(MshFileReader& reader, std::vector<Record>& records, MshError& error);

template <>
bool readRecords(MshFileReader& reader, std::vector<LegacyRecord>& records, MshError& error) {
    records.resize(reader.objectCount());
    for (LegacyRecord& record : records)
        if (!reader.readNextLegacy(record, error))
            return false;
    return true;
}

template <>
bool readRecords(MshFileReader& reader, std::vector<Mesh8Record>& records, MshError& error) {
    records.resize(reader.objectCount());
    for (Mesh8Record& record : records)
        if (!reader.readNextMesh8(record, error))
            return false;
    return true;
}

template <typename Record>
bool readFile(const std::string& path, std::vector<Record>& records, std::string& why) {
    MshFileReader reader;
    MshError error;
    if (!reader.open(fromUtf8(path), error) || !readRecords(reader, records, error)) {
        why = error.describe();
        return false;
    }
    return true;
}

template <typename Record> void readRecordsOf(benchmark::State& state, Layout layout) {
    std::string path = inputPath(layout);
    std::string why;
    for (auto _ : state) {
        std::vector<Record> records;
        if (!readFile(path, records, why)) {
            state.SkipWithError(why.c_str());
            return;
        }
        benchmark::DoNotOptimize(records.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bench::fileSize(path));
}

void BM_ReadRecords(benchmark::State& state, Layout layout) {
    if (layout == Layout::legacy)
        readRecordsOf<LegacyRecord>(state, layout);
    else
        readRecordsOf<Mesh8Record>(state, layout);
}

void BM_CopyToFreshMemory(benchmark::State& state, Layout layout) {
    std::string path = inputPath(layout);
    int64_t size = bench::fileSize(path);
    for (auto _ : state) {
        // Not value-initialised: its pages are first touched by the copy, as a reader's are.
        std::unique_ptr<char[]> bytes(new char[size_t(size)]);
        if (size < 0 || !bench::readInto(path, bytes.get(), size_t(size))) {
            state.SkipWithError(("cannot read " + path).c_str());
            return;
        }
        benchmark::DoNotOptimize(bytes.get());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * size);
}

// The records of a file, read once per process for the writing rows.
template <typename Record> const std::vector<Record>& cachedRecords(Layout layout) {
    static std::vector<Record> records;
    static bool loaded = false;
    if (!loaded) {
        std::string why;
        loaded = readFile(inputPath(layout), records, why);
    }
    return records;
}

bool writeRecord(MshOutput& output, const LegacyRecord& record, MshError& error) {
    return writeLegacyRecord(output, record, error);
}

bool writeRecord(MshOutput& output, const Mesh8Record& record, MshError& error) {
    return writeMesh8Record(output, record, error);
}

template <typename Record>
void writeRecordsOf(benchmark::State& state, Layout layout, MshLayoutKind kind) {
    const std::vector<Record>& records = cachedRecords<Record>(layout);
    std::string target = inputPath(layout) + ".written";
    for (auto _ : state) {
        AtomicFileOutput output(fromUtf8(target));
        MshError error;
        bool ok = output.open() && writeContainerStart(output, kind, unsigned(records.size()));
        for (size_t i = 0; ok && i < records.size(); ++i)
            ok = writeRecord(output, records[i], error);
        if (!ok || !output.commit() || records.empty()) {
            state.SkipWithError(("cannot write " + target + ": " + output.failureReason()).c_str());
            return;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bench::fileSize(target));
}

void BM_WriteRecords(benchmark::State& state, Layout layout) {
    if (layout == Layout::legacy)
        writeRecordsOf<LegacyRecord>(state, layout, MshLayoutLegacy);
    else
        writeRecordsOf<Mesh8Record>(state, layout, MshLayoutMesh8);
}

void BM_WriteOneCall(benchmark::State& state, Layout layout) {
    std::string bytes;
    if (!bench::readWholeFile(inputPath(layout), bytes)) {
        state.SkipWithError("cannot read the input file");
        return;
    }
    std::string target = inputPath(layout) + ".copied";
    for (auto _ : state) {
        if (!bench::writeWithOneCall(target, bytes.data(), bytes.size())) {
            state.SkipWithError(("cannot write " + target).c_str());
            return;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

} // namespace

BENCHMARK_CAPTURE(BM_ReadRecords, legacy, Layout::legacy)
    
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CopyToFreshMemory, legacy, Layout::legacy)
    
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadRecords, mesh8, Layout::mesh8)
    
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CopyToFreshMemory, mesh8, Layout::mesh8)
    
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteRecords, legacy, Layout::legacy)
    
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteOneCall, legacy, Layout::legacy)
    
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteRecords, mesh8, Layout::mesh8)
    
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WriteOneCall, mesh8, Layout::mesh8)
    
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
