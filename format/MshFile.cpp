#include "format/MshFile.h"

#include "format/FilePaths.h"
#include "format/TextField.h"

#include <cctype>
#include <cstring>

bool isMesh8Magic(const char* bytes, size_t size) {
    // Lower-case up to the first zero byte, then compare all seven bytes with "mesh08\0".
    char magic[MSH_MESH8_MAGIC_SIZE + 1];
    memset(magic, 0, sizeof magic);
    memcpy(magic, bytes, size < MSH_MESH8_MAGIC_SIZE ? size : MSH_MESH8_MAGIC_SIZE);
    for (size_t i = 0; i < MSH_MESH8_MAGIC_SIZE && magic[i] != 0; ++i)
        magic[i] = static_cast<char>(tolower(static_cast<unsigned char>(magic[i])));
    return memcmp(magic, "mesh08", sizeof magic) == 0;
}

MshFileReader::MshFileReader() : fileLayout(MshLayoutLegacy), count(0), next(0) {}

bool MshFileReader::open(const std::wstring& path, MshError& error) {
    fileName = toUtf8(path);
    if (!input.openFile(path)) {
        prepareError(error);
        return failWith(error, MshErrorOpen, "", 0, "", lastErrorText());
    }
    return readContainer(error);
}

bool MshFileReader::openMemory(const void* bytes, size_t size, const std::wstring& name,
                               MshError& error) {
    fileName = toUtf8(name);
    input.openMemory(bytes, size);
    return readContainer(error);
}

bool MshFileReader::readContainer(MshError& error) {
    count = 0;
    next = 0;
    char start[MSH_MESH8_MAGIC_SIZE];
    size_t startSize =
        input.size() < sizeof start ? static_cast<size_t>(input.size()) : sizeof start;
    input.read(start, startSize);
    fileLayout = isMesh8Magic(start, startSize) ? MshLayoutMesh8 : MshLayoutLegacy;
    if (fileLayout == MshLayoutLegacy)
        input.rewind();
    uint64_t countOffset = input.offset();
    uint16_t stored = 0;
    if (!input.read(&stored, sizeof stored)) {
        prepareError(error);
        return failWith(error, MshErrorTruncated, "objectCount", countOffset, "2 bytes",
                        numberText(static_cast<int64_t>(input.remaining())) + " bytes");
    }
    count = stored;
    return true;
}

void MshFileReader::prepareError(MshError& error) const {
    error = MshError();
    error.file = fileName;
    error.record = -1;
}

bool MshFileReader::readNextLegacy(LegacyRecord& record, MshError& error) {
    prepareError(error);
    error.record = static_cast<int>(next);
    ++next;
    return readLegacyRecord(input, record, error);
}

bool MshFileReader::readNextMesh8(Mesh8Record& record, MshError& error) {
    prepareError(error);
    error.record = static_cast<int>(next);
    ++next;
    return readMesh8Record(input, record, error);
}

bool writeContainerStart(MshOutput& output, MshLayoutKind layout, unsigned objectCount) {
    if (layout == MshLayoutMesh8)
        output.write(MSH_MESH8_MAGIC, MSH_MESH8_MAGIC_SIZE);
    uint16_t stored = static_cast<uint16_t>(objectCount);
    return output.write(&stored, sizeof stored);
}

bool writeContainerCount(MshOutput& output, MshLayoutKind layout, unsigned objectCount) {
    uint16_t stored = static_cast<uint16_t>(objectCount);
    return output.overwrite(layout == MshLayoutMesh8 ? MSH_MESH8_MAGIC_SIZE : 0, &stored,
                            sizeof stored);
}
