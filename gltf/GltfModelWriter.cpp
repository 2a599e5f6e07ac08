#include "gltf/GltfModelWriter.h"

#include "format/MshOutput.h"
#include "format/TextField.h"
#include "gltf/GltfAccessors.h"
#include "gltf/UriText.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
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

// The positions and normals of a mesh, in glTF's frame. A skinned mesh's vertices go into
// the bind space every skin shares (its object's bind transform applied), so each bone needs
// one inverse bind matrix whatever skins use it. Its object-space positions go along as
// _MSH_POSITION wherever they differ from the bind space or the object is not at the origin,
// so from-gltf gives back every bit of them.
void addPlacedVertices(const MeshData& mesh, const NodeData* skinned, AccessorWriter& writer,
                       tinygltf::Primitive& primitive) {
    bool moved = skinned && !skinned->skinBindWorld.isIdentity();
    AffineMatrix bind = moved ? skinned->skinBindWorld : AffineMatrix::identity();
    AffineMatrix bindInverse = AffineMatrix::identity();
    bool turned = moved && turns(bind) && invertAffine(bind, bindInverse);
    bool placed = moved || (skinned && !skinned->objectWorld.isIdentity());
    std::vector<float> positions, objectPositions, normals;
    for (const Point3& p : mesh.positions) {
        Point3 g = pointToGltf(moved ? transformPoint(bind, p) : p);
        positions.insert(positions.end(), {g.x, g.y, g.z});
        Point3 o = pointToGltf(p);
        objectPositions.insert(objectPositions.end(), {o.x, o.y, o.z});
    }
    primitive.attributes["POSITION"] = writer.addFloats(positions, 3, true);
    if (placed)
        primitive.attributes["_MSH_POSITION"] = writer.addFloats(objectPositions, 3, false);
    if (!mesh.normals.empty()) {
        for (const Point3& n : mesh.normals) {
            Point3 g = pointToGltf(turned ? transformNormal(bindInverse, n) : n);
            normals.insert(normals.end(), {g.x, g.y, g.z});
        }
        primitive.attributes["NORMAL"] = writer.addFloats(normals, 3, false);
    }
}

void addPrimitiveData(const MeshData& mesh, const NodeData* skinned, size_t jointCount,
                      AccessorWriter& writer, tinygltf::Primitive& primitive) {
    std::vector<float> uvs, sources;
    addPlacedVertices(mesh, skinned, writer, primitive);
    if (!mesh.uvs.empty()) {
        for (const Point2& uv : mesh.uvs)
            uvs.insert(uvs.end(), {uv.x, 1.0f - uv.y});
        primitive.attributes["TEXCOORD_0"] = writer.addFloats(uvs, 2, false);
    }
    if (!mesh.sourceVertex.empty()) {
        for (int v : mesh.sourceVertex)
            sources.push_back(float(v));
        primitive.attributes["_MSH_VERTEX"] = writer.addFloats(sources, 1, false);
    }
    if (skinned) {
        // glTF requires every vertex's weights to sum to 1, whatever the source gave.
        std::vector<std::vector<Influence>> normalised = mesh.influences;
        for (auto& influences : normalised) {
            double sum = 0.0;
            for (const Influence& i : influences)
                sum += i.weight;
            if (sum > 0.0 && sum != 1.0)
                for (Influence& i : influences)
                    i.weight = float(i.weight / sum);
        }
        size_t most = 1;
        for (const auto& influences : normalised)
            most = std::max(most, influences.size());
        size_t sets = (most + 3) / 4;
        for (size_t set = 0; set < sets; ++set) {
            std::vector<uint16_t> joints;
            std::vector<float> weights;
            for (const auto& influences : normalised)
                for (size_t slot = 0; slot < 4; ++slot) {
                    size_t k = set * 4 + slot;
                    bool used = k < influences.size();
                    joints.push_back(used ? uint16_t(influences[k].joint) : 0);
                    weights.push_back(used ? influences[k].weight : 0.0f);
                }
            std::string suffix = "_" + std::to_string(set);
            primitive.attributes["JOINTS" + suffix] = writer.addJoints(joints, jointCount);
            primitive.attributes["WEIGHTS" + suffix] = writer.addFloats(weights, 4, false);
        }
    }
    primitive.indices = writer.addIndices(mesh.triangles);
    primitive.mode = TINYGLTF_MODE_TRIANGLES;
    primitive.material = mesh.material;
}

int addMesh(const NodeData& node, const std::vector<MeshData>& meshes, size_t jointCount,
            AccessorWriter& writer, tinygltf::Model& model) {
    tinygltf::Mesh mesh;
    mesh.name = node.name;
    bool specified = false;
    for (const MeshData& data : meshes) {
        tinygltf::Primitive primitive;
        addPrimitiveData(data, isDrawnSkinned(node) ? &node : nullptr, jointCount, writer,
                         primitive);
        mesh.primitives.push_back(primitive);
        specified = specified || data.specifiedNormals;
    }
    tinygltf::Value::Object extras;
    extras["mshSpecifiedNormals"] = tinygltf::Value(specified);
    mesh.extras = tinygltf::Value(extras);
    model.meshes.push_back(mesh);
    return int(model.meshes.size() - 1);
}

void addMaterials(const SceneData& scene, tinygltf::Model& model) {
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

} // namespace

tinygltf::Model buildGltfModel(const SceneData& scene, BridgeReport& report) {
    tinygltf::Model model;
    model.asset.version = "2.0";
    model.asset.generator = "mshtool";
    tinygltf::Value::Object assetExtras;
    assetExtras["mshScene"] = tinygltf::Value(1);
    model.asset.extras = tinygltf::Value(assetExtras);
    AccessorWriter writer(model);
    addMaterials(scene, model);

    size_t count = scene.nodes.size();
    std::vector<int> parents(count, -1);
    std::vector<AffineMatrix> gltfWorld(count);
    for (size_t i = 0; i < count; ++i) {
        const NodeData& node = scene.nodes[i];
        // A skinned mesh is placed by its skin alone (glTF ignores its node transform), so
        // its node sits at the top level without a transform; extras keep where it was.
        bool skinned = isDrawnSkinned(node);
        parents[i] = skinned ? -1 : node.parent;
        gltfWorld[i] = skinned ? AffineMatrix::identity() : node.world;
    }
    // Vertices no bone moves still need weights summing to 1: they go to an extra joint that
    // stands still, so they stay where the object put them.
    std::vector<std::vector<MeshData>> meshesOf(count);
    std::vector<bool> needsStillJoint(count, false);
    for (size_t i = 0; i < count; ++i) {
        const NodeData& node = scene.nodes[i];
        meshesOf[i] = node.meshes;
        if (!isDrawnSkinned(node))
            continue;
        for (MeshData& mesh : meshesOf[i])
            for (auto& influences : mesh.influences)
                if (influences.empty()) {
                    Influence still;
                    still.joint = int(node.joints.size());
                    still.weight = 1.0f;
                    influences.push_back(still);
                    needsStillJoint[i] = true;
                }
    }
    model.nodes.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const NodeData& node = scene.nodes[i];
        tinygltf::Node& out = model.nodes[i];
        out.name = node.name;
        AffineMatrix parentWorld =
            parents[i] >= 0 ? gltfWorld[size_t(parents[i])] : AffineMatrix::identity();
        AffineMatrix parentInverse = AffineMatrix::identity();
        invertAffine(parentWorld, parentInverse);
        AffineMatrix local = matrixToGltf(gltfWorld[i] * parentInverse);
        if (!local.isIdentity())
            out.matrix = toGltfArray(local);
        tinygltf::Value::Object extras;
        if (node.isBone)
            extras["mshBone"] = tinygltf::Value(true);
        if (isDrawnSkinned(node)) {
            // Text, not an array: some readers cannot copy arrays or objects in node extras.
            extras["mshObjectMatrix"] = tinygltf::Value(toGltfText(matrixToGltf(node.objectWorld)));
            if (node.parent >= 0)
                extras["mshParentNode"] = tinygltf::Value(node.parent);
        }
        if (!node.meshes.empty()) {
            int mesh = addMesh(node, meshesOf[i], node.joints.size() + 1, writer, model);
            if (node.isBone)
                extras["mshBoneMesh"] = tinygltf::Value(mesh);
            else
                out.mesh = mesh;
        }
        if (!extras.empty())
            out.extras = tinygltf::Value(extras);
    }
    for (size_t i = 0; i < count; ++i)
        if (parents[i] >= 0)
            model.nodes[size_t(parents[i])].children.push_back(int(i));

    std::map<int, AffineMatrix> boneBind = boneBindWorlds(scene, report);
    for (size_t i = 0; i < count; ++i) {
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
        if (needsStillJoint[i]) {
            tinygltf::Node still;
            still.name = node.name + "_unweighted";
            tinygltf::Value::Object extras;
            extras["mshSynthetic"] = tinygltf::Value(true);
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

    // glTF requires the joints of a skin to share a root node; bones that hang from the
    // scene root side by side get one added above them, which from-gltf leaves out again.
    bool needRoot = false;
    for (const tinygltf::Skin& skin : model.skins)
        needRoot = needRoot || !haveCommonRoot(skin.joints, parents);
    if (needRoot) {
        tinygltf::Node root;
        root.name = "skeleton";
        tinygltf::Value::Object extras;
        extras["mshSynthetic"] = tinygltf::Value(true);
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

    tinygltf::Scene gltfScene;
    for (size_t n = 0; n < model.nodes.size(); ++n)
        if (parents[n] < 0)
            gltfScene.nodes.push_back(int(n));
    model.scenes.push_back(gltfScene);
    model.defaultScene = 0;
    if (model.buffers[0].data.empty())
        model.buffers.clear();
    return model;
}

namespace {

struct OutputFile {
    std::string path; ///< UTF-8
    std::string bytes;
};

// Each file goes to a temporary name of its own beside its target, and none replaces its
// target before all are complete, so a failed write leaves the old files as they were.
bool writeAtomically(const std::vector<OutputFile>& files, std::string& error) {
    std::vector<std::unique_ptr<AtomicFileOutput>> outputs;
    for (const OutputFile& file : files) {
        outputs.emplace_back(new AtomicFileOutput(fromUtf8(file.path)));
        AtomicFileOutput& output = *outputs.back();
        if (!output.open() || !output.write(file.bytes.data(), file.bytes.size()) ||
            !output.finish()) {
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

// JSON glTF whose buffer is the file `binUri` beside it. tinygltf would write the .bin
// itself under the URI as it stands, percent escapes and all, so the buffer is left out of
// its serialisation and described here.
bool gltfJsonWithExternalBuffer(tinygltf::Model& model, const std::string& binUri,
                                std::string& json, std::string& bin) {
    tinygltf::TinyGLTF gltf;
    gltf.SetImageWriter(nullptr, nullptr);
    tinygltf::Buffer buffer;
    if (!model.buffers.empty()) {
        buffer = std::move(model.buffers[0]);
        model.buffers.clear();
    }
    std::ostringstream text;
    if (!gltf.WriteGltfSceneToStream(&model, text, false, false))
        return false;
    json = text.str();
    if (buffer.data.empty())
        return true;
    nlohmann::json document = nlohmann::json::parse(json);
    document["buffers"] =
        nlohmann::json::array({{{"byteLength", buffer.data.size()}, {"uri", binUri}}});
    json = document.dump() + "\n";
    bin.assign(buffer.data.begin(), buffer.data.end());
    return true;
}

} // namespace

bool writeGltfModel(const tinygltf::Model& source, const std::string& path, std::string& error) {
    tinygltf::Model model = source;
    fs::path target = fs::u8path(path);
    bool binary = target.extension() == ".glb" || target.extension() == ".GLB";
    std::vector<OutputFile> files;
    if (binary) {
        tinygltf::TinyGLTF gltf;
        // Image URIs are written as they are: the bridge never re-encodes bitmaps.
        gltf.SetImageWriter(nullptr, nullptr);
        std::ostringstream bytes;
        if (!gltf.WriteGltfSceneToStream(&model, bytes, false, true)) {
            error = path + ": the glTF model could not be serialised";
            return false;
        }
        files.push_back({path, bytes.str()});
    } else {
        // The .bin under its real name; its URI percent-encoded.
        fs::path bin = fs::path(target).replace_extension(".bin");
        std::string json, binBytes;
        if (!gltfJsonWithExternalBuffer(model, percentEncode(bin.filename().u8string()), json,
                                        binBytes)) {
            error = path + ": the glTF model could not be serialised";
            return false;
        }
        if (!binBytes.empty())
            files.push_back({bin.u8string(), binBytes});
        files.push_back({path, json});
    }
    return writeAtomically(files, error);
}

void copyTexturesBeside(const SceneData& scene, const std::string& outputDir,
                        BridgeReport& report) {
    std::map<std::string, bool> done;
    for (const MaterialData& material : scene.materials) {
        if (material.textureFile.empty() || done.count(material.textureFile))
            continue;
        done[material.textureFile] = true;
        fs::path target = fs::u8path(outputDir) / fs::u8path(material.textureFile);
        std::string source = material.texturePath;
        std::replace(source.begin(), source.end(), '\\', '/');
        const fs::path sourcePath = fs::u8path(source);
        std::error_code code;
        if (fs::exists(sourcePath, code) && !fs::equivalent(sourcePath, target, code)) {
            fs::copy_file(sourcePath, target, fs::copy_options::overwrite_existing, code);
            if (code)
                report.warnings.push_back("cannot copy texture " + source + " to " +
                                          target.u8string() + ": " + code.message());
        } else if (!fs::exists(target, code)) {
            report.warnings.push_back("texture " + material.textureFile + " not found (" +
                                      material.texturePath + "); the glTF refers to it by name");
        }
    }
}

} // namespace mshgltf
