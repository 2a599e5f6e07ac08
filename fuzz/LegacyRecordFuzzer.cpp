// The legacy record reader on arbitrary bytes.
#include "fuzz/FuzzSupport.h"
#include "fuzz/ReaderChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzzing::maxInputSize)
        return -1;
    fuzzing::checkLegacyReads(data, size);
    return 0;
}
