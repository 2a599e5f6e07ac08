// Internal state of the in-memory host shared by its implementation files: the arena that
// owns every scene item, reference counts, and the scene singletons.
#ifndef HOST_IMPL_SCENESTATE_H
#define HOST_IMPL_SCENESTATE_H

#include "host/embed/MemoryHost.h"
#include "host/max.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace hostimpl {

/// Owns every Animatable from construction on; frees what is left at reset, newest first.
class Arena {
public:
    static Arena& instance();
    void add(Animatable* item);
    void remove(Animatable* item);
    bool contains(const Animatable* item) const;
    size_t size() const { return bySerial.size(); }
    /// Deletes every item still alive.
    void clear();

    /// References from nodes and modifier stacks, so DeleteMe can refuse referenced objects.
    void addReference(const Animatable* item);
    void releaseReference(const Animatable* item);
    int referenceCount(const Animatable* item) const;

private:
    std::unordered_map<const Animatable*, std::uint64_t> serialOf;
    std::map<std::uint64_t, Animatable*> bySerial;
    std::unordered_map<const Animatable*, int> references;
    std::uint64_t nextSerial = 1;
    bool clearing = false;
};

/// Formats a misuse report and hands it to the misuse handler.
void misuse(const std::string& what);

/// The triangle mesh behind a node's evaluated object, or NULL.
Mesh* evaluatedMesh(INode* node);
/// Whether obj is a triangle object.
bool isTriObject(Object* obj);
/// Fresh box of the mesh's vertices, transformed by tm when given.
Box3 meshVertexBox(const Mesh& mesh, const Matrix3* tm);

/// Checks every face's vertex indices against the vertex count (and texture faces against the
/// texture vertices); reports the first bad index as misuse. True when all are valid.
bool checkMeshIndices(const Mesh& mesh, const char* operation);

/// The scene root (created on first use and by resetScene).
INode* sceneRoot();
/// A new node id; restarts at 1 with the scene.
ULONG nextNodeHandle();
/// Node selection, in selection order.
std::vector<INode*>& selection();

/// Hooks other parts of the host run at resetScene (IGame, bitmaps).
void addResetHook(std::function<void()> hook);
/// Runs the reset hooks and frees the scene (used by resetScene).
void resetAll();

/// Records a key on owner's track when the animate switch is on (Animate.cpp).
void noteValueSet(const Animatable* owner, const char* track, TimeValue t);

/// A new Skin modifier (Skin.cpp).
Modifier* newSkinModifier();
/// Whether obj is a modifier stack holding mod, directly or in a stack below.
bool stackHolds(Object* obj, Modifier* mod);

/// A modifier of this host that takes part in evaluating a node's pipeline.
class PipelineModifier {
public:
    virtual ~PipelineModifier() = default;
    /// The object handed on up the stack, given the one entering the modifier (not NULL)
    /// and the node being evaluated.
    virtual Object* modify(Object* input, INode* node) = 0;
};
/// What a node's pipeline gives: the object at the bottom of obj's stacks, passed through
/// each modifier from the bottom up.
Object* evaluatePipeline(Object* obj, INode* node);

/// Hands a message box to the embedding program's handler, or answers it unattended.
int showMessageBox(const MessageBoxCall& call);

/// The system log Interface::Log() returns.
LogSys* systemLog();
/// Interface::SetQuietMode and GetQuietMode.
BOOL setQuietMode(BOOL onOff);
BOOL quietModeOn();
/// True during a call made with suppressPrompts TRUE or while quiet mode is on: no dialog
/// may be shown.
bool dialogsForbidden();

/// wide <-> UTF-8 for stderr output and file system paths.
std::string narrow(const std::wstring& text);

} // namespace hostimpl

#endif
