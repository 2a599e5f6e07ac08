// The host's core interface and the interfaces handed to import and export plug-ins.
#ifndef HOST_INTERFACE_H
#define HOST_INTERFACE_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>

#include "host/INode.h"
#include "host/Objects.h"

#include <impexp.h>
#else

#include "host/INode.h"
#include "host/Objects.h"

#define REDRAW_BEGIN (1 << 0)
#define REDRAW_INTERACTIVE (1 << 1)
#define REDRAW_END (1 << 2)
#define REDRAW_NORMAL (1 << 3)

class LogSys;
class MtlBase;
class Mtl;

/// The host's core interface: the scene, the selection, the main window and viewports.
class Interface : public MaxHeapOperators {
public:
    virtual ~Interface() {}
    /// A new node under the scene root that owns obj.
    virtual INode* CreateObjectNode(Object* obj) = 0;
    virtual INode* GetRootNode() = 0;
    /// The first node of that name in depth-first order, or NULL.
    virtual INode* GetINodeByName(const MCHAR* name) = 0;
    virtual HWND GetMAXHWnd() = 0;
    /// The active viewport (the SDK's hosts since 2013 offer no other way to one).
    virtual ViewExp& GetActiveViewExp() = 0;
    virtual TimeValue GetTime() = 0;
    virtual void* CreateInstance(SClass_ID superID, Class_ID classID) = 0;
    /// Selects node, clearing the selection first when clearSel is non-zero.
    virtual void SelectNode(INode* node, int clearSel = 1) = 0;
    virtual void ClearNodeSelection(BOOL redraw = TRUE) = 0;
    virtual int GetSelNodeCount() = 0;
    virtual INode* GetSelNode(int i) = 0;
    virtual void RedrawViews(TimeValue t, DWORD vpFlags = REDRAW_NORMAL,
                             ReferenceTarget* change = NULL) = 0;
    virtual void ForceCompleteRedraw(BOOL doDisabled = TRUE) = 0;
    /// The system log (host/Log.h).
    virtual LogSys* Log() = 0;
    /// Sets whether no dialog may be shown to the user; returns the previous setting.
    virtual BOOL SetQuietMode(BOOL onOff) = 0;
    /// Whether no dialog may be shown; asked before showing any. With checkServerMode, also
    /// TRUE when the host runs without a user interface (the in-memory host always has one).
    virtual BOOL GetQuietMode(BOOL checkServerMode = TRUE) = 0;
    /// Shows the map tx in viewports; mtl is the top-level material that holds it (subNum:
    /// the branch of a multi-material that does).
    MAXHOST_API void ActivateTexture(MtlBase* tx, Mtl* mtl, int subNum = -1);
};

/// The later core interface that can name a node as it creates it.
class Interface7 : public Interface {
public:
    using Interface::CreateObjectNode;
    virtual INode* CreateObjectNode(Object* obj, const MCHAR* name) = 0;
};

/// The host's core interface.
MAXHOST_API Interface* GetCOREInterface();
MAXHOST_API Interface7* GetCOREInterface7();

/// What an import plug-in is handed besides the core interface.
class ImpInterface : public MaxHeapOperators {
public:
    virtual ~ImpInterface() {}
    virtual void RedrawViews() = 0;
    virtual TimeValue GetTime() = 0;
};

/// The scene as an export plug-in sees it.
class IScene : public MaxHeapOperators {
public:
    virtual ~IScene() {}
    /// Offers every node but the root to proc, depth first, parents before children, children
    /// in index order. Returns 0 when the enumeration ran to the end, 1 when proc aborted it.
    virtual int EnumTree(ITreeEnumProc* proc) = 0;
    /// Marks the selected nodes for the export-selected option.
    virtual void FlagFGSelected(TimeValue t) = 0;
};

/// What an export plug-in is handed besides the core interface.
class ExpInterface : public MaxHeapOperators {
public:
    IScene* theScene;
    ExpInterface() : theScene(NULL) {}
    virtual ~ExpInterface() {}
};

#endif // MSH_REAL_SDK

#endif
