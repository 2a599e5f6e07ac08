#include "gltf/read/GltfModelReader.h"

#include "gltf/core/ExtrasNames.h"
#include "gltf/core/GltfAccessors.h"
#include "gltf/core/NodeNaming.h"
#include "gltf/core/UriText.h"
#include "gltf/read/ArmatureNodes.h"
#include "gltf/read/BindPose.h"
#include "gltf/read/BoneShapes.h"
#include "gltf/read/DefaultScene.h"
#include "gltf/read/GltfExtensions.h"
#include "gltf/read/GltfFileLoading.h"
#include "gltf/read/GltfJsonChecks.h"
#include "gltf/read/GpuInstancing.h"
#include "gltf/read/TextureTransform.h"
#include "scene/BoneHierarchy.h"
#include "scene/FileNames.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace mshgltf {
namespace {

// A number read from the file, for messages: whole numbers as such, anything else (huge,
// fractional, NaN) in floating-point form, never through a cast no integer can hold.
std::string numberText(double v) {
    if (v >= -1e15 && v <= 1e15 && v == double((long long)v))
        return std::to_string((long long)v);
    std::ostringstream text;
    text << v;
    return text.str();
}

const tinygltf::Value* extra(const tinygltf::Value& extras, const char* key) {
    if (!extras.IsObject() || !extras.Has(key))
        return nullptr;
    return &extras.Get(key);
}

// A flag is true, or 1: Blender keeps custom properties set to true as the integer 1 and
// writes them back so.
bool extraFlag(const tinygltf::Value& extras, const char* key) {
    const tinygltf::Value* v = extra(extras, key);
    return v && ((v->IsBool() && v->Get<bool>()) || (v->IsInt() && v->Get<int>() == 1));
}

int extraIndex(const tinygltf::Value& extras, const char* key) {
    const tinygltf::Value* v = extra(extras, key);
    return v && v->IsNumber() ? v->GetNumberAsInt() : -1;
}

AffineMatrix localMatrixOf(const tinygltf::Node& node) {
    AffineMatrix m;
    if (fromGltfArray(node.matrix, m))
        return m;
    return fromTranslationRotationScale(node.translation, node.rotation, node.scale);
}

const char* modeName(int mode) {
    switch (mode) {
    case TINYGLTF_MODE_POINTS:
        return "POINTS";
    case TINYGLTF_MODE_LINE:
        return "LINES";
    case TINYGLTF_MODE_LINE_LOOP:
        return "LINE_LOOP";
    case TINYGLTF_MODE_LINE_STRIP:
        return "LINE_STRIP";
    default:
        return "unknown";
    }
}

// True when following parents from some node comes back to it; linear in the node count.
bool hasCycle(const std::vector<int>& parents, size_t& where) {
    std::vector<char> state(parents.size(), 0); // 0 unseen, 1 on the current walk, 2 cleared
    std::vector<size_t> walk;
    for (size_t n = 0; n < parents.size(); ++n) {
        walk.clear();
        int p = int(n);
        while (p >= 0 && state[size_t(p)] == 0) {
            state[size_t(p)] = 1;
            walk.push_back(size_t(p));
            p = parents[size_t(p)];
        }
        if (p >= 0 && state[size_t(p)] == 1) {
            where = size_t(p);
            return true;
        }
        for (size_t w : walk)
            state[w] = 2;
    }
    return false;
}

// Reads the model section by section, each parse* step filling what the later ones use; run()
// keeps their order, which is also the order of the messages.
class Reader {
public:
    Reader(const tinygltf::Model& gltf, LoadedGltf& result, BridgeReport& problems)
        : model(gltf), out(result), report(problems) {}

    bool run(std::string& error);

private:
    const tinygltf::Model& model;
    LoadedGltf& out;
    BridgeReport& report;
    std::vector<int> gltfParent;
    std::vector<bool> synthetic;      // glTF node -> one of the bridge's own
    std::vector<bool> isJoint;        // glTF node -> a joint of some skin
    std::vector<bool> included;       // glTF node -> in the default scene
    std::vector<int> parent;          // glTF node -> its parent in the scene
    std::vector<AffineMatrix> world;  // glTF node -> glTF-frame world along the file's tree
    BindPoses binds;                  // skinned meshes and joints at their bind pose
    std::vector<AffineMatrix> placed; // world, skinned meshes placed by their bind
    std::vector<bool> skinned;        // glTF node -> a skinned mesh
    std::vector<int> nodeOrder;       // the converted nodes, depth first
    std::vector<bool> holdsJoint;     // glTF node -> a joint or above one
    std::map<size_t, std::vector<AffineMatrix>> instancesOf; // EXT_mesh_gpu_instancing
    std::vector<int> sceneIndex;                // glTF node -> SceneData node, -1 when left out
    std::vector<AffineMatrix> finalWorld;       // glTF node -> the world transform it is given
    std::vector<int> materialOf;                // glTF material -> SceneData material
    std::vector<UvMapping> uvOf;                // glTF material -> how its base colour samples
    std::vector<bool> materialReported;         // glTF material -> what it loses was said
    std::vector<BoneShapeReference> boneShapes; // glTF node -> the bone shape it is given
    std::string error;
    // The attribute that holds the positions of the mesh being read: the bridge's record of a
    // skinned mesh's object-space positions where it wrote one, else POSITION.
    const char* positionAttribute = "POSITION";

    bool fail(const std::string& message) {
        error = message;
        return false;
    }
    /// A node's name as the output names it: its own, or "node<n>" when it has none or a
    /// model file would keep nothing of it.
    std::string nameOf(size_t node) const;
    bool parseExtensions();
    /// The node tree: parents, no cycle, which nodes are the bridge's own.
    bool parseNodes();
    bool parseMaterials();
    void reportMaterial(int material);
    bool parseSkins();
    bool parseScenes();
    /// The parent each node gets in the scene; no cycle through the recorded ones.
    bool linkSceneParents();
    void placeAlongTree();
    bool parseBindPoses();
    void orderNodes();
    bool parseInstances();
    void numberNodes();
    void placeFinal();
    bool buildNode(size_t node);
    void reportUnkeptSections();
    /// True, with a message, when a primitive has no triangles to keep.
    bool leftOut(const tinygltf::Primitive& primitive, const std::string& nodeName);
    bool parsePrimitive(const tinygltf::Primitive& primitive, const std::string& object,
                        const std::string& meshName, size_t primitiveIndex,
                        const std::vector<int>* jointMap, MeshData& mesh);
    bool parseMesh(int meshIndex, const std::string& nodeName, const std::vector<int>* jointMap,
                   std::vector<MeshData>& meshes);
    void addInstances(const std::vector<AffineMatrix>& instances, const AffineMatrix& nodeWorld);
};

std::string Reader::nameOf(size_t node) const {
    return importedNodeName(model.nodes[node].name, node);
}

bool Reader::parseNodes() {
    gltfParent.assign(model.nodes.size(), -1);
    synthetic.assign(model.nodes.size(), false);
    for (size_t n = 0; n < model.nodes.size(); ++n)
        synthetic[n] = extraFlag(model.nodes[n].extras, extras::synthetic);
    for (size_t n = 0; n < model.nodes.size(); ++n)
        for (int child : model.nodes[n].children) {
            if (child < 0 || size_t(child) >= model.nodes.size())
                return fail("node " + std::to_string(n) + " has a child " + std::to_string(child) +
                            " that does not exist");
            if (gltfParent[size_t(child)] >= 0 || size_t(child) == n)
                return fail("node " + std::to_string(child) + " has more than one parent");
            gltfParent[size_t(child)] = int(n);
        }
    size_t where = 0;
    if (hasCycle(gltfParent, where))
        return fail("the node hierarchy has a cycle through node " + std::to_string(where));
    return true;
}

bool Reader::parseMaterials() {
    for (const tinygltf::Image& image : model.images) {
        ImageData data;
        data.embedded = image.uri.empty() || tinygltf::IsDataURI(image.uri);
        data.sourceName = lastPathComponent(data.embedded ? image.name : percentDecode(image.uri));
        data.mimeType = image.mimeType;
        data.bytes = image.image;
        out.images.push_back(data);
    }
    for (size_t m = 0; m < model.materials.size(); ++m) {
        const tinygltf::Material& source = model.materials[m];
        MaterialData material;
        material.name = source.name.empty() ? "material" + std::to_string(m) : source.name;
        material.twoSided = source.doubleSided;
        const std::vector<double>& color = source.pbrMetallicRoughness.baseColorFactor;
        for (size_t c = 0; c < 3 && c < color.size(); ++c)
            material.diffuse[c] = float(color[c]);
        int textureIndex = source.pbrMetallicRoughness.baseColorTexture.index;
        int image = -1;
        if (textureIndex >= 0) {
            if (size_t(textureIndex) >= model.textures.size())
                return fail("material " + material.name + " names texture " +
                            std::to_string(textureIndex) + " that does not exist");
            image = model.textures[size_t(textureIndex)].source;
            if (image >= 0 && size_t(image) >= model.images.size())
                return fail("texture " + std::to_string(textureIndex) + " names image " +
                            std::to_string(image) + " that does not exist");
            if (image >= 0)
                material.textureFile = out.images[size_t(image)].sourceName;
        }
        out.scene.materials.push_back(material);
        out.imageOfMaterial.push_back(std::max(-1, image));
        materialOf.push_back(int(out.scene.materials.size() - 1));
        uvOf.push_back(baseColorUvMapping(source));
    }
    materialReported.assign(model.materials.size(), false);
    return true;
}

// What a model file cannot hold of a material, said once, when a converted primitive first
// uses it: a model file keeps a texture name and a two-sided flag, and the importer names
// the material after the texture.
void Reader::reportMaterial(int m) {
    if (m < 0 || materialReported[size_t(m)])
        return;
    materialReported[size_t(m)] = true;
    const tinygltf::Material& source = model.materials[size_t(m)];
    int image = out.imageOfMaterial[size_t(materialOf[size_t(m)])];
    std::string subject = "material " + (source.name.empty() ? std::to_string(m) : source.name);
    // The name the image will most likely have beside the model (a clash may still change it).
    bool nameKept = source.name.empty();
    if (image >= 0) {
        const ImageData& picture = out.images[size_t(image)];
        nameKept = nameKept || source.name == picture.sourceName ||
                   source.name == safeTextureName(nameFromSource(picture));
    }
    bool colourKept = true;
    const std::vector<double>& color = source.pbrMetallicRoughness.baseColorFactor;
    for (double c : color)
        colourKept = colourKept && std::fabs(c - 1.0) <= 1.0 / 512; // white within 8 bits
    const char* holds = "; a model file holds a texture name and a two-sided flag";
    if (!colourKept)
        report.cannotKeep(subject, std::string(nameKept ? "its base colour is not kept"
                                                        : "its name and base colour are not kept") +
                                       holds);
    else if (!nameKept)
        report.cannotKeep(subject, std::string("its name is not kept") + holds);
    if (source.normalTexture.index >= 0 || source.occlusionTexture.index >= 0 ||
        source.emissiveTexture.index >= 0 ||
        source.pbrMetallicRoughness.metallicRoughnessTexture.index >= 0)
        report.cannotKeep(subject, "only the base colour texture is kept");
}

bool Reader::leftOut(const tinygltf::Primitive& primitive, const std::string& nodeName) {
    int mode = primitive.mode < 0 ? TINYGLTF_MODE_TRIANGLES : primitive.mode;
    std::string why;
    if (mode != TINYGLTF_MODE_TRIANGLES && mode != TINYGLTF_MODE_TRIANGLE_STRIP &&
        mode != TINYGLTF_MODE_TRIANGLE_FAN)
        why = std::string("a primitive of mode ") + modeName(mode) + " has no triangles";
    else if (!primitive.attributes.count(positionAttribute) &&
             !primitive.attributes.count("POSITION"))
        why = "a primitive without POSITION has no geometry";
    if (why.empty())
        return false;
    report.lose(nodeName, why + "; left out");
    ++report.objectsLeftOut;
    return true;
}

bool Reader::parsePrimitive(const tinygltf::Primitive& primitive, const std::string& object,
                            const std::string& meshName, size_t primitiveIndex,
                            const std::vector<int>* jointMap, MeshData& mesh) {
    std::string where = "mesh " + meshName + " primitive " + std::to_string(primitiveIndex);
    // leftOut has passed it: a triangle mode, and positions.
    int mode = primitive.mode < 0 ? TINYGLTF_MODE_TRIANGLES : primitive.mode;
    auto position = primitive.attributes.find(positionAttribute);
    if (position == primitive.attributes.end())
        position = primitive.attributes.find("POSITION");
    // Every accessor is read in place from the loaded buffers.
    AccessorView positions;
    std::string why;
    if (!positions.open(model, position->second, why))
        return fail(where + " POSITION: " + why);
    if (positions.components() != 3)
        return fail(where + ": POSITION is not VEC3");
    size_t count = positions.count();
    auto optional = [&](const char* name, int components, AccessorView& values,
                        bool& present) -> bool {
        auto found = primitive.attributes.find(name);
        present = found != primitive.attributes.end();
        if (!present)
            return true;
        if (!values.open(model, found->second, why))
            return fail(where + " " + name + ": " + why);
        if (values.components() != components || values.count() != count)
            return fail(where + ": " + name + " has " + std::to_string(values.count()) +
                        " elements of " + std::to_string(values.components()) +
                        " components, expected " + std::to_string(count) + " of " +
                        std::to_string(components));
        return true;
    };
    // The UV set the base colour texture samples, as its KHR_texture_transform maps it.
    UvMapping uvMapping = primitive.material >= 0 ? uvOf[size_t(primitive.material)] : UvMapping();
    std::string uvSet = "TEXCOORD_" + std::to_string(uvMapping.texCoord);
    AccessorView normals, uvs, sources;
    bool hasNormals, hasUvs, hasSources;
    if (!optional("NORMAL", 3, normals, hasNormals) || !optional(uvSet.c_str(), 2, uvs, hasUvs) ||
        !optional(extras::vertexAttribute, 1, sources, hasSources))
        return false;
    std::vector<AccessorView> jointSets, weightSets;
    if (jointMap) {
        for (int set = 0;; ++set) {
            std::string suffix = "_" + std::to_string(set);
            AccessorView joints, weights;
            bool hasJoints, hasWeights;
            if (!optional(("JOINTS" + suffix).c_str(), 4, joints, hasJoints) ||
                !optional(("WEIGHTS" + suffix).c_str(), 4, weights, hasWeights))
                return false;
            if (!hasJoints || !hasWeights)
                break;
            jointSets.push_back(joints);
            weightSets.push_back(weights);
        }
    }
    for (const auto& attribute : primitive.attributes)
        if (attribute.first.rfind("TEXCOORD_", 0) == 0 && attribute.first != uvSet)
            report.cannotKeep(object, attribute.first + " is not kept");
        else if (attribute.first.rfind("COLOR_", 0) == 0)
            report.cannotKeep(object, "vertex colours are not kept");
    if (!primitive.targets.empty())
        report.cannotKeep(object, "morph targets are not kept");

    std::vector<uint32_t> order;
    if (primitive.indices >= 0) {
        AccessorView indices;
        if (!indices.open(model, primitive.indices, why))
            return fail(where + " indices: " + why);
        if (indices.components() != 1)
            return fail(where + ": indices are not SCALAR");
        order.reserve(indices.count());
        for (size_t i = 0; i < indices.count(); ++i) {
            double v = indices.value(i, 0);
            if (!(v >= 0 && v < double(count))) // NaN from a float index accessor fails too
                return fail(where + ": index " + numberText(v) + " is past the " +
                            std::to_string(count) + " vertices");
            order.push_back(uint32_t(v));
        }
    } else {
        for (size_t i = 0; i < count; ++i)
            order.push_back(uint32_t(i));
    }
    std::vector<uint32_t> triangles;
    if (mode == TINYGLTF_MODE_TRIANGLES) {
        triangles.assign(order.begin(), order.end() - order.size() % 3);
    } else if (mode == TINYGLTF_MODE_TRIANGLE_STRIP) {
        // Every second triangle of a strip is flipped back to the strip's winding.
        for (size_t i = 0; i + 2 < order.size(); ++i) {
            bool odd = i % 2 == 1;
            triangles.insert(triangles.end(),
                             {order[i + (odd ? 1 : 0)], order[i + (odd ? 0 : 1)], order[i + 2]});
        }
    } else {
        for (size_t i = 1; i + 1 < order.size(); ++i)
            triangles.insert(triangles.end(), {order[i], order[i + 1], order[0]});
    }

    uint32_t base = uint32_t(mesh.positions.size());
    bool first = mesh.positions.empty();
    if (!first) {
        // Merged primitives must agree on their attributes: normals and the recorded
        // numbering only when all have them, UVs (0, 0) where one lacks them (what a model
        // file holds for none).
        if (mesh.normals.empty() || !hasNormals) {
            mesh.normals.clear();
            hasNormals = false;
        }
        if (mesh.sourceVertex.empty() || !hasSources) {
            mesh.sourceVertex.clear();
            hasSources = false;
        }
        if (hasUvs && mesh.uvs.empty())
            mesh.uvs.assign(mesh.positions.size(), Point2(0.0f, 0.0f));
    }
    bool padUvs = !hasUvs && !mesh.uvs.empty();
    // Quantized normals (KHR_mesh_quantization) are only nearly unit length.
    bool unitNormals = hasNormals && normals.componentType() != TINYGLTF_COMPONENT_TYPE_FLOAT;
    size_t dropped = 0;
    if (first) { // later primitives grow the mesh geometrically, as push_back does
        mesh.positions.reserve(count);
        if (hasNormals)
            mesh.normals.reserve(count);
        if (hasUvs)
            mesh.uvs.reserve(count);
        if (hasSources)
            mesh.sourceVertex.reserve(count);
        if (jointMap)
            mesh.influences.reserve(count);
    }
    std::vector<Influence> influences; // one vertex's, reused: each vertex's list is one copy
    for (size_t i = 0; i < count; ++i) {
        mesh.positions.push_back(
            pointFromGltf(Point3(float(positions.value(i, 0)), float(positions.value(i, 1)),
                                 float(positions.value(i, 2)))));
        if (hasNormals) {
            Point3 normal =
                pointFromGltf(Point3(float(normals.value(i, 0)), float(normals.value(i, 1)),
                                     float(normals.value(i, 2))));
            mesh.normals.push_back(unitNormals && normal.Length() > 0.0f ? normal.Normalize()
                                                                         : normal);
        }
        if (hasUvs) {
            double u = uvs.value(i, 0), v = uvs.value(i, 1);
            if (uvMapping.transformed)
                uvMapping.apply(u, v);
            mesh.uvs.push_back(Point2(float(u), 1.0f - float(v)));
        } else if (padUvs) {
            mesh.uvs.push_back(Point2(0.0f, 0.0f));
        }
        if (hasSources) {
            // Any number can stand in the file; one no int holds becomes -1, which the scene
            // builder takes as no recorded numbering.
            double source = sources.value(i, 0);
            mesh.sourceVertex.push_back(source >= 0.0 && source <= 1e9 ? int(source) : -1);
        }
        if (jointMap) {
            influences.clear();
            for (size_t set = 0; set < jointSets.size(); ++set)
                for (int slot = 0; slot < 4; ++slot) {
                    double weight = weightSets[set].value(i, slot);
                    double joint = jointSets[set].value(i, slot);
                    if (!(weight > 0.0))
                        continue;
                    if (!(joint >= 0 && joint < double(jointMap->size())))
                        return fail(where + ": vertex " + std::to_string(i) + " names joint " +
                                    numberText(joint) + " of a skin with " +
                                    std::to_string(jointMap->size()) + " joints");
                    int target = (*jointMap)[size_t(joint)];
                    if (target < 0) {
                        ++dropped;
                        continue;
                    }
                    auto same = std::find_if(influences.begin(), influences.end(),
                                             [&](const Influence& x) { return x.joint == target; });
                    if (same != influences.end()) {
                        same->weight += float(weight);
                    } else {
                        Influence influence;
                        influence.joint = target;
                        influence.weight = float(weight);
                        influences.push_back(influence);
                    }
                }
            mesh.influences.push_back(influences);
        }
    }
    (void)dropped; // weights on the bridge's own still-standing joint mean "unweighted"
    for (uint32_t index : triangles)
        mesh.triangles.push_back(base + index);
    return true;
}

bool Reader::parseMesh(int meshIndex, const std::string& nodeName, const std::vector<int>* jointMap,
                       std::vector<MeshData>& meshes) {
    if (meshIndex < 0 || size_t(meshIndex) >= model.meshes.size())
        return fail("node " + nodeName + " names mesh " + std::to_string(meshIndex) +
                    " that does not exist");
    const tinygltf::Mesh& source = model.meshes[size_t(meshIndex)];
    std::string meshName = source.name.empty() ? std::to_string(meshIndex) : source.name;
    bool specified = !extra(source.extras, extras::specifiedNormals) ||
                     extraFlag(source.extras, extras::specifiedNormals);
    // Primitives become one object per material a model file tells apart: its texture and
    // its two-sided flag (a primitive without material is an untextured one-sided one).
    std::map<std::pair<int, bool>, size_t> groupOfMaterial;
    for (size_t p = 0; p < source.primitives.size(); ++p) {
        const tinygltf::Primitive& primitive = source.primitives[p];
        int material = primitive.material;
        if (material >= int(materialOf.size()))
            return fail("mesh " + meshName + " names material " + std::to_string(material) +
                        " that does not exist");
        if (leftOut(primitive, nodeName))
            continue;
        int mapped = material >= 0 ? materialOf[size_t(material)] : -1;
        std::pair<int, bool> key(-1, false);
        if (mapped >= 0)
            key = std::make_pair(out.imageOfMaterial[size_t(mapped)],
                                 out.scene.materials[size_t(mapped)].twoSided);
        auto group = groupOfMaterial.find(key);
        MeshData candidate;
        MeshData& target = group != groupOfMaterial.end() ? meshes[group->second] : candidate;
        // Messages name the object the primitive ends up in.
        size_t part = group != groupOfMaterial.end() ? group->second : meshes.size();
        std::string object = meshPartName(out.scene, nodeName, mapped, part);
        if (!parsePrimitive(primitive, object, meshName, p, jointMap, target))
            return false;
        reportMaterial(material);
        if (group == groupOfMaterial.end()) {
            candidate.name = nodeName;
            candidate.material = mapped;
            candidate.specifiedNormals = specified && !candidate.normals.empty();
            groupOfMaterial[key] = meshes.size();
            meshes.push_back(std::move(candidate));
        }
    }
    return true;
}

size_t vertexCountOf(const tinygltf::Model& model, const tinygltf::Mesh& mesh) {
    size_t vertices = 0;
    for (const tinygltf::Primitive& primitive : mesh.primitives) {
        auto position = primitive.attributes.find("POSITION");
        if (position != primitive.attributes.end() && position->second >= 0 &&
            size_t(position->second) < model.accessors.size())
            vertices += model.accessors[size_t(position->second)].count;
    }
    return vertices;
}

// Instances are copies: the limits keep a small file from asking for a huge scene.
const size_t maxObjects = 65535; // the u16 object count of a model file
const size_t maxInstancedVertices = size_t(1) << 22;

// EXT_mesh_gpu_instancing: each instance becomes an object right after its node.
bool Reader::parseInstances() {
    size_t objects = nodeOrder.size(), vertices = 0;
    for (int n : nodeOrder) {
        const tinygltf::Node& node = model.nodes[size_t(n)];
        std::vector<AffineMatrix> instances;
        std::string why;
        if (!gpuInstances(model, node, instances, why))
            return fail("node " + nameOf(size_t(n)) + ": EXT_mesh_gpu_instancing: " + why);
        // A bone's mesh is its bone geometry, not something drawn.
        if (instances.empty() || node.mesh < 0 || size_t(node.mesh) >= model.meshes.size() ||
            isJoint[size_t(n)] || extraFlag(node.extras, extras::bone))
            continue;
        if (skinned[size_t(n)]) {
            report.lose(nameOf(size_t(n)), "its " + std::to_string(instances.size()) +
                                               " GPU instances are not kept; the skinned mesh "
                                               "is written once");
            continue;
        }
        objects += instances.size();
        size_t perCopy = vertexCountOf(model, model.meshes[size_t(node.mesh)]);
        if (objects > maxObjects)
            return fail("node " + nameOf(size_t(n)) + ": EXT_mesh_gpu_instancing asks for " +
                        std::to_string(instances.size()) + " instances, which makes " +
                        std::to_string(objects) + " objects or more; a model file holds " +
                        std::to_string(maxObjects));
        if (perCopy > 0 && instances.size() > (maxInstancedVertices - vertices) / perCopy)
            return fail("node " + nameOf(size_t(n)) + ": EXT_mesh_gpu_instancing asks for " +
                        std::to_string(instances.size()) + " copies of a mesh of " +
                        std::to_string(perCopy) + " vertices; at most " +
                        std::to_string(maxInstancedVertices) + " vertices are expanded in all");
        vertices += instances.size() * perCopy;
        instancesOf[size_t(n)] = instances;
    }
    return true;
}

// The node just added keeps its place in the hierarchy; its mesh goes to one child per
// instance, "<node>_<i>", placed by the instance's transform below the node's own.
void Reader::addInstances(const std::vector<AffineMatrix>& instances,
                          const AffineMatrix& nodeWorld) {
    size_t owner = out.scene.nodes.size() - 1;
    std::vector<MeshData> meshes = std::move(out.scene.nodes[owner].meshes);
    out.scene.nodes[owner].meshes.clear();
    std::string name = out.scene.nodes[owner].name;
    for (size_t k = 0; k < instances.size(); ++k) {
        NodeData instance;
        instance.name = name + "_" + std::to_string(k);
        instance.parent = int(owner);
        instance.world = matrixFromGltf(instances[k] * nodeWorld);
        instance.objectWorld = instance.world;
        instance.meshes = meshes;
        for (MeshData& mesh : instance.meshes)
            mesh.name = instance.name;
        out.scene.nodes.push_back(std::move(instance));
    }
}

bool Reader::run(std::string& message) {
    bool ok = parseExtensions() && parseNodes() && parseMaterials() && parseSkins() &&
              parseScenes() && linkSceneParents();
    if (ok) {
        placeAlongTree();
        ok = parseBindPoses();
    }
    if (ok) {
        orderNodes();
        ok = parseInstances();
    }
    if (ok) {
        numberNodes();
        placeFinal();
        boneShapes = boneShapeReferences(model);
        for (size_t k = 0; ok && k < nodeOrder.size(); ++k)
            ok = buildNode(size_t(nodeOrder[k]));
    }
    if (!ok) {
        message = error;
        return false;
    }
    reportUnkeptSections();
    return true;
}

bool Reader::parseExtensions() {
    if (!checkRequiredExtensions(model.extensionsRequired, error))
        return false;
    reportUnkeptExtensions(model.extensionsUsed, model.extensionsRequired, report);
    return true;
}

bool Reader::parseSkins() {
    isJoint.assign(model.nodes.size(), false);
    for (const tinygltf::Skin& skin : model.skins)
        for (int joint : skin.joints) {
            if (joint < 0 || size_t(joint) >= model.nodes.size())
                return fail("skin " + skin.name + " names joint node " + std::to_string(joint) +
                            " that does not exist");
            isJoint[size_t(joint)] = true;
        }
    return true;
}

bool Reader::parseScenes() {
    if (!nodesOfDefaultScene(model, gltfParent, included, report, error))
        return false;
    leaveOutArmatureNodes(model, gltfParent, isJoint, included, synthetic, report);
    return true;
}

// Its glTF parent, unless the bridge moved it to the top level (mshParentNode) or the parent
// is one of the bridge's own nodes.
bool Reader::linkSceneParents() {
    size_t count = model.nodes.size();
    parent.assign(count, -1);
    for (size_t n = 0; n < count; ++n) {
        int p = gltfParent[n];
        while (p >= 0 && synthetic[size_t(p)])
            p = gltfParent[size_t(p)];
        int recorded = extraIndex(model.nodes[n].extras, extras::parentNode);
        if (recorded >= 0 && size_t(recorded) < count && recorded != int(n) &&
            !synthetic[size_t(recorded)])
            p = recorded;
        parent[n] = p;
    }
    size_t where = 0;
    if (hasCycle(parent, where))
        return fail("the recorded parents of node " + std::to_string(where) + " form a cycle");
    return true;
}

// glTF-frame world transforms along the file's own hierarchy.
void Reader::placeAlongTree() {
    size_t count = model.nodes.size();
    world.assign(count, AffineMatrix());
    std::vector<bool> done(count, false);
    for (size_t n = 0; n < count; ++n) {
        // Walk up to the first node already placed, then place the chain top down; no
        // recursion, so a deep hierarchy cannot exhaust the stack.
        std::vector<size_t> chain;
        for (int p = int(n); p >= 0 && !done[size_t(p)]; p = gltfParent[size_t(p)])
            chain.push_back(size_t(p));
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            AffineMatrix local = localMatrixOf(model.nodes[*it]);
            int p = gltfParent[*it];
            world[*it] = p >= 0 ? local * world[size_t(p)] : local;
            done[*it] = true;
        }
    }
}

// A skinned mesh is placed by its skin's bind pose (or the bridge's record of it).
bool Reader::parseBindPoses() {
    if (!resolveBindPoses(model, world, synthetic, included, binds, report, error))
        return false;
    placed = world;
    skinned.assign(model.nodes.size(), false);
    for (const auto& object : binds.objects) {
        placed[object.first] = object.second.objectWorld;
        skinned[object.first] = true;
    }
    return true;
}

// Depth first over the scene's parents, nodes in file order at every level.
void Reader::orderNodes() {
    size_t count = model.nodes.size();
    std::vector<std::vector<int>> children(count);
    std::vector<int> roots;
    for (size_t n = 0; n < count; ++n) {
        if (synthetic[n] || !included[n])
            continue;
        if (parent[n] >= 0 && included[size_t(parent[n])])
            children[size_t(parent[n])].push_back(int(n));
        else
            roots.push_back(int(n));
    }
    std::vector<int> pending(roots.rbegin(), roots.rend());
    while (!pending.empty()) {
        int n = pending.back();
        pending.pop_back();
        nodeOrder.push_back(n);
        const std::vector<int>& kids = children[size_t(n)];
        pending.insert(pending.end(), kids.rbegin(), kids.rend());
    }
    // A node without a mesh above a joint belongs to the skeleton (an armature node).
    holdsJoint.assign(count, false);
    for (size_t n = 0; n < count; ++n)
        if (isJoint[n])
            for (int p = int(n); p >= 0; p = parent[size_t(p)])
                holdsJoint[size_t(p)] = true;
}

// Instances take the numbers right after their node.
void Reader::numberNodes() {
    sceneIndex.assign(model.nodes.size(), -1);
    int next = 0;
    for (int n : nodeOrder) {
        sceneIndex[size_t(n)] = next++;
        auto instances = instancesOf.find(size_t(n));
        if (instances != instancesOf.end())
            next += int(instances->second.size());
    }
}

// Final world transforms: bind pose for joints; a node below a moved joint keeps its
// transform relative to it; everything else exactly as in the file.
void Reader::placeFinal() {
    finalWorld.assign(model.nodes.size(), AffineMatrix());
    std::vector<bool> moved(model.nodes.size(), false);
    for (int n : nodeOrder) {
        size_t i = size_t(n);
        int p = parent[i];
        auto bind = binds.movedJoints.find(i);
        if (bind != binds.movedJoints.end()) {
            finalWorld[i] = bind->second;
            moved[i] = true;
        } else if (binds.jointsAtBind.count(i)) {
            finalWorld[i] = placed[i];
        } else if (p >= 0 && moved[size_t(p)] && !skinned[i]) {
            AffineMatrix parentInverse;
            invertAffine(world[size_t(p)], parentInverse);
            finalWorld[i] = placed[i] * parentInverse * finalWorld[size_t(p)];
            moved[i] = true;
        } else {
            finalWorld[i] = placed[i];
        }
    }
}

// One scene node, with its meshes and skin, then its instances.
bool Reader::buildNode(size_t i) {
    const tinygltf::Node& node = model.nodes[i];
    NodeData data;
    data.name = nameOf(i);
    reportReplacedName(node.name, data.name, report);
    data.parent = parent[i] >= 0 ? sceneIndex[size_t(parent[i])] : -1;
    data.world = matrixFromGltf(finalWorld[i]);
    data.objectWorld = data.world;
    data.isBone =
        isJoint[i] || extraFlag(node.extras, extras::bone) || (node.mesh < 0 && holdsJoint[i]);
    std::vector<int> jointMap;
    const SkinnedObjectBind* bind = skinned[i] ? &binds.objects.at(i) : nullptr;
    bool objectPositions = bind && bind->recorded && carriesObjectPositions(model, node.mesh);
    positionAttribute = objectPositions ? extras::positionAttribute : "POSITION";
    if (bind) {
        const tinygltf::Skin& skin = model.skins[size_t(node.skin)];
        for (size_t j = 0; j < skin.joints.size(); ++j) {
            size_t joint = size_t(skin.joints[j]);
            if (synthetic[joint]) {
                jointMap.push_back(-1);
                continue;
            }
            jointMap.push_back(int(data.joints.size()));
            data.joints.push_back(sceneIndex[joint]);
            data.jointBindWorld.push_back(matrixFromGltf(bind->jointBind[j]));
        }
        data.skinBindWorld = data.world;
    }
    const BoneShapeReference& shape = boneShapes[i];
    if (node.mesh < 0 && !shape.problem.empty())
        report.lose(data.name, shape.problem);
    int meshIndex = node.mesh >= 0 ? node.mesh : shape.mesh;
    if (meshIndex >= 0 &&
        !parseMesh(meshIndex, data.name, skinned[i] ? &jointMap : nullptr, data.meshes))
        return false;
    if (bind && !objectPositions)
        moveIntoObjectSpace(matrixFromGltf(bind->bindSpaceToObject), data.meshes);
    if (data.isBone)
        for (MeshData& mesh : data.meshes)
            mesh.material = -1;
    out.scene.nodes.push_back(std::move(data));
    auto instances = instancesOf.find(i);
    if (instances != instancesOf.end())
        addInstances(instances->second, finalWorld[i]);
    return true;
}

void Reader::reportUnkeptSections() {
    if (!model.animations.empty())
        report.notKept.push_back(std::to_string(model.animations.size()) +
                                 " animation(s) are not kept");
    if (!model.cameras.empty())
        report.notKept.push_back("cameras are not kept");
}

} // namespace

bool sceneFromGltfModel(const tinygltf::Model& model, LoadedGltf& out, BridgeReport& report,
                        std::string& error) {
    out = LoadedGltf();
    Reader reader(model, out, report);
    if (!reader.run(error))
        return false;
    hangBonesFromBones(out.scene, report);
    return true;
}

bool readGltfFile(const std::string& path, LoadedGltf& out, BridgeReport& report,
                  std::string& error) {
    if (!std::ifstream(std::filesystem::u8path(path), std::ios::binary)) {
        error = path + ": cannot open the file";
        return false;
    }
    GltfFile file(path);
    const nlohmann::json* json = file.document();
    if (!checkGltfVersion(path, json, error) || (json && !checkMemberTypes(*json, report, error))) {
        error = path + ": " + error;
        return false;
    }
    // The loader fails on a file it cannot decode (a Draco-compressed one has accessors
    // without data) before the extensions can be seen: look at them first.
    std::vector<std::string> required;
    if (file.requiredExtensions(required) && !checkRequiredExtensions(required, error)) {
        error = path + ": " + error;
        return false;
    }
    tinygltf::Model model;
    std::string err, warn;
    bool loaded = file.load(model, err, warn);
    if (!loaded) {
        error = path + ": " + (err.empty() ? "not a glTF 2.0 file" : err);
        while (!error.empty() && error.back() == '\n')
            error.pop_back();
        return false;
    }
    if (!warn.empty()) {
        size_t start = 0;
        while (start < warn.size()) {
            size_t end = warn.find('\n', start);
            if (end == std::string::npos)
                end = warn.size();
            if (end > start)
                report.warnings.push_back(warn.substr(start, end - start));
            start = end + 1;
        }
    }
    if (!sceneFromGltfModel(model, out, report, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

} // namespace mshgltf
