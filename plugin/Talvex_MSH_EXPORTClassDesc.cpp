#include "plugin/Talvex_MSH_EXPORTClassDesc.h"

#include "exporter/ExportOptions.h"
#include "exporter/Talvex_MSH_EXPORT.h"
#include "plugin/LibraryEntry.h"
#include "plugin/ModuleInstance.h"
#include "plugin/ModuleStrings.h"
#include "plugin/PluginResources.h"

#include <new>

// Everything an import or export needs lives inside one call: the objects the host creates
// and deletes around each call carry nothing beyond their base.
static_assert(sizeof(Talvex_MSH_EXPORT) == sizeof(SceneExport),
              "Talvex_MSH_EXPORT holds no data members");

int Talvex_MSH_EXPORTClassDesc::IsPublic() {
    return 1;
}

void* Talvex_MSH_EXPORTClassDesc::Create(BOOL loading) {
    (void)loading;
    // The nothrow form of the host heap: a failed allocation gives null instead of an
    // exception thrown into the host. The host casts the result back to the SceneExport.
    SceneExport* plugin = new (std::nothrow) Talvex_MSH_EXPORT;
    return plugin;
}

const MCHAR* Talvex_MSH_EXPORTClassDesc::ClassName() {
    return moduleString(IDS_CLASS_NAME);
}

#if MAX_VERSION_MAJOR >= 24
const MCHAR* Talvex_MSH_EXPORTClassDesc::NonLocalizedClassName() {
    return ClassName();
}
#endif

SClass_ID Talvex_MSH_EXPORTClassDesc::SuperClassID() {
    return SCENE_EXPORT_CLASS_ID;
}

Class_ID Talvex_MSH_EXPORTClassDesc::ClassID() {
    return Talvex_MSH_EXPORT_CLASS_ID;
}

const MCHAR* Talvex_MSH_EXPORTClassDesc::Category() {
    return moduleString(IDS_CATEGORY);
}

const MCHAR* Talvex_MSH_EXPORTClassDesc::InternalName() {
    return _M("Talvex_MSH_EXPORT");
}

HINSTANCE Talvex_MSH_EXPORTClassDesc::HInstance() {
    return moduleInstance();
}

ClassDesc* libraryClassDesc() {
    // Built on the first LibClassDesc(0) and destroyed with the library's static data; the
    // export options are published with it (and destroyed before it).
    static Talvex_MSH_EXPORTClassDesc descriptor;
    exportOptions(&descriptor);
    return &descriptor;
}
