#include "scene/MeshSplitting.h"
#include "format/Mesh8Record.h"

#include <gtest/gtest.h>

using namespace mshgltf;

namespace {

// An unskinned strip of `faces` triangles along X, every face on vertices of its own.
MeshData strip(size_t faces, int material) {
    MeshData mesh;
    mesh.material = material;
    for (size_t f = 0; f < faces; ++f) {
        float x = float(f);
        mesh.positions.insert(mesh.positions.end(),
                              {Point3(x, 0, 0), Point3(x + 1, 0, 0), Point3(x, 1, 0)});
        mesh.triangles.insert(mesh.triangles.end(),
                              {uint32_t(3 * f), uint32_t(3 * f + 1), uint32_t(3 * f + 2)});
    }
    return mesh;
}

NodeData node(const std::string& name, int parent) {
    NodeData data;
    data.name = name;
    data.parent = parent;
    return data;
}

Influence influence(int joint, float weight) {
    Influence i;
    i.joint = joint;
    i.weight = weight;
    return i;
}

bool contains(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

} // namespace

TEST(MeshSplitting, PartsAreNamedToFitAndPlacedBesideTheirObject) {
    SceneData scene;
    scene.materials.resize(2);
    scene.materials[0].name = "grass";
    scene.materials[1].name = "rock";
    scene.nodes.push_back(node("Root", -1));
    scene.nodes.push_back(node("Ground", 0));
    scene.nodes[1].meshes = {strip(MESH8_MAX_FACES + 1, 0), strip(MESH8_MAX_FACES + 1, 1)};
    scene.nodes.push_back(node("Ground.1", 1)); // takes the first part's usual name
    scene.nodes.push_back(node(std::string(99, 'x'), -1));
    scene.nodes[3].meshes = {strip(MESH8_MAX_FACES + 1, -1)};
    scene.nodes.push_back(node("K\xC3\xB6rper\xE8\xBA\xAB", -1)); // "Körper" and U+8EAB
    scene.nodes[4].meshes = {strip(MESH8_MAX_FACES + 1, -1)};

    BridgeReport report;
    std::string error;
    std::vector<SplitObject> splits;
    SceneData refused = scene;
    EXPECT_FALSE(fitMeshesToLayout(refused, MshLayoutMesh8, false, report, error, splits));
    EXPECT_EQ(error, "Ground: does not fit one Mesh8 object (it has 10923 faces and a Mesh8 "
                     "object holds at most 10922); refused because of --no-split, nothing "
                     "written. Without --no-split it is split into objects that fit.");
    EXPECT_EQ(refused.nodes.size(), scene.nodes.size());

    ASSERT_TRUE(fitMeshesToLayout(scene, MshLayoutMesh8, true, report, error, splits)) << error;
    std::vector<std::string> names;
    for (const NodeData& n : scene.nodes)
        names.push_back(n.name);
    std::string shortX = std::string(98, 'x') + ".1";
    EXPECT_EQ(names, (std::vector<std::string>{"Root", "Ground", "Ground.1", "Ground_rock.1",
                                               "Ground.2", std::string(99, 'x'), shortX,
                                               "K\xC3\xB6rper\xE8\xBA\xAB", "K\xC3\xB6rper.1"}));
    EXPECT_EQ(scene.nodes[2].parent, 1);
    EXPECT_EQ(scene.nodes[3].parent, 1) << "a further material's part hangs below its node";
    EXPECT_EQ(scene.nodes[4].parent, 0) << "the first material's part is the node's sibling";
    EXPECT_EQ(scene.nodes[3].meshes.at(0).material, 1);
    EXPECT_EQ(scene.nodes[4].meshes.at(0).material, 0);
    EXPECT_EQ(scene.nodes[1].meshes.at(0).triangles.size(), 3u * MESH8_MAX_FACES);
    EXPECT_EQ(scene.nodes[1].meshes.at(1).triangles.size(), 3u * MESH8_MAX_FACES);
    // The face past the limit, with its corners where they were.
    const MeshData& moved = scene.nodes[4].meshes[0];
    ASSERT_EQ(moved.triangles.size(), 3u);
    EXPECT_EQ(moved.positions[moved.triangles[1]], Point3(MESH8_MAX_FACES + 1.0f, 0, 0));
    ASSERT_EQ(splits.size(), 4u);
    EXPECT_EQ(splits[1].name, "Ground_rock");
    EXPECT_TRUE(contains(report.warnings, "Ground: split into 2 objects (Ground, Ground.2): it "
                                          "has 10923 faces and a Mesh8 object holds at most "))
        << report.warnings[0];
    EXPECT_TRUE(contains(report.warnings, "part names shortened to fit the 100-character"));
    // The name's own length is not what cut "Körper身": its character U+8EAB is.
    const std::string* korper = nullptr;
    for (const std::string& line : report.warnings)
        if (line.rfind("K\xC3\xB6rper", 0) == 0)
            korper = &line;
    ASSERT_NE(korper, nullptr);
    EXPECT_NE(korper->find("part names cut before the character U+8EAB, which the 8-bit name "
                           "field cannot hold"),
              std::string::npos)
        << *korper;
    EXPECT_EQ(korper->find("100-character"), std::string::npos) << *korper;
    EXPECT_TRUE(report.losses.empty());
}

TEST(MeshSplitting, LegacySkinIsSplitByBonesAndOverfullFacesKeepEachCornersStrongest) {
    SceneData scene;
    for (int b = 0; b < 6; ++b) {
        scene.nodes.push_back(node("B" + std::to_string(b), -1));
        scene.nodes.back().isBone = true;
    }
    scene.nodes.push_back(node("Body", -1));
    NodeData& body = scene.nodes.back();
    body.joints = {0, 1, 2, 3, 4, 5};
    body.jointBindWorld.resize(6);
    MeshData mesh;
    mesh.positions = {Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0), Point3(1, 1, 0)};
    mesh.sourceVertex = {0, 1, 2, 3};
    // Face 0 needs six bones; face 1 shares vertices 0 and 2 and needs bones 0, 1, 2, 5.
    mesh.influences = {{influence(0, 0.5f), influence(1, 0.3f), influence(2, 0.2f)},
                       {influence(3, 0.6f), influence(4, 0.4f)},
                       {influence(5, 0.9f), influence(0, 0.1f)},
                       {influence(1, 1.0f)}};
    mesh.triangles = {0, 1, 2, 2, 3, 0};
    body.meshes.push_back(mesh);

    BridgeReport report;
    std::string error;
    std::vector<SplitObject> splits;
    ASSERT_TRUE(fitMeshesToLayout(scene, MshLayoutLegacy, true, report, error, splits)) << error;
    ASSERT_EQ(scene.nodes.size(), 8u);
    const MeshData& first = scene.nodes[6].meshes.at(0);
    const MeshData& second = scene.nodes[7].meshes.at(0);
    EXPECT_EQ(scene.nodes[7].name, "Body.1");
    EXPECT_EQ(scene.nodes[7].joints, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    // Larger bone sets come first: the six-bone face, cut to 0, 3, 4, 5 (each corner's
    // strongest, then bone 4 by summed weight), its first corner rescaled to its total.
    ASSERT_EQ(first.triangles.size(), 3u);
    EXPECT_EQ(first.positions[first.triangles[0]], Point3(0, 0, 0));
    ASSERT_EQ(first.influences[first.triangles[0]].size(), 1u);
    EXPECT_EQ(first.influences[first.triangles[0]][0].joint, 0);
    EXPECT_FLOAT_EQ(first.influences[first.triangles[0]][0].weight, 1.0f);
    EXPECT_EQ(first.influences[first.triangles[1]].size(), 2u);
    EXPECT_EQ(first.influences[first.triangles[2]].size(), 2u);
    // The other face keeps vertex 0 with all its weights.
    ASSERT_EQ(second.triangles.size(), 3u);
    EXPECT_EQ(second.positions[second.triangles[2]], Point3(0, 0, 0));
    EXPECT_EQ(second.influences[second.triangles[2]].size(), 3u);
    EXPECT_EQ(second.sourceVertex, (std::vector<int>{0, 1, 2}));
    ASSERT_EQ(report.losses.size(), 1u);
    EXPECT_EQ(report.losses[0],
              "Body: split into 2 objects (Body, Body.1): its skin uses 6 bones and a legacy "
              "object holds at most 4; 1 face whose corners use more than 4 bones keeps its 4 "
              "strongest, rescaled");
}
