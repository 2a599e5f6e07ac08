// The scene: its root, selection and reset, and the interfaces through which plug-ins and
// embedding programs reach it.
#include "host/embed/MemoryHost.h"
#include "host/impl/Node.h"

#include <algorithm>

namespace hostimpl {

namespace {

NodeImpl*& rootSlot() {
    static NodeImpl* root = nullptr;
    return root;
}

ULONG& handleCounter() {
    static ULONG counter = 1;
    return counter;
}

std::vector<std::function<void()>>& resetHooks() {
    static std::vector<std::function<void()>> hooks;
    return hooks;
}

// An exception unwinding out of a callback would cross the host's own frames, which 3ds Max
// does not survive (sceneapi.h EnumTree has no error path); here it ends the enumeration.
int offerNode(ITreeEnumProc* proc, NodeImpl* node) {
    try {
        return proc->callback(node);
    } catch (...) {
        misuse("IScene::EnumTree: an exception escaped ITreeEnumProc::callback for node \"" +
               narrow(node->GetName()) + "\"");
        return TREE_ABORT;
    }
}

// Depth first, parents before children; false when the callback aborted.
bool enumerateBelow(NodeImpl* node, ITreeEnumProc* proc) {
    std::vector<NodeImpl*> children = node->childList(); // the callback may relink nodes
    for (NodeImpl* child : children) {
        int answer = offerNode(proc, child);
        if (answer == TREE_ABORT)
            return false;
        if (answer != TREE_IGNORECHILDREN && !enumerateBelow(child, proc))
            return false;
    }
    return true;
}

// A batch or quiet session may have no live viewport (setActiveViewportAlive).
class ViewportImpl : public ViewExp {
public:
    BOOL IsAlive() override { return alive ? TRUE : FALSE; }
    bool alive = true;
};

ViewportImpl& activeViewport() {
    static ViewportImpl viewport;
    static bool hooked = (addResetHook([] { viewport.alive = true; }), true);
    (void)hooked;
    return viewport;
}

class CoreInterface : public Interface7 {
public:
    INode* CreateObjectNode(Object* obj) override {
        auto* node = new NodeImpl();
        node->SetObjectRef(obj);
        sceneRoot()->AttachChild(node, FALSE);
        return node;
    }
    INode* CreateObjectNode(Object* obj, const MCHAR* name) override {
        INode* node = CreateObjectNode(obj);
        node->SetName(name);
        return node;
    }
    INode* GetRootNode() override { return sceneRoot(); }
    INode* GetINodeByName(const MCHAR* name) override {
        if (!name)
            return nullptr;
        std::wstring wanted(name);
        for (INode* node : allNodesDepthFirst())
            if (wanted == node->GetName())
                return node;
        return nullptr;
    }
    HWND GetMAXHWnd() override {
        static HWND__ mainWindow;
        return &mainWindow;
    }
    ViewExp& GetActiveViewExp() override { return activeViewport(); }
    TimeValue GetTime() override { return 0; }
    void* CreateInstance(SClass_ID superID, Class_ID classID) override {
        return ::CreateInstance(superID, classID);
    }
    void SelectNode(INode* node, int clearSel) override {
        auto& sel = selection();
        if (clearSel)
            sel.clear();
        if (!node || node == sceneRoot())
            return;
        if (std::find(sel.begin(), sel.end(), node) == sel.end())
            sel.push_back(node);
    }
    void ClearNodeSelection(BOOL) override { selection().clear(); }
    int GetSelNodeCount() override { return (int)selection().size(); }
    INode* GetSelNode(int i) override {
        auto& sel = selection();
        if (i < 0 || i >= (int)sel.size()) {
            misuse("Interface::GetSelNode: " + std::to_string(i) + " of " +
                   std::to_string(sel.size()) + " selected nodes");
            return nullptr;
        }
        return sel[(size_t)i];
    }
    // Nothing is drawn in memory.
    void RedrawViews(TimeValue, DWORD, ReferenceTarget*) override {}
    void ForceCompleteRedraw(BOOL) override {}
    LogSys* Log() override { return systemLog(); }
    BOOL SetQuietMode(BOOL onOff) override { return setQuietMode(onOff); }
    // The in-memory host always has its user interface, so checkServerMode adds nothing.
    BOOL GetQuietMode(BOOL) override { return quietModeOn(); }
};

CoreInterface& coreInterface() {
    static CoreInterface core;
    return core;
}

class SceneEnumerator : public IScene {
public:
    int EnumTree(ITreeEnumProc* proc) override {
        if (!proc) {
            misuse("IScene::EnumTree: NULL callback");
            return 0;
        }
        return enumerateBelow(static_cast<NodeImpl*>(sceneRoot()), proc) ? 0 : 1;
    }
    // No foreground layer exists in memory; the selection itself is what counts.
    void FlagFGSelected(TimeValue) override {}
};

class ImportInterfaceImpl : public ImpInterface {
public:
    void RedrawViews() override {}
    TimeValue GetTime() override { return 0; }
};

class ExportInterfaceImpl : public ExpInterface {
public:
    ExportInterfaceImpl() { theScene = &scene; }

private:
    SceneEnumerator scene;
};

} // namespace

INode* sceneRoot() {
    NodeImpl*& root = rootSlot();
    if (!root)
        root = new NodeImpl(true);
    return root;
}

ULONG nextNodeHandle() {
    return handleCounter()++;
}

std::vector<INode*>& selection() {
    static std::vector<INode*> selected;
    return selected;
}

void addResetHook(std::function<void()> hook) {
    resetHooks().push_back(std::move(hook));
}

void resetAll() {
    for (auto& hook : resetHooks())
        hook();
    selection().clear();
    Arena::instance().clear();
    rootSlot() = nullptr;
    handleCounter() = 1;
}

} // namespace hostimpl

Interface* GetCOREInterface() {
    return &hostimpl::coreInterface();
}

Interface7* GetCOREInterface7() {
    return &hostimpl::coreInterface();
}

void resetScene() {
    hostimpl::resetAll();
}

ImpInterface* importInterface() {
    static hostimpl::ImportInterfaceImpl imp;
    return &imp;
}

ExpInterface* exportInterface() {
    static hostimpl::ExportInterfaceImpl exp;
    return &exp;
}

// Walked directly rather than through EnumTree: an allocation failing here is the host's own,
// not an exception escaping a plug-in's callback.
std::vector<INode*> allNodesDepthFirst() {
    std::vector<INode*> nodes;
    std::vector<INode*> pending;
    INode* root = GetCOREInterface()->GetRootNode();
    for (int i = root->NumberOfChildren() - 1; i >= 0; --i)
        pending.push_back(root->GetChildNode(i));
    while (!pending.empty()) {
        INode* node = pending.back();
        pending.pop_back();
        nodes.push_back(node);
        for (int i = node->NumberOfChildren() - 1; i >= 0; --i)
            pending.push_back(node->GetChildNode(i));
    }
    return nodes;
}

void setActiveViewportAlive(bool alive) {
    hostimpl::activeViewport().alive = alive;
}

size_t liveObjectCount() {
    return hostimpl::Arena::instance().size();
}
