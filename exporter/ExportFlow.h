#ifndef MSH_EXPORTER_EXPORTFLOW_H
#define MSH_EXPORTER_EXPORTFLOW_H

#include <string>

class ExpInterface;
class ExportFiles;
class ExportPrompts;
class Interface;

/// One export as the host asked for it.
struct ExportRequest {
    std::wstring path;    ///< the MSH file
    bool selectedOnly;    ///< the host's export-selected option
    bool suppressPrompts; ///< no dialog: the answers below, messages to the host's log
    bool scriptedBones;   ///< the answer to "Export bones?" when no dialog may be shown
    bool scriptedMesh8;   ///< the answer to "Use Mesh8 structure?" when no dialog may be shown
    ExpInterface* scene;
    Interface* ip;

    ExportRequest()
        : selectedOnly(false), suppressPrompts(false), scriptedBones(false), scriptedMesh8(false),
          scene(NULL), ip(NULL) {}
};

/// Runs one export: asks "Export bones?" and "Use Mesh8 structure?" (quiet, see ExportPrompts:
/// takes the scripted answers), gathers the records of
/// the chosen layout, writes the MSH file and, with bones, the BN file and (legacy layout
/// only) the BBX file. Every file is written completely before any is replaced. A file that
/// cannot be written, or an exception, is reported and gives IMPEXP_FAIL (no exception leaves
/// this call); anything left out, dropped or cut is listed in one closing message. Returns
/// IMPEXP_SUCCESS or IMPEXP_FAIL.
int runExport(const ExportRequest& request);

/// Tells the user, in one box (quiet: a log entry), that the export stopped at the exception
/// being handled, and which files it had already replaced (`files`; NULL: none was made yet).
/// Call it from the handler. Never throws; returns IMPEXP_FAIL.
int reportExportException(const ExportPrompts& prompts, const ExportFiles* files);

#endif
