#include "gltf/write/GltfModelWriter.h"

#include "format/MshOutput.h"
#include "format/TextField.h"
#include "gltf/core/ExtrasNames.h"
#include "gltf/core/GltfAccessors.h"
#include "gltf/core/NodeNaming.h"
#include "gltf/core/UriText.h"
#include "scene/VertexSource.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>

#include <cstring>
#include <sstream>

namespace mshgltf {
namespace {

namespace fs = std::filesystem;

bool isDrawnSkinned(const NodeData& node) {
    return !node.isBone && !node.joints.empty() && !node.meshes.empty();
}

// True when the 3x3 part is not the identity, so normals need turning as well.
bool turns(const AffineMatrix& m) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            if (m.m[r][c] != (r == c ? 1.0 : 0.0))
                return true;
    return false;
}

// Where a skinned mesh's vertices go: into the bind space every skin shares (its object's bind
// transform applied), so each bone needs one inverse bind matrix whatever skins use it. Its
// object-space positions go along as _MSH_POSITION wherever they differ from the bind space or
// the object is not at the origin, so from-gltf gives back every bit of them.
struct Placement {
    bool moved = false;  ///< vertices go through the skin's bind transform
    bool turned = false; ///< ... which also turns normals
    bool placed = false; ///< _MSH_POSITION is written
    AffineMatrix bind = AffineMatrix::identity();
    AffineMatrix bindInverse = AffineMatrix::identity();
};

Placement placementOf(const NodeData* skinned) {
    Placement p;
    p.moved = skinned && !skinned->skinBindWorld.isIdentity();
    if (p.moved)
        p.bind = skinned->skinBindWorld;
    p.turned = p.moved && turns(p.bind) && invertAffine(p.bind, p.bindInverse);
    p.placed = p.moved || (skinned && !skinned->objectWorld.isIdentity());
    return p;
}

void putPoint(float* out, const Point3& p) {
    Point3 g = pointToGltf(p);
    out[0] = g.x;
    out[1] = g.y;
    out[2] = g.z;
}

void addPlacedVertices(const VertexSource& vertices, const Placement& place, AccessorWriter& writer,
                       tinygltf::Primitive& primitive) {
    size_t count = vertices.count();
    int accessor = 0;
    float* out = writer.addFloatRoom(count, 3, TINYGLTF_TARGET_ARRAY_BUFFER, accessor);
    for (size_t i = 0; i < count; ++i) {
        Point3 p = vertices.position(i);
        putPoint(out + 3 * i, place.moved ? transformPoint(place.bind, p) : p);
    }
    writer.setBounds(accessor, out);
    primitive.attributes["POSITION"] = accessor;
    if (place.placed) {
        out = writer.addFloatRoom(count, 3, TINYGLTF_TARGET_ARRAY_BUFFER, accessor);
        for (size_t i = 0; i < count; ++i)
            putPoint(out + 3 * i, vertices.position(i));
        primitive.attributes[extras::positionAttribute] = accessor;
    }
    if (vertices.hasNormals()) {
        out = writer.addFloatRoom(count, 3, TINYGLTF_TARGET_ARRAY_BUFFER, accessor);
        for (size_t i = 0; i < count; ++i) {
            Point3 n = vertices.normal(i);
            putPoint(out + 3 * i, place.turned ? transformNormal(place.bindInverse, n) : n);
        }
        primitive.attributes["NORMAL"] = accessor;
    }
}

// The vertices that carry JOINTS_n / WEIGHTS_n data: all of them when there are influences.
size_t weightedVertices(const VertexSource& vertices) {
    return vertices.hasInfluences() ? vertices.count() : 0;
}

// The JOINTS_n / WEIGHTS_n sets a skinned mesh needs: four influences each, one at least.
size_t influenceSets(const VertexSource& vertices) {
    size_t most = 0;
    bool someWithout = false;
    vertices.influenceExtent(most, someWithout);
    return (std::max<size_t>(most, 1) + 3) / 4;
}

// glTF requires every vertex's weights to sum to 1, whatever the source gave; a vertex no bone
// moves goes to `stillJoint` with weight 1. Returns `source` itself when it is already so,
// else the list made in `scratch`; `size` gets the list's length.
const Influence* normalisedInfluences(const Influence* source, size_t& size, int stillJoint,
                                      std::vector<Influence>& scratch) {
    if (size == 0) {
        Influence still;
        still.joint = stillJoint;
        still.weight = 1.0f;
        scratch.assign(1, still);
        size = 1;
        return scratch.data();
    }
    double sum = 0.0;
    for (size_t i = 0; i < size; ++i)
        sum += source[i].weight;
    if (!(sum > 0.0) || sum == 1.0)
        return source;
    scratch.assign(source, source + size);
    for (Influence& i : scratch)
        i.weight = float(i.weight / sum);
    return scratch.data();
}

void addSkinWeights(const VertexSource& vertices, size_t jointCount, AccessorWriter& writer,
                    tinygltf::Primitive& primitive) {
    size_t count = weightedVertices(vertices);
    size_t sets = influenceSets(vertices);
    std::vector<Influence> scratch;
    for (size_t set = 0; set < sets; ++set) {
        std::string suffix = "_" + std::to_string(set);
        int accessor = 0;
        bool wide = false;
        unsigned char* joints = writer.addJointRoom(count, jointCount, wide, accessor);
        primitive.attributes["JOINTS" + suffix] = accessor;
        for (size_t v = 0; v < count; ++v) {
            size_t size = 0;
            const Influence* influences = normalisedInfluences(vertices.influences(v, size), size,
                                                               int(jointCount - 1), scratch);
            for (size_t slot = 0; slot < 4; ++slot) {
                size_t k = set * 4 + slot;
                uint16_t joint = k < size ? uint16_t(influences[k].joint) : 0;
                if (wide)
                    std::memcpy(joints + 2 * (4 * v + slot), &joint, 2);
                else
                    joints[4 * v + slot] = uint8_t(joint);
            }
        }
        float* weights = writer.addFloatRoom(count, 4, TINYGLTF_TARGET_ARRAY_BUFFER, accessor);
        primitive.attributes["WEIGHTS" + suffix] = accessor;
        for (size_t v = 0; v < count; ++v) {
            size_t size = 0;
            const Influence* influences = normalisedInfluences(vertices.influences(v, size), size,
                                                               int(jointCount - 1), scratch);
            for (size_t slot = 0; slot < 4; ++slot) {
                size_t k = set * 4 + slot;
                weights[4 * v + slot] = k < size ? influences[k].weight : 0.0f;
            }
        }
    }
}

// `jointCount` counts the skin's bones and the still joint after them.
void addPrimitiveData(const MeshData& mesh, const NodeData* skinned, size_t jointCount,
                      AccessorWriter& writer, tinygltf::Primitive& primitive) {
    MeshArrays arrays(mesh);
    const VertexSource& vertices = verticesOf(mesh, arrays);
    addPlacedVertices(vertices, placementOf(skinned), writer, primitive);
    int accessor = 0;
    if (vertices.hasUvs()) {
        float* out =
            writer.addFloatRoom(vertices.count(), 2, TINYGLTF_TARGET_ARRAY_BUFFER, accessor);
        for (size_t i = 0; i < vertices.count(); ++i) {
            Point2 uv = vertices.uv(i);
            out[2 * i] = uv.x;
            out[2 * i + 1] = 1.0f - uv.y;
        }
        primitive.attributes["TEXCOORD_0"] = accessor;
    }
    if (vertices.hasSourceVertices()) {
        float* out =
            writer.addFloatRoom(vertices.count(), 1, TINYGLTF_TARGET_ARRAY_BUFFER, accessor);
        for (size_t i = 0; i < vertices.count(); ++i)
            out[i] = float(vertices.sourceVertex(i));
        primitive.attributes[extras::vertexAttribute] = accessor;
    }
    if (skinned)
        addSkinWeights(vertices, jointCount, writer, primitive);
    primitive.indices = writer.addIndices(mesh.triangles);
    primitive.mode = TINYGLTF_MODE_TRIANGLES;
    primitive.material = mesh.material;
}

int addMesh(const NodeData& node, size_t jointCount, AccessorWriter& writer,
            tinygltf::Model& model) {
    tinygltf::Mesh mesh;
    mesh.name = node.name;
    bool specified = false;
    for (const MeshData& data : node.meshes) {
        tinygltf::Primitive primitive;
        addPrimitiveData(data, isDrawnSkinned(node) ? &node : nullptr, jointCount, writer,
                         primitive);
        mesh.primitives.push_back(primitive);
        specified = specified || data.specifiedNormals;
    }
    tinygltf::Value::Object extras;
    extras[extras::specifiedNormals] = tinygltf::Value(specified);
    mesh.extras = tinygltf::Value(extras);
    model.meshes.push_back(mesh);
    return int(model.meshes.size() - 1);
}

// True when some vertex of a skinned node no bone moves: it needs the still joint.
bool needsStillJoint(const NodeData& node) {
    if (!isDrawnSkinned(node))
        return false;
    for (const MeshData& mesh : node.meshes) {
        MeshArrays arrays(mesh);
        size_t most = 0;
        bool someWithout = false;
        verticesOf(mesh, arrays).influenceExtent(most, someWithout);
        if (someWithout)
            return true;
    }
    return false;
}

// The binary buffer's size, accessor by accessor in the order buildGltfModel adds them, so
// the buffer is allocated once and written in place.
size_t binarySize(const SceneData& scene) {
    size_t size = 0;
    auto add = [&size](size_t count, size_t elementSize) {
        size = AccessorWriter::sizeAfter(size, count, elementSize);
    };
    for (const NodeData& node : scene.nodes)
        for (const MeshData& mesh : node.meshes) {
            MeshArrays arrays(mesh);
            const VertexSource& vertices = verticesOf(mesh, arrays);
            bool skinned = isDrawnSkinned(node);
            add(vertices.count(), 12);
            if (placementOf(skinned ? &node : nullptr).placed)
                add(vertices.count(), 12);
            if (vertices.hasNormals())
                add(vertices.count(), 12);
            if (vertices.hasUvs())
                add(vertices.count(), 8);
            if (vertices.hasSourceVertices())
                add(vertices.count(), 4);
            size_t sets = skinned ? influenceSets(vertices) : 0;
            for (size_t set = 0; set < sets; ++set) {
                add(weightedVertices(vertices), node.joints.size() + 1 > 256 ? 8 : 4);
                add(weightedVertices(vertices), 16);
            }
            uint32_t largest = 0;
            for (uint32_t i : mesh.triangles)
                largest = std::max(largest, i);
            add(mesh.triangles.size(), largest < 0xFFFF ? 2 : 4);
        }
    for (const NodeData& node : scene.nodes)
        if (isDrawnSkinned(node))
            add(node.joints.size() + (needsStillJoint(node) ? 1 : 0), 64);
    return size;
}

void writeMaterials(const SceneData& scene, tinygltf::Model& model) {
    std::map<std::string, int> imageOfUri;
    for (const MaterialData& data : scene.materials) {
        tinygltf::Material material;
        material.name = data.name;
        material.doubleSided = data.twoSided;
        // Game models are not metal; glTF's default of fully metallic would render them dark.
        material.pbrMetallicRoughness.metallicFactor = 0.0;
        material.pbrMetallicRoughness.roughnessFactor = 1.0;
        if (!data.textureFile.empty()) {
            material.pbrMetallicRoughness.baseColorFactor = {1.0, 1.0, 1.0, 1.0};
            std::string uri = percentEncode(data.textureFile);
            auto found = imageOfUri.find(uri);
            if (found == imageOfUri.end()) {
                tinygltf::Image image;
                image.uri = uri;
                model.images.push_back(image);
                tinygltf::Texture texture;
                texture.source = int(model.images.size() - 1);
                model.textures.push_back(texture);
                found = imageOfUri.emplace(uri, int(model.textures.size() - 1)).first;
            }
            material.pbrMetallicRoughness.baseColorTexture.index = found->second;
            material.pbrMetallicRoughness.baseColorTexture.texCoord = 0;
        } else {
            material.pbrMetallicRoughness.baseColorFactor = {data.diffuse[0], data.diffuse[1],
                                                             data.diffuse[2], 1.0};
        }
        model.materials.push_back(material);
    }
}

// The ancestors of a glTF node, itself first.
std::vector<int> chainOf(int node, const std::vector<int>& parents) {
    std::vector<int> chain;
    for (int n = node; n >= 0; n = parents[size_t(n)])
        chain.push_back(n);
    return chain;
}

bool haveCommonRoot(const std::vector<int>& joints, const std::vector<int>& parents) {
    if (joints.empty())
        return true;
    for (int candidate : chainOf(joints[0], parents)) {
        bool all = true;
        for (int joint : joints) {
            std::vector<int> chain = chainOf(joint, parents);
            if (std::find(chain.begin(), chain.end(), candidate) == chain.end()) {
                all = false;
                break;
            }
        }
        if (all)
            return true;
    }
    return false;
}

// One bind transform per bone, shared by every skin: the first skin's. A later skin bound
// to the same bone in another pose cannot keep its own in glTF, which has one rest pose.
std::map<int, AffineMatrix> boneBindWorlds(const SceneData& scene, BridgeReport& report) {
    std::map<int, AffineMatrix> bindOf;
    std::map<int, std::string> firstSkin;
    for (const NodeData& node : scene.nodes) {
        if (!isDrawnSkinned(node))
            continue;
        for (size_t j = 0; j < node.joints.size(); ++j) {
            auto known = bindOf.emplace(node.joints[j], node.jointBindWorld[j]);
            if (known.second)
                firstSkin[node.joints[j]] = node.name;
            else if (!known.first->second.nearlyEquals(node.jointBindWorld[j], 1e-5))
                report.warnings.push_back(node.name + ": its skin binds " +
                                          scene.nodes[size_t(node.joints[j])].name +
                                          " in another pose than " + firstSkin[node.joints[j]] +
                                          "'s; glTF keeps one, the first");
        }
    }
    return bindOf;
}

// Bones that no skin uses (a BN file converted alone) still form a skeleton: one skin of
// their own, bound where they stand, makes importers build them as an armature rather than
// as empty nodes. from-gltf reads its joints as the bones they were.
void addSkinOfUnusedBones(const SceneData& scene, const std::map<int, AffineMatrix>& boneBind,
                          AccessorWriter& writer, tinygltf::Model& model) {
    tinygltf::Skin skin;
    std::vector<AffineMatrix> inverseBind;
    for (size_t i = 0; i < scene.nodes.size(); ++i) {
        if (!scene.nodes[i].isBone || boneBind.count(int(i)))
            continue;
        AffineMatrix bindInverse = AffineMatrix::identity();
        invertAffine(scene.nodes[i].world, bindInverse);
        skin.joints.push_back(int(i));
        inverseBind.push_back(matrixToGltf(bindInverse));
    }
    if (skin.joints.empty())
        return;
    skin.inverseBindMatrices = writer.addMatrices(inverseBind);
    model.skins.push_back(skin);
}

// The node section: one glTF node per scene node, in the same order; `parents` gets each
// one's glTF parent (-1 at the top level).
void writeNodes(const SceneData& scene, AccessorWriter& writer, tinygltf::Model& model,
                std::vector<int>& parents) {
    size_t count = scene.nodes.size();
    parents.assign(count, -1);
    std::vector<AffineMatrix> gltfWorld(count);
    for (size_t i = 0; i < count; ++i) {
        const NodeData& node = scene.nodes[i];
        // A skinned mesh is placed by its skin alone (glTF ignores its node transform), so
        // its node sits at the top level without a transform; extras keep where it was.
        bool skinned = isDrawnSkinned(node);
        parents[i] = skinned ? -1 : node.parent;
        gltfWorld[i] = skinned ? AffineMatrix::identity() : node.world;
    }
    model.nodes.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const NodeData& node = scene.nodes[i];
        tinygltf::Node& out = model.nodes[i];
        // A node without any member would be written as null.
        out.name = node.name.empty() ? unnamedNodeName(i) : node.name;
        AffineMatrix parentWorld =
            parents[i] >= 0 ? gltfWorld[size_t(parents[i])] : AffineMatrix::identity();
        AffineMatrix parentInverse = AffineMatrix::identity();
        invertAffine(parentWorld, parentInverse);
        AffineMatrix local = matrixToGltf(gltfWorld[i] * parentInverse);
        if (!local.isIdentity())
            out.matrix = toGltfArray(local);
        tinygltf::Value::Object extras;
        if (node.isBone)
            extras[extras::bone] = tinygltf::Value(true);
        if (isDrawnSkinned(node)) {
            // Text, not an array: some readers cannot copy arrays or objects in node extras.
            extras[extras::objectMatrix] =
                tinygltf::Value(toGltfText(matrixToGltf(node.objectWorld)));
            if (node.parent >= 0)
                extras[extras::parentNode] = tinygltf::Value(node.parent);
        }
        if (!node.meshes.empty()) {
            int mesh = addMesh(node, node.joints.size() + 1, writer, model);
            if (node.isBone) {
                extras[extras::boneMesh] = tinygltf::Value(mesh);
                extras[extras::boneMeshName] = tinygltf::Value(model.meshes[size_t(mesh)].name);
            } else
                out.mesh = mesh;
        }
        if (!extras.empty())
            out.extras = tinygltf::Value(extras);
    }
    for (size_t i = 0; i < count; ++i)
        if (parents[i] >= 0)
            model.nodes[size_t(parents[i])].children.push_back(int(i));
}

// The skin section: one skin per skinned mesh, its joints bound where the scene's bind
// transforms put them, and the bones no skin uses in one of their own.
void writeSkins(const SceneData& scene, BridgeReport& report, AccessorWriter& writer,
                tinygltf::Model& model, std::vector<int>& parents) {
    std::map<int, AffineMatrix> boneBind = boneBindWorlds(scene, report);
    for (size_t i = 0; i < scene.nodes.size(); ++i) {
        const NodeData& node = scene.nodes[i];
        if (!isDrawnSkinned(node))
            continue;
        tinygltf::Skin skin;
        // Left unnamed: importers name the armature after the skin, and the mesh would then
        // lose its name to it.
        std::vector<AffineMatrix> inverseBind;
        for (int joint : node.joints) {
            AffineMatrix bindInverse = AffineMatrix::identity();
            invertAffine(boneBind.at(joint), bindInverse);
            skin.joints.push_back(joint);
            inverseBind.push_back(matrixToGltf(bindInverse));
        }
        // Vertices no bone moves still need weights summing to 1: they go to an extra joint
        // that stands still, so they stay where the object put them.
        if (needsStillJoint(node)) {
            tinygltf::Node still;
            still.name = node.name + "_unweighted";
            tinygltf::Value::Object extras;
            extras[extras::synthetic] = tinygltf::Value(true);
            still.extras = tinygltf::Value(extras);
            model.nodes.push_back(still);
            parents.push_back(-1);
            skin.joints.push_back(int(model.nodes.size() - 1));
            inverseBind.push_back(AffineMatrix::identity()); // it stands at the origin
        }
        skin.inverseBindMatrices = writer.addMatrices(inverseBind);
        model.skins.push_back(skin);
        model.nodes[i].skin = int(model.skins.size() - 1);
    }
    addSkinOfUnusedBones(scene, boneBind, writer, model);
}

// glTF requires the joints of a skin to share a root node; bones that hang from the
// scene root side by side get one added above them, which from-gltf leaves out again.
void writeSkeletonRoot(tinygltf::Model& model, std::vector<int>& parents) {
    bool needRoot = false;
    for (const tinygltf::Skin& skin : model.skins)
        needRoot = needRoot || !haveCommonRoot(skin.joints, parents);
    if (needRoot) {
        tinygltf::Node root;
        root.name = "skeleton";
        tinygltf::Value::Object extras;
        extras[extras::synthetic] = tinygltf::Value(true);
        root.extras = tinygltf::Value(extras);
        int rootIndex = int(model.nodes.size());
        std::vector<bool> holdsJoint(model.nodes.size(), false);
        for (const tinygltf::Skin& skin : model.skins)
            for (int joint : skin.joints)
                holdsJoint[size_t(chainOf(joint, parents).back())] = true;
        for (size_t n = 0; n < holdsJoint.size(); ++n)
            if (holdsJoint[n]) {
                root.children.push_back(int(n));
                parents[n] = rootIndex;
            }
        model.nodes.push_back(root);
        parents.push_back(-1);
    }
}

// The scene section: the top-level nodes, the only scene, and the default.
void writeScene(tinygltf::Model& model, const std::vector<int>& parents) {
    tinygltf::Scene gltfScene;
    for (size_t n = 0; n < model.nodes.size(); ++n)
        if (parents[n] < 0)
            gltfScene.nodes.push_back(int(n));
    // A scene without members would be written as null, and importers want a scene.
    if (gltfScene.nodes.empty())
        gltfScene.name = "empty";
    model.scenes.push_back(gltfScene);
    model.defaultScene = 0;
}

} // namespace

tinygltf::Model buildGltfModel(const SceneData& scene, BridgeReport& report) {
    tinygltf::Model model;
    model.asset.version = "2.0";
    model.asset.generator = "mshtool";
    tinygltf::Value::Object assetExtras;
    assetExtras[extras::scene] = tinygltf::Value(1);
    model.asset.extras = tinygltf::Value(assetExtras);
    AccessorWriter writer(model, binarySize(scene));
    writeMaterials(scene, model);

    std::vector<int> parents;
    writeNodes(scene, writer, model, parents);
    writeSkins(scene, report, writer, model, parents);
    writeSkeletonRoot(model, parents);
    writeScene(model, parents);
    if (model.buffers[0].data.empty())
        model.buffers.clear();
    return model;
}

namespace {

// The buffer as tinygltf writes one without data, and what stands there in the file: the
// binary chunk's length, or the .bin beside a .gltf. The JSON is made without the buffer's
// bytes, which are written from where they are.
const char* const emptyBuffer =
    "{\"byteLength\":0,\"uri\":\"data:application/octet-stream;base64,\"}";

// The model's JSON text: for a .glb (`binUri` empty) as its JSON chunk holds it, else with
// the buffer in the .bin of that URI and a line end. False when tinygltf cannot serialise it
// or the buffer's entry is not where it is expected.
bool modelJson(const tinygltf::Model& model, size_t binSize, const std::string& binUri,
               std::string& text) {
    tinygltf::TinyGLTF gltf;
    // Image URIs are written as they are: the bridge never re-encodes bitmaps.
    gltf.SetImageWriter(nullptr, nullptr);
    std::ostringstream json;
    if (!gltf.WriteGltfSceneToStream(&model, json, false, false))
        return false;
    text = json.str();
    bool glb = binUri.empty();
    if (glb && !text.empty() && text.back() == '\n')
        text.pop_back(); // the binary chunk holds the JSON without a line end
    if (model.buffers.empty())
        return true;
    if (!glb && binSize == 0) { // no .bin: the buffer is left out
        std::string entry = std::string("\"buffers\":[") + emptyBuffer + "],";
        size_t at = text.find(entry);
        if (at == std::string::npos)
            return false;
        text.erase(at, entry.size());
        return true;
    }
    std::string entry = "{\"byteLength\":" + std::to_string(binSize) +
                        (glb ? "" : ",\"uri\":" + nlohmann::json(binUri).dump()) + "}";
    size_t at = text.find(emptyBuffer);
    if (at == std::string::npos)
        return false;
    text.replace(at, std::strlen(emptyBuffer), entry);
    return true;
}

void putWord(std::string& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out += char(uint8_t(value >> shift));
}

// A file to write: its bytes in pieces, written one after the other from where they are.
struct OutputFile {
    std::string path; ///< UTF-8
    std::vector<std::pair<const char*, size_t>> pieces;
};

// Each file goes to a temporary name of its own beside its target, and none replaces its
// target before all are complete, so a failed write leaves the old files as they were.
bool writeAtomically(const std::vector<OutputFile>& files, std::string& error) {
    std::vector<std::unique_ptr<AtomicFileOutput>> outputs;
    for (const OutputFile& file : files) {
        outputs.emplace_back(new AtomicFileOutput(fromUtf8(file.path)));
        AtomicFileOutput& output = *outputs.back();
        bool written = output.open();
        for (size_t i = 0; written && i < file.pieces.size(); ++i)
            written = output.write(file.pieces[i].first, file.pieces[i].second);
        if (!written || !output.finish()) {
            error = file.path + ": " + output.failureReason();
            return false;
        }
    }
    for (size_t i = 0; i < outputs.size(); ++i)
        if (!outputs[i]->commit()) {
            error = files[i].path + ": " + outputs[i]->failureReason();
            return false;
        }
    return true;
}

// Lends a model's binary buffer out while its JSON is made, and gives it back.
class BufferLoan {
public:
    explicit BufferLoan(tinygltf::Model& lender) : model(lender) {
        if (!model.buffers.empty())
            bytes.swap(model.buffers[0].data);
    }
    ~BufferLoan() {
        if (!model.buffers.empty())
            bytes.swap(model.buffers[0].data);
    }
    const std::vector<unsigned char>& data() const { return bytes; }

private:
    BufferLoan(const BufferLoan&);
    BufferLoan& operator=(const BufferLoan&);
    tinygltf::Model& model;
    std::vector<unsigned char> bytes;
};

} // namespace

bool writeGltfModel(tinygltf::Model& model, const std::string& path, std::string& error) {
    fs::path target = fs::u8path(path);
    bool binary = target.extension() == ".glb" || target.extension() == ".GLB";
    BufferLoan buffer(model);
    const std::vector<unsigned char>& bin = buffer.data();
    const char* binBytes = reinterpret_cast<const char*>(bin.data());
    // The .bin under its real name; its URI percent-encoded.
    fs::path binPath = fs::path(target).replace_extension(".bin");
    std::string json;
    if (!modelJson(model, bin.size(), binary ? "" : percentEncode(binPath.filename().u8string()),
                   json)) {
        error = path + ": the glTF model could not be serialised";
        return false;
    }
    std::vector<OutputFile> files;
    // Binary glTF: header, JSON chunk padded with spaces, binary chunk padded with zeros.
    std::string head, binHead;
    size_t jsonPadding = (4 - json.size() % 4) % 4, binPadding = (4 - bin.size() % 4) % 4;
    if (binary) {
        uint32_t jsonChunk = uint32_t(json.size() + jsonPadding);
        uint32_t binChunk = uint32_t(bin.size() + binPadding);
        head = "glTF";
        putWord(head, 2);
        putWord(head, 12 + 8 + jsonChunk + (bin.empty() ? 0 : 8 + binChunk));
        putWord(head, jsonChunk);
        putWord(head, 0x4E4F534A); // "JSON"
        putWord(binHead, binChunk);
        putWord(binHead, 0x004E4942); // "BIN"
        OutputFile glb;
        glb.path = path;
        glb.pieces.push_back(std::make_pair(head.data(), head.size()));
        glb.pieces.push_back(std::make_pair(json.data(), json.size()));
        glb.pieces.push_back(std::make_pair("   ", jsonPadding));
        if (!bin.empty()) {
            glb.pieces.push_back(std::make_pair(binHead.data(), binHead.size()));
            glb.pieces.push_back(std::make_pair(binBytes, bin.size()));
            glb.pieces.push_back(std::make_pair("\0\0\0", binPadding));
        }
        files.push_back(glb);
    } else {
        if (!model.buffers.empty() && !bin.empty()) {
            OutputFile binFile;
            binFile.path = binPath.u8string();
            binFile.pieces.push_back(std::make_pair(binBytes, bin.size()));
            files.push_back(binFile);
        }
        OutputFile gltf;
        gltf.path = path;
        gltf.pieces.push_back(std::make_pair(json.data(), json.size()));
        files.push_back(gltf);
    }
    return writeAtomically(files, error);
}

} // namespace mshgltf
