// A whole from-gltf of arbitrary .glb bytes: the bridge adds the model to a fresh scene and
// the exporter plug-in writes it (bones and all, the layout chosen by the input's size), and
// whatever it wrote must read back whole through the record readers.
#include "exporter/Talvex_MSH_EXPORT.h"
#include "format/MshFile.h"
#include "fuzz/FuzzSupport.h"
#include "gltf/GltfBridge.h"
#include "host/embed/MemoryHost.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace memhost {}
using namespace memhost;

namespace {

namespace fs = std::filesystem;

// One folder per process, so parallel jobs do not share files; removed at exit.
const fs::path& workFolder() {
    static fs::path folder;
    if (folder.empty()) {
        folder = fs::temp_directory_path() / ("msh-fuzz-gltf-" + std::to_string(long(getpid())));
        fs::create_directories(folder / "images");
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        });
    }
    return folder;
}

// Every record of a written model file must be accepted, with nothing left over.
void checkReadsBack(const fs::path& file) {
    if (!fs::exists(file))
        return;
    MshFileReader reader;
    MshError error;
    fuzzing::check(reader.open(file.wstring(), error),
                   "written file does not open: " + error.describe());
    while (reader.hasNext()) {
        LegacyRecord legacy;
        Mesh8Record mesh8;
        bool ok = reader.layout() == MshLayoutMesh8 ? reader.readNextMesh8(mesh8, error)
                                                    : reader.readNextLegacy(legacy, error);
        fuzzing::check(ok, "the readers reject what the exporter wrote: " + error.describe());
    }
    fuzzing::check(reader.bytesRemaining() == 0, "bytes after the last record written");
}

// Vertices and faces of every mesh in the scene.
size_t sceneMeshSize() {
    size_t total = 0;
    for (INode* node : allNodesDepthFirst()) {
        Object* object = node->GetObjectRef();
        if (object && object->SuperClassID() == GEN_DERIVOB_CLASS_ID)
            object = static_cast<IDerivedObject*>(object)->GetObjRef();
        if (object && object->ClassID() == Class_ID(TRIOBJ_CLASS_ID, 0)) {
            Mesh& mesh = static_cast<TriObject*>(object)->GetMesh();
            total += size_t(mesh.getNumVerts()) + size_t(mesh.getNumFaces());
        }
    }
    return total;
}

bool toldTheUser(const MessageBoxRecorder& boxes) {
    for (const MessageBoxCall& call : boxes.calls())
        if (!(call.type & MB_ICONQUESTION))
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzzing::maxInputSize)
        return -1;
    const fs::path& folder = workFolder();
    fs::path input = folder / "input.glb";
    {
        std::ofstream out(input, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    resetScene();
    mshgltf::BridgeReport report;
    std::string error;
    if (!mshgltf::importGltfIntoScene(input.string(), (folder / "images").string(), report,
                                      error)) {
        fuzzing::check(!error.empty(), "a refused glTF file without a reason");
        resetScene();
        return 0;
    }
    // Every vertex and face takes bytes of the file; a scene much larger than the file means
    // a count was taken on trust (the bridge's bone boxes stay well within this). GPU
    // instancing copies meshes by design, within limits of its own.
    size_t built = sceneMeshSize();
    const char instancing[] = "EXT_mesh_gpu_instancing";
    bool instanced = std::search(data, data + size, instancing,
                                 instancing + sizeof instancing - 1) != data + size;
    fuzzing::check(instanced || built <= 4 * size + 1000,
                   "a " + std::to_string(size) + "-byte file built " + std::to_string(built) +
                       " vertices and faces");
    fs::path model = folder / "model.msh";
    {
        MessageBoxRecorder boxes;
        boxes.queueAnswers({IDYES, size % 2 ? IDYES : IDNO});
        Talvex_MSH_EXPORT exporter;
        int result = exporter.DoExport(model.wstring().c_str(), exportInterface(),
                                       GetCOREInterface(), FALSE, 0);
        fuzzing::check(result == IMPEXP_SUCCESS || toldTheUser(boxes),
                       "the export failed without a word");
        if (result == IMPEXP_SUCCESS) {
            checkReadsBack(model);
            checkReadsBack(folder / "model.bn");
        }
    }
    for (const char* name : {"model.msh", "model.bn", "model.BBX"})
        fs::remove(folder / name);
    resetScene();
    return 0;
}
