#ifndef MSH_FORMAT_MSHINPUT_H
#define MSH_FORMAT_MSHINPUT_H

#include <cstddef>
#include <cstdio>
#include <stdint.h>
#include <string>

/// A read-only byte source with a known size: a file or a block of memory. A read either
/// delivers every byte asked for or nothing, so no record is ever built from bytes that were
/// not there; the size lets readers reject counts that promise more than the file holds
/// before they allocate anything.
class MshInput {
public:
    MshInput();
    ~MshInput();

    /// Opens a file for reading (shared with other readers and writers). False when it
    /// cannot be opened.
    bool openFile(const std::wstring& path);
    /// Reads from memory that outlives this object.
    void openMemory(const void* bytes, size_t size);
    void close();

    /// Copies `size` bytes to `dest` and advances; false, with nothing consumed, when fewer remain.
    bool read(void* dest, size_t size);
    /// Moves `size` bytes forward; false when fewer remain.
    bool skip(uint64_t size);
    /// Moves back to the start.
    void rewind();

    uint64_t offset() const { return position; }
    uint64_t size() const { return total; }
    uint64_t remaining() const { return total - position; }

private:
    MshInput(const MshInput&);
    MshInput& operator=(const MshInput&);

    FILE* file;
    const unsigned char* memory;
    uint64_t total;
    uint64_t position;
};

#endif
