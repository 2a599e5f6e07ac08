#include "format/Mesh8Record.h"

#include <cstddef>
#include <cstring>

#include "format/TextField.h"

Mesh8Record::Mesh8Record() {
    initObjectHeader(header);
}

namespace {

const uint64_t headerSize = sizeof(MshObjectHeader);

bool truncated(MshInput& input, const char* field, uint64_t need, MshError& error) {
    return failWith(error, MshErrorTruncated, field, input.offset(),
                    numberText(static_cast<int64_t>(need)) + " bytes",
                    numberText(static_cast<int64_t>(input.remaining())) + " bytes");
}

// Reads an i16 block count and the block it announces; the size is checked against the
// file before anything is allocated.
template <typename Entry>
bool readBlock(MshInput& input, std::vector<Entry>& entries, const char* countField,
               const char* field, MshError& error) {
    uint64_t countOffset = input.offset();
    int16_t count = 0;
    if (!input.read(&count, sizeof count))
        return truncated(input, countField, sizeof count, error);
    if (count < 0)
        return failWith(error, MshErrorCount, countField, countOffset, "0 to 32767",
                        numberText(count));
    uint64_t need = static_cast<uint64_t>(count) * sizeof(Entry);
    if (need > input.remaining())
        return truncated(input, field, need, error);
    entries.resize(static_cast<size_t>(count));
    return count == 0 || input.read(&entries[0], static_cast<size_t>(need));
}

uint64_t indicesOffset(const Mesh8Record& record, uint64_t recordOffset) {
    return recordOffset + headerSize + 2 + record.vertices.size() * sizeof(Mesh8Vertex);
}

uint64_t boneRecordsOffset(const Mesh8Record& record, uint64_t recordOffset) {
    return indicesOffset(record, recordOffset) + 2 + record.indices.size() * 2;
}

bool checkIndices(const Mesh8Record& record, uint64_t recordOffset, MshError& error) {
    uint64_t countOffset = indicesOffset(record, recordOffset);
    uint64_t needed = 3 * static_cast<uint64_t>(record.header.numFaces);
    if (record.indices.size() < needed)
        return failWith(error, MshErrorCount, "numIndices", countOffset,
                        "at least 3 x numFaces (" + numberText(static_cast<int64_t>(needed)) + ")",
                        numberText(static_cast<int64_t>(record.indices.size())));
    for (size_t i = 0; i < record.indices.size(); ++i) {
        if (record.indices[i] >= record.vertices.size())
            return failWith(
                error, MshErrorIndex, "indices[" + numberText(static_cast<int64_t>(i)) + "]",
                countOffset + 2 + 2 * i,
                "below numCornerVerts " + numberText(static_cast<int64_t>(record.vertices.size())),
                numberText(record.indices[i]));
    }
    return true;
}

bool checkBoneRecords(const Mesh8Record& record, uint64_t recordOffset, MshError& error) {
    uint64_t countOffset = boneRecordsOffset(record, recordOffset);
    if (record.boneRecords.size() < record.header.numSkinVerts)
        return failWith(error, MshErrorCount, "numBoneRecords", countOffset,
                        "at least numSkinVerts (" + numberText(record.header.numSkinVerts) + ")",
                        numberText(static_cast<int64_t>(record.boneRecords.size())));
    for (size_t k = 0; k < record.boneRecords.size(); ++k) {
        if (record.boneRecords[k].numBones > MSH_MAX_BONES)
            return failWith(error, MshErrorCount,
                            "boneRecords[" + numberText(static_cast<int64_t>(k)) + "].numBones",
                            countOffset + 2 + k * sizeof(Mesh8BoneRecord), "at most 4",
                            numberText(record.boneRecords[k].numBones));
    }
    return true;
}

bool checkBlockSize(const char* field, uint64_t offset, size_t entries, MshError& error) {
    if (entries > MESH8_MAX_BLOCK_ENTRIES)
        return failWith(error, MshErrorTooLarge, field, offset, "at most 32767 entries",
                        numberText(static_cast<int64_t>(entries)));
    return true;
}

void writeBlockCount(MshOutput& output, size_t entries) {
    int16_t count = static_cast<int16_t>(entries);
    output.write(&count, sizeof count);
}

} // namespace

bool validateMesh8Record(const Mesh8Record& record, uint64_t recordOffset, MshError& error) {
    return checkBlockSize("numCornerVerts", recordOffset + headerSize, record.vertices.size(),
                          error) &&
           checkBlockSize("numIndices", indicesOffset(record, recordOffset), record.indices.size(),
                          error) &&
           checkBlockSize("numBoneRecords", boneRecordsOffset(record, recordOffset),
                          record.boneRecords.size(), error) &&
           checkIndices(record, recordOffset, error) &&
           checkBoneRecords(record, recordOffset, error);
}

bool readMesh8Record(MshInput& input, Mesh8Record& record, MshError& error) {
    uint64_t recordOffset = input.offset();
    if (!input.read(&record.header, sizeof record.header))
        return truncated(input, "header", sizeof record.header, error);
    error.recordName = readTextField(record.header.name, MSH_TEXT_FIELD_SIZE);
    if (!readBlock(input, record.vertices, "numCornerVerts", "vertices", error) ||
        !readBlock(input, record.indices, "numIndices", "indices", error) ||
        !readBlock(input, record.boneRecords, "numBoneRecords", "boneRecords", error))
        return false;
    return checkIndices(record, recordOffset, error) &&
           checkBoneRecords(record, recordOffset, error);
}

bool writeMesh8Record(MshOutput& output, const Mesh8Record& record, MshError& error) {
    if (!validateMesh8Record(record, 0, error))
        return false;
    output.write(&record.header, sizeof record.header);
    writeBlockCount(output, record.vertices.size());
    if (!record.vertices.empty())
        output.write(&record.vertices[0], record.vertices.size() * sizeof(Mesh8Vertex));
    writeBlockCount(output, record.indices.size());
    if (!record.indices.empty())
        output.write(&record.indices[0], record.indices.size() * sizeof(uint16_t));
    writeBlockCount(output, record.boneRecords.size());
    if (!record.boneRecords.empty())
        output.write(&record.boneRecords[0], record.boneRecords.size() * sizeof(Mesh8BoneRecord));
    if (output.failed())
        return failWith(error, MshErrorWrite, "", 0, "", output.failureReason());
    return true;
}

uint64_t mesh8RecordSize(const Mesh8Record& record) {
    return headerSize + 6 + record.vertices.size() * sizeof(Mesh8Vertex) +
           record.indices.size() * 2 + record.boneRecords.size() * sizeof(Mesh8BoneRecord);
}
