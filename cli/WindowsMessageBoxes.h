#pragma once
// On Windows the plug-ins call user32's message boxes themselves. mshtool runs them with
// prompts suppressed, so they write to the host's log instead; should a box be shown anyway, a
// command-line tool must still not open a dialog (nobody may be there to answer it), so a
// loaded plug-in's imports of MessageBoxA and MessageBoxW are pointed at functions that hand
// each box to the host's message-box handler, as the in-memory host does on other systems.

#include <windows.h>

namespace mshtool {

/// Routes `module`'s imported MessageBoxA and MessageBoxW to the handler installed with
/// setMessageBoxHandler (none installed: the unattended answer, without showing anything).
void routeMessageBoxesToHost(HMODULE module);

} // namespace mshtool
