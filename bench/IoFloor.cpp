// bench-io-floor OUT SIZE_OF IN...: the least any conversion of IN into a file like SIZE_OF can
// cost in one process: every input read whole into fresh memory, then as many bytes as
// SIZE_OF holds written to OUT (taken from the first input, which must be at least as large).
// Its time and peak memory are measured from outside.

#include "bench/FileBytes.h"

#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench-io-floor OUT SIZE_OF IN...\n");
        return 2;
    }
    int64_t outputSize = bench::fileSize(argv[2]);
    std::vector<std::unique_ptr<char[]>> inputs;
    std::vector<int64_t> sizes;
    for (int i = 3; i < argc; ++i) {
        int64_t size = bench::fileSize(argv[i]);
        inputs.emplace_back(new char[size > 0 ? size_t(size) : 1]);
        if (size < 0 || !bench::readInto(argv[i], inputs.back().get(), size_t(size))) {
            std::fprintf(stderr, "bench-io-floor: cannot read %s\n", argv[i]);
            return 1;
        }
        sizes.push_back(size);
    }
    if (outputSize < 0 || outputSize > sizes[0]) {
        std::fprintf(stderr, "bench-io-floor: %s is missing or larger than %s\n", argv[2], argv[3]);
        return 1;
    }
    if (!bench::writeWithOneCall(argv[1], inputs[0].get(), size_t(outputSize))) {
        std::fprintf(stderr, "bench-io-floor: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("{\"written_bytes\": %lld}\n", static_cast<long long>(outputSize));
    return 0;
}
