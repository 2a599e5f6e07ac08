#include "format/FilePaths.h"

#include "format/MshError.h"
#include "format/TextField.h"

#include <cerrno>
#include <cstring>

#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

FILE* openFileForReading(const std::wstring& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"rb");
#else
    return fopen(toUtf8(path).c_str(), "rb");
#endif
}

FILE* openFileForWriting(const std::wstring& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"wb");
#else
    return fopen(toUtf8(path).c_str(), "wb");
#endif
}

FILE* createNewFileForWriting(const std::wstring& path, bool& alreadyExists) {
#ifdef _WIN32
    int descriptor =
        _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    FILE* file = descriptor < 0 ? NULL : _fdopen(descriptor, "wb");
    if (descriptor >= 0 && !file)
        _close(descriptor);
#else
    // "x": exclusive creation, so two writers never share a temporary file.
    FILE* file = fopen(toUtf8(path).c_str(), "wbx");
#endif
    alreadyExists = !file && errno == EEXIST;
    return file;
}

std::wstring folderPartOf(const std::wstring& path) {
#ifdef _WIN32
    size_t separator = path.find_last_of(L"\\/");
#else
    size_t separator = path.find_last_of(L'/');
#endif
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

int64_t fileLength(FILE* file) {
#ifdef _WIN32
    if (_fseeki64(file, 0, SEEK_END) != 0)
        return -1;
    int64_t length = _ftelli64(file);
    _fseeki64(file, 0, SEEK_SET);
#else
    if (fseeko(file, 0, SEEK_END) != 0)
        return -1;
    int64_t length = ftello(file);
    fseeko(file, 0, SEEK_SET);
#endif
    return length;
}

bool seekFile(FILE* file, int64_t offset) {
#ifdef _WIN32
    return _fseeki64(file, offset, SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

#ifdef _WIN32

std::wstring linkedFilePath(const std::wstring& path) {
    return path;
}

namespace {

// What replacing `to` would meet; `attributes` is INVALID_FILE_ATTRIBUTES when it is missing.
bool replaceable(const std::wstring& to, bool force, DWORD& attributes, std::string& reason) {
    attributes = GetFileAttributesW(to.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        reason = "a folder is in the way";
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) && !force) {
        reason = "the file is read-only";
        return false;
    }
    return true;
}

} // namespace

bool canReplaceFile(const std::wstring& to, bool force, std::string& reason) {
    DWORD attributes = 0;
    return replaceable(to, force, attributes, reason);
}

bool replaceFile(const std::wstring& from, const std::wstring& to, std::string& reason,
                 bool force) {
    DWORD attributes = 0;
    if (!replaceable(to, force, attributes, reason))
        return false;
    bool readOnly =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    // Windows refuses to move over a read-only file; the new one is read-only again after.
    if (readOnly)
        SetFileAttributesW(to.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    if (MoveFileExW(from.c_str(), to.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH | MOVEFILE_COPY_ALLOWED)) {
        if (readOnly)
            SetFileAttributesW(to.c_str(),
                               GetFileAttributesW(to.c_str()) | FILE_ATTRIBUTE_READONLY);
        return true;
    }
    DWORD error = GetLastError();
    if (readOnly)
        SetFileAttributesW(to.c_str(), attributes);
    reason =
        "cannot replace the file (Windows error " + numberText(static_cast<int64_t>(error)) + ")";
    return false;
}

#else

std::wstring linkedFilePath(const std::wstring& path) {
    std::string current = toUtf8(path);
    // A bounded walk: a loop of links ends as the system's own limit would.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info;
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            break;
        std::vector<char> buffer(static_cast<size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
        ssize_t length = readlink(current.c_str(), &buffer[0], buffer.size());
        if (length <= 0 || static_cast<size_t>(length) >= buffer.size())
            break;
        std::string next(&buffer[0], static_cast<size_t>(length));
        if (next[0] != '/')
            next = toUtf8(folderPartOf(fromUtf8(current))) + next;
        current = next;
    }
    return fromUtf8(current);
}

namespace {

// What replacing `to` would meet; `exists` tells whether there is a file to replace.
bool replaceable(const std::string& to, bool force, struct stat& info, bool& exists,
                 std::string& reason) {
    exists = stat(to.c_str(), &info) == 0;
    if (!exists)
        return true;
    if (S_ISDIR(info.st_mode)) {
        reason = "a folder is in the way";
        return false;
    }
    // No write bit at all is the user's "read-only" even where access() lets root through.
    bool readOnly = (info.st_mode & 0222) == 0 || access(to.c_str(), W_OK) != 0;
    if (readOnly && !force) {
        reason = "the file is read-only";
        return false;
    }
    return true;
}

// `from` copied beside `to` and renamed over it, when the two are on different file systems
// (a link to a file elsewhere).
bool copyOver(const std::string& from, const std::string& to, mode_t mode, std::string& reason) {
    FILE* source = fopen(from.c_str(), "rb");
    std::wstring folder = folderPartOf(fromUtf8(to));
    std::string temporary;
    FILE* copy = NULL;
    for (unsigned number = 1; source && !copy && number <= 1000; ++number) {
        temporary =
            toUtf8(folder) + ".msh-copy-" + numberText(static_cast<int64_t>(number)) + ".tmp";
        bool taken = false;
        copy = createNewFileForWriting(fromUtf8(temporary), taken);
        if (!copy && !taken)
            break;
    }
    bool ok = source && copy;
    reason = ok ? std::string() : lastErrorText();
    char block[65536];
    for (size_t length = 0; ok && (length = fread(block, 1, sizeof block, source)) > 0;)
        ok = fwrite(block, 1, length, copy) == length;
    ok = ok && !ferror(source);
    if (source)
        fclose(source);
    if (copy) {
        ok = fclose(copy) == 0 && ok;
        ok =
            ok && chmod(temporary.c_str(), mode) == 0 && rename(temporary.c_str(), to.c_str()) == 0;
        if (!ok) {
            reason = lastErrorText();
            remove(temporary.c_str());
        }
    }
    if (ok)
        remove(from.c_str());
    return ok;
}

} // namespace

bool canReplaceFile(const std::wstring& to, bool force, std::string& reason) {
    struct stat info;
    bool exists = false;
    return replaceable(toUtf8(linkedFilePath(to)), force, info, exists, reason);
}

bool replaceFile(const std::wstring& from, const std::wstring& to, std::string& reason,
                 bool force) {
    const std::string source = toUtf8(from), target = toUtf8(linkedFilePath(to));
    struct stat old;
    bool exists = false;
    if (!replaceable(target, force, old, exists, reason))
        return false;
    mode_t mode = exists ? old.st_mode & 07777 : 0;
    if (exists) {
        // The owner first: changing it clears the set-id bits that chmod then puts back.
        // An ordinary user may not give a file away: the mode is kept all the same.
        bool owned = chown(source.c_str(), old.st_uid, old.st_gid) == 0;
        if (chmod(source.c_str(), owned ? mode : mode & 0777) != 0) {
            reason = "cannot keep the mode of the file: " + lastErrorText();
            return false;
        }
    } else {
        struct stat made;
        mode = stat(source.c_str(), &made) == 0 ? made.st_mode & 07777 : 0644;
    }
    if (rename(source.c_str(), target.c_str()) == 0)
        return true;
    if (errno == EXDEV)
        return copyOver(source, target, mode, reason);
    reason = lastErrorText();
    return false;
}

#endif

NativePath nativePath(const std::wstring& path) {
#ifdef _WIN32
    return path;
#else
    return toUtf8(path);
#endif
}

void removeNativeFile(const NativePath& path) {
#ifdef _WIN32
    _wremove(path.c_str());
#else
    remove(path.c_str());
#endif
}

std::string lastErrorText() {
    return strerror(errno);
}
