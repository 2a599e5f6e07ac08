#include "format/FilePaths.h"

#include "format/MshError.h"
#include "format/TextField.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
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
