// from-gltf on files as other tools write them, written here as JSON.
#include "tests/cli/CliTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <filesystem>
#include <fstream>

using clitest::mshtool;
using nlohmann::json;
namespace fs = std::filesystem;

namespace {

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// One triangle with UVs and vertex colours whose data is `binName` beside the .gltf; two
// nodes show it, one of them unnamed.
json triangleGltf(const fs::path& folder, const std::string& binName) {
    const float data[] = {0, 0, 0, 1, 0, 0, 0, 1, 0,           // POSITION
                          0, 0, 1, 0, 0, 1,                    // TEXCOORD_0
                          1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 1, 1}; // COLOR_0
    std::vector<unsigned char> bytes(sizeof data);
    std::memcpy(bytes.data(), data, sizeof data);
    clitest::writeBytes((folder / binName).string(), bytes);
    auto accessor = [](int offset, int count, const char* type) {
        return json{{"bufferView", 0},
                    {"byteOffset", offset},
                    {"componentType", 5126},
                    {"count", count},
                    {"type", type}};
    };
    json position = accessor(0, 3, "VEC3");
    position["min"] = {0, 0, 0};
    position["max"] = {1, 1, 0};
    return json{
        {"asset", {{"version", "2.0"}}},
        {"scene", 0},
        {"scenes", {{{"nodes", {0, 1}}}}},
        {"nodes", {{{"name", "Sign"}, {"mesh", 0}}, {{"mesh", 0}, {"translation", {2, 0, 0}}}}},
        {"meshes",
         {{{"primitives",
            {{{"attributes", {{"POSITION", 0}, {"TEXCOORD_0", 1}, {"COLOR_0", 2}}},
              {"material", 0}}}}}}},
        {"materials", {{{"pbrMetallicRoughness", {{"baseColorTexture", {{"index", 0}}}}}}}},
        {"textures", {{{"source", 0}}}},
        {"buffers", {{{"uri", binName}, {"byteLength", sizeof data}}}},
        {"bufferViews", {{{"buffer", 0}, {"byteLength", sizeof data}}}},
        {"accessors", {position, accessor(36, 3, "VEC2"), accessor(60, 3, "VEC4")}}};
}

} // namespace

TEST(FromOtherTools, TextureNamedAboveLatin1KeepsItsReferenceAndMessagesNameTheObjects) {
    std::string dir = clitest::scratchFolder("from-other-latin1");
    fs::path folder = fs::u8path(dir);
    json model = triangleGltf(folder, "sign.bin");
    model["images"] = {{{"uri", "H%C3%BCte%E5%B8%BD%E5%AD%90.png"}}}; // "Hüte帽子.png"
    writeText(folder / "sign.gltf", model.dump());
    std::vector<unsigned char> png =
        clitest::bytesOf(clitest::makeSample("latin1-png") + "/hero.png");
    clitest::writeBytes((folder / fs::u8path(u8"Hüte帽子.png")).string(), png);

    std::string out = dir + "/out/sign.msh";
    clitest::Run run = mshtool({"from-gltf", dir + "/sign.gltf", "-o", out});
    EXPECT_EQ(run.exitCode, 0) << "a model file has no place for vertex colours: " << run.err;
    std::string input = "mshtool: " + dir + "/sign.gltf: ";
    EXPECT_NE(run.err.find(input + u8"warning: image Hüte帽子.png: a model file cannot hold this "
                                   u8"name; stored and written as Hüte_.png\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find(input + "not kept: Sign, node1: vertex colours are not kept\n"),
              std::string::npos)
        << "one line for both objects, the unnamed one as the output names it: " << run.err;
    EXPECT_NE(run.out.find(dir + "/sign.gltf: 2 objects written, 0 split, 0 left out"),
              std::string::npos)
        << run.out;
    clitest::ModelFile written = clitest::readModel(out);
    ASSERT_EQ(written.legacy.size(), 2u);
    EXPECT_EQ(clitest::textOf(written.legacy[1].header.name), "node1");
    EXPECT_EQ(clitest::textOf(written.legacy[0].header.texturePath), "H\xFCte_.png");
    EXPECT_EQ(clitest::bytesOf((fs::u8path(dir) / "out" / fs::u8path(u8"Hüte_.png")).string()),
              png);
    clitest::Run check = mshtool({"check", out});
    EXPECT_EQ(check.exitCode, 0) << "the texture is found beside the model: " << check.out
                                 << check.err;
}

TEST(FromOtherTools, WhatAModelFileHasNoPlaceForIsNotKeptWithExitZeroButALossExitsOne) {
    std::string dir = clitest::scratchFolder("from-other-not-kept");
    fs::path folder = fs::u8path(dir);
    json model = triangleGltf(folder, "sign.bin");
    model["images"] = {{{"uri", "sign.png"}}};
    clitest::writeBytes(dir + "/sign.png",
                        clitest::bytesOf(clitest::makeSample("not-kept-png") + "/hero.png"));
    // Everything a game model has no place for, as exporters write it.
    model["materials"][0]["name"] = "Painted";
    model["materials"][0]["pbrMetallicRoughness"]["baseColorFactor"] = {1, 0, 0, 1};
    model["materials"][0]["normalTexture"] = {{"index", 0}};
    model["meshes"][0]["primitives"][0]["attributes"]["TEXCOORD_1"] = 1;
    model["cameras"] = {{{"type", "perspective"}, {"perspective", {{"yfov", 1}, {"znear", 0.1}}}}};
    model["nodes"].push_back({{"name", "Eye"}, {"camera", 0}});
    model["scenes"][0]["nodes"].push_back(2);
    model["accessors"].push_back({{"bufferView", 0},
                                  {"componentType", 5126},
                                  {"count", 2},
                                  {"type", "SCALAR"},
                                  {"min", {0}},
                                  {"max", {0}}});
    model["accessors"].push_back(
        {{"bufferView", 0}, {"componentType", 5126}, {"count", 2}, {"type", "VEC3"}});
    model["animations"] = {
        {{"samplers", {{{"input", 3}, {"output", 4}}}},
         {"channels", {{{"sampler", 0}, {"target", {{"node", 0}, {"path", "scale"}}}}}}}};
    model["extensionsUsed"] = {"KHR_lights_punctual"};
    model["extensions"] = {{"KHR_lights_punctual", {{"lights", {{{"type", "point"}}}}}}};
    writeText(folder / "sign.gltf", model.dump());
    std::string out = dir + "/sign.msh";
    clitest::writeBytes(out, {1, 2, 3});

    clitest::Run run = mshtool({"from-gltf", dir + "/sign.gltf", "-o", out});
    std::string input = "mshtool: " + dir + "/sign.gltf: ";
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err.find("lost:"), std::string::npos) << run.err;
    for (const char* unkept :
         {"1 animation(s)", "cameras", "extension KHR_lights_punctual: lights",
          "material Painted: its name and base colour", "material Painted: only the base colour",
          "Sign, node1: TEXCOORD_1", "Sign, node1: vertex colours"})
        EXPECT_NE(run.err.find(input + "not kept: " + unkept), std::string::npos)
            << unkept << ": " << run.err;
    EXPECT_EQ(clitest::readModel(out).legacy.size(), 3u)
        << "the existing file was replaced by Sign, node1 and the camera's node";

    // A name a model file could hold in part, cut to nothing: a loss.
    model["nodes"][0]["name"] = "Знак";
    writeText(folder / "sign.gltf", model.dump());
    clitest::writeBytes(out, {1, 2, 3});
    run = mshtool({"from-gltf", dir + "/sign.gltf", "-o", out});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("lost: "), std::string::npos) << run.err;
    EXPECT_EQ(clitest::bytesOf(out), (std::vector<unsigned char>{1, 2, 3}))
        << "kept without --force";
}

TEST(FromOtherTools, RequiredDracoIsRefusedByNameBeforeAnythingIsWritten) {
    // As a Draco exporter writes it: the accessors have no data of their own, which the
    // loader alone rejects without saying why.
    std::string dir = clitest::scratchFolder("from-other-draco");
    json model = triangleGltf(fs::u8path(dir), "draco.bin");
    model["extensionsUsed"] = {"KHR_draco_mesh_compression"};
    model["extensionsRequired"] = {"KHR_draco_mesh_compression"};
    json& primitive = model["meshes"][0]["primitives"][0];
    primitive["indices"] = 3;
    primitive["extensions"] = {
        {"KHR_draco_mesh_compression", {{"bufferView", 0}, {"attributes", {{"POSITION", 0}}}}}};
    for (json& accessor : model["accessors"])
        accessor.erase("bufferView");
    model["accessors"].push_back({{"componentType", 5123}, {"count", 3}, {"type", "SCALAR"}});
    writeText(fs::u8path(dir) / "draco.gltf", model.dump());
    clitest::Run run = mshtool({"from-gltf", dir + "/draco.gltf", "-o", dir + "/out/draco.msh"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              "mshtool: " + dir +
                  "/draco.gltf: the file requires the extension KHR_draco_mesh_compression "
                  "(Draco-compressed meshes), which this converter cannot decode; "
                  "nothing was converted\n");
    EXPECT_FALSE(fs::exists(dir + "/out")) << "not even the output folder";
}

TEST(FromOtherTools, NamesCutToNothingAndEmptyModelsComeBackAsValidGltfInBothLayouts) {
    std::string dir = clitest::scratchFolder("from-other-round");
    fs::path folder = fs::u8path(dir);
    json named = triangleGltf(folder, "sign.bin");
    named["nodes"] = {{{"name", "Москва"}, {"children", {1}}}, {{"name", "Sign"}, {"mesh", 0}}};
    named["scenes"] = {{{"nodes", {0}}}};
    named["meshes"][0]["primitives"][0]["attributes"].erase("COLOR_0");
    named["meshes"][0]["primitives"][0].erase("material");
    named.erase("materials");
    named.erase("textures");
    writeText(folder / "named.gltf", named.dump());
    writeText(folder / "empty.gltf", json{{"asset", {{"version", "2.0"}}}}.dump());
    for (const char* layout : {"--bones", "--mesh8"})
        for (const char* stem : {"named", "empty"}) {
            std::string msh = dir + "/" + stem + layout + ".msh";
            clitest::Run run =
                mshtool({"from-gltf", dir + "/" + stem + ".gltf", "-o", msh, layout});
            EXPECT_EQ(run.exitCode, stem[0] == 'n' ? 1 : 0) << run.err;
            std::string glb = dir + "/" + stem + layout + ".glb";
            run = mshtool({"to-gltf", msh, "-o", glb});
            EXPECT_EQ(run.exitCode, 0) << run.err;
            clitest::Run valid = clitest::validate(glb);
            EXPECT_EQ(valid.exitCode, 0) << glb << ": " << valid.out << valid.err;
        }
    clitest::ModelFile written = clitest::readModel(dir + "/named--bones.msh");
    ASSERT_EQ(written.legacy.size(), 2u);
    EXPECT_EQ(clitest::textOf(written.legacy[0].header.name), "node0");
    EXPECT_EQ(clitest::textOf(written.legacy[1].header.parentName), "node0");
}

TEST(FromOtherTools, GltfOneIsRefusedAndNothingWritten) {
    std::string dir = clitest::scratchFolder("from-other-gltf1");
    writeText(fs::u8path(dir) / "old.gltf",
              "{\"asset\":{\"version\":\"1.0\"},\"nodes\":{\"box\":{}}}");
    clitest::Run run = mshtool({"from-gltf", dir + "/old.gltf", "-o", dir + "/old.msh"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "mshtool: " + dir + "/old.gltf: a glTF 1.0 file; only glTF 2.0 is read\n");
    EXPECT_FALSE(fs::exists(dir + "/old.msh"));
}
