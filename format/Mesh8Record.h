#ifndef MSH_FORMAT_MESH8RECORD_H
#define MSH_FORMAT_MESH8RECORD_H

#include "format/MshError.h"
#include "format/MshInput.h"
#include "format/MshLayout.h"
#include "format/MshOutput.h"

#include <vector>

/// Most entries a Mesh8 block can hold: its count is a signed 16-bit number.
#define MESH8_MAX_BLOCK_ENTRIES 32767
/// Most triangles a Mesh8 record can hold (three corners each).
#define MESH8_MAX_FACES 10922

/// One Mesh8 object record in memory.
struct Mesh8Record {
    MshObjectHeader header;
    std::vector<Mesh8Vertex> vertices; ///< one per face corner
    std::vector<uint16_t> indices;     ///< entry 3f + c: the vertex of corner c of face f
    std::vector<Mesh8BoneRecord> boneRecords;

    Mesh8Record();
};

/// Reads one record from the input's position and leaves the input at the next record.
/// Rejects a negative block count, a block the file cannot hold (before allocating),
/// `numIndices` below 3 x `numFaces`, an index at or above `numCornerVerts`, fewer bone records
/// than `numSkinVerts`, and a bone record's `numBones` above 4.
bool readMesh8Record(MshInput& input, Mesh8Record& record, MshError& error);

/// The reader's checks, plus the 32767-entry limit of each block, for a record at `recordOffset`.
bool validateMesh8Record(const Mesh8Record& record, uint64_t recordOffset, MshError& error);

/// Writes one record after validating it: the header, then each block as its i16 count and
/// entries. Nothing is written when the record is invalid.
bool writeMesh8Record(MshOutput& output, const Mesh8Record& record, MshError& error);

/// Bytes the record takes in a file.
uint64_t mesh8RecordSize(const Mesh8Record& record);

#endif
