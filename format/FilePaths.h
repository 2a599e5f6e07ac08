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
/// The file `path` reaches through symbolic links: `path` itself when it is not a link.
std::wstring linkedFilePath(const std::wstring& path);
/// False, with `reason`, when `to` (through its links) is a folder, or a file the user set
/// read-only and `force` is false: what replaceFile would refuse.
bool canReplaceFile(const std::wstring& to, bool force, std::string& reason);
/// Moves `from` over `to`, replacing it in one step. An existing `to` keeps what the user set:
/// a symbolic link stays a link and the file it points to is replaced, the new file takes the
/// old one's mode (and owner, where allowed), and a read-only one is replaced only with
/// `force`. Returns false and fills `reason` on failure; `to` is then as it was.
bool replaceFile(const std::wstring& from, const std::wstring& to, std::string& reason,
                 bool force = false);
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
