#include "exporter/ExportFlow.h"

#include "exporter/BbxFile.h"
#include "exporter/ExportFiles.h"
#include "exporter/ExportPaths.h"
#include "exporter/ExportPrompts.h"
#include "exporter/RecordFiles.h"
#include "exporter/SceneSaver.h"
#include "format/MshError.h"
#include "format/TextField.h"
#include "host/max.h"

#include <memory>

namespace {

/// Everything one export works with.
struct ExportJob {
    const ExportRequest& request;
    ExportFiles& files;
    ExportReport& report;
    bool exportBones;

    ExportJob(const ExportRequest& asked, ExportFiles& outputs, ExportReport& losses, bool bones)
        : request(asked), files(outputs), report(losses), exportBones(bones) {}
};

// Output failures are picked up by ExportFiles; a refused record must fail the export too.
void noteRefusal(ExportFiles& files, MshOutput& output, const std::wstring& target, bool written,
                 const MshError& error) {
    if (!written && !output.failed())
        files.fail(target, fromUtf8(error.describe()));
}

void writeLegacyRecords(ExportJob& job, MshOutput& output, const std::wstring& target,
                        std::vector<MshObject>& records) {
    MshError error;
    bool written = writeLegacyFile(output, records, fileNameOf(target), job.report, error);
    noteRefusal(job.files, output, target, written, error);
}

template <typename Record>
void finishRecords(ExportJob& job, MshOutput& output, const std::wstring& target,
                   RecordStream<Record>& stream) {
    bool written = stream.finish();
    noteRefusal(job.files, output, target, written, stream.error());
}

std::unique_ptr<SceneSaver> newSceneSaver(const ExportJob& job, const std::wstring& target) {
    std::unique_ptr<SceneSaver> saver(
        new SceneSaver(job.request.ip, job.report, fileNameOf(target)));
    saver->selectedOnly = job.request.selectedOnly;
    return saver;
}

// Fills `saver` with the bone nodes and writes them to the BN file; false when it cannot be
// created.
bool writeBonePass(ExportJob& job, SceneSaver& saver) {
    std::wstring bonePath = bonePathFor(job.request.path);
    MshOutput* bones = job.files.create(bonePath);
    if (!bones)
        return false;
    saver.beginPass(true, fileNameOf(bonePath));
    saver.enumerate(*job.request.scene->theScene);
    writeLegacyRecords(job, *bones, bonePath, saver.records);
    return true;
}

// The meshes are written as they are built; the bones are kept, since the BBX box is made
// from the records the BN file holds.
void exportLegacy(ExportJob& job, MshOutput& meshes) {
    std::unique_ptr<SceneSaver> saver = newSceneSaver(job, job.request.path);
    RecordStream<MshObject> stream(meshes, fileNameOf(job.request.path), job.report);
    saver->beginPass(false, fileNameOf(job.request.path), &stream);
    saver->enumerate(*job.request.scene->theScene);
    finishRecords(job, meshes, job.request.path, stream);
    if (!job.exportBones || !writeBonePass(job, *saver))
        return;
    std::wstring bbxPath = bbxPathFor(job.request.path);
    MshOutput* box = job.files.create(bbxPath);
    if (box)
        writeBbxFile(*box, makeBbxFile(bbxPath, saver->records, job.report));
}

/// Releases the IGame scene however the export ends.
class IGameSession {
public:
    explicit IGameSession(bool selectedOnly) : scene(GetIGameInterface()) {
        GetConversionManager()->SetCoordSystem(IGameConversionManager::IGAME_MAX);
        initialised = scene->InitialiseIGame(selectedOnly);
        scene->SetStaticFrame(0);
    }
    ~IGameSession() { scene->ReleaseIGame(); }
    IGameScene* operator->() { return scene; }
    /// False when IGame could not take the scene in (its installation is broken).
    bool ready() const { return initialised; }

private:
    IGameSession(const IGameSession&);
    IGameSession& operator=(const IGameSession&);
    IGameScene* scene;
    bool initialised;
};

bool takesMesh8Node(INode* node, bool selectedOnly) {
    return node && node->GetBoneNodeOnOff() != TRUE && !node->IsHidden(0, FALSE) &&
           (!selectedOnly || node->Selected());
}

void exportMesh8(ExportJob& job, MshOutput& meshes) {
    if (!GetIGameInterface() || !GetConversionManager()) {
        job.files.fail(job.request.path, L"the host offers no IGame interface");
        return;
    }
    IGameSession game(job.request.selectedOnly);
    if (!game.ready()) {
        job.files.fail(job.request.path,
                       L"IGame could not take in the scene; its installation may be damaged");
        return;
    }
    Tab<IGameNode*> nodes = game->GetIGameNodeByType(IGameObject::IGAME_MESH);
    std::wstring label = fileNameOf(job.request.path);
    AssemblyContext context(job.request.ip, &job.report, label, job.request.selectedOnly);
    RecordStream<Mesh8ExportObject> stream(meshes, label, job.report);
    for (int i = 0; i < nodes.Count(); ++i) {
        if (!takesMesh8Node(nodes[i]->GetMaxNode(), job.request.selectedOnly))
            continue;
        Mesh8ExportObject record; // written as soon as it is built: records can hold megabytes
        if (buildMesh8ExportObject(record, nodes[i], context))
            stream.add(record);
    }
    finishRecords(job, meshes, job.request.path, stream);

    if (job.exportBones) {
        std::unique_ptr<SceneSaver> saver = newSceneSaver(job, bonePathFor(job.request.path));
        writeBonePass(job, *saver);
    }
}

int exportInto(const ExportRequest& request, const ExportPrompts& prompts, ExportFiles& files) {
    if (!request.scene || !request.scene->theScene || !request.ip) {
        prompts.tell(L"The export failed: the host gave no scene to export.", MB_ICONERROR);
        return IMPEXP_FAIL;
    }
    MshOutput* meshes = files.create(request.path);
    if (!meshes) {
        prompts.tell(files.failureMessage(), MB_ICONERROR);
        return IMPEXP_FAIL;
    }
    bool exportBones = prompts.askYes(L"Export bones?", request.scriptedBones);
    bool useMesh8 = prompts.askYes(L"Use Mesh8 structure?", request.scriptedMesh8);

    ExportReport report;
    ExportJob job(request, files, report, exportBones);
    if (useMesh8)
        exportMesh8(job, *meshes);
    else
        exportLegacy(job, *meshes);

    if (!files.commitAll()) {
        prompts.tell(files.failureMessage(), MB_ICONERROR);
        return IMPEXP_FAIL;
    }
    for (size_t i = 0; i < report.notes().size(); ++i)
        prompts.note(report.notes()[i]);
    if (!report.empty())
        prompts.tell(report.messageText(EXPORT_REPORT_LISTED_ITEMS), MB_ICONWARNING);
    return IMPEXP_SUCCESS;
}

} // namespace

int runExport(const ExportRequest& request) {
    ExportPrompts prompts(request.ip, request.suppressPrompts);
    ExportFiles files;
    try {
        return exportInto(request, prompts, files);
    } catch (...) {
        // Temporary files go before the user is told; replaced targets are listed.
        files.abandonAll();
        return reportExportException(prompts, &files);
    }
}

int reportExportException(const ExportPrompts& prompts, const ExportFiles* files) {
    try {
        std::wstring text = L"The export failed: " + fromUtf8(currentExceptionText()) + L".";
        prompts.tell(text + (files ? files->outcomeText() : L"\nNo file was changed."),
                     MB_ICONERROR);
    } catch (...) {
        prompts.tell(L"The export failed: not enough memory.", MB_ICONERROR);
    }
    return IMPEXP_FAIL;
}
