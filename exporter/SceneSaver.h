#ifndef MSH_EXPORTER_SCENESAVER_H
#define MSH_EXPORTER_SCENESAVER_H

#include "exporter/AssemblyContext.h"
#include "exporter/MshObject.h"
#include "exporter/RecordFiles.h"
#include "host/INode.h"
#include "host/Interface.h"

#include <exception>
#include <vector>

/// Builds legacy records from the host's scene enumeration: in the mesh pass one per visible
/// non-bone geometry node, in the bone pass one per visible bone node. Each goes to the
/// pass's stream as soon as it is built, or, without a stream, is kept in `records`.
class SceneSaver : public ITreeEnumProc {
public:
    /// false: mesh pass; true: bone pass.
    bool bonesOnly;
    /// Only selected nodes are taken (the host's export-selected option).
    bool selectedOnly;
    /// The host interface given to the export.
    Interface* ip;
    /// One record per accepted node, in the order the host offers them (without a stream).
    std::vector<MshObject> records;

    /// Losses are added to `report`; `fileLabel` names the file the records go to.
    SceneSaver(Interface* host, ExportReport& report, const std::wstring& fileLabel);

    /// Takes the node when it belongs to the pass and continues the enumeration; an exception
    /// is kept instead of unwinding through the host, and aborts it.
    int callback(INode* node) override;

    /// Runs one pass over the scene's enumeration; an exception a node raised is thrown again
    /// once the host's enumeration has returned.
    void enumerate(IScene& scene);

    /// Starts a pass: clears `records` and sets the pass and the file they go to; with
    /// `stream`, the records are written there instead of kept.
    void beginPass(bool bonePass, const std::wstring& fileLabel,
                   RecordStream<MshObject>* stream = NULL);

private:
    bool accepts(INode* node);
    void take(INode* node);

    RecordStream<MshObject>* output;
    ExportReport* losses;
    std::wstring label;
    std::exception_ptr failure;
};

#endif
