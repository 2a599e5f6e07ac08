#include "format/FilePaths.h"

#include "format/MshError.h"
#include "format/TextField.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
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

bool replaceFile(const std::wstring& from, const std::wstring& to, std::string& reason) {
#ifdef _WIN32
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    reason = "cannot replace the file (Windows error " +
             numberText(static_cast<int64_t>(GetLastError())) + ")";
    return false;
#else
    if (rename(toUtf8(from).c_str(), toUtf8(to).c_str()) == 0)
        return true;
    reason = lastErrorText();
    return false;
#endif
}

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
