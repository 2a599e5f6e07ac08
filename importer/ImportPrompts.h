#ifndef MSH_IMPORTER_IMPORTPROMPTS_H
#define MSH_IMPORTER_IMPORTPROMPTS_H

// Whether the importer's messages may be shown as message boxes. With prompts suppressed (a
// script's #noPrompt) or the host in quiet mode, no dialog is shown: each message goes to the
// host's log in the same words.

#include "host/Interface.h"

#include <string>

/// Decides, for one DoImport and until it returns, where the importer's messages go.
class ImportPromptScope {
public:
    ImportPromptScope(Interface* ip, bool suppressPrompts);
    ~ImportPromptScope();

private:
    ImportPromptScope(const ImportPromptScope&);
    ImportPromptScope& operator=(const ImportPromptScope&);
    Interface* previousHost;
    bool previousQuiet;
};

/// When the running import may show no dialog: writes `text` to the host's log, titled
/// `caption`, as `type` (SYSLOG_ERROR or SYSLOG_WARN), and returns true. Otherwise false, and
/// the caller shows its box. Never throws.
bool logInsteadOfBox(const wchar_t* text, const wchar_t* caption, DWORD type);
/// The same for 8-bit text (as MessageBoxA shows it, read in the ANSI code page).
bool logInsteadOfBox(const char* text, const wchar_t* caption, DWORD type);

#endif
