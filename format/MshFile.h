#ifndef MSH_FORMAT_MSHFILE_H
#define MSH_FORMAT_MSHFILE_H

#include "format/LegacyRecord.h"
#include "format/Mesh8Record.h"

#include <string>

/// The two record layouts a model file can hold.
enum MshLayoutKind { MshLayoutLegacy, MshLayoutMesh8 };

/// True when the first bytes of a file (up to six, fewer when the file is shorter) are the
/// Mesh8 magic in any letter case.
bool isMesh8Magic(const char* bytes, size_t size);

/// Reads a model file one record at a time: `open` tells the layout from the magic and reads
/// the object count (at offset 0, or 6 after the magic); each `readNext...` call reads one
/// record. Every error names the file and the record number.
class MshFileReader {
public:
    MshFileReader();

    /// Opens the file and reads its container. False (with `error`) when it cannot be opened
    /// or ends inside the count.
    bool open(const std::wstring& path, MshError& error);
    /// The same over bytes in memory; `name` is used in messages.
    bool openMemory(const void* bytes, size_t size, const std::wstring& name, MshError& error);

    MshLayoutKind layout() const { return fileLayout; }
    unsigned objectCount() const { return count; }
    /// Number of the record the next read returns.
    unsigned nextRecord() const { return next; }
    bool hasNext() const { return next < count; }
    /// Bytes after the current position (after the last record: trailing bytes).
    uint64_t bytesRemaining() const { return input.remaining(); }
    uint64_t fileSize() const { return input.size(); }

    bool readNextLegacy(LegacyRecord& record, MshError& error);
    bool readNextMesh8(Mesh8Record& record, MshError& error);

private:
    bool readContainer(MshError& error);
    void prepareError(MshError& error) const;

    MshInput input;
    std::string fileName;
    MshLayoutKind fileLayout;
    unsigned count;
    unsigned next;
};

/// Writes the container start: the magic for Mesh8, then the u16 object count.
bool writeContainerStart(MshOutput& output, MshLayoutKind layout, unsigned objectCount);
/// Puts the object count in place in a container started with writeContainerStart, for a
/// writer that knows it only after the records.
bool writeContainerCount(MshOutput& output, MshLayoutKind layout, unsigned objectCount);

#endif
