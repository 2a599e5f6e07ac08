// The Mesh8 record reader on arbitrary bytes, and the file reader's layout dispatch.
#include "fuzz/FuzzSupport.h"
#include "fuzz/ReaderChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzzing::maxInputSize)
        return -1;
    fuzzing::checkMesh8Reads(data, size);
    fuzzing::checkModelFileReads(data, size);
    return 0;
}
