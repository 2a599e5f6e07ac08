// bench-import-once BN MSH: one whole import (bone file, then mesh file) in a fresh process,
// for its peak resident memory; prints, as one JSON line, the heap the scene keeps, the heap's
// peak during the import and the largest record of the files, to bound the reader's own share.

#include "bench/FileBytes.h"
#include "bench/HeapCounter.h"
#include "bench/SceneImport.h"
#include "format/MshFile.h"
#include "format/TextField.h"
#include "host/embed/MemoryHost.h"

#include <algorithm>
#include <cstdio>

namespace {

// Bytes of the largest record in the file, read one record at a time.
uint64_t largestRecord(const std::string& path) {
    MshFileReader reader;
    MshError error;
    if (!reader.open(fromUtf8(path), error))
        return 0;
    LegacyRecord legacy;
    Mesh8Record mesh8;
    uint64_t largest = 0;
    while (reader.hasNext()) {
        if (reader.layout() == MshLayoutLegacy) {
            if (!reader.readNextLegacy(legacy, error))
                break;
            largest = std::max(largest, legacyRecordSize(legacy));
        } else {
            if (!reader.readNextMesh8(mesh8, error))
                break;
            largest = std::max(largest, mesh8RecordSize(mesh8));
        }
    }
    return largest;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench-import-once BN MSH\n");
        return 2;
    }
    resetScene();
    size_t base = bench::heapInUse();
    bench::resetHeapPeak();
    std::string why;
    if (!bench::importModel(argv[1], argv[2], why)) {
        std::fprintf(stderr, "bench-import-once: %s\n", why.c_str());
        return 1;
    }
    size_t end = bench::heapInUse();
    size_t peak = bench::heapPeak();
    uint64_t largest = std::max(largestRecord(argv[1]), largestRecord(argv[2]));
    std::printf("{\"input_bytes\": %lld, \"scene_heap_bytes\": %zu, \"peak_heap_bytes\": %zu, "
                "\"transient_heap_bytes\": %zu, \"largest_record_bytes\": %llu, "
                "\"nodes\": %zu}\n",
                (long long)(bench::fileSize(argv[1]) + bench::fileSize(argv[2])), end - base,
                peak - base, peak - end, (unsigned long long)largest, allNodesDepthFirst().size());
    return 0;
}
