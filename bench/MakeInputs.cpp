// bench-inputs DIR [MEGABYTES]: writes the benchmark's model files into DIR.

#include "bench/BenchModels.h"
#include "samples/PngWriter.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench-inputs DIR [MEGABYTES]\n");
        return 2;
    }
    uint64_t megabytes = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 100;
    bench::ModelFiles files;
    if (!bench::writeModelFiles(argv[1], megabytes * 1000 * 1000, bench::TubeShape(), files))
        return 1;
    // The bodies' texture, so converters that embed it find a real image.
    std::vector<uint8_t> rgb(64 * 64 * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = uint8_t((i / 3 % 64) * 4 ^ (i / 192) * 4);
    if (!samples::writePng(std::string(argv[1]) + "/body.png", 64, 64, rgb)) {
        std::fprintf(stderr, "bench-inputs: cannot write body.png\n");
        return 1;
    }
    std::printf("%s %d\n%s %d\n", files.legacyPath.c_str(), files.legacyModels,
                files.mesh8Path.c_str(), files.mesh8Models);
    return 0;
}
