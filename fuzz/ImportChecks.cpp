#include "fuzz/ImportChecks.h"

#include "format/MshFile.h"
#include "format/TextField.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/SeedModels.h"
#include "host/embed/MemoryHost.h"
#include "importer/ImportMessages.h"
#include "importer/Talvex_MSH_IMPORT_15.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace memhost {}
using namespace memhost;

namespace fuzzing {
namespace {

// What must not change about a node that was in the scene before the import.
struct NodeState {
    INode* node;
    std::wstring name;
    INode* parent;
    Matrix3 tm;
    BOOL isBone;
    Object* object;
};

NodeState stateOf(INode* node) {
    NodeState s;
    s.node = node;
    s.name = node->GetName();
    s.parent = node->GetParentNode();
    s.tm = node->GetNodeTM(0);
    s.isBone = node->GetBoneNodeOnOff();
    s.object = node->GetObjectRef();
    return s;
}

bool sameState(const NodeState& a, const NodeState& b) {
    return a.name == b.name && a.parent == b.parent && a.tm == b.tm && a.isBone == b.isBone &&
           a.object == b.object;
}

TriObject* smallBox() {
    TriObject* tri = CreateNewTriObject();
    Mesh& mesh = tri->GetMesh();
    mesh.setNumVerts(3);
    for (int i = 0; i < 3; ++i)
        mesh.setVert(i, Point3(float(i & 1), float(i >> 1), 0.0f));
    mesh.setNumFaces(1);
    mesh.faces[0].setVerts(0, 1, 2);
    return tri;
}

// One file per process, so parallel fuzzing jobs do not share it; removed at exit.
std::filesystem::path inputFolder() {
    static std::filesystem::path folder;
    if (folder.empty()) {
        folder =
            std::filesystem::temp_directory_path() / ("msh-fuzz-" + std::to_string(long(getpid())));
        std::filesystem::create_directories(folder);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        });
    }
    return folder;
}

std::wstring writeInput(const uint8_t* data, size_t size, const wchar_t* extension) {
    std::filesystem::path file = inputFolder() / (L"input." + std::wstring(extension));
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    check(bool(out), "cannot write the fuzz input file");
    return file.wstring();
}

// Records the readers accept before the first rejection, and whether there was one.
unsigned recordsReadersAccept(const uint8_t* data, size_t size, bool& rejected) {
    MshFileReader reader;
    MshError error;
    rejected = !reader.openMemory(data, size, L"input", error);
    unsigned accepted = 0;
    while (!rejected && reader.hasNext()) {
        LegacyRecord legacy;
        Mesh8Record mesh8;
        bool ok = reader.layout() == MshLayoutMesh8 ? reader.readNextMesh8(mesh8, error)
                                                    : reader.readNextLegacy(legacy, error);
        if (!ok)
            rejected = true;
        else
            ++accepted;
    }
    return accepted;
}

} // namespace

void resetBoneScene() {
    resetScene();
    Interface* ip = GetCOREInterface();
    INode* previous = NULL;
    float height = 0.0f;
    for (const std::wstring& name : sceneBoneNames()) {
        INode* bone = ip->CreateObjectNode(smallBox());
        bone->SetName(name.c_str());
        if (previous)
            previous->AttachChild(bone, FALSE);
        Matrix3 tm(TRUE);
        tm.SetTrans(Point3(0.0f, 0.0f, height));
        bone->SetNodeTM(0, tm);
        bone->SetBoneNodeOnOff(TRUE, 0);
        previous = bone;
        height += 1.0f;
    }
}

void checkImport(const uint8_t* data, size_t size, const wchar_t* extension) {
    resetBoneScene();
    std::vector<NodeState> before;
    for (INode* node : allNodesDepthFirst())
        before.push_back(stateOf(node));
    std::wstring path = writeInput(data, size, extension);

    MessageBoxRecorder boxes;
    LogRecorder log;
    Talvex_MSH_IMPORT_15 importer;
    // As a script's batch import: no dialog, every message in the log.
    int result = importThroughHost(importer, path.c_str(), TRUE);

    check(result == IMPEXP_SUCCESS || result == IMPEXP_FAIL, "DoImport returned another value");
    for (const NodeState& old : before)
        check(sameState(old, stateOf(old.node)),
              "the import changed a node that was in the scene: " + toUtf8(old.name));
    check(boxes.calls().empty(), "a message box while prompts are suppressed");
    for (const LogEntryCall& entry : log.entries()) {
        check(entry.title == L"MSHImp", "a log entry with another title");
        // DoImport keeps exceptions from the host; here any is a fault it would hide.
        check(entry.text.find(MSH_IMPORT_EXCEPTION_ENDING) == std::wstring::npos,
              "an exception stopped the import: " + toUtf8(entry.text));
    }
    check(result == IMPEXP_SUCCESS || !log.entries().empty(), "DoImport failed without a word");

    bool rejected = false;
    unsigned accepted = recordsReadersAccept(data, size, rejected);
    check(!rejected || result == IMPEXP_FAIL, "a file the readers reject imported as success");
    size_t built = allNodesDepthFirst().size() - before.size();
    check(built == accepted, "built " + std::to_string(built) + " nodes from " +
                                 std::to_string(accepted) + " records read");
    resetScene();
}

} // namespace fuzzing
