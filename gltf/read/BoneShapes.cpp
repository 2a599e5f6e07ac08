#include "gltf/read/BoneShapes.h"

#include "gltf/core/ExtrasNames.h"

namespace mshgltf {
namespace {

const tinygltf::Value* extraOf(const tinygltf::Value& extras, const char* key) {
    return extras.IsObject() && extras.Has(key) ? &extras.Get(key) : nullptr;
}

std::vector<bool> drawnMeshes(const tinygltf::Model& model) {
    std::vector<bool> drawn(model.meshes.size(), false);
    for (const tinygltf::Node& node : model.nodes)
        if (node.mesh >= 0 && size_t(node.mesh) < drawn.size())
            drawn[size_t(node.mesh)] = true;
    return drawn;
}

struct Lookup {
    const tinygltf::Model& model;
    std::vector<bool> drawn;

    bool fits(int mesh, const std::string* name) const {
        return mesh >= 0 && size_t(mesh) < model.meshes.size() && !drawn[size_t(mesh)] &&
               (!name || model.meshes[size_t(mesh)].name == *name);
    }

    // The one undrawn mesh of that name, -1 when there is none or more than one.
    int byName(const std::string& name) const {
        int found = -1;
        for (size_t m = 0; m < model.meshes.size(); ++m) {
            if (!fits(int(m), &name))
                continue;
            if (found >= 0)
                return -1;
            found = int(m);
        }
        return found;
    }

    BoneShapeReference resolve(const tinygltf::Node& node) const {
        BoneShapeReference out;
        const tinygltf::Value* index = extraOf(node.extras, extras::boneMesh);
        const tinygltf::Value* named = extraOf(node.extras, extras::boneMeshName);
        if (!index && !named)
            return out;
        int mesh = index && index->IsNumber() ? index->GetNumberAsInt() : -1;
        std::string name = named && named->IsString() ? named->Get<std::string>() : "";
        const std::string* wanted = named ? &name : nullptr;
        if (fits(mesh, wanted)) {
            out.mesh = mesh;
            return out;
        }
        if (wanted) {
            out.mesh = byName(name);
            if (out.mesh >= 0)
                return out;
        }
        // No mesh named: the same text for every bone, so the report prints one line.
        out.problem = "its bone shape is not in the file or is drawn by a node (another tool "
                      "renumbered or removed meshes); the bone has no shape";
        return out;
    }
};

} // namespace

std::vector<BoneShapeReference> boneShapeReferences(const tinygltf::Model& model) {
    Lookup lookup{model, drawnMeshes(model)};
    std::vector<BoneShapeReference> out;
    out.reserve(model.nodes.size());
    for (const tinygltf::Node& node : model.nodes)
        out.push_back(lookup.resolve(node));
    return out;
}

} // namespace mshgltf
