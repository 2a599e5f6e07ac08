#include "fuzz/ReaderChecks.h"

#include "format/MshFile.h"
#include "fuzz/FuzzSupport.h"

#include <cstring>
#include <string>

namespace fuzzing {
namespace {

std::string where(const MshError& error) {
    return error.describe();
}

void checkRejection(const MshError& error, uint64_t recordOffset, uint64_t fileSize) {
    check(error.kind != MshErrorNone, "a failed read left no error kind");
    check(!error.field.empty(), "rejection without a field: " + where(error));
    check(error.offset >= recordOffset && error.offset <= fileSize,
          "rejection offset outside the record and file: " + where(error));
}

// The writer must reproduce exactly the bytes the reader consumed; for a legacy record
// without skin block the skipped per-vertex extras are not kept, so only the part before
// them is compared.
void checkLegacyRewrite(const LegacyRecord& record, const uint8_t* consumed, uint64_t size) {
    MemoryOutput out;
    MshError error;
    check(writeLegacyRecord(out, record, error),
          "the writer refuses a record the reader accepted: " + where(error));
    uint64_t extras = record.header.hasSkinBlock == 0
                          ? uint64_t(record.header.numSkinVerts) * MSH_VERTEX_EXTRA_SIZE
                          : 0;
    check(out.bytes().size() + extras == size, "rewritten legacy record has another size");
    check(std::memcmp(out.bytes().data(), consumed, out.bytes().size()) == 0,
          "rewritten legacy record differs from the bytes read");
}

void checkMesh8Rewrite(const Mesh8Record& record, const uint8_t* consumed, uint64_t size) {
    MemoryOutput out;
    MshError error;
    check(writeMesh8Record(out, record, error),
          "the writer refuses a record the reader accepted: " + where(error));
    check(out.bytes().size() == size, "rewritten Mesh8 record has another size");
    check(std::memcmp(out.bytes().data(), consumed, size) == 0,
          "rewritten Mesh8 record differs from the bytes read");
}

void readLegacyRun(MshInput& input, const uint8_t* data, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        uint64_t start = input.offset();
        LegacyRecord record;
        MshError error;
        if (!readLegacyRecord(input, record, error)) {
            checkRejection(error, start, input.size());
            return;
        }
        uint64_t consumed = input.offset() - start;
        check(consumed == legacyRecordSize(record), "legacy record size disagrees with its read");
        check(validateLegacyRecord(record, start, error),
              "validator rejects a legacy record the reader accepted: " + where(error));
        checkLegacyRewrite(record, data + start, consumed);
    }
}

void readMesh8Run(MshInput& input, const uint8_t* data, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        uint64_t start = input.offset();
        Mesh8Record record;
        MshError error;
        if (!readMesh8Record(input, record, error)) {
            checkRejection(error, start, input.size());
            return;
        }
        uint64_t consumed = input.offset() - start;
        check(consumed == mesh8RecordSize(record), "Mesh8 record size disagrees with its read");
        check(validateMesh8Record(record, start, error),
              "validator rejects a Mesh8 record the reader accepted: " + where(error));
        checkMesh8Rewrite(record, data + start, consumed);
    }
}

bool readCount(MshInput& input, unsigned& count) {
    uint16_t stored = 0;
    if (!input.read(&stored, sizeof stored))
        return false;
    count = stored;
    return true;
}

} // namespace

void checkLegacyReads(const uint8_t* data, size_t size) {
    MshInput input;
    input.openMemory(data, size);
    unsigned count = 0;
    if (readCount(input, count))
        readLegacyRun(input, data, count);
}

void checkMesh8Reads(const uint8_t* data, size_t size) {
    MshInput input;
    input.openMemory(data, size);
    if (isMesh8Magic(reinterpret_cast<const char*>(data), size < 6 ? size : 6))
        input.skip(MSH_MESH8_MAGIC_SIZE);
    unsigned count = 0;
    if (readCount(input, count))
        readMesh8Run(input, data, count);
}

void checkModelFileReads(const uint8_t* data, size_t size) {
    MshFileReader reader;
    MshError error;
    if (!reader.openMemory(data, size, L"fuzz.msh", error)) {
        check(error.kind == MshErrorTruncated && error.record == -1 && error.file == "fuzz.msh",
              "container rejection is not a truncation of the container: " + where(error));
        return;
    }
    while (reader.hasNext()) {
        unsigned number = reader.nextRecord();
        uint64_t start = reader.fileSize() - reader.bytesRemaining();
        LegacyRecord legacy;
        Mesh8Record mesh8;
        bool ok = reader.layout() == MshLayoutMesh8 ? reader.readNextMesh8(mesh8, error)
                                                    : reader.readNextLegacy(legacy, error);
        if (!ok) {
            checkRejection(error, start, reader.fileSize());
            check(error.record == int(number) && error.file == "fuzz.msh",
                  "rejection names another record or file: " + where(error));
            return;
        }
    }
}

} // namespace fuzzing
