// libFuzzer's custom mutator for fuzz_structured: most mutations are edits of the parsed
// records; inputs that no longer frame, and one mutation in eight, get libFuzzer's own.
#include "fuzz/ModelImage.h"
#include "fuzz/ModelMutator.h"

#include <cstring>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize,
                                          unsigned int seed) {
    std::mt19937 random(seed);
    fuzzing::ModelImage image;
    if (random() % 8 == 0 || !fuzzing::parseModelImage(data, size, image))
        return LLVMFuzzerMutate(data, size, maxSize);
    unsigned edits = 1 + random() % 3;
    for (unsigned i = 0; i < edits; ++i)
        fuzzing::mutateModelImage(image, random);
    std::string bytes = fuzzing::serializeModelImage(image);
    if (bytes.size() > maxSize)
        return LLVMFuzzerMutate(data, size, maxSize);
    std::memcpy(data, bytes.data(), bytes.size());
    return bytes.size();
}
