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

// Every record the reader accepts is written back to exactly the bytes it was read from, or
// refused by the writer before it writes anything; never written differently. (Messages are
// built only on failure: these checks run for every record of every input.)
void checkRewrite(bool written, const MemoryOutput& out, const MshError& error,
                  const uint8_t* consumed, uint64_t size, const char* layout) {
    if (!written) {
        if (!out.bytes().empty())
            fail(std::string("the writer refused a ") + layout +
                 " record after writing part of it: " + where(error));
        return;
    }
    if (out.bytes().size() != size)
        fail(std::string("rewritten ") + layout + " record has another size");
    if (std::memcmp(out.bytes().data(), consumed, size) != 0)
        fail(std::string("rewritten ") + layout + " record differs from the bytes read");
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What the reader accepts and the writer may refuse: vertex extras the reader skips without
// keeping them, and skin entries naming no vertex of the record (the importer skips those).
bool refusableLegacyDamage(const MshError& error) {
    return error.field == "numSkinVerts" ||
           (error.field.compare(0, 13, "skinVertices[") == 0 && endsWith(error.field, ".vertex"));
}

void checkLegacyRewrite(const LegacyRecord& record, const uint8_t* consumed, uint64_t size) {
    MemoryOutput out;
    MshError error;
    bool written = writeLegacyRecord(out, record, error);
    if (!written && !refusableLegacyDamage(error))
        fail("the writer refuses a legacy record the reader accepted: " + where(error));
    checkRewrite(written, out, error, consumed, size, "legacy");
}

void checkMesh8Rewrite(const Mesh8Record& record, const uint8_t* consumed, uint64_t size) {
    MemoryOutput out;
    MshError error;
    if (!writeMesh8Record(out, record, error))
        fail("the writer refuses a Mesh8 record the reader accepted: " + where(error));
    checkRewrite(true, out, error, consumed, size, "Mesh8");
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
