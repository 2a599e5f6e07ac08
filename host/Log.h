// The host's system log (Max.log), where plug-ins write what they may not show in a dialog.
#ifndef HOST_LOG_H
#define HOST_LOG_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>

#include "host/MaxHeap.h"
#include "host/MaxTypes.h"

#include <log.h>
#else

#include "host/MaxHeap.h"
#include "host/MaxTypes.h"

#define NO_DIALOG FALSE
#define DISPLAY_DIALOG TRUE

// Log entry types; the user chooses which ones are written.
#define SYSLOG_ERROR 0x00000001
#define SYSLOG_WARN 0x00000002
#define SYSLOG_INFO 0x00000004
#define SYSLOG_DEBUG 0x00000008

/// The log, reached through Interface::Log().
class LogSys : public MaxHeapOperators {
public:
    virtual ~LogSys() {}
    /// Writes one entry: `type` is a SYSLOG_ value, `dialogue` NO_DIALOG or DISPLAY_DIALOG,
    /// `title` names the module (may be NULL), `format` and what follows as for printf.
    /// An SYSLOG_ERROR entry must stay below 8192 characters.
    virtual void LogEntry(DWORD type, BOOL dialogue, const MCHAR* title, const MCHAR* format,
                          ...) = 0;
};

#endif // MSH_REAL_SDK

#endif
