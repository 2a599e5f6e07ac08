#ifndef MSH_EXPORTER_EXPORTOPTIONS_H
#define MSH_EXPORTER_EXPORTOPTIONS_H

// The export answers a script sets, published with the exporter's class so that MAXScript
// reaches them as Talvex_MSH_EXPORT.exportOptions.exportBones and .useMesh8.

#include "host/FunctionPublishing.h"

/// Identity of the published interface.
#define MSH_EXPORT_OPTIONS_INTERFACE Interface_ID(0x6A1D3F52, 0x2B7C4E90)
/// Its internal name, the property name scripts use on the exporter's class.
#define MSH_EXPORT_OPTIONS_NAME _M("exportOptions")

/// The answers to "Export bones?" and "Use Mesh8 structure?" that an export made with prompts
/// suppressed takes. Both start as No, the answers of a question left unanswered.
class ExportOptions : public FPStaticInterface {
public:
    /// Describes the interface and publishes it with `publisher` (NULL: not published).
    explicit ExportOptions(ClassDesc* publisher);

    BOOL GetExportBones() { return exportBones; }
    void SetExportBones(BOOL answer) { exportBones = answer ? TRUE : FALSE; }
    BOOL GetUseMesh8() { return useMesh8; }
    void SetUseMesh8(BOOL answer) { useMesh8 = answer ? TRUE : FALSE; }

    enum FunctionIDs { getExportBones, setExportBones, getUseMesh8, setUseMesh8 };

    BEGIN_FUNCTION_MAP
    PROP_FNS(getExportBones, GetExportBones, setExportBones, SetExportBones, TYPE_BOOL)
    PROP_FNS(getUseMesh8, GetUseMesh8, setUseMesh8, SetUseMesh8, TYPE_BOOL)
    END_FUNCTION_MAP

private:
    BOOL exportBones;
    BOOL useMesh8;
};

/// The options of this library, made on the first call and published with the `publisher` of
/// that call (the exporter's class descriptor; NULL leaves them unpublished).
ExportOptions& exportOptions(ClassDesc* publisher = NULL);

#endif
