// Keeps Auto Key from turning an import or export into animation keys.
#ifndef MSH_PLUGIN_AUTOKEYOFFSCOPE_H
#define MSH_PLUGIN_AUTOKEYOFFSCOPE_H

#include "host/max.h"

/// For its lifetime animation is suspended and off, so every value the plug-in sets is the
/// value itself, not a key at the current frame; the user's Auto Key state comes back however
/// the scope is left.
class AutoKeyOffScope {
public:
    AutoKeyOffScope() {
        SuspendAnimate();
        AnimateOff();
    }
    ~AutoKeyOffScope() { ResumeAnimate(); }

private:
    AutoKeyOffScope(const AutoKeyOffScope&);
    AutoKeyOffScope& operator=(const AutoKeyOffScope&);
};

#endif
