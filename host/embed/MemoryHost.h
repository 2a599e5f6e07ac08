// The embedding API of the in-memory host, for programs that host the plug-ins: tests,
// mshtool, the glTF bridge and fuzzers. Plug-in code never includes this.
#ifndef HOST_EMBED_MEMORYHOST_H
#define HOST_EMBED_MEMORYHOST_H

#include "host/FunctionPublishing.h"
#include "host/Log.h"
#include "host/max.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

/// Replaces the scene by a fresh one holding only the root; frees every node, object,
/// material, modifier and bitmap, and resets IGame, the selection, the bitmap log and the
/// animate switch (off, nothing suspended, no keys).
MAXHOST_API void resetScene();

MAXHOST_API ImpInterface* importInterface();
/// Its theScene enumerates the current scene.
MAXHOST_API ExpInterface* exportInterface();

/// Caption of the host's own image IO error dialog, recorded like a message box.
#define HOST_IMAGE_IO_ERROR_CAPTION L"Image IO Error"

/// One message box as the plug-in asked for it (or a dialog the host raised itself). A box
/// without an owner window is host misuse: nothing would be disabled while it waits.
struct MessageBoxCall {
    std::wstring text, caption;
    unsigned type;
    HWND owner;
    bool wide; // MessageBoxW (true) or MessageBoxA (text converted with CP_ACP)
};
using MessageBoxHandler = std::function<int(const MessageBoxCall&)>;

/// Routes message boxes to handler. Empty: print to stderr and answer unattended, that is
/// IDOK for MB_OK, IDNO for MB_YESNO, IDCANCEL for MB_OKCANCEL, MB_YESNOCANCEL and
/// MB_RETRYCANCEL, IDABORT for MB_ABORTRETRYIGNORE: never the answer that does more.
/// On Windows builds the plug-ins call the real message boxes and the handler is not used.
MAXHOST_API void setMessageBoxHandler(MessageBoxHandler handler);
MAXHOST_API MessageBoxHandler messageBoxHandler();
/// The unattended answer for a message box type (see setMessageBoxHandler).
MAXHOST_API int unattendedAnswer(unsigned type);

/// Records every message box while it lives and answers from a script: queued answers first,
/// then the fallback answer (unset: the unattended answer of the box's type).
class MAXHOST_API MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();

    const std::vector<MessageBoxCall>& calls() const { return recorded; }
    /// Answer every box not answered by the queue with `id`.
    void answer(int id) {
        fallback = id;
        hasFallback = true;
    }
    /// Queue answers for the next boxes, in order.
    void queueAnswers(const std::vector<int>& ids) {
        queued.insert(queued.end(), ids.begin(), ids.end());
    }
    void clear() { recorded.clear(); }

private:
    MessageBoxRecorder(const MessageBoxRecorder&); // not copyable: it owns the handler
    MessageBoxRecorder& operator=(const MessageBoxRecorder&);

    std::vector<MessageBoxCall> recorded;
    std::deque<int> queued;
    int fallback = IDOK;
    bool hasFallback = false;
    MessageBoxHandler previous;

    int respond(const MessageBoxCall& call);
};

/// One entry a plug-in wrote to the system log (Interface::Log()->LogEntry), formatted.
struct LogEntryCall {
    DWORD type;    // SYSLOG_ERROR, SYSLOG_WARN, ...
    BOOL dialogue; // NO_DIALOG or DISPLAY_DIALOG
    std::wstring title, text;
};
using LogHandler = std::function<void(const LogEntryCall&)>;

/// Routes log entries to handler. Empty: print "log [TITLE] error: TEXT" (or warning, info,
/// debug) to stderr.
MAXHOST_API void setLogHandler(LogHandler handler);
MAXHOST_API LogHandler logHandler();

/// Records every log entry while it lives.
class MAXHOST_API LogRecorder {
public:
    LogRecorder();
    ~LogRecorder();
    const std::vector<LogEntryCall>& entries() const { return recorded; }
    void clear() { recorded.clear(); }

private:
    LogRecorder(const LogRecorder&); // not copyable: it owns the handler
    LogRecorder& operator=(const LogRecorder&);

    std::vector<LogEntryCall> recorded;
    LogHandler previous;
};

/// DoImport of `plugin` with the host's interfaces, as Interface::ImportFromFile calls it.
/// With suppressPrompts TRUE (a script's #noPrompt) a message box shown during the call is
/// host misuse, as it is whenever Interface::GetQuietMode() is TRUE.
MAXHOST_API int importThroughHost(SceneImport& plugin, const MCHAR* name, BOOL suppressPrompts);
/// DoExport of `plugin` with the host's interfaces, as Interface::ExportToFile calls it;
/// suppressPrompts as for importThroughHost.
MAXHOST_API int exportThroughHost(SceneExport& plugin, const MCHAR* name, BOOL suppressPrompts,
                                  DWORD options = 0);

/// Sets the property `name` (case-insensitive, as scripts name it) of the function-published
/// interface `interfaceName` of `desc` to `value`, through the interface's setter, as a script
/// does. False when the class has no such interface or property, or the call fails.
MAXHOST_API bool setPublishedProperty(ClassDesc& desc, const MCHAR* interfaceName,
                                      const MCHAR* name, BOOL value);
/// Reads such a property through its getter into `value`; false as for setPublishedProperty.
MAXHOST_API bool getPublishedProperty(ClassDesc& desc, const MCHAR* interfaceName,
                                      const MCHAR* name, BOOL& value);

/// Objects for scenes built from outside; none converts to a triangle object.
MAXHOST_API Object* createHelperObject();
MAXHOST_API Object* createLightObject();
MAXHOST_API Object* createCameraObject();

/// A modifier that, above a Skin, changes the vertex count as TurboSmooth or Edit Poly would:
/// it hands on a copy of the mesh entering it with `extraVertices` more vertices at the end
/// (zero, on no face). Other objects pass unchanged.
MAXHOST_API Modifier* createVertexAddingModifier(int extraVertices);

/// Whether ISkinImportData::AddBoneEx with update TRUE evaluates every node the Skin sits on,
/// so building the Skin's data for them, as the Skin's 2026 source does. Whether 2015 does is
/// unknown; off by default (the stricter case), so tests can run both. resetScene keeps it.
MAXHOST_API void setSkinUpdateEvaluates(bool evaluates);
MAXHOST_API bool skinUpdateEvaluates();

/// Every node but the root, in EnumTree order.
MAXHOST_API std::vector<INode*> allNodesDepthFirst();
/// Every path handed to TheManager->Load since the reset, in call order.
MAXHOST_API std::vector<std::wstring> bitmapLoadRequests();
/// The paths of those loads that found their file.
MAXHOST_API std::vector<std::wstring> loadedBitmaps();
/// The bitmaps the manager holds now: loaded or created and not yet handed back with
/// Bitmap::DeleteThis (each would keep its pixels in the real host).
MAXHOST_API size_t heldBitmapCount();
/// The map Interface::ActivateTexture showed in viewports for mtl, or NULL.
MAXHOST_API MtlBase* viewportMapOf(Mtl* mtl);

/// Failure switches of IGame, cleared by resetScene: InitialiseIGame returns false (as when
/// IGame's property file is missing), or InitializeData returns false for node's object (as
/// for an object IGame cannot convert).
MAXHOST_API void setIGameInitialiseFails(bool fails);
MAXHOST_API void setIGameDataFails(INode* node);
/// IGame objects freed by a ReleaseIGameObject that matched the last GetIGameObject, since the
/// reset.
MAXHOST_API size_t releasedIGameObjectCount();

/// Makes the active viewport dead (IsAlive FALSE) or alive again; cleared by resetScene.
MAXHOST_API void setActiveViewportAlive(bool alive);

/// The number of scene items (Animatables) alive; for ownership tests.
MAXHOST_API size_t liveObjectCount();

/// A key the host set because a value was set while the animate switch was on (Animating()):
/// the owner (node or material), the track ("transform", "diffuse", ...) and the time.
struct AnimationKey {
    const Animatable* owner;
    std::string track;
    TimeValue time;
};
/// Every key set since the reset, in order. resetScene also turns the switch off.
MAXHOST_API std::vector<AnimationKey> animationKeys();

using MisuseHandler = std::function<void(const std::string&)>;
/// Receives every host misuse report. Empty: print "host misuse: ..." to stderr and abort.
/// When the handler returns, the host call goes on with a harmless fallback value.
MAXHOST_API void setMisuseHandler(MisuseHandler handler);
MAXHOST_API MisuseHandler misuseHandler();

/// Installs a misuse handler that collects the reports, for the lifetime of the object.
class MAXHOST_API MisuseRecorder {
public:
    MisuseRecorder();
    ~MisuseRecorder();
    const std::vector<std::string>& reports() const { return collected; }

private:
    MisuseRecorder(const MisuseRecorder&); // not copyable: it owns the handler
    MisuseRecorder& operator=(const MisuseRecorder&);

    std::vector<std::string> collected;
    MisuseHandler previous;
};

#endif
