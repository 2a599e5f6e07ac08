// A whole DoImport of arbitrary bytes given a .msh path, into a scene that holds bones.
#include "fuzz/FuzzSupport.h"
#include "fuzz/ImportChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzzing::maxInputSize)
        return -1;
    fuzzing::checkImport(data, size, L"msh");
    return 0;
}
