#include "tests/cli/CliTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

using clitest::mshtool;
using clitest::textOf;
namespace fs = std::filesystem;

namespace {

// The weights of every vertex, by bone name, as a legacy record stores them.
std::vector<std::map<std::string, float>> weightsOf(const LegacyRecord& r) {
    std::vector<std::map<std::string, float>> weights(r.vertices.size());
    for (const MshSkinVertex& s : r.skinVertices)
        for (int k = 0; k < s.count; ++k)
            if (s.weight[k] > 0.0f)
                weights[size_t(s.vertex)][textOf(r.boneNames[s.bone[k]])] = s.weight[k];
    return weights;
}

std::vector<float> nonZeroWeights(const Mesh8Vertex& v) {
    std::vector<float> weights;
    for (float w : v.weight)
        if (w > 0.0f)
            weights.push_back(std::round(w * 1e6f) / 1e6f);
    std::sort(weights.begin(), weights.end());
    return weights;
}

std::set<std::string> boneNamesOf(const Mesh8Record& r) {
    std::set<std::string> names;
    for (const Mesh8BoneRecord& b : r.boneRecords)
        for (int k = 0; k < b.numBones; ++k)
            names.insert(textOf(b.boneNames[k]));
    return names;
}

std::string lastComponent(const std::string& path) {
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// `normals` is the record whose normals the copy must have: what the plug-ins' own import and
// export give.
void expectSameLegacy(const LegacyRecord& a, const LegacyRecord& b, const LegacyRecord& normals) {
    SCOPED_TRACE(textOf(a.header.name));
    EXPECT_EQ(textOf(b.header.name), textOf(a.header.name));
    EXPECT_EQ(textOf(b.header.parentName), textOf(a.header.parentName));
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            EXPECT_NEAR(b.header.worldTM[i][j], a.header.worldTM[i][j], 1e-6);
            EXPECT_NEAR(b.header.localTM[i][j], a.header.localTM[i][j], 1e-6);
        }
    EXPECT_EQ(lastComponent(textOf(b.header.texturePath)),
              lastComponent(textOf(a.header.texturePath)));
    EXPECT_EQ(b.header.twoSided, a.header.twoSided);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(b.header.boundsMin[c], a.header.boundsMin[c], 1e-6);
        EXPECT_NEAR(b.header.boundsMax[c], a.header.boundsMax[c], 1e-6);
    }
    ASSERT_EQ(b.vertices.size(), a.vertices.size());
    for (size_t v = 0; v < a.vertices.size(); ++v)
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(b.vertices[v].position[c], a.vertices[v].position[c]);
            EXPECT_NEAR(b.vertices[v].normal[c], normals.vertices[v].normal[c], 1e-6);
        }
    ASSERT_EQ(b.faces.size(), a.faces.size());
    for (size_t f = 0; f < a.faces.size(); ++f)
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(b.faces[f].vertex[k], a.faces[f].vertex[k]);
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(b.faces[f].uvw[k][c], a.faces[f].uvw[k][c], 1e-6);
        }
    auto wa = weightsOf(a), wb = weightsOf(b);
    ASSERT_EQ(wb.size(), wa.size());
    for (size_t v = 0; v < wa.size(); ++v) {
        ASSERT_EQ(wb[v].size(), wa[v].size()) << "vertex " << v;
        for (const auto& w : wa[v])
            EXPECT_NEAR(wb[v].at(w.first), w.second, 1e-6) << "vertex " << v << " " << w.first;
    }
}

} // namespace

TEST(FromGltfCommand, LegacyModelWithBonesSurvivesTheTripThroughGltf) {
    std::string dir = clitest::makeSample("from-gltf-legacy");
    ASSERT_EQ(mshtool({"to-gltf", dir + "/hero.msh", "-o", dir + "/gltf/hero.glb"}).exitCode, 0);
    std::string back = dir + "/back";
    fs::create_directories(back);
    clitest::Run run =
        mshtool({"from-gltf", dir + "/gltf/hero.glb", "-o", back + "/hero.msh", "--bones"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("hero.bn"), std::string::npos) << run.out;
    ASSERT_EQ(
        mshtool({"convert", dir + "/hero.msh", "-o", dir + "/direct/hero.msh", "--export-bones"})
            .exitCode,
        0);
    clitest::ModelFile original = clitest::readModel(dir + "/hero.msh");
    clitest::ModelFile direct = clitest::readModel(dir + "/direct/hero.msh");
    clitest::ModelFile copy = clitest::readModel(back + "/hero.msh");
    ASSERT_EQ(copy.layout, MshLayoutLegacy);
    ASSERT_EQ(copy.legacy.size(), original.legacy.size());
    ASSERT_EQ(direct.legacy.size(), original.legacy.size());
    for (size_t i = 0; i < original.legacy.size(); ++i)
        expectSameLegacy(original.legacy[i], copy.legacy[i], direct.legacy[i]);
    clitest::ModelFile bones = clitest::readModel(dir + "/hero.bn");
    clitest::ModelFile bonesBack = clitest::readModel(back + "/hero.bn");
    clitest::ModelFile bonesDirect = clitest::readModel(dir + "/direct/hero.bn");
    ASSERT_EQ(bonesBack.legacy.size(), bones.legacy.size());
    for (size_t i = 0; i < bones.legacy.size(); ++i)
        expectSameLegacy(bones.legacy[i], bonesBack.legacy[i], bonesDirect.legacy[i]);
    EXPECT_EQ(clitest::bytesOf(back + "/hero.BBX"), clitest::bytesOf(dir + "/hero.BBX"))
        << "the bone geometry gives back the same bounding box";
    EXPECT_TRUE(fs::exists(back + "/hero.png")) << "the bitmap goes beside the model";
}

TEST(FromGltfCommand, Mesh8AnswerWritesMesh8WithLegacyBonesAndNoBox) {
    std::string dir = clitest::makeSample("from-gltf-mesh8");
    ASSERT_EQ(mshtool({"to-gltf", dir + "/hero_mesh8.msh", "--bones", dir + "/hero.bn", "-o",
                       dir + "/hero.gltf"})
                  .exitCode,
              0);
    std::string out = dir + "/again/hero.msh";
    fs::create_directories(dir + "/again");
    clitest::Run run = mshtool({"from-gltf", dir + "/hero.gltf", "-o", out, "--bones", "--mesh8"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    clitest::ModelFile original = clitest::readModel(dir + "/hero_mesh8.msh");
    clitest::ModelFile copy = clitest::readModel(out);
    ASSERT_EQ(copy.layout, MshLayoutMesh8);
    ASSERT_EQ(copy.mesh8.size(), original.mesh8.size());
    for (size_t i = 0; i < copy.mesh8.size(); ++i) {
        const Mesh8Record &a = original.mesh8[i], &b = copy.mesh8[i];
        SCOPED_TRACE(textOf(a.header.name));
        EXPECT_EQ(textOf(b.header.name), textOf(a.header.name));
        EXPECT_EQ(b.header.numVerts, a.header.numVerts);
        ASSERT_EQ(b.vertices.size(), a.vertices.size());
        for (size_t v = 0; v < a.vertices.size(); ++v) {
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(b.vertices[v].position[c], a.vertices[v].position[c]);
                EXPECT_NEAR(b.vertices[v].cornerNormal[c], a.vertices[v].cornerNormal[c], 1e-6);
            }
            for (int c = 0; c < 2; ++c)
                EXPECT_NEAR(b.vertices[v].uv[c], a.vertices[v].uv[c], 1e-6);
            // Zero weights are no influence and glTF keeps none, so slots may close up.
            EXPECT_EQ(nonZeroWeights(b.vertices[v]), nonZeroWeights(a.vertices[v])) << v;
        }
        ASSERT_EQ(b.boneRecords.size(), a.boneRecords.size());
        EXPECT_EQ(boneNamesOf(b), boneNamesOf(a));
    }
    EXPECT_EQ(clitest::readModel(dir + "/again/hero.bn").layout, MshLayoutLegacy);
    EXPECT_FALSE(fs::exists(dir + "/again/hero.BBX"));
}

TEST(FromGltfCommand, ShapelessBonesKeepTheShapesOfTheBnTheyReplaceUnlessForced) {
    // The sample's glTF without its bone-shape references: bones as another tool writes them.
    std::string dir = clitest::makeSample("from-gltf-keep-shapes");
    ASSERT_EQ(mshtool({"to-gltf", dir + "/hero.msh", "-o", dir + "/hero.gltf"}).exitCode, 0);
    nlohmann::json gltf = nlohmann::json::parse(std::ifstream(dir + "/hero.gltf"));
    for (nlohmann::json& node : gltf["nodes"])
        if (node.contains("extras")) {
            node["extras"].erase("mshBoneMesh");
            node["extras"].erase("mshBoneMeshName");
        }
    std::ofstream(dir + "/bare.gltf") << gltf.dump();
    std::string out = dir + "/out";
    fs::create_directories(out);
    fs::copy_file(dir + "/hero.bn", out + "/hero.bn");
    fs::copy_file(dir + "/hero.BBX", out + "/hero.BBX");
    auto run = [&](bool force, bool keep) {
        std::vector<std::string> args{"from-gltf", dir + "/bare.gltf", "-o", out + "/hero.msh",
                                      "--export-bones"};
        if (force)
            args.push_back("--force");
        if (keep)
            args.push_back("--keep-bone-shapes");
        return mshtool(args);
    };
    clitest::Run kept = run(false, false);
    ASSERT_EQ(kept.exitCode, 0) << kept.err;
    EXPECT_EQ(clitest::bytesOf(out + "/hero.bn"), clitest::bytesOf(dir + "/hero.bn"));
    EXPECT_EQ(clitest::bytesOf(out + "/hero.BBX"), clitest::bytesOf(dir + "/hero.BBX"));
    EXPECT_NE(kept.err.find("hero.bn: 5 of 5 bones have no shape in the scene and keep theirs "
                            "from this file; --force writes them without\n"),
              std::string::npos)
        << kept.err;

    clitest::Run keptAsAsked = run(true, true);
    ASSERT_EQ(keptAsAsked.exitCode, 0) << keptAsAsked.err;
    EXPECT_EQ(clitest::bytesOf(out + "/hero.bn"), clitest::bytesOf(dir + "/hero.bn"))
        << "--keep-bone-shapes keeps them also with --force";

    clitest::Run forced = run(true, false);
    ASSERT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_EQ(forced.err.find("keep theirs"), std::string::npos) << forced.err;
    for (const LegacyRecord& bone : clitest::readModel(out + "/hero.bn").legacy)
        EXPECT_TRUE(bone.vertices.empty()) << textOf(bone.header.name);
    EXPECT_NE(clitest::bytesOf(out + "/hero.BBX"), clitest::bytesOf(dir + "/hero.BBX"));
}

// The hat's parent, the body, is not selected: the hat stands at the top at its world place,
// so the file passes check with its bones.
TEST(FromGltfCommand, SelectedExportsOnlyTheNamedNodes) {
    std::string dir = clitest::makeSample("from-gltf-selected");
    ASSERT_EQ(mshtool({"to-gltf", dir + "/hero.msh", "-o", dir + "/hero.glb"}).exitCode, 0);
    clitest::Run run =
        mshtool({"from-gltf", dir + "/hero.glb", "-o", dir + "/hat.msh", "--selected", "Hero Hat"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    clitest::ModelFile hat = clitest::readModel(dir + "/hat.msh");
    ASSERT_EQ(hat.legacy.size(), 1u);
    EXPECT_EQ(textOf(hat.legacy[0].header.name), "Hero Hat");
    EXPECT_FALSE(fs::exists(dir + "/hat.bn"));
    EXPECT_NE(run.err.find("\"Hero Hat\" written at the top with its world transform: its parent "
                           "\"Hero Body\" is not selected"),
              std::string::npos)
        << run.err;

    clitest::ModelFile hero = clitest::readModel(dir + "/hero.msh");
    const MshObjectHeader& original = hero.legacy.at(1).header;
    ASSERT_EQ(textOf(original.name), "Hero Hat");
    for (const char* layout : {"--export-bones", "--mesh8"}) {
        SCOPED_TRACE(layout);
        run = mshtool({"from-gltf", dir + "/hero.glb", "-o", dir + "/top.msh", "--selected",
                       "Hero Hat", layout, "--force"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        clitest::ModelFile top = clitest::readModel(dir + "/top.msh");
        const MshObjectHeader& header =
            top.mesh8.empty() ? top.legacy.at(0).header : top.mesh8.at(0).header;
        EXPECT_EQ(textOf(header.parentName), "NULL");
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                EXPECT_NEAR(+header.worldTM[i][j], +original.worldTM[i][j], 1e-5);
                EXPECT_NEAR(+header.localTM[i][j], +original.worldTM[i][j], 1e-5);
            }
        clitest::Run check = mshtool({"check", dir + "/top.msh", "--bones", dir + "/hero.bn"});
        EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    }
    run =
        mshtool({"from-gltf", dir + "/hero.glb", "-o", dir + "/none.msh", "--selected", "Nobody"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Nobody: no node of that name"), std::string::npos) << run.err;
}

TEST(FromGltfCommand, BadInputAndUsage) {
    std::string dir = clitest::scratchFolder("from-gltf-bad");
    clitest::writeBytes(dir + "/junk.glb", {'g', 'l', 'T', 'F', 2, 0, 0, 0, 9, 9});
    clitest::Run run = mshtool({"from-gltf", dir + "/junk.glb", "-o", dir + "/junk.msh"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("junk.glb"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir + "/junk.msh"));
    EXPECT_EQ(mshtool({"from-gltf", dir + "/junk.glb", "-o", dir + "/junk.obj"}).exitCode, 2);
    EXPECT_EQ(mshtool({"from-gltf", dir + "/junk.glb"}).exitCode, 2);
}

// A .gltf's buffers and images are read from its own folder: files of the same names in the
// current folder (another model's) are not taken, and nothing is written.
TEST(FromGltfCommand, ResourcesComeOnlyFromTheGltfsOwnFolder) {
    std::string dir = clitest::makeSample("from-gltf-resources");
    fs::create_directories(dir + "/model");
    fs::create_directories(dir + "/elsewhere");
    ASSERT_EQ(mshtool({"to-gltf", dir + "/hero.msh", "-o", dir + "/model/hero.gltf"}).exitCode, 0);
    fs::path before = fs::current_path();
    fs::current_path(dir + "/elsewhere");
    struct BackHome {
        fs::path folder;
        ~BackHome() { fs::current_path(folder); }
    } backHome{before};

    for (const char* moved : {"hero.bin", "hero.png"}) {
        SCOPED_TRACE(moved);
        fs::rename(dir + "/model/" + moved, dir + "/elsewhere/" + moved);
        clitest::Run run =
            mshtool({"from-gltf", "../model/hero.gltf", "-o", dir + "/model/out.msh"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find("cannot find \"" + std::string(moved) +
                               "\", which the file refers to: looked for " + dir + "/model/" +
                               moved),
                  std::string::npos)
            << run.err;
        EXPECT_FALSE(fs::exists(dir + "/model/out.msh"));
        fs::rename(dir + "/elsewhere/" + moved, dir + "/model/" + moved);
    }
    EXPECT_EQ(mshtool({"from-gltf", "../model/hero.gltf", "-o", dir + "/model/out.msh"}).exitCode,
              0);
}
