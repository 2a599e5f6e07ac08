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
/// 0 to 4, and any face or bone index outside its table. A skin entry's vertex number is kept
/// as read (see skinVertexInRecord). On failure `error` names the field and byte offset (its
/// file and record number are the caller's to fill in).
bool readLegacyRecord(MshInput& input, LegacyRecord& record, MshError& error);

/// Whether skin entry `k` names one of the record's vertices.
bool skinVertexInRecord(const LegacyRecord& record, size_t k);

/// Fills `error` for skin entry `k` naming no vertex of the record that starts at byte
/// `recordOffset`; returns false.
bool failSkinVertexOutside(const LegacyRecord& record, size_t k, uint64_t recordOffset,
                           MshError& error);

/// What the writer accepts, for a record that starts at byte `recordOffset` of its file: what
/// the reader checks, header counts that match the arrays, every skin entry's vertex in the
/// record, and `numSkinVerts` 0 when `hasSkinBlock` is 0 (the 424-byte entries the reader
/// skips are not kept, so they cannot be written back).
bool validateLegacyRecord(const LegacyRecord& record, uint64_t recordOffset, MshError& error);

/// Writes one record after validating it; nothing is written when it is invalid.
bool writeLegacyRecord(MshOutput& output, const LegacyRecord& record, MshError& error);

/// Bytes the record takes in a file.
uint64_t legacyRecordSize(const LegacyRecord& record);

#endif
