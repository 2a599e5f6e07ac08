#pragma once
// What mshtool needs from the operating system beyond the standard library: its own place,
// terminals, loading the plug-in libraries, interrupts and process ids.

#include <cstdio>
#include <filesystem>
#include <string>

namespace mshtool {

/// The running program's own file, with links resolved.
std::filesystem::path executablePath();

/// True when `stream` (stdout or stderr) is a terminal.
bool isTerminal(FILE* stream);
/// Width of the terminal on stderr in columns; 80 when unknown.
int terminalColumns();

/// Loads a shared library by its full path; null with `error` saying why.
void* loadLibrary(const std::filesystem::path& path, std::string& error);
/// An exported function of a loaded library; null when missing.
void* librarySymbol(void* library, const char* name);
void unloadLibrary(void* library);

/// Calls `cleanUp` once, on a thread of its own, when the run is interrupted (SIGINT,
/// SIGTERM, SIGHUP; Ctrl-C, Ctrl-Break or closing the console on Windows), and then ends the
/// process as the interrupt would have. Later calls change nothing.
void callOnInterrupt(void (*cleanUp)());

/// Held while the run changes what the interrupt clean-up would undo (a commit moving files
/// into place): the clean-up waits for it. Not recursive.
class InterruptLock {
public:
    InterruptLock();
    ~InterruptLock();
    InterruptLock(const InterruptLock&) = delete;
    InterruptLock& operator=(const InterruptLock&) = delete;
};

/// Moves `from` to `to` unless `to` exists, at once: false with `code` file_exists when it
/// does (another process may have put a file there since it was looked at).
bool moveIfAbsent(const std::filesystem::path& from, const std::filesystem::path& to,
                  std::error_code& code);

/// This process's id, and whether a process of that id is running.
unsigned long currentProcessId();
bool processIsRunning(unsigned long id);

/// While a batch's workers run, the parent only notes an interrupt (SIGINT, SIGTERM, SIGHUP;
/// Ctrl-C, Ctrl-Break or closing the Windows console), so that it can stop the workers and
/// remove what they staged before it ends. `interruptNoted` is 0 until one came, then its
/// signal number. `endInterrupted` ends the process as that signal would have.
void noteInterrupts();
void stopNotingInterrupts();
int interruptNoted();
[[noreturn]] void endInterrupted(int signal);
/// A batch worker leaves interrupts from the terminal to its parent, which stops it.
void ignoreTerminalInterrupts();

/// A path as UTF-8 text, and UTF-8 text as a path, on every platform (the narrow path
/// conversions of Windows use the ANSI code page).
std::string pathText(const std::filesystem::path& path);
std::filesystem::path pathOf(const std::string& utf8);

} // namespace mshtool
