#include "gltf/read/DefaultScene.h"

namespace mshgltf {
namespace {

// Marks `root` and everything below it; the hierarchy is known to be a forest.
void markSubtree(const tinygltf::Model& model, int root, std::vector<bool>& marked) {
    std::vector<int> pending(1, root);
    while (!pending.empty()) {
        int n = pending.back();
        pending.pop_back();
        if (marked[size_t(n)])
            continue;
        marked[size_t(n)] = true;
        for (int child : model.nodes[size_t(n)].children)
            pending.push_back(child);
    }
}

std::string sceneLabel(const tinygltf::Model& model, size_t s) {
    const std::string& name = model.scenes[s].name;
    return "scene " + std::to_string(s) + (name.empty() ? "" : " \"" + name + "\"");
}

} // namespace

bool nodesOfDefaultScene(const tinygltf::Model& model, const std::vector<int>& parents,
                         std::vector<bool>& included, BridgeReport& report, std::string& error) {
    size_t count = model.nodes.size();
    included.assign(count, model.scenes.empty());
    if (model.scenes.empty())
        return true;
    if (model.defaultScene >= int(model.scenes.size())) {
        error = "the default scene " + std::to_string(model.defaultScene) + " does not exist";
        return false;
    }
    size_t chosen = model.defaultScene >= 0 ? size_t(model.defaultScene) : 0;
    std::vector<std::vector<bool>> ofScene(model.scenes.size(), std::vector<bool>(count, false));
    for (size_t s = 0; s < model.scenes.size(); ++s)
        for (int root : model.scenes[s].nodes) {
            if (root < 0 || size_t(root) >= count) {
                error = sceneLabel(model, s) + " names node " + std::to_string(root) +
                        " that does not exist";
                return false;
            }
            markSubtree(model, root, ofScene[s]);
        }
    included = ofScene[chosen];
    // A skin's joints need not hang below the scene's roots, but its mesh needs them.
    for (size_t n = 0; n < count; ++n) {
        int skin = model.nodes[n].skin;
        if (!ofScene[chosen][n] || skin < 0 || size_t(skin) >= model.skins.size())
            continue;
        for (int joint : model.skins[size_t(skin)].joints)
            for (int p = joint; p >= 0 && size_t(p) < count && !included[size_t(p)];
                 p = parents[size_t(p)])
                included[size_t(p)] = true;
    }
    std::vector<bool> inAnyScene(count, false);
    for (size_t s = 0; s < model.scenes.size(); ++s) {
        size_t leftOut = 0;
        for (size_t n = 0; n < count; ++n) {
            inAnyScene[n] = inAnyScene[n] || ofScene[s][n];
            leftOut += ofScene[s][n] && !included[n];
        }
        if (s != chosen && leftOut > 0)
            report.losses.push_back(
                sceneLabel(model, s) + ": only the default scene, " + sceneLabel(model, chosen) +
                ", is converted; its " +
                (leftOut == 1 ? "1 node is" : std::to_string(leftOut) + " nodes are") +
                " left out");
    }
    size_t nowhere = 0;
    for (size_t n = 0; n < count; ++n) {
        nowhere += !inAnyScene[n] && !included[n];
        report.objectsLeftOut += inAnyScene[n] && !included[n];
    }
    if (nowhere > 0) {
        report.warnings.push_back(
            (nowhere == 1 ? "1 node belongs" : std::to_string(nowhere) + " nodes belong") +
            std::string(" to no scene, so no viewer shows them; left out"));
        report.objectsLeftOut += nowhere;
    }
    return true;
}

} // namespace mshgltf
