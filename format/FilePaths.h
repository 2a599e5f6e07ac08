#ifndef MSH_FORMAT_FILEPATHS_H
#define MSH_FORMAT_FILEPATHS_H

// The few file-system calls the format code needs, for wide paths on every platform.

#include <cstdio>
#include <stdint.h>
#include <string>

/// Opens for binary reading; NULL on failure.
FILE* openFileForReading(const std::wstring& path);
/// Creates or truncates for binary writing; NULL on failure.
FILE* openFileForWriting(const std::wstring& path);
/// Creates a file that must not exist yet, for binary writing; NULL on failure, with
/// `alreadyExists` telling that failure apart from the others.
FILE* createNewFileForWriting(const std::wstring& path, bool& alreadyExists);
/// The folder part of a path, with its trailing separator; empty for a bare file name.
std::wstring folderPartOf(const std::wstring& path);
/// Length of an open file in bytes, or -1; leaves the position at the start.
int64_t fileLength(FILE* file);
/// Moves to an absolute offset.
bool seekFile(FILE* file, int64_t offset);
/// Moves `from` over `to`, replacing it in one step. Returns false and fills `reason` on failure.
bool replaceFile(const std::wstring& from, const std::wstring& to, std::string& reason);
/// A path as the C library's file calls take it (UTF-16 on Windows, UTF-8 elsewhere).
#ifdef _WIN32
typedef std::wstring NativePath;
#else
typedef std::string NativePath;
#endif
NativePath nativePath(const std::wstring& path);
/// Deletes a file, ignoring a missing one, without allocating: cleanup code can call it when
/// the heap is exhausted (and from a destructor).
void removeNativeFile(const NativePath& path);
/// Text of the last C runtime error (errno).
std::string lastErrorText();

#endif
