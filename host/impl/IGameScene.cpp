// The IGame scene, its nodes and materials, and the conversion manager.
#include "host/impl/IGameImpl.h"

#include <algorithm>
#include <set>

using hostimpl::misuse;

namespace {

class TextureMapView : public IGameTextureMap {
public:
    TextureMapView(Texmap* map, int mapSlot) : texmap(map), slot(mapSlot) {}
    const MCHAR* GetTextureName() override { return texmap->GetName().data(); }
    const MCHAR* GetBitmapFileName() override {
        BitmapTex* bitmap = GetMaxBitmapTex();
        const MCHAR* name = bitmap ? bitmap->GetMapName() : nullptr;
        return name ? name : L"";
    }
    int GetStdMapSlot() override { return slot; }
    int GetMapChannel() override { return 1; }
    Texmap* GetMaxTexmap() override { return texmap; }
    BitmapTex* GetMaxBitmapTex() override {
        return texmap->ClassID() == Class_ID(BMTEX_CLASS_ID, 0) ? static_cast<BitmapTex*>(texmap)
                                                                : nullptr;
    }

private:
    Texmap* texmap;
    int slot;
};

class MaterialView : public IGameMaterial {
public:
    explicit MaterialView(Mtl* material) : mtl(material) {
        for (int i = 0; i < mtl->NumSubTexmaps(); ++i)
            if (Texmap* map = mtl->GetSubTexmap(i))
                maps.emplace_back(std::make_unique<TextureMapView>(map, i));
    }
    const MCHAR* GetMaterialName() override { return mtl->GetName().data(); }
    int GetNumberOfTextureMaps() override { return (int)maps.size(); }
    IGameTextureMap* GetIGameTextureMap(int index) override {
        if (index < 0 || index >= (int)maps.size()) {
            misuse("IGameMaterial::GetIGameTextureMap: map " + std::to_string(index) + " of " +
                   std::to_string(maps.size()));
            return nullptr;
        }
        return maps[(size_t)index].get();
    }
    Mtl* GetMaxMaterial() override { return mtl; }
    bool IsMultiType() override { return mtl->NumSubMtls() > 0; }
    int GetSubMaterialCount() override { return mtl->NumSubMtls(); }
    IGameMaterial* GetSubMaterial(int index) override {
        if (index < 0 || index >= mtl->NumSubMtls()) {
            misuse("IGameMaterial::GetSubMaterial: sub-material " + std::to_string(index) + " of " +
                   std::to_string(mtl->NumSubMtls()));
            return nullptr;
        }
        return hostimpl::igameMaterialFor(mtl->GetSubMtl(index));
    }

private:
    Mtl* mtl;
    std::vector<std::unique_ptr<TextureMapView>> maps;
};

int materialIndexOf(Mtl* mtl);

// Failure switches and the release count; cleared with the scene.
struct IGameSwitches {
    bool initialiseFails = false;
    std::set<INode*> dataFails;
    size_t releasedObjects = 0;
};

IGameSwitches& switches() {
    static IGameSwitches state;
    static bool hooked = (hostimpl::addResetHook([] { state = IGameSwitches(); }), true);
    (void)hooked;
    return state;
}

class NodeView : public IGameNode {
public:
    explicit NodeView(INode* maxNode) : node(maxNode) {}
    IGameObject* GetIGameObject() override {
        if (!object)
            object = hostimpl::makeIGameObject(node);
        ++users;
        return object.get();
    }
    // IGame source: "IGameObject will be released only in case of matching
    // GetIGameObject/ReleaseIGameObject calls" (IGame.h ReleaseIGameObject).
    void ReleaseIGameObject() override {
        if (users == 0) {
            misuse("IGameNode::ReleaseIGameObject: no GetIGameObject to match for node \"" +
                   hostimpl::narrow(node->GetName()) + "\"");
            return;
        }
        if (--users == 0) {
            object.reset();
            ++switches().releasedObjects;
        }
    }
    const MCHAR* GetName() override { return node->GetName(); }
    int GetNodeID() override { return (int)node->GetHandle(); }
    INode* GetMaxNode() override { return node; }
    GMatrix GetWorldTM(TimeValue) override { return GMatrix(node->GetNodeTM(0)); }
    GMatrix GetLocalTM(TimeValue) override {
        INode* parent = node->GetParentNode();
        Matrix3 world = node->GetNodeTM(0);
        return GMatrix(parent ? world * Inverse(parent->GetNodeTM(0)) : world);
    }
    GMatrix GetObjectTM(TimeValue) override { return GMatrix(node->GetObjectTM(0)); }
    IGameNode* GetNodeParent() override {
        INode* parent = node->GetParentNode();
        return parent && !parent->IsRootNode() ? hostimpl::igameNodeFor(parent) : nullptr;
    }
    int GetChildCount() override { return node->NumberOfChildren(); }
    IGameNode* GetNodeChild(int index) override {
        if (index < 0 || index >= node->NumberOfChildren()) {
            misuse("IGameNode::GetNodeChild: child " + std::to_string(index) + " of " +
                   std::to_string(node->NumberOfChildren()));
            return nullptr;
        }
        return hostimpl::igameNodeFor(node->GetChildNode(index));
    }
    int GetMaterialIndex() override {
        return node->GetMtl() ? materialIndexOf(node->GetMtl()) : -1;
    }
    IGameMaterial* GetNodeMaterial() override {
        return node->GetMtl() ? hostimpl::igameMaterialFor(node->GetMtl()) : nullptr;
    }
    bool IsNodeHidden() override { return node->IsHidden() != 0; }

private:
    INode* node;
    std::unique_ptr<IGameObject> object;
    int users = 0;
};

class SceneView : public IGameScene {
public:
    SceneView() {
        hostimpl::addResetHook([this] {
            ReleaseIGame();
            frame = 0;
        });
    }
    bool InitialiseIGame(bool selected) override {
        if (initialiseFails())
            return false;
        std::vector<INode*> chosen;
        for (INode* node : allNodesDepthFirst())
            if (!selected || node->Selected())
                chosen.push_back(node);
        takeIn(chosen);
        return true;
    }
    bool InitialiseIGame(INode* root, bool hierarchy) override {
        if (!root) {
            misuse("IGameScene::InitialiseIGame: NULL root");
            return false;
        }
        Tab<INode*> nodes;
        nodes.Append(1, &root);
        return InitialiseIGame(nodes, hierarchy);
    }
    bool InitialiseIGame(Tab<INode*> nodes, bool hierarchy) override {
        if (initialiseFails())
            return false;
        std::set<INode*> wanted;
        for (int i = 0; i < nodes.Count(); ++i)
            if (nodes[i])
                addNode(nodes[i], hierarchy, wanted);
        std::vector<INode*> chosen;
        for (INode* node : allNodesDepthFirst()) // keep the scene's enumeration order
            if (wanted.count(node))
                chosen.push_back(node);
        takeIn(chosen);
        return true;
    }
    void SetStaticFrame(int frameNum) override { frame = frameNum; }
    int GetTopLevelNodeCount() override { return (int)topLevel().size(); }
    IGameNode* GetTopLevelNode(int index) override {
        std::vector<INode*> top = topLevel();
        if (index < 0 || index >= (int)top.size()) {
            misuse("IGameScene::GetTopLevelNode: node " + std::to_string(index) + " of " +
                   std::to_string(top.size()));
            return nullptr;
        }
        return GetIGameNode(top[(size_t)index]);
    }
    int GetTotalNodeCount() override { return (int)takenIn.size(); }
    IGameNode* GetIGameNode(INode* node) override {
        if (!node || node->IsRootNode())
            return nullptr;
        std::unique_ptr<NodeView>& slot = nodeViews[node];
        if (!slot)
            slot.reset(new NodeView(node));
        return slot.get();
    }
    Tab<IGameNode*> GetIGameNodeByType(IGameObject::ObjectTypes type) override {
        Tab<IGameNode*> found;
        for (INode* node : takenIn)
            if (hostimpl::igameTypeOf(node) == type) {
                IGameNode* view = GetIGameNode(node);
                found.Append(1, &view);
            }
        return found;
    }
    IGameMaterial* GetIGameMaterial(Mtl* mtl) override {
        if (!mtl)
            return nullptr;
        std::unique_ptr<MaterialView>& slot = materialViews[mtl];
        if (!slot) {
            slot.reset(new MaterialView(mtl));
            materialOrder.push_back(mtl);
        }
        return slot.get();
    }
    void ReleaseIGame() override {
        takenIn.clear();
        nodeViews.clear();
        materialViews.clear();
        materialOrder.clear();
    }
    const MCHAR* GetSceneFileName() override { return L""; } // the scene is never saved

    int materialIndex(Mtl* mtl) {
        GetIGameMaterial(mtl);
        auto found = std::find(materialOrder.begin(), materialOrder.end(), mtl);
        return (int)(found - materialOrder.begin());
    }

private:
    std::vector<INode*> takenIn;
    std::map<INode*, std::unique_ptr<NodeView>> nodeViews;
    std::map<Mtl*, std::unique_ptr<MaterialView>> materialViews;
    std::vector<Mtl*> materialOrder;
    int frame = 0;

    void takeIn(const std::vector<INode*>& nodes) { takenIn = nodes; }
    // IGame source: "A Possible reason for failure is that the ... IGameProp.XML file was not
    // found or not parsed correctly" (IGame.h InitialiseIGame); nothing is taken in then.
    bool initialiseFails() {
        if (!switches().initialiseFails)
            return false;
        takenIn.clear();
        return true;
    }
    void addNode(INode* node, bool hierarchy, std::set<INode*>& wanted) {
        if (!node->IsRootNode())
            wanted.insert(node);
        if (hierarchy || node->IsRootNode())
            for (int i = 0; i < node->NumberOfChildren(); ++i)
                addNode(node->GetChildNode(i), hierarchy, wanted);
    }
    std::vector<INode*> topLevel() const {
        std::vector<INode*> top;
        for (INode* node : takenIn) {
            INode* parent = node->GetParentNode();
            if (!parent || parent->IsRootNode() ||
                std::find(takenIn.begin(), takenIn.end(), parent) == takenIn.end())
                top.push_back(node);
        }
        return top;
    }
};

SceneView& sceneView() {
    static SceneView* view = new SceneView(); // outlives static teardown, like the scene
    return *view;
}

int materialIndexOf(Mtl* mtl) {
    return sceneView().materialIndex(mtl);
}

class ConversionManager : public IGameConversionManager {
public:
    ConversionManager() {
        hostimpl::addResetHook([this] { coords = IGAME_MAX; });
    }
    void SetCoordSystem(CoordSystem coord) override {
        if (coord != IGAME_MAX) {
            misuse("IGameConversionManager::SetCoordSystem: only IGAME_MAX is supported by the "
                   "in-memory host");
            return;
        }
        coords = coord;
    }
    CoordSystem GetCoordSystem() override { return coords; }

private:
    CoordSystem coords = IGAME_MAX;
};

} // namespace

namespace hostimpl {
IGameNode* igameNodeFor(INode* node) {
    return sceneView().GetIGameNode(node);
}
IGameMaterial* igameMaterialFor(Mtl* mtl) {
    return sceneView().GetIGameMaterial(mtl);
}
bool igameDataFails(INode* node) {
    return switches().dataFails.count(node) > 0;
}
} // namespace hostimpl

void setIGameInitialiseFails(bool fails) {
    switches().initialiseFails = fails;
}

void setIGameDataFails(INode* node) {
    switches().dataFails.insert(node);
}

size_t releasedIGameObjectCount() {
    return switches().releasedObjects;
}

IGameScene* GetIGameInterface() {
    return &sceneView();
}

IGameConversionManager* GetConversionManager() {
    static ConversionManager* manager = new ConversionManager();
    return manager;
}

float GetIGameVersion() {
    return 1.122f;
}
