#include "plugin/Talvex_MSH_IMPORT_15ClassDesc.h"

#include "importer/Talvex_MSH_IMPORT_15.h"
#include "plugin/LibraryEntry.h"
#include "plugin/ModuleInstance.h"
#include "plugin/ModuleStrings.h"
#include "plugin/PluginResources.h"

#include <new>

// Everything an import or export needs lives inside one call: the objects the host creates
// and deletes around each call carry nothing beyond their base.
static_assert(sizeof(Talvex_MSH_IMPORT_15) == sizeof(SceneImport),
              "Talvex_MSH_IMPORT_15 holds no data members");

int Talvex_MSH_IMPORT_15ClassDesc::IsPublic() {
    return 1;
}

void* Talvex_MSH_IMPORT_15ClassDesc::Create(BOOL loading) {
    (void)loading;
    // The nothrow form of the host heap: a failed allocation gives null instead of an
    // exception thrown into the host. The host casts the result back to the SceneImport.
    SceneImport* plugin = new (std::nothrow) Talvex_MSH_IMPORT_15;
    return plugin;
}

const MCHAR* Talvex_MSH_IMPORT_15ClassDesc::ClassName() {
    return moduleString(IDS_CLASS_NAME);
}

#if MAX_VERSION_MAJOR >= 24
const MCHAR* Talvex_MSH_IMPORT_15ClassDesc::NonLocalizedClassName() {
    return ClassName();
}
#endif

SClass_ID Talvex_MSH_IMPORT_15ClassDesc::SuperClassID() {
    return SCENE_IMPORT_CLASS_ID;
}

Class_ID Talvex_MSH_IMPORT_15ClassDesc::ClassID() {
    return Talvex_MSH_IMPORT_15_CLASS_ID;
}

const MCHAR* Talvex_MSH_IMPORT_15ClassDesc::Category() {
    return moduleString(IDS_CATEGORY);
}

const MCHAR* Talvex_MSH_IMPORT_15ClassDesc::InternalName() {
    return _M("Talvex_MSH_IMPORT");
}

HINSTANCE Talvex_MSH_IMPORT_15ClassDesc::HInstance() {
    return moduleInstance();
}

ClassDesc* libraryClassDesc() {
    // Built on the first LibClassDesc(0) and destroyed with the library's static data.
    static Talvex_MSH_IMPORT_15ClassDesc descriptor;
    return &descriptor;
}
