// A skin the model files cannot hold as one object, converted by from-gltf and brought back
// by to-gltf: every triangle where it was, with every weight on its own bone.
#include "gltf/core/GltfAccessors.h"
#include "gltf/read/GltfModelReader.h"
#include "gltf/write/GltfModelWriter.h"
#include "tests/cli/CliTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>

using clitest::mshtool;
namespace fs = std::filesystem;

namespace {

// A tube along glTF's Y axis, as another program would write it (no extras): `rings` rings of
// `around` vertices skinned to a chain of `boneCount` bones. Each vertex blends the two
// bones it lies between and every other one a third, so faces use up to four bones.
tinygltf::Model skinnedTube(int boneCount, int around, int rings) {
    tinygltf::Model model;
    model.asset.version = "2.0";
    model.scenes.emplace_back();
    model.defaultScene = 0;
    mshgltf::AccessorWriter writer(model);
    const float length = 19.0f, radius = 0.5f;
    std::vector<float> positions, weights;
    std::vector<uint16_t> joints;
    for (int r = 0; r < rings; ++r) {
        float along = float(r) / float(rings - 1) * float(boneCount - 1);
        int bone = std::min(int(along), boneCount - 2);
        float blend = along - float(bone);
        for (int a = 0; a < around; ++a) {
            float angle = 6.2831853f * float(a) / float(around);
            positions.insert(positions.end(),
                             {radius * std::cos(angle), length * float(r) / float(rings - 1),
                              radius * std::sin(angle)});
            bool third = a % 2 == 1 && bone + 2 < boneCount;
            float share = third ? 0.1f : 0.0f;
            joints.insert(joints.end(),
                          {uint16_t(bone), uint16_t(bone + 1), uint16_t(third ? bone + 2 : 0), 0});
            weights.insert(weights.end(),
                           {(1.0f - blend) * (1.0f - share), blend * (1.0f - share), share, 0.0f});
        }
    }
    std::vector<uint32_t> indices;
    for (int r = 0; r + 1 < rings; ++r)
        for (int a = 0; a < around; ++a) {
            uint32_t v = uint32_t(r * around + a), next = uint32_t(r * around + (a + 1) % around);
            indices.insert(indices.end(), {v, v + uint32_t(around), next, next,
                                           v + uint32_t(around), next + uint32_t(around)});
        }
    tinygltf::Primitive primitive;
    primitive.attributes["POSITION"] = writer.addFloats(positions, 3, true);
    primitive.attributes["JOINTS_0"] = writer.addJoints(joints, size_t(boneCount));
    primitive.attributes["WEIGHTS_0"] = writer.addFloats(weights, 4, false);
    primitive.indices = writer.addIndices(indices);
    primitive.mode = TINYGLTF_MODE_TRIANGLES;
    model.meshes.emplace_back();
    model.meshes[0].primitives.push_back(primitive);

    tinygltf::Skin skin;
    std::vector<mshgltf::AffineMatrix> inverseBinds;
    for (int b = 0; b < boneCount; ++b) {
        tinygltf::Node bone;
        bone.name = "Bone" + std::to_string(b);
        bone.translation = {0.0, b == 0 ? 0.0 : double(length) / (boneCount - 1), 0.0};
        model.nodes.push_back(bone);
        if (b > 0)
            model.nodes[size_t(b - 1)].children.push_back(b);
        skin.joints.push_back(b);
        mshgltf::AffineMatrix inverse = mshgltf::AffineMatrix::identity();
        inverse.m[3][1] = -double(length) / (boneCount - 1) * b;
        inverseBinds.push_back(inverse);
    }
    skin.inverseBindMatrices = writer.addMatrices(inverseBinds);
    model.skins.push_back(skin);
    tinygltf::Node tube;
    tube.name = "Tentacle";
    tube.mesh = 0;
    tube.skin = 0;
    model.nodes.push_back(tube);
    model.scenes[0].nodes = {0, int(model.nodes.size() - 1)};
    return model;
}

struct Corner {
    std::array<double, 3> world;
    std::map<std::string, float> weights; ///< by bone name
};
using Triangle = std::array<Corner, 3>;

// Every drawn triangle with its corners' world positions and weights, first corner the
// smallest (the winding kept), sorted, so that two scenes compare triangle by triangle.
std::vector<Triangle> drawnTriangles(const std::string& path) {
    mshgltf::LoadedGltf loaded;
    mshgltf::BridgeReport report;
    std::string error;
    EXPECT_TRUE(mshgltf::readGltfFile(path, loaded, report, error)) << error;
    const mshgltf::SceneData& scene = loaded.scene;
    std::vector<Triangle> triangles;
    for (const mshgltf::NodeData& node : scene.nodes)
        for (const mshgltf::MeshData& mesh : node.meshes) {
            if (node.isBone)
                continue;
            for (size_t f = 0; f + 2 < mesh.triangles.size(); f += 3) {
                Triangle triangle;
                for (int c = 0; c < 3; ++c) {
                    uint32_t v = mesh.triangles[f + size_t(c)];
                    const Point3& p = mesh.positions[v];
                    const auto& m = node.world.m;
                    for (int k = 0; k < 3; ++k)
                        triangle[size_t(c)].world[size_t(k)] =
                            p.x * m[0][size_t(k)] + p.y * m[1][size_t(k)] + p.z * m[2][size_t(k)] +
                            m[3][size_t(k)];
                    for (const mshgltf::Influence& influence : mesh.influences.at(v))
                        triangle[size_t(c)]
                            .weights[scene.nodes[size_t(node.joints[size_t(influence.joint)])]
                                         .name] = influence.weight;
                }
                auto smallest = std::min_element(
                    triangle.begin(), triangle.end(),
                    [](const Corner& a, const Corner& b) { return a.world < b.world; });
                std::rotate(triangle.begin(), smallest, triangle.end());
                triangles.push_back(triangle);
            }
        }
    std::sort(triangles.begin(), triangles.end(), [](const Triangle& a, const Triangle& b) {
        for (int c = 0; c < 3; ++c)
            if (a[size_t(c)].world != b[size_t(c)].world)
                return a[size_t(c)].world < b[size_t(c)].world;
        return false;
    });
    return triangles;
}

void expectSameTriangles(const std::vector<Triangle>& expected, const std::vector<Triangle>& got) {
    ASSERT_EQ(got.size(), expected.size());
    for (size_t t = 0; t < expected.size(); ++t)
        for (size_t c = 0; c < 3; ++c) {
            const Corner &a = expected[t][c], &b = got[t][c];
            for (size_t k = 0; k < 3; ++k)
                ASSERT_NEAR(b.world[k], a.world[k], 1e-5) << "triangle " << t << " corner " << c;
            ASSERT_EQ(b.weights.size(), a.weights.size()) << "triangle " << t << " corner " << c;
            for (const auto& weight : a.weights) {
                auto same = b.weights.find(weight.first);
                ASSERT_NE(same, b.weights.end()) << weight.first << " lost at triangle " << t;
                EXPECT_NEAR(same->second, weight.second, 1e-5) << weight.first;
            }
        }
}

} // namespace

TEST(FromGltfSplitting, TwentyBoneSkinOfTwelveThousandFacesComesBackWholeInBothLayouts) {
    std::string dir = clitest::scratchFolder("from-gltf-split");
    std::string source = dir + "/tentacle.glb", error;
    tinygltf::Model tube = skinnedTube(20, 20, 301);
    ASSERT_TRUE(mshgltf::writeGltfModel(tube, source, error)) << error;
    std::vector<Triangle> original = drawnTriangles(source);
    ASSERT_EQ(original.size(), 12000u);

    clitest::Run refused =
        mshtool({"from-gltf", source, "-o", dir + "/whole/t.msh", "--bones", "--no-split"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("Tentacle: does not fit one legacy object (its skin uses 20 bones "
                               "and a legacy object holds at most 4)"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(fs::exists(dir + "/whole/t.msh"));

    // Mesh8 objects have no bone limit but hold 10,922 faces; --selected takes every part.
    for (bool mesh8 : {false, true}) {
        std::string out = dir + (mesh8 ? "/mesh8/t.msh" : "/legacy/t.msh");
        std::vector<std::string> args = {"from-gltf", source, "-o", out, "--bones"};
        if (mesh8)
            args.insert(args.end(), {"--mesh8", "--selected", "Tentacle"});
        clitest::Run run = mshtool(args);
        SCOPED_TRACE(run.err);
        ASSERT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err.find("lost:"), std::string::npos);
        EXPECT_NE(run.err.find(mesh8 ? "Tentacle: split into 2 objects (Tentacle, Tentacle.1): "
                                       "it has 12000 faces and a Mesh8 object holds at most 10922"
                                     : "bones and a legacy object holds at most 4"),
                  std::string::npos);
        EXPECT_NE(run.out.find(" written, 1 split, 0 left out"), std::string::npos) << run.out;
        std::string bones = out.substr(0, out.size() - 3) + "bn";
        clitest::Run check = mshtool({"check", out, "--bones", bones});
        EXPECT_EQ(check.exitCode, 0) << check.out;
        clitest::ModelFile model = clitest::readModel(out);
        EXPECT_GE(model.legacy.size() + model.mesh8.size(), mesh8 ? 2u : 5u);

        std::string back = out.substr(0, out.size() - 3) + "glb";
        ASSERT_EQ(mshtool({"to-gltf", out, "--bones", bones, "-o", back}).exitCode, 0);
        clitest::Run validated = clitest::validate(back);
        EXPECT_EQ(validated.exitCode, 0) << validated.out << validated.err;
        expectSameTriangles(original, drawnTriangles(back));
    }
    // A few megabytes of models; kept only when something failed, to look at.
    if (!::testing::Test::HasFailure())
        fs::remove_all(dir);
}
