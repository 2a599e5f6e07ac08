// How the in-memory host fails loudly when it is handed an index or object it cannot accept.
#ifndef HOST_MISUSE_H
#define HOST_MISUSE_H

#include "host/MaxTypes.h"

/// Reports a host call that the real host would answer with a crash or corrupted memory.
/// The default handler prints "host misuse: <what>" to stderr and aborts; embedding programs
/// can install another (host/embed/MemoryHost.h). If the handler returns, the calling
/// operation goes on with a harmless fallback value.
MAXHOST_API void reportHostMisuse(const char* what);

#endif
