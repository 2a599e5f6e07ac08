#include "exporter/ExportPrompts.h"

#include "host/Log.h"
#include "host/WinApi.h"

namespace {

const wchar_t* const kCaption = L"MSH Export";

// The log refuses error entries of 8192 characters or more.
const size_t kLongestEntry = 8000;

} // namespace

ExportPrompts::ExportPrompts(Interface* host, bool suppressPrompts)
    : ip(host), isQuiet(suppressPrompts || (host && host->GetQuietMode())) {}

bool ExportPrompts::askYes(const wchar_t* question, bool scriptedAnswer) const {
    if (isQuiet)
        return scriptedAnswer;
    HWND owner = ip ? ip->GetMAXHWnd() : NULL;
    return MessageBoxW(owner, question, kCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void ExportPrompts::tell(const std::wstring& text, UINT icon) const {
    if (!isQuiet || text.size() < kLongestEntry) {
        tell(text.c_str(), icon);
        return;
    }
    tell((text.substr(0, kLongestEntry) + L"...").c_str(), icon);
}

void ExportPrompts::tell(const wchar_t* text, UINT icon) const {
    if (!isQuiet) {
        MessageBoxW(ip ? ip->GetMAXHWnd() : NULL, text, kCaption, MB_OK | icon);
        return;
    }
    Interface* host = ip ? ip : GetCOREInterface();
    LogSys* log = host ? host->Log() : NULL;
    if (log)
        log->LogEntry(icon == MB_ICONERROR ? SYSLOG_ERROR : SYSLOG_WARN, NO_DIALOG, kCaption,
                      _M("%ls"), text);
}

void ExportPrompts::note(const std::wstring& text) const {
    Interface* host = ip ? ip : GetCOREInterface();
    LogSys* log = host ? host->Log() : NULL;
    if (log)
        log->LogEntry(SYSLOG_INFO, NO_DIALOG, kCaption, _M("%ls"), text.c_str());
}
