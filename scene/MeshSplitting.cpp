#include "scene/MeshSplitting.h"

#include "format/Mesh8Record.h"
#include "format/MshLayout.h"
#include "format/TextField.h"
#include "scene/BoneGrouping.h"
#include "scene/VertexWeld.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <set>
#include <utility>

namespace mshgltf {
namespace {

const size_t kU16Count = std::numeric_limits<uint16_t>::max();

std::string objectKind(MshLayoutKind layout) {
    return layout == MshLayoutMesh8 ? "Mesh8 object" : "legacy object";
}

std::string joined(const std::vector<std::string>& items, const char* separator) {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i)
        text += (i ? separator : "") + items[i];
    return text;
}

// Why `mesh` does not fit one object; empty when it does.
std::vector<std::string> reasonsToSplit(const MeshData& mesh, MshLayoutKind layout,
                                        const ObjectLimits& limits) {
    std::vector<std::string> reasons;
    auto over = [&](const std::string& found, size_t limit) {
        reasons.push_back(found + " and a " + objectKind(layout) + " holds at most " +
                          std::to_string(limit));
    };
    size_t bones = limits.bones > 0 ? bonesWithWeight(mesh) : 0;
    if (bones > limits.bones)
        over("its skin uses " + std::to_string(bones) + " bones", limits.bones);
    size_t faces = mesh.triangles.size() / 3;
    if (faces > limits.faces)
        over("it has " + std::to_string(faces) + " faces", limits.faces);
    bool skinned = !mesh.influences.empty();
    size_t vertexLimit = skinned ? limits.skinnedVertices : limits.vertices;
    // The host mesh has at most as many vertices as the data; weld only when that is too many.
    if (mesh.positions.size() > vertexLimit) {
        int hostCount = 0;
        weldVertices(mesh, hostCount);
        if (size_t(hostCount) > vertexLimit)
            over("it has " + std::to_string(hostCount) + (skinned ? " skinned" : "") + " vertices",
                 vertexLimit);
    }
    return reasons;
}

// Why part names were cut to fit the name field.
struct NameCut {
    unsigned long stopper = 0; ///< the first character above U+00FF the base was cut before
    bool shortened = false;    ///< a base was cut to leave room for the number
};

// `<base>.<number>` as the name field will hold it whole: the base is cut before a character
// the 8-bit field cannot hold and shortened so that the number survives; otherwise every part
// would be stored under the same name. Says in `cut` what cut it.
std::string numberedName(const std::string& base, size_t number, NameCut& cut) {
    std::wstring wide = fromUtf8(base);
    std::wstring suffix = L"." + std::to_wstring(number);
    size_t keep = 0;
    while (keep < wide.size() && wide[keep] != 0 && static_cast<unsigned long>(wide[keep]) <= 0xFF)
        ++keep;
    if (keep < wide.size() && wide[keep] != 0 && cut.stopper == 0)
        cut.stopper = static_cast<unsigned long>(wide[keep]);
    if (keep > MSH_TEXT_FIELD_SIZE - suffix.size()) {
        keep = MSH_TEXT_FIELD_SIZE - suffix.size();
        cut.shortened = true;
    }
    return toUtf8(wide.substr(0, keep) + suffix);
}

std::string characterCode(unsigned long code) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04lX", code);
    return text;
}

std::string reducedFacesText(size_t faces, size_t bones) {
    std::string limit = std::to_string(bones);
    return std::to_string(faces) +
           (faces == 1 ? " face whose corners use more than " + limit + " bones keeps its "
                       : " faces whose corners use more than " + limit + " bones keep their ") +
           limit + " strongest, rescaled";
}

std::set<std::string> namesInUse(const SceneData& scene) {
    std::set<std::string> names;
    for (const NodeData& node : scene.nodes) {
        names.insert(node.name);
        for (size_t g = 1; g < node.meshes.size() && !node.isBone; ++g)
            names.insert(meshPartName(scene, node.name, node.meshes[g].material, g));
    }
    return names;
}

// A copy of `node` without its meshes, for a part to take the node's place beside it.
NodeData shellOf(NodeData& node) {
    std::vector<MeshData> meshes;
    std::swap(meshes, node.meshes);
    NodeData shell = node;
    std::swap(meshes, node.meshes);
    return shell;
}

std::string listedNames(const std::vector<std::string>& names) {
    if (names.size() <= 4)
        return joined(names, ", ");
    return names[0] + ", " + names[1] + ", ..., " + names.back();
}

bool wellFormed(const MeshData& mesh) {
    size_t count = mesh.positions.size();
    for (uint32_t index : mesh.triangles)
        if (index >= count)
            return false;
    return (mesh.normals.empty() || mesh.normals.size() == count) &&
           (mesh.uvs.empty() || mesh.uvs.size() == count) &&
           (mesh.influences.empty() || mesh.influences.size() == count);
}

struct MeshSplit {
    SplitObject object;
    std::vector<NodeData> parts; ///< nodes for every part but the first
    size_t reducedFaces = 0;
    NameCut cut; ///< how part names were cut to fit the name field
};

// Mesh `g` of `node` becomes its first part; the others come back as nodes like `node`,
// under names nobody else has.
MeshSplit splitMesh(NodeData& node, size_t g, const std::string& name, const ObjectLimits& limits,
                    std::set<std::string>& taken) {
    int hostCount = 0;
    std::vector<int> hostVertex = weldVertices(node.meshes[g], hostCount);
    PartitionResult result = partitionMesh(node.meshes[g], hostVertex, limits);
    node.meshes[g] = std::move(result.parts[0]);
    MeshSplit done;
    done.reducedFaces = result.reducedFaces;
    done.object.name = name;
    done.object.parts.push_back(name);
    size_t number = 1;
    for (size_t k = 1; k < result.parts.size(); ++k) {
        std::string partName;
        do
            partName = numberedName(name, number++, done.cut);
        while (!taken.insert(partName).second);
        NodeData part = shellOf(node);
        part.name = partName;
        part.meshes.push_back(std::move(result.parts[k]));
        done.parts.push_back(std::move(part));
        done.object.parts.push_back(partName);
    }
    return done;
}

// One line per object: a warning when it was only split, a loss when faces lost bones.
void reportSplit(const MeshSplit& done, const std::vector<std::string>& reasons,
                 const ObjectLimits& limits, BridgeReport& report) {
    bool split = done.object.parts.size() > 1;
    std::vector<std::string> says;
    if (split)
        says.push_back("split into " + std::to_string(done.object.parts.size()) + " objects (" +
                       listedNames(done.object.parts) + "): " + joined(reasons, "; "));
    if (done.cut.stopper != 0)
        says.push_back("part names cut before the character " + characterCode(done.cut.stopper) +
                       ", which the 8-bit name field cannot hold");
    if (done.cut.shortened)
        says.push_back("part names shortened to fit the " + std::to_string(MSH_TEXT_FIELD_SIZE) +
                       "-character name field");
    if (done.reducedFaces > 0)
        says.push_back(reducedFacesText(done.reducedFaces, limits.bones));
    std::string line = done.object.name + ": " + joined(says, "; ");
    if (split)
        ++report.objectsSplit;
    if (done.reducedFaces > 0)
        report.losses.push_back(line);
    else if (split)
        report.warnings.push_back(line);
}

// Puts each node's parts right after its subtree (where a further sibling or last child goes
// in depth-first order, deeper nodes' parts first) and renumbers parents and joints.
void insertParts(SceneData& scene, std::vector<std::vector<NodeData>>& partsAfter) {
    size_t count = scene.nodes.size();
    std::vector<size_t> subtreeEnd(count);
    for (size_t i = 0; i < count; ++i)
        subtreeEnd[i] = i + 1;
    for (size_t i = count; i-- > 0;) {
        int parent = scene.nodes[i].parent;
        if (parent >= 0)
            subtreeEnd[size_t(parent)] = std::max(subtreeEnd[size_t(parent)], subtreeEnd[i]);
    }
    std::vector<std::vector<size_t>> endingAt(count + 1);
    for (size_t i = 0; i < count; ++i)
        if (!partsAfter[i].empty())
            endingAt[subtreeEnd[i]].push_back(i);

    std::vector<NodeData> nodes;
    std::vector<int> newIndex(count);
    auto placeParts = [&](size_t at) {
        for (auto owner = endingAt[at].rbegin(); owner != endingAt[at].rend(); ++owner)
            for (NodeData& part : partsAfter[*owner])
                nodes.push_back(std::move(part));
    };
    for (size_t i = 0; i < count; ++i) {
        placeParts(i);
        newIndex[i] = int(nodes.size());
        nodes.push_back(std::move(scene.nodes[i]));
    }
    placeParts(count);
    auto renumber = [&](int& index) {
        if (index >= 0 && size_t(index) < count)
            index = newIndex[size_t(index)];
    };
    for (NodeData& node : nodes) {
        renumber(node.parent);
        for (int& joint : node.joints)
            renumber(joint);
    }
    scene.nodes = std::move(nodes);
}

} // namespace

ObjectLimits objectLimitsOf(MshLayoutKind layout) {
    ObjectLimits limits;
    limits.vertices = kU16Count;
    if (layout == MshLayoutMesh8) {
        limits.faces = MESH8_MAX_FACES;
        limits.skinnedVertices = MESH8_MAX_BLOCK_ENTRIES;
    } else {
        limits.faces = kU16Count;
        limits.skinnedVertices = kU16Count;
        limits.bones = MSH_MAX_BONES;
    }
    return limits;
}

bool fitMeshesToLayout(SceneData& scene, MshLayoutKind layout, bool split, BridgeReport& report,
                       std::string& error, std::vector<SplitObject>& splits) {
    ObjectLimits limits = objectLimitsOf(layout);
    std::set<std::string> taken = namesInUse(scene);
    std::vector<std::vector<NodeData>> partsAfter(scene.nodes.size());
    bool anyParts = false;
    for (size_t i = 0; i < scene.nodes.size(); ++i) {
        NodeData& node = scene.nodes[i];
        if (node.isBone)
            continue;
        std::vector<NodeData> childParts, siblingParts;
        for (size_t g = 0; g < node.meshes.size(); ++g) {
            // A malformed mesh is the scene builder's to refuse.
            if (!wellFormed(node.meshes[g]))
                continue;
            std::vector<std::string> reasons = reasonsToSplit(node.meshes[g], layout, limits);
            if (reasons.empty())
                continue;
            std::string name = meshPartName(scene, node.name, node.meshes[g].material, g);
            if (!split) {
                error = name + ": does not fit one " + objectKind(layout) + " (" +
                        joined(reasons, "; ") +
                        "); refused because of --no-split, nothing written. Without --no-split "
                        "it is split into objects that fit.";
                return false;
            }
            MeshSplit done = splitMesh(node, g, name, limits, taken);
            reportSplit(done, reasons, limits, report);
            if (done.object.parts.size() > 1)
                splits.push_back(done.object);
            for (NodeData& part : done.parts) {
                if (g > 0) // a further material's node hangs below the node
                    part.parent = int(i);
                (g > 0 ? childParts : siblingParts).push_back(std::move(part));
            }
        }
        for (NodeData& part : siblingParts)
            childParts.push_back(std::move(part));
        anyParts = anyParts || !childParts.empty();
        partsAfter[i] = std::move(childParts);
    }
    if (anyParts)
        insertParts(scene, partsAfter);
    return true;
}

} // namespace mshgltf
