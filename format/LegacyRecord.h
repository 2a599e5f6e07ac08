#ifndef MSH_FORMAT_LEGACYRECORD_H
#define MSH_FORMAT_LEGACYRECORD_H

#include "format/MshError.h"
#include "format/MshInput.h"
#include "format/MshLayout.h"
#include "format/MshOutput.h"

#include <vector>

/// One legacy object record in memory: the header and the arrays that follow it.
struct LegacyRecord {
    MshObjectHeader header;
    std::vector<MshVertex> vertices;
    std::vector<MshFace> faces;
    int32_t numBones; ///< 0 when the record has no skin block
    char boneNames[MSH_MAX_BONES][MSH_TEXT_FIELD_SIZE];
    std::vector<MshSkinVertex> skinVertices; ///< empty when the record has no skin block

    /// An empty record: zeroed header with the fixed values, no entries, no bones.
    LegacyRecord();
};

/// Reads one record from the input's position and leaves the input at the next record.
/// Rejects counts the file cannot hold before allocating, a `numBones` or skin `count` outside
/// 0 to 4, and any face, skin-vertex or bone index outside its table. On failure `error` names
/// the field and byte offset (its file and record number are the caller's to fill in).
bool readLegacyRecord(MshInput& input, LegacyRecord& record, MshError& error);

/// Checks what the reader checks, plus that the header counts match the arrays, for a record
/// that starts at byte `recordOffset` of its file.
bool validateLegacyRecord(const LegacyRecord& record, uint64_t recordOffset, MshError& error);

/// Writes one record after validating it; nothing is written when it is invalid.
/// `hasSkinBlock` 0 is written only for a record without skin (the skipped 424-byte entries are
/// not kept in memory).
bool writeLegacyRecord(MshOutput& output, const LegacyRecord& record, MshError& error);

/// Bytes the record takes in a file.
uint64_t legacyRecordSize(const LegacyRecord& record);

#endif
