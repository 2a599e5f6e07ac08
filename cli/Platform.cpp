#include "cli/Platform.h"

#ifdef _WIN32
#include "cli/WindowsMessageBoxes.h"

#include <io.h>
#include <windows.h>
#else
#include <dlfcn.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace mshtool {

namespace fs = std::filesystem;

std::string pathText(const fs::path& path) {
    return path.u8string();
}

fs::path pathOf(const std::string& utf8) {
    return fs::u8path(utf8);
}

#ifdef _WIN32

fs::path executablePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, &buffer[0], DWORD(buffer.size()));
        if (length == 0)
            return fs::path();
        if (length < buffer.size()) {
            buffer.resize(length);
            return fs::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool isTerminal(FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

int terminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info))
        return info.srWindow.Right - info.srWindow.Left + 1;
    return 80;
}

void* loadLibrary(const fs::path& path, std::string& error) {
    // The altered search path finds the library's own dependencies (maxhost.dll) beside it.
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        error = "Windows error " + std::to_string(GetLastError());
        return nullptr;
    }
    routeMessageBoxesToHost(module);
    return module;
}

void* librarySymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void unloadLibrary(void* library) {
    FreeLibrary(static_cast<HMODULE>(library));
}

#else

fs::path executablePath() {
    std::error_code code;
    return fs::read_symlink("/proc/self/exe", code);
}

bool isTerminal(FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

int terminalColumns() {
    winsize size{};
    if (ioctl(fileno(stderr), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

void* loadLibrary(const fs::path& path, std::string& error) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        error = dlerror();
    return library;
}

void* librarySymbol(void* library, const char* name) {
    return dlsym(library, name);
}

void unloadLibrary(void* library) {
    dlclose(library);
}

#endif

} // namespace mshtool
