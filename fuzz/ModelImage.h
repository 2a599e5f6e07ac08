#pragma once
// A model file taken apart only as far as its framing: the counts decide where each array
// ends, but no index, bone number or name is checked. The structure-aware fuzzer edits such
// images and writes them back out raw, so it can produce files the readers must reject as
// well as deep, well-formed ones.

#include "format/LegacyRecord.h"
#include "format/Mesh8Record.h"
#include "format/MshFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzzing {

/// A legacy record as framed in the file; `extras` holds the skipped per-vertex entries of a
/// record without skin block.
struct LegacyImage {
    LegacyRecord record;
    std::string extras;
};

struct ModelImage {
    MshLayoutKind layout;
    char magic[MSH_MESH8_MAGIC_SIZE]; ///< as written, in its letter case
    uint16_t declaredCount;           ///< the count field, which edits may make lie
    std::vector<LegacyImage> legacy;
    std::vector<Mesh8Record> mesh8;
    std::string trailing; ///< bytes after the last record

    ModelImage();
    size_t recordCount() const { return layout == MshLayoutMesh8 ? mesh8.size() : legacy.size(); }
};

/// Takes a file apart; false when its framing does not hold (it ends inside a record, or a
/// Mesh8 block count is negative).
bool parseModelImage(const uint8_t* data, size_t size, ModelImage& image);

/// The bytes of an image, every count written as stored (a count that lies stays a lie).
std::string serializeModelImage(const ModelImage& image);

/// Number of legacy bone names the framing holds for a stored `numBones`.
size_t framedBoneNames(int32_t numBones);

} // namespace fuzzing
