// The string table of a plug-in library as the Linux build carries it: generated at build time
// from the library's resource script, so Linux and Windows builds show the same texts.
#ifndef MSH_PLUGIN_MODULESTRINGTABLE_H
#define MSH_PLUGIN_MODULESTRINGTABLE_H

#include "host/WinApi.h"

#ifndef _WIN32
/// Hands this library's string table to the host, under `module`, for LoadStringW.
void registerModuleStringTable(HINSTANCE module);
#endif

#endif
