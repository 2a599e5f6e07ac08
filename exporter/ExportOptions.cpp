#include "exporter/ExportOptions.h"

ExportOptions::ExportOptions(ClassDesc* publisher) : exportBones(FALSE), useMesh8(FALSE) {
    // A plain (not core) static interface: scripts reach it through the exporter's class.
    // clang-format off
    LoadDescriptor(MSH_EXPORT_OPTIONS_INTERFACE, MSH_EXPORT_OPTIONS_NAME, 0, publisher, 0,
                   properties,
                       getExportBones, setExportBones, _M("exportBones"), 0, TYPE_BOOL,
                       getUseMesh8, setUseMesh8, _M("useMesh8"), 0, TYPE_BOOL,
                   p_end);
    // clang-format on
}

ExportOptions& exportOptions(ClassDesc* publisher) {
    // Lives as long as the library, like the class descriptor that publishes it.
    static ExportOptions options(publisher);
    return options;
}
