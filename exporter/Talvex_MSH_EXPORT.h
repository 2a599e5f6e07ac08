#ifndef MSH_EXPORTER_TALVEX_MSH_EXPORT_H
#define MSH_EXPORTER_TALVEX_MSH_EXPORT_H

#include "host/max.h"

/// The export plug-in: writes the scene as an MSH file, and on request its bones as a BN
/// file and their bounding box as a BBX file. Holds no data; everything lives in DoExport.
class Talvex_MSH_EXPORT : public SceneExport {
public:
    Talvex_MSH_EXPORT();
    ~Talvex_MSH_EXPORT();

    /// 1: the plug-in writes one kind of file.
    int ExtCount() override;
    /// "MSH" for every n.
    const MCHAR* Ext(int n) override;
    const MCHAR* LongDesc() override;
    const MCHAR* ShortDesc() override;
    const MCHAR* AuthorName() override;
    const MCHAR* CopyrightMessage() override;
    const MCHAR* OtherMessage1() override;
    const MCHAR* OtherMessage2() override;
    /// 100: version 1.00.
    unsigned int Version() override;
    /// There is no about box.
    void ShowAbout(HWND hWnd) override;
    /// Exports to `name`; honours SCENE_EXPORT_SELECTED in `options`. The questions are asked
    /// whatever `suppressPrompts` says, since their answers decide what is written.
    /// IMPEXP_SUCCESS, or IMPEXP_FAIL when a file could not be written or an exception was
    /// thrown (the user is told; no exception reaches the host).
    int DoExport(const MCHAR* name, ExpInterface* ei, Interface* i, BOOL suppressPrompts = FALSE,
                 DWORD options = 0) override;
    /// Yes for every extension and option, export-selected included.
    BOOL SupportsOptions(int ext, DWORD options) override;
};

#endif
