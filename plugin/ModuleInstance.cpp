#include "plugin/ModuleInstance.h"

#include <cstddef>

namespace {

// Plain data, set once at load: safe to read from any static constructor or destructor.
HINSTANCE loadedInstance = NULL;

} // namespace

HINSTANCE moduleInstance() {
    return loadedInstance;
}

void setModuleInstance(HINSTANCE instance) {
    loadedInstance = instance;
}
