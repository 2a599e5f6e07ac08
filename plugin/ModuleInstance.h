// The module handle a plug-in library receives when it is loaded.
#ifndef MSH_PLUGIN_MODULEINSTANCE_H
#define MSH_PLUGIN_MODULEINSTANCE_H

#include "host/MaxTypes.h"

/// The handle this library was loaded with; null until DllMain has run.
HINSTANCE moduleInstance();

/// Stores the handle this library was loaded with (DllMain, on process attach).
void setModuleInstance(HINSTANCE instance);

#endif
