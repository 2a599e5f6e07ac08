// The sample model, built in the host, through a glTF file and back into a fresh scene.
#include "format/TextField.h"
#include "gltf/GltfBridge.h"
#include "gltf/core/GltfAccessors.h"
#include "gltf/write/GltfModelWriter.h"
#include "host/embed/MemoryHost.h"
#include "samples/SampleScene.h"
#include "scene/SceneSnapshot.h"
#include "tests/gltf/GltfTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

using namespace mshgltf;

namespace {

// What one node looks like through the SDK, in terms that survive a change of vertex order.
struct NodeView {
    std::wstring name, parent;
    Matrix3 world;
    bool bone = false;
    int numVerts = 0, numFaces = 0;
    std::vector<Point3> cornerPositions, cornerNormals, cornerUvs;
    std::vector<std::map<std::wstring, float>> cornerWeights;
    std::wstring material, texture;
    bool twoSided = false;
};

ISkin* skinOf(INode* node) {
    Object* ref = node->GetObjectRef();
    if (!ref || ref->SuperClassID() != GEN_DERIVOB_CLASS_ID)
        return nullptr;
    IDerivedObject* stack = static_cast<IDerivedObject*>(ref);
    for (int i = 0; i < stack->NumModifiers(); ++i)
        if (stack->GetModifier(i)->ClassID() == SKIN_CLASSID)
            return static_cast<ISkin*>(stack->GetModifier(i)->GetInterface(I_SKIN));
    return nullptr;
}

// The normal a corner shows: its specified normal, else the one of its face's smoothing group.
Point3 cornerNormal(Mesh& mesh, int f, int k) {
    MeshNormalSpec* specified = mesh.GetSpecifiedNormals();
    if (specified && specified->GetNumFaces() == mesh.numFaces)
        return specified->GetNormal(f, k);
    mesh.checkNormals(TRUE);
    const Face& face = mesh.faces[f];
    RVertex& rv = mesh.getRVert(int(face.v[k]));
    DWORD count = rv.rFlags & NORCT_MASK;
    if (face.smGroup != 0 && count == 1)
        return rv.rn.getNormal();
    for (DWORD i = 0; face.smGroup != 0 && i < count; ++i)
        if (rv.ern[i].getSmGroup() & face.smGroup)
            return rv.ern[i].getNormal();
    return mesh.getFaceNormal(f);
}

std::map<std::wstring, NodeView> viewScene() {
    std::map<std::wstring, NodeView> views;
    for (INode* node : allNodesDepthFirst()) {
        NodeView v;
        v.name = node->GetName();
        INode* parent = node->GetParentNode();
        v.parent = parent && !parent->IsRootNode() ? parent->GetName() : L"";
        v.world = node->GetObjectTM(0);
        v.bone = node->GetBoneNodeOnOff() != FALSE;
        Object* obj = node->EvalWorldState(0).obj;
        TriObject* tri =
            static_cast<TriObject*>(obj->ConvertToType(0, Class_ID(TRIOBJ_CLASS_ID, 0)));
        Mesh& mesh = tri->GetMesh();
        v.numVerts = mesh.numVerts;
        v.numFaces = mesh.numFaces;
        ISkin* skin = skinOf(node);
        ISkinContextData* context = skin ? skin->GetContextInterface(node) : nullptr;
        for (int f = 0; f < mesh.numFaces; ++f)
            for (int k = 0; k < 3; ++k) {
                int vert = int(mesh.faces[f].v[k]);
                v.cornerPositions.push_back(mesh.verts[vert]);
                v.cornerNormals.push_back(cornerNormal(mesh, f, k));
                if (mesh.tvFace)
                    v.cornerUvs.push_back(mesh.tVerts[mesh.tvFace[f].t[k]]);
                std::map<std::wstring, float> weights;
                if (context)
                    for (int b = 0; b < context->GetNumAssignedBones(vert); ++b)
                        if (context->GetBoneWeight(vert, b) > 0.0f) // zero is no influence
                            weights[skin->GetBone(context->GetAssignedBone(vert, b))->GetName()] =
                                context->GetBoneWeight(vert, b);
                v.cornerWeights.push_back(weights);
            }
        if (Mtl* mtl = node->GetMtl()) {
            v.material = mtl->GetName().data();
            StdMat* std = static_cast<StdMat*>(mtl);
            v.twoSided = std->GetTwoSided() != FALSE;
            if (Texmap* map = std->GetSubTexmap(ID_DI))
                v.texture = static_cast<BitmapTex*>(map)->GetMapName();
        }
        views[v.name] = v;
    }
    return views;
}

void expectNear(const Point3& a, const Point3& b, const std::wstring& what) {
    EXPECT_NEAR(a.x, b.x, 1e-6) << std::string(what.begin(), what.end());
    EXPECT_NEAR(a.y, b.y, 1e-6) << std::string(what.begin(), what.end());
    EXPECT_NEAR(a.z, b.z, 1e-6) << std::string(what.begin(), what.end());
}

std::wstring lastComponent(const std::wstring& path) {
    size_t cut = path.find_last_of(L"/\\");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

// Rewrites the JSON chunk of a .glb with `edit`, keeping its binary chunk.
void editGlbJson(const std::string& path, const std::function<void(std::string&)>& edit) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    ASSERT_GE(bytes.size(), 20u);
    uint32_t length = 0;
    std::memcpy(&length, &bytes[12], 4);
    std::string json = bytes.substr(20, length);
    edit(json);
    json.resize((json.size() + 3) / 4 * 4, ' ');
    std::string out = bytes.substr(0, 20) + json + bytes.substr(20 + length);
    uint32_t total = uint32_t(out.size()), jsonLength = uint32_t(json.size());
    std::memcpy(&out[8], &total, 4);
    std::memcpy(&out[12], &jsonLength, 4);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << out;
}

void roundTrip(const std::string& fileName,
               const std::function<void(std::string&)>& editJson = nullptr) {
    std::string folder = gltftest::scratchFolder("roundtrip-" + fileName);
    resetScene();
    samples::SampleOptions options;
    options.texture = L"hero.png";
    samples::buildSampleModel(GetCOREInterface(), options);
    gltftest::writePng(folder + "/hero.png");
    std::map<std::wstring, NodeView> before = viewScene();

    BridgeReport report;
    std::string error;
    std::string path = folder + "/" + fileName;
    ASSERT_TRUE(exportSceneAsGltf(path, report, error)) << error;
    EXPECT_TRUE(report.losses.empty());
    EXPECT_VALID_GLTF(path);
    if (editJson)
        editGlbJson(path, editJson);

    resetScene();
    BridgeReport back;
    ASSERT_TRUE(importGltfIntoScene(path, folder, back, error)) << error;
    EXPECT_TRUE(back.losses.empty());
    EXPECT_TRUE(back.warnings.empty()) << back.warnings.at(0);
    std::map<std::wstring, NodeView> after = viewScene();

    ASSERT_EQ(after.size(), before.size());
    for (const auto& entry : before) {
        const NodeView& a = entry.second;
        ASSERT_TRUE(after.count(a.name)) << "node missing";
        const NodeView& b = after.at(a.name);
        std::wstring n = a.name;
        EXPECT_EQ(b.parent, a.parent);
        EXPECT_EQ(b.bone, a.bone);
        for (int r = 0; r < 4; ++r)
            expectNear(b.world.GetRow(r), a.world.GetRow(r), n + L" transform");
        EXPECT_EQ(b.numVerts, a.numVerts) << "vertex numbering restored";
        EXPECT_EQ(b.numFaces, a.numFaces);
        ASSERT_EQ(b.cornerPositions.size(), a.cornerPositions.size());
        for (size_t c = 0; c < a.cornerPositions.size(); ++c) {
            expectNear(b.cornerPositions[c], a.cornerPositions[c], n + L" position");
            expectNear(b.cornerNormals[c], a.cornerNormals[c], n + L" normal");
            if (!a.cornerUvs.empty())
                expectNear(b.cornerUvs[c], a.cornerUvs[c], n + L" uv");
            ASSERT_EQ(b.cornerWeights[c].size(), a.cornerWeights[c].size());
            for (const auto& w : a.cornerWeights[c])
                EXPECT_NEAR(b.cornerWeights[c].at(w.first), w.second, 1e-6);
        }
        EXPECT_EQ(b.material, a.material);
        EXPECT_EQ(b.texture, lastComponent(a.texture));
        EXPECT_EQ(b.twoSided, a.twoSided);
    }
}

} // namespace

TEST(GltfRoundTrip, BinaryGltfKeepsTheSampleScene) {
    roundTrip("hero.glb");
}

TEST(GltfRoundTrip, BinaryGltfReadsTheSameWhateverItsJsonLooksLike) {
    auto replace = [](std::string& json, const std::string& from, const std::string& to) {
        size_t at = json.find(from);
        ASSERT_NE(at, std::string::npos) << json;
        json.replace(at, from.size(), to);
    };
    // A parser keeps the last of two keys: the binary chunk is the second "buffers" entry's,
    // however its key is spelled.
    const std::string decoy = "\"buffers\":[{\"byteLength\":4,\"uri\":\"elsewhere.bin\"}],";
    roundTrip("spaced.glb", [&](std::string& json) {
        replace(json, "\"buffers\":[{", "\"buffers\" :\n [ {");
        json.insert(1, decoy);
    });
    roundTrip("escaped.glb", [&](std::string& json) {
        replace(json, "\"buffers\":", "\"buf\\u0066ers\":");
        json.insert(1, decoy);
    });
}

TEST(GltfRoundTrip, JsonGltfKeepsTheSampleScene) {
    roundTrip("hero.gltf");
}

TEST(GltfRoundTrip, SkinsShareOneInverseBindPerBoneAndDrawEveryTriangleInPlace) {
    // With four bones the body's skin uses them all, and the hat's shares the last; the hat
    // stands off the body's origin, and both off the scene's.
    resetScene();
    samples::SampleOptions options;
    options.bones = 4;
    options.offsetX = 2.5f;
    samples::buildSampleModel(GetCOREInterface(), options);
    BridgeReport report;
    tinygltf::Model model = buildGltfModel(snapshotScene(report), report);
    EXPECT_TRUE(report.warnings.empty()) << report.warnings.at(0);
    std::map<int, std::vector<double>> inverseBindOf;
    size_t skins = 0, shared = 0;
    for (size_t n = 0; n < model.nodes.size(); ++n) {
        const tinygltf::Node& node = model.nodes[n];
        if (node.skin < 0)
            continue;
        ++skins;
        INode* host = GetCOREInterface()->GetINodeByName(fromUtf8(node.name).c_str());
        ASSERT_NE(host, nullptr) << node.name;
        gltftest::expectSameCorners(gltftest::drawnCorners(model, int(n)),
                                    gltftest::hostCorners(host), 1e-5f, node.name);
        const tinygltf::Skin& skin = model.skins[size_t(node.skin)];
        AccessorValues ibm;
        std::string error;
        ASSERT_TRUE(readAccessor(model, skin.inverseBindMatrices, ibm, error)) << error;
        for (size_t j = 0; j < skin.joints.size(); ++j) {
            std::vector<double> matrix(ibm.values.begin() + long(j * 16),
                                       ibm.values.begin() + long(j * 16 + 16));
            auto known = inverseBindOf.emplace(skin.joints[j], matrix);
            if (!known.second) {
                ++shared;
                EXPECT_EQ(known.first->second, matrix)
                    << model.nodes[size_t(skin.joints[j])].name << " differs between skins";
            }
        }
    }
    EXPECT_EQ(skins, 2u);
    EXPECT_GE(shared, 1u);
}
