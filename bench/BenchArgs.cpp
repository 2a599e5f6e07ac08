#include "bench/BenchArgs.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace bench {
namespace {
std::string inputFolder;
const char inputsFlag[] = "--inputs=";
} // namespace

const std::string& inputDir() {
    return inputFolder;
}

int runBenchmarks(int argc, char** argv) {
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], inputsFlag, sizeof inputsFlag - 1) == 0)
            inputFolder = argv[i] + sizeof inputsFlag - 1;
        else
            rest.push_back(argv[i]);
    }
    int restCount = int(rest.size());
    rest.push_back(nullptr);
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data()))
        return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
