// Files as other tools write them: extensions, several scenes, embedded images without names.
#include "format/TextField.h"
#include "gltf/GltfBridge.h"
#include "gltf/read/GltfModelReader.h"
#include "gltf/write/GltfModelWriter.h"
#include "host/embed/MemoryHost.h"
#include "scene/SceneBuilder.h"
#include "tests/gltf/GltfTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

using namespace mshgltf;
using gltftest::ModelBuilder;
namespace fs = std::filesystem;

namespace {

const int triangles = TINYGLTF_MODE_TRIANGLES;

std::vector<unsigned char> bytesOf(const void* data, size_t size) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(p, p + size);
}

tinygltf::Value object(const std::map<std::string, tinygltf::Value>& members) {
    return tinygltf::Value(tinygltf::Value::Object(members.begin(), members.end()));
}

tinygltf::Value numbers(const std::vector<double>& values) {
    tinygltf::Value::Array array;
    for (double v : values)
        array.push_back(tinygltf::Value(v));
    return tinygltf::Value(array);
}

// A textured material whose base colour texture carries `transform` (KHR_texture_transform).
int transformedMaterial(ModelBuilder& b, const tinygltf::Value& transform) {
    int material = b.material("atlas");
    tinygltf::TextureInfo& info =
        b.model.materials[size_t(material)].pbrMetallicRoughness.baseColorTexture;
    info.index = b.embeddedImage(gltftest::pngBytes(90), "atlas");
    info.extensions["KHR_texture_transform"] = transform;
    b.model.extensionsUsed.push_back("KHR_texture_transform");
    return material;
}

// The UV the host mesh samples at corner k of face f.
Point2 sampled(const Mesh& mesh, int f, int k) {
    const UVVert& uv = mesh.tVerts[mesh.tvFace[f].t[k]];
    return Point2(uv.x, uv.y);
}

Point3 worldCorner(INode* node, int f, int k) {
    const Mesh& mesh = static_cast<TriObject*>(node->GetObjectRef())->GetMesh();
    return mesh.verts[mesh.faces[f].v[k]] * node->GetObjectTM(0);
}

void expectNear(const Point3& a, const Point3& b, const char* what) {
    EXPECT_NEAR(a.x, b.x, 1e-5) << what;
    EXPECT_NEAR(a.y, b.y, 1e-5) << what;
    EXPECT_NEAR(a.z, b.z, 1e-5) << what;
}

class OtherToolsReaderTest : public ::testing::Test {
protected:
    void SetUp() override { resetScene(); }
    void TearDown() override { resetScene(); }
    bool read(const tinygltf::Model& model) {
        return sceneFromGltfModel(model, loaded, report, error);
    }
    bool readAndBuild(const tinygltf::Model& model) {
        return read(model) && buildScene(loaded.scene, report, error);
    }
    const Mesh& meshOf(const wchar_t* name) {
        INode* node = GetCOREInterface()->GetINodeByName(name);
        EXPECT_NE(node, nullptr) << toUtf8(name);
        return static_cast<TriObject*>(node->GetObjectRef())->GetMesh();
    }
    LoadedGltf loaded;
    BridgeReport report;
    std::string error;
};

} // namespace

TEST_F(OtherToolsReaderTest, TextureTransformMapsTheUvSetItNames) {
    ModelBuilder b;
    // The extension's own example: offset [0, 1], rotation pi/2, scale 0.5 samples the lower
    // left quadrant turned a quarter; texCoord 1 overrides the textureInfo's set 0.
    int material = transformedMaterial(b, object({{"offset", numbers({0.0, 1.0})},
                                                  {"rotation", tinygltf::Value(1.57079632679)},
                                                  {"scale", numbers({0.5, 0.5})},
                                                  {"texCoord", tinygltf::Value(1)}}));
    tinygltf::Primitive prim =
        b.primitive(b.positions({0, 0, 0, 1, 0, 0, 0, 1, 0}), {0, 1, 2}, triangles, material);
    prim.attributes["TEXCOORD_0"] = b.writer.addFloats({9, 9, 9, 9, 9, 9}, 2, false);
    prim.attributes["TEXCOORD_1"] = b.writer.addFloats({0, 0, 1, 0, 1, 1}, 2, false);
    b.node("Sign", b.mesh({prim}));
    ASSERT_TRUE(readAndBuild(b.model)) << error;
    const Mesh& mesh = meshOf(L"Sign");
    // glTF (u, v) -> (0.5 v, 1 - 0.5 u), then v flipped for the host: (0.5 v, 0.5 u).
    const Point2 expected[3] = {Point2(0.0f, 0.0f), Point2(0.0f, 0.5f), Point2(0.5f, 0.5f)};
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(sampled(mesh, 0, k).x, expected[k].x, 1e-6) << k;
        EXPECT_NEAR(sampled(mesh, 0, k).y, expected[k].y, 1e-6) << k;
    }
    EXPECT_TRUE(report.losses.empty());
    ASSERT_EQ(report.notKept.size(), 1u);
    EXPECT_EQ(report.notKept[0], "Sign: TEXCOORD_0 is not kept");
}

TEST_F(OtherToolsReaderTest, QuantizedAttributesComeBackWhereTheyWereWithTheirTextureTransform) {
    ModelBuilder b;
    b.model.extensionsRequired = {"KHR_mesh_quantization", "KHR_texture_transform"};
    b.model.extensionsUsed = b.model.extensionsRequired;
    const int16_t xyz[9] = {0, 0, 0, 1000, 0, 0, 0, 1000, -1000};
    const int8_t normal[12] = {0, 127, 0, 0, 0, 127, 0, 0, 90, 90, 0, 0}; // 4-byte aligned
    const uint16_t uv[6] = {0, 0, 1024, 0, 0, 1024};
    int material = transformedMaterial(b, object({{"offset", numbers({0.25, 0.0})},
                                                  {"scale", numbers({1 / 1024.0, 1 / 1024.0})}}));
    tinygltf::Primitive prim;
    prim.attributes["POSITION"] = b.raw(bytesOf(xyz, sizeof xyz), TINYGLTF_COMPONENT_TYPE_SHORT,
                                        TINYGLTF_TYPE_VEC3, 3, false);
    prim.attributes["NORMAL"] =
        b.raw(bytesOf(normal, 9), TINYGLTF_COMPONENT_TYPE_BYTE, TINYGLTF_TYPE_VEC3, 3, true);
    prim.attributes["TEXCOORD_0"] =
        b.raw(bytesOf(uv, sizeof uv), TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT, TINYGLTF_TYPE_VEC2, 3,
              false);
    prim.material = material;
    int node = b.node("Rock", b.mesh({prim}));
    // The node's transform undoes the quantization: glTF positions (1 + x/1000, 2 + y/1000, 3 +
    // z/1000).
    b.model.nodes[size_t(node)].scale = {0.001, 0.001, 0.001};
    b.model.nodes[size_t(node)].translation = {1.0, 2.0, 3.0};
    ASSERT_TRUE(readAndBuild(b.model)) << error;
    EXPECT_TRUE(report.losses.empty()) << report.losses[0];
    INode* rock = GetCOREInterface()->GetINodeByName(L"Rock");
    ASSERT_NE(rock, nullptr);
    // glTF (x, y, z) is the host's (x, -z, y).
    expectNear(worldCorner(rock, 0, 0), Point3(1, -3, 2), "corner 0");
    expectNear(worldCorner(rock, 0, 1), Point3(2, -3, 2), "corner 1");
    expectNear(worldCorner(rock, 0, 2), Point3(1, -2, 3), "corner 2");
    const Mesh& mesh = meshOf(L"Rock");
    MeshNormalSpec* normals = const_cast<Mesh&>(mesh).GetSpecifiedNormals();
    ASSERT_NE(normals, nullptr);
    expectNear(normals->GetNormal(0, 0), Point3(0, 0, 1), "normal of 127");
    expectNear(normals->GetNormal(0, 2), Point3(0, -1, 0), "normal of 90, unit length");
    // glTF UVs (0.25, 0), (1.25, 0), (0.25, 1); the host's v is 1 - v.
    EXPECT_NEAR(sampled(mesh, 0, 1).x, 1.25f, 1e-6);
    EXPECT_NEAR(sampled(mesh, 0, 1).y, 1.0f, 1e-6);
    EXPECT_NEAR(sampled(mesh, 0, 2).x, 0.25f, 1e-6);
    EXPECT_NEAR(sampled(mesh, 0, 2).y, 0.0f, 1e-6);
}

TEST_F(OtherToolsReaderTest, GpuInstancesBecomeOneObjectEachOrAreRefusedPastTheFileLimits) {
    ModelBuilder b;
    b.model.extensionsUsed = {"EXT_mesh_gpu_instancing"};
    int mesh =
        b.mesh({b.primitive(b.positions({0, 0, 0, 1, 0, 0, 0, 1, 0}), {0, 1, 2}, triangles)});
    int forest = b.node("", mesh);
    b.model.nodes[size_t(forest)].translation = {0.0, 0.0, 10.0};
    // Instance 1 is turned a quarter about glTF's y and doubled.
    const double half = std::sqrt(0.5);
    tinygltf::Value attributes =
        object({{"TRANSLATION", tinygltf::Value(b.writer.addFloats({0, 0, 0, 5, 0, 0}, 3, false))},
                {"ROTATION", tinygltf::Value(b.writer.addFloats(
                                 {0, 0, 0, 1, 0, float(half), 0, float(half)}, 4, false))},
                {"SCALE", tinygltf::Value(b.writer.addFloats({1, 1, 1, 2, 2, 2}, 3, false))}});
    b.model.nodes[size_t(forest)].extensions["EXT_mesh_gpu_instancing"] =
        object({{"attributes", attributes}});
    ASSERT_TRUE(readAndBuild(b.model)) << error;
    std::vector<INode*> nodes = allNodesDepthFirst();
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_STREQ(nodes[0]->GetName(), L"node0") << "an unnamed node gets the name messages use";
    EXPECT_EQ(static_cast<TriObject*>(nodes[0]->GetObjectRef())->GetMesh().numFaces, 0);
    EXPECT_STREQ(nodes[1]->GetName(), L"node0_0");
    EXPECT_STREQ(nodes[2]->GetName(), L"node0_1");
    EXPECT_EQ(nodes[2]->GetParentNode(), nodes[0]);
    // glTF corner (1, 0, 0): instance 0 at (1, 0, 10); instance 1 turned to (0, 0, -2), moved
    // by (5, 0, 0) and the node's (0, 0, 10): (5, 0, 8). Host (x, -z, y).
    expectNear(worldCorner(nodes[1], 0, 1), Point3(1, -10, 0), "instance 0");
    expectNear(worldCorner(nodes[2], 0, 1), Point3(5, -8, 0), "instance 1");

    // 70,000 instances (all at the origin: an accessor without data) are more objects than
    // a model file holds.
    tinygltf::Accessor many;
    many.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
    many.type = TINYGLTF_TYPE_VEC3;
    many.count = 70000;
    b.model.accessors.push_back(many);
    b.model.nodes[size_t(forest)].extensions["EXT_mesh_gpu_instancing"] =
        object({{"attributes",
                 object({{"TRANSLATION", tinygltf::Value(int(b.model.accessors.size() - 1))}})}});
    resetScene();
    EXPECT_FALSE(read(b.model));
    EXPECT_NE(error.find("node node0: EXT_mesh_gpu_instancing asks for 70000 instances"),
              std::string::npos)
        << error;
}

TEST_F(OtherToolsReaderTest, ExtensionsAreRefusedOrReportedByName) {
    ModelBuilder b;
    b.node("Empty");
    b.model.extensionsRequired = {"KHR_draco_mesh_compression", "EXT_meshopt_compression"};
    EXPECT_FALSE(read(b.model));
    EXPECT_EQ(error, "the file requires the extension KHR_draco_mesh_compression (Draco-compressed "
                     "meshes) and the extension EXT_meshopt_compression (meshoptimizer-compressed "
                     "buffers), which this converter cannot decode; nothing was converted");
    b.model.extensionsRequired = {"KHR_materials_unlit"};
    b.model.extensionsUsed = {"KHR_materials_unlit", "KHR_lights_punctual",
                              "KHR_draco_mesh_compression", "VENDOR_odd_thing"};
    report = BridgeReport();
    ASSERT_TRUE(read(b.model)) << error;
    EXPECT_EQ(report.notKept, (std::vector<std::string>{
                                  "extension KHR_materials_unlit: its material properties are not "
                                  "kept (a model file holds a texture name and a two-sided flag)",
                                  "extension KHR_lights_punctual: lights are not kept"}))
        << "Draco data that is only used has an uncompressed fallback";
    EXPECT_EQ(report.warnings,
              (std::vector<std::string>{"extension VENDOR_odd_thing is not known to this converter "
                                        "and was ignored"}));
}

TEST_F(OtherToolsReaderTest, OnlyTheDefaultSceneIsConverted) {
    ModelBuilder b;
    int p = b.positions({0, 0, 0, 1, 0, 0, 0, 1, 0});
    int mesh = b.mesh({b.primitive(p, {0, 1, 2}, triangles)});
    b.node("Day", mesh);
    b.model.scenes.emplace_back();
    b.model.scenes[1].name = "night";
    b.model.scenes[1].nodes.push_back(b.node("Night", mesh));
    b.model.scenes[0].nodes.pop_back(); // the builder put Night into scene 0 as well
    b.model.defaultScene = 1;
    b.node("Nowhere", mesh);
    b.model.scenes[0].nodes.pop_back();
    ASSERT_TRUE(read(b.model)) << error;
    ASSERT_EQ(loaded.scene.nodes.size(), 1u);
    EXPECT_EQ(loaded.scene.nodes[0].name, "Night");
    EXPECT_EQ(report.losses,
              (std::vector<std::string>{"scene 0: only the default scene, scene 1 \"night\", is "
                                        "converted; its 1 node is left out"}));
    EXPECT_EQ(report.objectsLeftOut, 2u) << "Day and the node of no scene";
}

TEST_F(OtherToolsReaderTest, EmbeddedImagesGetNamesThatCannotCollide) {
    std::string folder = gltftest::scratchFolder("image-names");
    std::vector<unsigned char> dark = gltftest::pngBytes(10), light = gltftest::pngBytes(240);
    auto writeGlb = [&](const std::string& name, const std::vector<unsigned char>& png,
                        const std::string& imageName) {
        ModelBuilder b;
        int material = b.material("");
        b.model.materials[0].pbrMetallicRoughness.baseColorTexture.index =
            b.embeddedImage(png, imageName);
        tinygltf::Primitive prim =
            b.primitive(b.positions({0, 0, 0, 1, 0, 0, 0, 1, 0}), {0, 1, 2}, triangles, material);
        prim.attributes["TEXCOORD_0"] = b.writer.addFloats({0, 0, 1, 0, 0, 1}, 2, false);
        b.node("Body", b.mesh({prim}));
        std::string path = folder + "/" + name, why;
        EXPECT_TRUE(writeGltfModel(b.model, path, why)) << why;
        return path;
    };
    auto import = [&](const std::string& path, const std::string& stem) {
        GltfImportOptions options;
        options.modelStem = stem;
        return importGltfIntoScene(path, folder + "/out", report, error, options);
    };
    auto textureOf = [](const wchar_t* node) {
        StdMat* mtl = static_cast<StdMat*>(GetCOREInterface()->GetINodeByName(node)->GetMtl());
        return std::wstring(static_cast<BitmapTex*>(mtl->GetSubTexmap(ID_DI))->GetMapName());
    };
    std::string hero = writeGlb("hero.glb", dark, ""), villain = writeGlb("villain.glb", light, "");
    EXPECT_VALID_GLTF(hero);
    std::string out = folder + "/out";
    fs::create_directories(out);
    ASSERT_TRUE(import(hero, "hero")) << error;
    EXPECT_EQ(textureOf(L"Body"), L"hero_0.png");
    resetScene();
    ASSERT_TRUE(import(villain, "villain")) << error;
    EXPECT_EQ(textureOf(L"Body"), L"villain_0.png");
    EXPECT_EQ(gltftest::fileBytes(out + "/hero_0.png"), dark);
    EXPECT_EQ(gltftest::fileBytes(out + "/villain_0.png"), light);
    EXPECT_TRUE(report.warnings.empty()) << report.warnings[0];

    // The villain converted again under the hero's name: the hero's picture stays.
    resetScene();
    ASSERT_TRUE(import(villain, "hero")) << error;
    EXPECT_EQ(textureOf(L"Body"), L"hero_0_1.png");
    EXPECT_EQ(gltftest::fileBytes(out + "/hero_0.png"), dark);
    EXPECT_EQ(gltftest::fileBytes(out + "/hero_0_1.png"), light);
    EXPECT_EQ(report.warnings,
              (std::vector<std::string>{"image 0: hero_0.png beside the output holds another "
                                        "picture; written as hero_0_1.png instead"}));

    // A name is kept, with the extension of the image's type.
    resetScene();
    ASSERT_TRUE(import(writeGlb("named.glb", light, "painted.jpeg"), "named")) << error;
    EXPECT_EQ(textureOf(L"Body"), L"painted.png");
}

// Blender writes a custom property set to true as the integer 1: the Blender add-on flags
// armatures so, and their nodes are left out with their children kept in place.
TEST_F(OtherToolsReaderTest, ANodeFlaggedSyntheticWithTheIntegerOneIsLeftOut) {
    ModelBuilder b;
    int p = b.positions({0, 0, 0, 1, 0, 0, 0, 1, 0});
    int mesh = b.mesh({b.primitive(p, {0, 1, 2}, triangles)});
    int armature = b.node("Armature");
    b.model.nodes[size_t(armature)].translation = {0, 2, 0};
    b.model.nodes[size_t(armature)].extras = object({{"mshSynthetic", tinygltf::Value(1)}});
    b.node("Thing", mesh, armature);
    ASSERT_TRUE(readAndBuild(b.model)) << error;
    ASSERT_EQ(loaded.scene.nodes.size(), 1u);
    EXPECT_EQ(loaded.scene.nodes[0].name, "Thing");
    EXPECT_EQ(loaded.scene.nodes[0].parent, -1);
    INode* thing = GetCOREInterface()->GetINodeByName(L"Thing");
    ASSERT_NE(thing, nullptr);
    expectNear(worldCorner(thing, 0, 0), Point3(0, 0, 2), "glTF +Y is up");
}
