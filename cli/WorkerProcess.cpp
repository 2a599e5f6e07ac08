#include "cli/WorkerProcess.h"

#include "cli/Platform.h"

#include <cstring>

#ifdef _WIN32
#include "format/TextField.h"

#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace mshtool {

const char* const workerOption = "--batch-worker";

namespace {

std::string lengthPrefix(size_t size) {
    std::string prefix(4, '\0');
    for (int i = 0; i < 4; ++i)
        prefix[size_t(i)] = char((size >> (8 * i)) & 0xFF);
    return prefix;
}

size_t lengthOf(const std::string& prefix) {
    size_t size = 0;
    for (int i = 0; i < 4; ++i)
        size |= size_t((unsigned char)prefix[size_t(i)]) << (8 * i);
    return size;
}

#ifdef _WIN32

bool writeAll(std::intptr_t end, const char* data, size_t size) {
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(HANDLE(end), data, DWORD(size), &written, nullptr) || written == 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

bool readAll(std::intptr_t end, char* data, size_t size) {
    while (size > 0) {
        DWORD read = 0;
        if (!ReadFile(HANDLE(end), data, DWORD(size), &read, nullptr) || read == 0)
            return false;
        data += read;
        size -= read;
    }
    return true;
}

void closeEnd(std::intptr_t& end) {
    if (end != -1)
        CloseHandle(HANDLE(end));
    end = -1;
}

// Anonymous pipes cannot be waited on together: each is looked at until one has bytes or
// is broken.
std::vector<size_t> pipesWithBytes(const std::vector<const WorkerPipe*>& pipes) {
    std::vector<size_t> ready;
    for (size_t i = 0; i < pipes.size(); ++i) {
        DWORD available = 0;
        if (!PeekNamedPipe(HANDLE(pipes[i]->readEnd), nullptr, 0, nullptr, &available, nullptr) ||
            available > 0)
            ready.push_back(i);
    }
    return ready;
}

// One argument as CommandLineToArgvW reads it back: quoted, with the backslashes before a
// quote doubled.
std::wstring quotedArgument(const std::wstring& argument) {
    std::wstring text = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        text += c;
    }
    text.append(2 * backslashes, L'\\');
    return text + L"\"";
}

#else

// A worker that is gone makes the write fail, instead of ending the batch with SIGPIPE: the
// signal is held while writing, and one it raised is taken before it is let through again.
class HeldPipeSignal {
public:
    HeldPipeSignal() {
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
        sigpending(&pendingBefore);
    }
    ~HeldPipeSignal() {
        sigset_t pending;
        sigpending(&pending);
        timespec none{0, 0};
        if (sigismember(&pending, SIGPIPE) && !sigismember(&pendingBefore, SIGPIPE))
            sigtimedwait(&pipeSignal, nullptr, &none);
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }

private:
    sigset_t pipeSignal, previous, pendingBefore;
};

bool writeAll(std::intptr_t end, const char* data, size_t size) {
    HeldPipeSignal held;
    while (size > 0) {
        ssize_t written = ::write(int(end), data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= size_t(written);
    }
    return true;
}

bool readAll(std::intptr_t end, char* data, size_t size) {
    while (size > 0) {
        ssize_t got = ::read(int(end), data, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        data += got;
        size -= size_t(got);
    }
    return true;
}

void closeEnd(std::intptr_t& end) {
    if (end != -1)
        ::close(int(end));
    end = -1;
}

#endif

} // namespace

#ifdef _WIN32
unsigned processorCount() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return unsigned(info.dwNumberOfProcessors);
}

std::vector<size_t> readablePipes(const std::vector<const WorkerPipe*>& pipes, int milliseconds) {
    for (int waited = 0;; ++waited) {
        std::vector<size_t> ready = pipesWithBytes(pipes);
        if (!ready.empty() || waited >= milliseconds)
            return ready;
        Sleep(1);
    }
}
#else
unsigned processorCount() {
    long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? unsigned(count) : 0;
}

std::vector<size_t> readablePipes(const std::vector<const WorkerPipe*>& pipes, int milliseconds) {
    std::vector<pollfd> polled;
    for (const WorkerPipe* pipe : pipes)
        polled.push_back({int(pipe->readEnd), POLLIN, 0});
    std::vector<size_t> ready;
    if (poll(polled.data(), nfds_t(polled.size()), milliseconds) <= 0)
        return ready;
    for (size_t i = 0; i < polled.size(); ++i)
        if (polled[i].revents != 0)
            ready.push_back(i);
    return ready;
}
#endif

bool WorkerPipe::openFromOption(const std::string& value) {
    size_t comma = value.find(',');
    if (comma == std::string::npos)
        return false;
    try {
        readEnd = std::intptr_t(std::stoll(value.substr(0, comma)));
        writeEnd = std::intptr_t(std::stoll(value.substr(comma + 1)));
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

bool WorkerPipe::send(const std::string& frame) {
    std::string bytes = lengthPrefix(frame.size()) + frame;
    return writeAll(writeEnd, bytes.data(), bytes.size());
}

bool WorkerPipe::receive(std::string& frame) {
    std::string prefix(4, '\0');
    if (!readAll(readEnd, &prefix[0], prefix.size()))
        return false;
    frame.assign(lengthOf(prefix), '\0');
    return frame.empty() || readAll(readEnd, &frame[0], frame.size());
}

void WorkerPipe::close() {
    closeEnd(readEnd);
    closeEnd(writeEnd);
}

#ifdef _WIN32

WorkerProcess::~WorkerProcess() {
    if (process != -1) {
        if (!waited)
            wait();
        CloseHandle(HANDLE(process));
    }
}

bool WorkerProcess::start(const std::vector<std::string>& args, std::string& error) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childRead, parentWrite, parentRead, childWrite;
    if (!CreatePipe(&childRead, &parentWrite, &inherited, 0)) {
        error = "cannot make a pipe: Windows error " + std::to_string(GetLastError());
        return false;
    }
    if (!CreatePipe(&parentRead, &childWrite, &inherited, 0)) {
        error = "cannot make a pipe: Windows error " + std::to_string(GetLastError());
        CloseHandle(childRead);
        CloseHandle(parentWrite);
        return false;
    }
    SetHandleInformation(parentWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(parentRead, HANDLE_FLAG_INHERIT, 0);
    link.readEnd = std::intptr_t(parentRead);
    link.writeEnd = std::intptr_t(parentWrite);
    std::wstring program = executablePath().wstring();
    std::wstring commandLine = quotedArgument(program) + L" " + fromUtf8(workerOption) + L" " +
                               std::to_wstring(std::intptr_t(childRead)) + L"," +
                               std::to_wstring(std::intptr_t(childWrite));
    for (const std::string& arg : args)
        commandLine += L" " + quotedArgument(fromUtf8(arg));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    BOOL ok = CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                             nullptr, &startup, &started);
    DWORD failure = GetLastError();
    CloseHandle(childRead);
    CloseHandle(childWrite);
    if (!ok) {
        error = "cannot start " + pathText(program) + ": Windows error " + std::to_string(failure);
        link.close();
        return false;
    }
    CloseHandle(started.hThread);
    process = std::intptr_t(started.hProcess);
    return true;
}

void WorkerProcess::stop() {
    if (process != -1 && !waited)
        TerminateProcess(HANDLE(process), 1);
}

std::string WorkerProcess::wait() {
    if (process == -1 || waited)
        return std::string();
    link.close();
    WaitForSingleObject(HANDLE(process), INFINITE);
    waited = true;
    DWORD code = 0;
    GetExitCodeProcess(HANDLE(process), &code);
    return code == 0 ? std::string() : "exit code " + std::to_string(code);
}

#else

WorkerProcess::~WorkerProcess() {
    if (process != -1 && !waited)
        wait();
}

bool WorkerProcess::start(const std::vector<std::string>& args, std::string& error) {
    int toWorker[2], fromWorker[2];
    if (pipe2(toWorker, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    if (pipe2(fromWorker, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        ::close(toWorker[0]);
        ::close(toWorker[1]);
        return false;
    }
    link.readEnd = fromWorker[0];
    link.writeEnd = toWorker[1];
    // Only the worker's own two ends pass to it.
    fcntl(toWorker[0], F_SETFD, 0);
    fcntl(fromWorker[1], F_SETFD, 0);
    std::string program = executablePath().string();
    std::vector<std::string> argv = {
        program, workerOption, std::to_string(toWorker[0]) + "," + std::to_string(fromWorker[1])};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv)
        pointers.push_back(&arg[0]);
    pointers.push_back(nullptr);
    pid_t pid = -1;
    int failure = posix_spawn(&pid, program.c_str(), nullptr, nullptr, pointers.data(), environ);
    ::close(toWorker[0]);
    ::close(fromWorker[1]);
    if (failure != 0) {
        error = "cannot start " + program + ": " + std::strerror(failure);
        link.close();
        return false;
    }
    process = pid;
    return true;
}

void WorkerProcess::stop() {
    // SIGTERM, not SIGKILL: the worker's own interrupt clean-up puts back a commit under way.
    if (process != -1 && !waited)
        ::kill(pid_t(process), SIGTERM);
}

std::string WorkerProcess::wait() {
    if (process == -1 || waited)
        return std::string();
    link.close();
    int status = 0;
    while (waitpid(pid_t(process), &status, 0) < 0 && errno == EINTR) {
    }
    waited = true;
    if (WIFSIGNALED(status))
        return std::string("signal ") + std::to_string(WTERMSIG(status)) + " (" +
               strsignal(WTERMSIG(status)) + ")";
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
    return code == 0 ? std::string() : "exit code " + std::to_string(code);
}

#endif

} // namespace mshtool
