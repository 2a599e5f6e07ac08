#ifndef MSH_IMPORTER_TALVEX_MSH_IMPORT_15_H
#define MSH_IMPORTER_TALVEX_MSH_IMPORT_15_H

#include "host/Interface.h"
#include "host/PlugApi.h"

/// The import plug-in: reads an MSH or BN file and builds its objects into the scene. It holds
/// no data; everything an import needs lives inside one DoImport call.
class Talvex_MSH_IMPORT_15 : public SceneImport {
public:
    Talvex_MSH_IMPORT_15();
    ~Talvex_MSH_IMPORT_15();

    int ExtCount() override;
    /// "MSH" and "BN"; an empty text for any other number.
    const MCHAR* Ext(int n) override;
    const MCHAR* LongDesc() override;
    const MCHAR* ShortDesc() override;
    const MCHAR* AuthorName() override;
    const MCHAR* CopyrightMessage() override;
    const MCHAR* OtherMessage1() override;
    const MCHAR* OtherMessage2() override;
    unsigned int Version() override;
    void ShowAbout(HWND hWnd) override;
    int ZoomExtents() override;

    /// Builds every record of the file into the scene, in file order. IMPEXP_SUCCESS when the
    /// file was read whole and every record built as it says (missing parents and bones are
    /// reported and do not count as failure); IMPEXP_FAIL, after telling the user what and
    /// where, when the file cannot be opened, ends early, holds a record the readers reject
    /// (the records before it stay built) or a record that contradicts itself, or when an
    /// exception was thrown (reported in one box; none reaches the host).
    int DoImport(const MCHAR* name, ImpInterface* ii, Interface* i,
                 BOOL suppressPrompts = FALSE) override;

private:
    Talvex_MSH_IMPORT_15(const Talvex_MSH_IMPORT_15&);
    Talvex_MSH_IMPORT_15& operator=(const Talvex_MSH_IMPORT_15&);
};

#endif
