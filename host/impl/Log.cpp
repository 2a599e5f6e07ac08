// The system log, quiet mode, and import and export calls made with prompts suppressed.
#include "host/impl/SceneState.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>

namespace {

LogHandler& currentLogHandler() {
    static LogHandler handler;
    return handler;
}

const char* typeName(DWORD type) {
    if (type & SYSLOG_ERROR)
        return "error";
    if (type & SYSLOG_WARN)
        return "warning";
    if (type & SYSLOG_INFO)
        return "info";
    return "debug";
}

// printf-style formatting into a string of any length.
std::wstring formatted(const MCHAR* format, va_list ap) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list attempt;
        va_copy(attempt, ap);
        int written = std::vswprintf(buffer.data(), buffer.size(), format, attempt);
        va_end(attempt);
        if (written >= 0)
            return std::wstring(buffer.data(), size_t(written));
        if (buffer.size() >= (1u << 24)) {
            hostimpl::misuse("LogSys::LogEntry: the format does not fit its arguments");
            return std::wstring();
        }
        buffer.resize(buffer.size() * 4);
    }
}

class SystemLog : public LogSys {
public:
    void LogEntry(DWORD type, BOOL dialogue, const MCHAR* title, const MCHAR* format,
                  ...) override {
        if (!format) {
            hostimpl::misuse("LogSys::LogEntry: NULL format");
            return;
        }
        va_list ap;
        va_start(ap, format);
        LogEntryCall call{type, dialogue, title ? title : L"", formatted(format, ap)};
        va_end(ap);
        // The SDK: "Do NOT pass in a string longer than 8192 characters" for an error.
        if ((type & SYSLOG_ERROR) && call.text.size() >= 8192)
            hostimpl::misuse("LogSys::LogEntry: an error entry of 8192 characters or more");
        if (currentLogHandler()) {
            currentLogHandler()(call);
            return;
        }
        std::fprintf(stderr, "log [%s] %s: %s\n", hostimpl::narrow(call.title).c_str(),
                     typeName(type), hostimpl::narrow(call.text).c_str());
    }
};

bool& quietMode() {
    static bool quiet = false;
    return quiet;
}

bool& promptsSuppressed() {
    static bool suppressed = false;
    return suppressed;
}

/// Marks the host as running a call made with suppressPrompts, for its duration.
class SuppressedCall {
public:
    explicit SuppressedCall(BOOL suppress) : previous(promptsSuppressed()) {
        promptsSuppressed() = previous || suppress;
    }
    ~SuppressedCall() { promptsSuppressed() = previous; }
    SuppressedCall(const SuppressedCall&) = delete;
    SuppressedCall& operator=(const SuppressedCall&) = delete;

private:
    bool previous;
};

} // namespace

namespace hostimpl {

LogSys* systemLog() {
    static SystemLog log;
    return &log;
}

BOOL setQuietMode(BOOL onOff) {
    BOOL previous = quietMode() ? TRUE : FALSE;
    quietMode() = onOff != FALSE;
    return previous;
}

BOOL quietModeOn() {
    return quietMode() ? TRUE : FALSE;
}

bool dialogsForbidden() {
    return promptsSuppressed() || quietMode();
}

} // namespace hostimpl

void setLogHandler(LogHandler handler) {
    currentLogHandler() = std::move(handler);
}

LogHandler logHandler() {
    return currentLogHandler();
}

LogRecorder::LogRecorder() : previous(logHandler()) {
    setLogHandler([this](const LogEntryCall& call) { recorded.push_back(call); });
}

LogRecorder::~LogRecorder() {
    setLogHandler(previous);
}

int importThroughHost(SceneImport& plugin, const MCHAR* name, BOOL suppressPrompts) {
    SuppressedCall call(suppressPrompts);
    return plugin.DoImport(name, importInterface(), GetCOREInterface(), suppressPrompts);
}

int exportThroughHost(SceneExport& plugin, const MCHAR* name, BOOL suppressPrompts, DWORD options) {
    SuppressedCall call(suppressPrompts);
    return plugin.DoExport(name, exportInterface(), GetCOREInterface(), suppressPrompts, options);
}
