#pragma once
// Edits that keep a model file's framing but change what the importer sees: counts,
// indices, bone numbers and weights, names, transforms, the records themselves. Some edits
// make a count lie on purpose; the result then no longer parses as an image and libFuzzer's
// own byte mutations take over for it.

#include "fuzz/ModelImage.h"

#include <random>

namespace fuzzing {

/// Applies one randomly chosen edit.
void mutateModelImage(ModelImage& image, std::mt19937& random);

} // namespace fuzzing
