#include "format/MshInput.h"

#include "format/FilePaths.h"

#include <cstring>

MshInput::MshInput() : file(NULL), memory(NULL), total(0), position(0) {}

MshInput::~MshInput() {
    close();
}

bool MshInput::openFile(const std::wstring& path) {
    close();
    file = openFileForReading(path);
    if (!file)
        return false;
    // Records are read field by field; a large buffer keeps that from becoming one system
    // call per few kilobytes.
    setvbuf(file, NULL, _IOFBF, 1 << 20);
    int64_t length = fileLength(file);
    if (length < 0) {
        close();
        return false;
    }
    total = static_cast<uint64_t>(length);
    return true;
}

void MshInput::openMemory(const void* bytes, size_t size) {
    close();
    memory = static_cast<const unsigned char*>(bytes);
    total = size;
}

void MshInput::close() {
    if (file)
        fclose(file);
    file = NULL;
    memory = NULL;
    total = 0;
    position = 0;
}

bool MshInput::read(void* dest, size_t size) {
    if (size > remaining())
        return false;
    if (size == 0)
        return true;
    if (memory) {
        memcpy(dest, memory + position, size);
    } else {
        if (!file || fread(dest, 1, size, file) != size) {
            // The file shrank under us: treat the rest as missing.
            total = position;
            return false;
        }
    }
    position += size;
    return true;
}

bool MshInput::skip(uint64_t size) {
    if (size > remaining())
        return false;
    if (file && !seekFile(file, static_cast<int64_t>(position + size)))
        return false;
    position += size;
    return true;
}

void MshInput::rewind() {
    if (file)
        seekFile(file, 0);
    position = 0;
}
