#include "cli/Platform.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include "cli/WindowsMessageBoxes.h"

#include <io.h>
#include <windows.h>
#else
#include <csignal>
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#endif

#include <cerrno>

namespace mshtool {

namespace fs = std::filesystem;

namespace {
volatile std::sig_atomic_t interruptSignal = 0;
} // namespace

int interruptNoted() {
    return interruptSignal;
}

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

namespace {

void (*interruptCleanUp)() = nullptr;

// Runs on a thread of the system's own; returning would let the process go on.
BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT &&
        event != CTRL_LOGOFF_EVENT && event != CTRL_SHUTDOWN_EVENT)
        return FALSE;
    interruptCleanUp();
    ExitProcess(STATUS_CONTROL_C_EXIT);
    return TRUE;
}

} // namespace

void callOnInterrupt(void (*cleanUp)()) {
    if (interruptCleanUp)
        return;
    interruptCleanUp = cleanUp;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

SRWLOCK interruptLock = SRWLOCK_INIT;

InterruptLock::InterruptLock() {
    AcquireSRWLockExclusive(&interruptLock);
}

InterruptLock::~InterruptLock() {
    ReleaseSRWLockExclusive(&interruptLock);
}

unsigned long currentProcessId() {
    return GetCurrentProcessId();
}

bool moveIfAbsent(const fs::path& from, const fs::path& to, std::error_code& code) {
    code.clear();
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the target is there.
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH))
        return true;
    DWORD error = GetLastError();
    code = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS
               ? std::make_error_code(std::errc::file_exists)
               : std::error_code(int(error), std::system_category());
    return false;
}

bool processIsRunning(unsigned long id) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(id));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED; // someone else's, and running
    DWORD status = 0;
    bool running = GetExitCodeProcess(process, &status) && status == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

namespace {
BOOL WINAPI noteConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    interruptSignal = 2;
    // Closing the console ends the process when this returns: give the batch time to clean up.
    if (event == CTRL_CLOSE_EVENT)
        Sleep(5000);
    return TRUE;
}
} // namespace

void noteInterrupts() {
    interruptSignal = 0;
    SetConsoleCtrlHandler(noteConsoleEvent, TRUE);
}

void stopNotingInterrupts() {
    SetConsoleCtrlHandler(noteConsoleEvent, FALSE);
}

void endInterrupted(int) {
    std::fflush(nullptr);
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

void ignoreTerminalInterrupts() {
    SetConsoleCtrlHandler(nullptr, TRUE);
}

#else

namespace {
const int notedSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previousActions[3];

void noteSignal(int signal) {
    interruptSignal = signal;
}
} // namespace

void noteInterrupts() {
    interruptSignal = 0;
    struct sigaction action {};
    action.sa_handler = noteSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i)
        sigaction(notedSignals[i], &action, &previousActions[i]);
}

void stopNotingInterrupts() {
    for (int i = 0; i < 3; ++i)
        sigaction(notedSignals[i], &previousActions[i], nullptr);
}

void endInterrupted(int signal) {
    std::fflush(nullptr);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);
}

void ignoreTerminalInterrupts() {
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGHUP, SIG_IGN);
}

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

namespace {

int interruptPipe[2] = {-1, -1};

// Only what a signal handler may do: the watching thread does the rest.
void onSignal(int signal) {
    unsigned char number = static_cast<unsigned char>(signal);
    ssize_t written = write(interruptPipe[1], &number, 1);
    (void)written;
}

void watchInterrupts(void (*cleanUp)()) {
    unsigned char number = 0;
    while (read(interruptPipe[0], &number, 1) < 0 && errno == EINTR) {
    }
    cleanUp();
    // Ended by the signal itself, so that the caller sees what ended the run.
    std::signal(number, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, number);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(number);
    _exit(128 + number);
}

} // namespace

void callOnInterrupt(void (*cleanUp)()) {
    if (interruptPipe[0] >= 0 || pipe2(interruptPipe, O_CLOEXEC) != 0)
        return;
    std::thread(watchInterrupts, cleanUp).detach();
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // A signal ignored already stays ignored (nohup, or a batch worker whose parent stops it).
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current = {};
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
}

pthread_mutex_t interruptLock = PTHREAD_MUTEX_INITIALIZER;

InterruptLock::InterruptLock() {
    pthread_mutex_lock(&interruptLock);
}

InterruptLock::~InterruptLock() {
    pthread_mutex_unlock(&interruptLock);
}

unsigned long currentProcessId() {
    return static_cast<unsigned long>(getpid());
}

bool moveIfAbsent(const fs::path& from, const fs::path& to, std::error_code& code) {
    code.clear();
    // A hard link fails when the target exists, where a rename would replace it.
    if (link(from.c_str(), to.c_str()) == 0) {
        unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST) {
        code = std::make_error_code(std::errc::file_exists);
        return false;
    }
    // File systems without hard links: look, then move (a narrow window remains there).
    if (fs::exists(to, code)) {
        code = std::make_error_code(std::errc::file_exists);
        return false;
    }
    fs::rename(from, to, code);
    return !code;
}

bool processIsRunning(unsigned long id) {
    return kill(pid_t(id), 0) == 0 || errno == EPERM;
}

#endif

} // namespace mshtool
