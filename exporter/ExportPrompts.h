#ifndef MSH_EXPORTER_EXPORTPROMPTS_H
#define MSH_EXPORTER_EXPORTPROMPTS_H

#include "host/Interface.h"

#include <string>

/// How one export speaks to the user. Interactive: message boxes owned by the main window.
/// Quiet (the host suppressed prompts, as a script's #noPrompt does, or is in quiet mode): no
/// dialog at all; each question takes its scripted answer and each message goes to the host's
/// log in the same words, as an error or a warning as its box would have been.
class ExportPrompts {
public:
    ExportPrompts(Interface* ip, bool suppressPrompts);

    bool quiet() const { return isQuiet; }
    /// A Yes/No question; quiet: `scriptedAnswer`.
    bool askYes(const wchar_t* question, bool scriptedAnswer) const;
    /// An OK box with `icon` (MB_ICONERROR or MB_ICONWARNING); quiet: a log entry.
    void tell(const std::wstring& text, UINT icon) const;
    /// A line for the host's log alone, interactive or quiet: something the user chose, no loss.
    void note(const std::wstring& text) const;
    /// tell for a fixed text; never throws.
    void tell(const wchar_t* text, UINT icon) const;

private:
    Interface* ip;
    bool isQuiet;
};

#endif
