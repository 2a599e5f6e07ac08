#include "fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>

namespace fuzzing {

void fail(const std::string& what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

} // namespace fuzzing
