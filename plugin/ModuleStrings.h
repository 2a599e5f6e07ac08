// String resources of a plug-in library, looked up by number.
#ifndef MSH_PLUGIN_MODULESTRINGS_H
#define MSH_PLUGIN_MODULESTRINGS_H

#include "host/MaxTypes.h"

/// The text of string resource `id` of this library. Each string is loaded once into a buffer
/// of its own and kept for the life of the library, so a pointer returned earlier keeps its
/// text whatever is looked up later. Null when the module handle is not set yet, when the
/// library has no such string, or when memory for it cannot be had.
const MCHAR* moduleString(UINT id);

#endif
