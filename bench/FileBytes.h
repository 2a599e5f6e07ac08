#pragma once
// Whole-file helpers built on plain POSIX calls, so the baselines measure nothing but the copy.

#include <cstdint>
#include <string>

namespace bench {

/// Size of the file in bytes, or -1 when it cannot be examined.
int64_t fileSize(const std::string& path);

/// Reads the whole file into `bytes`; false when it cannot.
bool readWholeFile(const std::string& path, std::string& bytes);

/// Reads the whole file with one read() into `dest`, which holds at least `size` bytes.
bool readInto(const std::string& path, char* dest, size_t size);

/// Creates or truncates the file and writes `size` bytes with one write() (repeated only if
/// the kernel takes fewer); false when any call fails.
bool writeWithOneCall(const std::string& path, const char* bytes, size_t size);

} // namespace bench
