// The structure-aware target: its inputs come from StructuredMutator.cpp, which edits counts,
// indices, bone numbers and names of well-framed records, so the deep paths of the readers
// and scene builders are reached. Each input is read, checked and imported.
#include "fuzz/FuzzSupport.h"
#include "fuzz/ImportChecks.h"
#include "fuzz/ReaderChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzzing::maxInputSize)
        return -1;
    fuzzing::checkModelFileReads(data, size);
    fuzzing::checkImport(data, size, L"msh");
    return 0;
}
