#pragma once
// The main of every benchmark binary: Google Benchmark's own flags, plus --inputs=DIR, the
// folder that holds the generated model files (made by bench-inputs).

#include <string>

namespace bench {

/// The folder given with --inputs= (empty when none was given).
const std::string& inputDir();

/// Parses the arguments, runs the registered benchmarks and returns the exit status.
int runBenchmarks(int argc, char** argv);

} // namespace bench
