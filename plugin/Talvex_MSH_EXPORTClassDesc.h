// The descriptor through which the host finds the export plug-in and creates its objects.
#ifndef MSH_PLUGIN_TALVEX_MSH_EXPORTCLASSDESC_H
#define MSH_PLUGIN_TALVEX_MSH_EXPORTCLASSDESC_H

#include "host/PlugApi.h"

/// Class identity of the export plug-in.
#define Talvex_MSH_EXPORT_CLASS_ID Class_ID(0x8C8D2D42, 0x735368BD)

/// Describes the export plug-in class Talvex_MSH_EXPORT to the host. Holds no data of its own.
class Talvex_MSH_EXPORTClassDesc : public ClassDesc2 {
public:
    /// 1: the plug-in is listed in the user interface.
    int IsPublic() override;
    /// A new Talvex_MSH_EXPORT, which the host owns and deletes; null when the host heap is
    /// exhausted.
    void* Create(BOOL loading = FALSE) override;
    /// String 3 of the library.
    const MCHAR* ClassName() override;
#if MAX_VERSION_MAJOR >= 24
    /// The same text as ClassName: the class name has no translations. Pure virtual in the
    /// SDKs of 2022 and later.
    const MCHAR* NonLocalizedClassName() override;
#endif
    /// SCENE_EXPORT_CLASS_ID.
    SClass_ID SuperClassID() override;
    /// Talvex_MSH_EXPORT_CLASS_ID.
    Class_ID ClassID() override;
    /// String 2 of the library.
    const MCHAR* Category() override;
    /// "Talvex_MSH_EXPORT", fixed in the code so that scripts can rely on it.
    const MCHAR* InternalName() override;
    /// The handle the library was loaded with.
    HINSTANCE HInstance() override;
};

#endif
