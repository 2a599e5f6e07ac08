#include "importer/ImportPrompts.h"

#include "host/Log.h"
#include "host/WinApi.h"

#include <vector>

namespace {

// The host calls one import at a time; these hold the decision of the one running.
Interface* quietHost = NULL;
bool quiet = false;

// The log refuses error entries of 8192 characters or more.
const size_t kLongestEntry = 8000;

} // namespace

ImportPromptScope::ImportPromptScope(Interface* ip, bool suppressPrompts)
    : previousHost(quietHost), previousQuiet(quiet) {
    quietHost = ip;
    quiet = suppressPrompts || (ip && ip->GetQuietMode());
}

ImportPromptScope::~ImportPromptScope() {
    quietHost = previousHost;
    quiet = previousQuiet;
}

bool logInsteadOfBox(const wchar_t* text, const wchar_t* caption, DWORD type) {
    if (!quiet)
        return false;
    LogSys* log = quietHost ? quietHost->Log() : NULL;
    if (!log)
        return true;
    try {
        std::wstring entry(text);
        if (entry.size() >= kLongestEntry)
            entry = entry.substr(0, kLongestEntry) + L"...";
        log->LogEntry(type, NO_DIALOG, caption, _M("%ls"), entry.c_str());
    } catch (...) {
        log->LogEntry(type, NO_DIALOG, caption, _M("%ls"), L"Import stopped: not enough memory");
    }
    return true;
}

bool logInsteadOfBox(const char* text, const wchar_t* caption, DWORD type) {
    if (!quiet)
        return false;
    try {
        int units = MultiByteToWideChar(CP_ACP, 0, text, -1, NULL, 0);
        std::vector<wchar_t> wide(units > 0 ? size_t(units) : 1, L'\0');
        if (units > 0)
            MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], units);
        return logInsteadOfBox(&wide[0], caption, type);
    } catch (...) {
        return logInsteadOfBox(L"Import stopped: not enough memory", caption, type);
    }
}
