#include "format/LegacyRecord.h"

#include <cstddef>
#include <cstring>

#include "format/TextField.h"

LegacyRecord::LegacyRecord() : numBones(0) {
    initObjectHeader(header);
    memset(boneNames, 0, sizeof boneNames);
}

namespace {

const uint64_t headerSize = sizeof(MshObjectHeader);

std::string entryField(const char* array, size_t index, const char* member) {
    return std::string(array) + "[" + numberText(static_cast<int64_t>(index)) + "]." + member;
}

// Reads `count` fixed-size entries, first checking that the file holds them, so a count that
// promises more than the file has never causes a large allocation.
template <typename Entry>
bool readEntries(MshInput& input, size_t count, std::vector<Entry>& entries, const char* field,
                 MshError& error) {
    uint64_t need = static_cast<uint64_t>(count) * sizeof(Entry);
    if (need > input.remaining())
        return failWith(error, MshErrorTruncated, field, input.offset(),
                        numberText(static_cast<int64_t>(need)) + " bytes",
                        numberText(static_cast<int64_t>(input.remaining())) + " bytes");
    entries.resize(count);
    return count == 0 || input.read(&entries[0], static_cast<size_t>(need));
}

bool truncated(MshInput& input, const char* field, uint64_t need, MshError& error) {
    return failWith(error, MshErrorTruncated, field, input.offset(),
                    numberText(static_cast<int64_t>(need)) + " bytes",
                    numberText(static_cast<int64_t>(input.remaining())) + " bytes");
}

bool validBoneCount(int32_t numBones) {
    return numBones >= 0 && numBones <= MSH_MAX_BONES;
}

uint64_t skinBlockOffset(const LegacyRecord& record, uint64_t recordOffset) {
    return recordOffset + headerSize + record.vertices.size() * sizeof(MshVertex) +
           record.faces.size() * sizeof(MshFace);
}

bool checkFaces(const LegacyRecord& record, uint64_t recordOffset, MshError& error) {
    uint64_t facesOffset = recordOffset + headerSize + record.vertices.size() * sizeof(MshVertex);
    uint32_t numVerts = record.header.numVerts;
    for (size_t f = 0; f < record.faces.size(); ++f) {
        for (int c = 0; c < 3; ++c) {
            uint32_t v = record.faces[f].vertex[c];
            if (v >= numVerts) {
                std::string field = "faces[" + numberText(static_cast<int64_t>(f)) + "].vertex[" +
                                    numberText(c) + "]";
                return failWith(error, MshErrorIndex, field,
                                facesOffset + f * sizeof(MshFace) + 4 * c,
                                "below numVerts " + numberText(numVerts), numberText(v));
            }
        }
    }
    return true;
}

uint64_t skinEntriesOffset(const LegacyRecord& record, uint64_t recordOffset) {
    return skinBlockOffset(record, recordOffset) + 4 +
           MSH_TEXT_FIELD_SIZE * static_cast<uint64_t>(record.numBones);
}

// The vertex number is not checked here: an entry naming no vertex of the record damages only
// its own weights, so the reader keeps it and the importer skips it.
bool checkSkinVertex(const LegacyRecord& record, size_t k, uint64_t entryOffset, MshError& error) {
    const MshSkinVertex& entry = record.skinVertices[k];
    if (!validBoneCount(entry.count))
        return failWith(error, MshErrorCount, entryField("skinVertices", k, "count"),
                        entryOffset + offsetof(MshSkinVertex, count), "0 to 4",
                        numberText(entry.count));
    for (int32_t slot = 0; slot < entry.count; ++slot) {
        int32_t bone = entry.bone[slot];
        if (bone < 0 || bone >= record.numBones) {
            std::string field =
                entryField("skinVertices", k, "bone") + "[" + numberText(slot) + "]";
            return failWith(
                error, MshErrorIndex, field, entryOffset + offsetof(MshSkinVertex, bone) + 4 * slot,
                "0 to numBones-1 (" + numberText(record.numBones - 1) + ")", numberText(bone));
        }
    }
    return true;
}

bool checkSkin(const LegacyRecord& record, uint64_t recordOffset, MshError& error) {
    uint64_t blockOffset = skinBlockOffset(record, recordOffset);
    if (!validBoneCount(record.numBones))
        return failWith(error, MshErrorCount, "numBones", blockOffset, "0 to 4",
                        numberText(record.numBones));
    uint64_t entriesOffset = skinEntriesOffset(record, recordOffset);
    for (size_t k = 0; k < record.skinVertices.size(); ++k)
        if (!checkSkinVertex(record, k, entriesOffset + k * sizeof(MshSkinVertex), error))
            return false;
    return true;
}

bool checkSkinVerticesInRecord(const LegacyRecord& record, uint64_t recordOffset, MshError& error) {
    for (size_t k = 0; k < record.skinVertices.size(); ++k)
        if (!skinVertexInRecord(record, k))
            return failSkinVertexOutside(record, k, recordOffset, error);
    return true;
}

bool countMatches(const char* field, uint64_t offset, size_t entries, uint16_t count,
                  MshError& error) {
    if (entries > 0xFFFF)
        return failWith(error, MshErrorTooLarge, field, offset, "at most 65535 entries",
                        numberText(static_cast<int64_t>(entries)));
    if (entries != count)
        return failWith(error, MshErrorCount, field, offset,
                        numberText(static_cast<int64_t>(entries)) + " (entries that follow)",
                        numberText(count));
    return true;
}

} // namespace

bool skinVertexInRecord(const LegacyRecord& record, size_t k) {
    int32_t vertex = record.skinVertices[k].vertex;
    return vertex >= 0 && vertex < static_cast<int32_t>(record.header.numVerts);
}

bool failSkinVertexOutside(const LegacyRecord& record, size_t k, uint64_t recordOffset,
                           MshError& error) {
    uint64_t entryOffset = skinEntriesOffset(record, recordOffset) + k * sizeof(MshSkinVertex);
    return failWith(error, MshErrorIndex, entryField("skinVertices", k, "vertex"), entryOffset,
                    "0 to numVerts-1 (" + numberText(record.header.numVerts - 1) + ")",
                    numberText(record.skinVertices[k].vertex));
}

bool validateLegacyRecord(const LegacyRecord& record, uint64_t recordOffset, MshError& error) {
    const MshObjectHeader& h = record.header;
    if (!countMatches("numVerts", recordOffset + offsetof(MshObjectHeader, numVerts),
                      record.vertices.size(), h.numVerts, error) ||
        !countMatches("numFaces", recordOffset + offsetof(MshObjectHeader, numFaces),
                      record.faces.size(), h.numFaces, error))
        return false;
    if (h.hasSkinBlock != 0 &&
        !countMatches("numSkinVerts", recordOffset + offsetof(MshObjectHeader, numSkinVerts),
                      record.skinVertices.size(), h.numSkinVerts, error))
        return false;
    if (h.hasSkinBlock == 0 && (record.numBones != 0 || !record.skinVertices.empty()))
        return failWith(error, MshErrorCount, "hasSkinBlock",
                        recordOffset + offsetof(MshObjectHeader, hasSkinBlock),
                        "non-zero for a record with bones or weights", "0");
    // The reader skips those 424-byte entries without keeping them, so they cannot be written.
    if (h.hasSkinBlock == 0 && h.numSkinVerts != 0)
        return failWith(error, MshErrorCount, "numSkinVerts",
                        recordOffset + offsetof(MshObjectHeader, numSkinVerts),
                        "0 in a record without skin block (its vertex extras are not kept)",
                        numberText(h.numSkinVerts));
    return checkFaces(record, recordOffset, error) && checkSkin(record, recordOffset, error) &&
           checkSkinVerticesInRecord(record, recordOffset, error);
}

bool readLegacyRecord(MshInput& input, LegacyRecord& record, MshError& error) {
    uint64_t recordOffset = input.offset();
    if (!input.read(&record.header, sizeof record.header))
        return truncated(input, "header", sizeof record.header, error);
    error.recordName = readTextField(record.header.name, MSH_TEXT_FIELD_SIZE);
    const MshObjectHeader& h = record.header;
    if (!readEntries(input, h.numVerts, record.vertices, "vertices", error) ||
        !readEntries(input, h.numFaces, record.faces, "faces", error))
        return false;
    record.numBones = 0;
    memset(record.boneNames, 0, sizeof record.boneNames);
    record.skinVertices.clear();
    if (h.hasSkinBlock == 0) {
        uint64_t extra = static_cast<uint64_t>(h.numSkinVerts) * MSH_VERTEX_EXTRA_SIZE;
        if (!input.skip(extra))
            return truncated(input, "vertex extras", extra, error);
        return checkFaces(record, recordOffset, error);
    }
    uint64_t blockOffset = input.offset();
    if (!input.read(&record.numBones, sizeof record.numBones))
        return truncated(input, "numBones", sizeof record.numBones, error);
    if (!validBoneCount(record.numBones))
        return failWith(error, MshErrorCount, "numBones", blockOffset, "0 to 4",
                        numberText(record.numBones));
    size_t namesSize = MSH_TEXT_FIELD_SIZE * static_cast<size_t>(record.numBones);
    if (!input.read(record.boneNames, namesSize))
        return truncated(input, "boneNames", namesSize, error);
    if (!readEntries(input, h.numSkinVerts, record.skinVertices, "skinVertices", error))
        return false;
    return checkFaces(record, recordOffset, error) && checkSkin(record, recordOffset, error);
}

bool writeLegacyRecord(MshOutput& output, const LegacyRecord& record, MshError& error) {
    if (!validateLegacyRecord(record, 0, error))
        return false;
    output.write(&record.header, sizeof record.header);
    if (!record.vertices.empty())
        output.write(&record.vertices[0], record.vertices.size() * sizeof(MshVertex));
    if (!record.faces.empty())
        output.write(&record.faces[0], record.faces.size() * sizeof(MshFace));
    if (record.header.hasSkinBlock != 0) {
        output.write(&record.numBones, sizeof record.numBones);
        output.write(record.boneNames, MSH_TEXT_FIELD_SIZE * static_cast<size_t>(record.numBones));
        if (!record.skinVertices.empty())
            output.write(&record.skinVertices[0],
                         record.skinVertices.size() * sizeof(MshSkinVertex));
    }
    if (output.failed())
        return failWith(error, MshErrorWrite, "", 0, "", output.failureReason());
    return true;
}

uint64_t legacyRecordSize(const LegacyRecord& record) {
    uint64_t size = headerSize + record.vertices.size() * sizeof(MshVertex) +
                    record.faces.size() * sizeof(MshFace);
    if (record.header.hasSkinBlock != 0)
        size += 4 + MSH_TEXT_FIELD_SIZE * static_cast<uint64_t>(record.numBones) +
                record.skinVertices.size() * sizeof(MshSkinVertex);
    else
        size += static_cast<uint64_t>(record.header.numSkinVerts) * MSH_VERTEX_EXTRA_SIZE;
    return size;
}
