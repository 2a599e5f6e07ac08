// Skin modifiers, bones found by name and per-vertex weights, for both layouts.

#include "ImportFixture.h"

using namespace importtest;

namespace {

using Weights = std::vector<std::pair<std::wstring, float>>;

class Skin : public ImportTest {
protected:
    INode* makeBone(const std::wstring& name, float x) {
        INode* node = GetCOREInterface()->CreateObjectNode(CreateNewTriObject());
        node->SetName(name.c_str());
        Matrix3 tm(TRUE);
        tm.SetTrans(Point3(x, 0, 0));
        node->SetNodeTM(0, tm);
        return node;
    }
    int importLegacy(const std::vector<LegacyRecord>& records, const wchar_t* name = L"m.msh") {
        std::wstring file = temp.path(name);
        writeBytes(file, legacyBytes(records));
        return importFile(file);
    }
    int importMesh8(const Mesh8Record& record) {
        std::wstring file = temp.path(L"m8.msh");
        writeBytes(file, mesh8Bytes({record}));
        return importFile(file);
    }
    std::vector<std::wstring> boneNames(ISkin* skin) {
        std::vector<std::wstring> names;
        for (int b = 0; b < skin->GetNumBones(); ++b)
            names.push_back(skin->GetBone(b)->GetName());
        return names;
    }
};

LegacyRecord skinnedTriangle(const std::string& name, const std::vector<std::string>& bones) {
    LegacyRecord r = legacyTriangle(name);
    r.numBones = int32_t(bones.size());
    for (size_t b = 0; b < bones.size(); ++b)
        setField(r.boneNames[b], bones[b]);
    // Vertex 0: all on the last bone; vertex 2: split over the bones in reverse order, a
    // quarter on the first named; vertex 1: no entry.
    MshSkinVertex s;
    std::memset(&s, 0, sizeof s);
    s.vertex = 0;
    s.count = 1;
    s.bone[0] = int32_t(bones.size()) - 1;
    s.weight[0] = 1.0f;
    r.skinVertices.push_back(s);
    s.vertex = 2;
    s.count = int32_t(bones.size());
    for (int k = 0; k < s.count; ++k) {
        s.bone[k] = s.count - 1 - k;
        s.weight[k] = k == 0 ? 0.25f : 0.75f / float(s.count - 1);
    }
    r.skinVertices.push_back(s);
    r.header.numSkinVerts = uint16_t(r.skinVertices.size());
    return r;
}

TEST_F(Skin, LegacyWithoutBonesOrSkinBlockGetsAnEmptySkinAndNoMessage) {
    LegacyRecord noBones = legacyTriangle("NoBones");
    LegacyRecord noBlock = legacyTriangle("NoBlock");
    noBlock.header.hasSkinBlock = 0;
    EXPECT_EQ(IMPEXP_SUCCESS, importLegacy({noBones, noBlock}));
    EXPECT_TRUE(boxes.calls().empty());
    for (const wchar_t* name : {L"NoBones", L"NoBlock"}) {
        INode* node = findNode(name);
        ISkin* skin = skinOf(node);
        ASSERT_NE(nullptr, skin) << name;
        EXPECT_EQ(0, skin->GetNumBones());
        EXPECT_TRUE(weightsOf(node, 0).empty());
        // The modifier sits on the node's own mesh.
        EXPECT_EQ(3, meshOf(node)->getNumVerts());
    }
}

TEST_F(Skin, LegacyWeightsGoToTheBonesTheirNumbersName) {
    INode* thigh = makeBone(L"Thigh", 1);
    INode* shin = makeBone(L"Shin", 2);
    EXPECT_EQ(IMPEXP_SUCCESS, importLegacy({skinnedTriangle("Leg", {"Thigh", "Shin"})}));
    EXPECT_TRUE(boxes.calls().empty());
    INode* leg = findNode(L"Leg");
    ISkin* skin = skinOf(leg);
    ASSERT_NE(nullptr, skin);
    EXPECT_EQ((std::vector<std::wstring>{L"Thigh", L"Shin"}), boneNames(skin));
    EXPECT_TRUE(thigh->GetBoneNodeOnOff());
    EXPECT_TRUE(shin->GetBoneNodeOnOff());
    Matrix3 init;
    ASSERT_EQ(SKIN_OK, skin->GetBoneInitTM(shin, init, false));
    EXPECT_EQ(shin->GetNodeTM(0), init);
    ASSERT_EQ(SKIN_OK, skin->GetSkinInitTM(leg, init, true));
    EXPECT_EQ(leg->GetObjectTM(0), init);

    EXPECT_EQ((Weights{{L"Shin", 1.0f}}), weightsOf(leg, 0));
    EXPECT_TRUE(weightsOf(leg, 1).empty()); // not weighted from the envelopes either
    EXPECT_EQ((Weights{{L"Shin", 0.25f}, {L"Thigh", 0.75f}}), weightsOf(leg, 2));
}

// Whether the Skin's AddBoneEx(…, TRUE) evaluates the mesh is not known for 2015; the
// import must put every weight on its bone either way.
TEST_F(Skin, EveryWeightLandsOnItsBoneWhetherOrNotAddingABoneEvaluates) {
    for (bool evaluates : {false, true}) {
        resetScene();
        setSkinUpdateEvaluates(evaluates);
        makeBone(L"Thigh", 1);
        makeBone(L"Shin", 2);
        importLegacy({skinnedTriangle("Leg", {"Thigh", "Shin"})});
        Mesh8Builder b("Foot");
        b.face(b.vertex(Point3(0, 0, 0), Point3(0, 0, 1), {"Shin", "Thigh"}, {0.75f, 0.25f}),
               b.vertex(Point3(1, 0, 0), Point3(0, 0, 1), {"Thigh"}, {1.0f}),
               b.vertex(Point3(0, 1, 0), Point3(0, 0, 1), {}, {}));
        importMesh8(b.build());
        setSkinUpdateEvaluates(false);
        EXPECT_TRUE(boxes.calls().empty()) << evaluates;
        INode* leg = findNode(L"Leg");
        EXPECT_EQ((Weights{{L"Shin", 1.0f}}), weightsOf(leg, 0)) << evaluates;
        EXPECT_TRUE(weightsOf(leg, 1).empty()) << evaluates;
        EXPECT_EQ((Weights{{L"Shin", 0.25f}, {L"Thigh", 0.75f}}), weightsOf(leg, 2)) << evaluates;
        INode* foot = findNode(L"Foot");
        EXPECT_EQ((Weights{{L"Shin", 0.75f}, {L"Thigh", 0.25f}}), weightsOf(foot, 0)) << evaluates;
        EXPECT_EQ((Weights{{L"Thigh", 1.0f}}), weightsOf(foot, 1)) << evaluates;
        EXPECT_TRUE(weightsOf(foot, 2).empty()) << evaluates;
    }
}

TEST_F(Skin, WeightsAreNormalisedAsTheSkinWouldAndTheChangeIsReported) {
    makeBone(L"Thigh", 1);
    makeBone(L"Shin", 2);
    LegacyRecord leg = skinnedTriangle("Leg", {"Thigh", "Shin"});
    leg.skinVertices[1].weight[0] = 0.125f; // 0.125 and 0.75: rescaled to add up to 1
    MshSkinVertex zero = leg.skinVertices[1];
    zero.vertex = 1;
    zero.weight[0] = zero.weight[1] = 0.0f;
    leg.skinVertices.push_back(zero);
    leg.skinVertices[0].weight[0] = 0.3f; // alone: the Skin would read it as 0, not 1
    leg.header.numSkinVerts = uint16_t(leg.skinVertices.size());
    importLegacy({leg});
    EXPECT_EQ((std::vector<std::wstring>{
                  L"The bone weights of 2 vertices of [Leg] did not add up to 1; they were "
                  L"rescaled to 1",
                  L"The bone weights of 1 vertex of [Leg] do not add up to a positive number; "
                  L"they were left without weights"}),
              texts(boxes));
    INode* node = findNode(L"Leg");
    EXPECT_EQ((Weights{{L"Shin", 1.0f}}), weightsOf(node, 0));
    EXPECT_TRUE(weightsOf(node, 1).empty());
    Weights split = weightsOf(node, 2);
    ASSERT_EQ(2u, split.size());
    EXPECT_FLOAT_EQ(0.125f / 0.875f, split[0].second);
    EXPECT_EQ(1.0f, split[0].second + split[1].second); // exactly: the Skin leaves them so
}

TEST_F(Skin, BoneTheSkinRefusesIsReportedLikeAMissingOne) {
    // The record's own node is found for the bone name "Leg": a mesh cannot be its own bone.
    makeBone(L"Shin", 2);
    EXPECT_EQ(IMPEXP_SUCCESS, importLegacy({skinnedTriangle("Leg", {"Leg", "Shin"})}));
    EXPECT_EQ(std::vector<std::wstring>{L"Bone [Leg] of [Leg] was refused by the Skin modifier: "
                                        L"it is the object itself, depends on it or has no "
                                        L"object. [Leg] gets no skin weights"},
              texts(boxes));
    INode* leg = findNode(L"Leg");
    EXPECT_FALSE(leg->GetBoneNodeOnOff()); // still a mesh for the exporter
    EXPECT_EQ(std::vector<std::wstring>{L"Shin"}, boneNames(skinOf(leg)));
    for (int v = 0; v < 3; ++v)
        EXPECT_TRUE(weightsOf(leg, v).empty()) << v;
}

TEST_F(Skin, LegacyMissingFirstBoneIsReportedSecondAddedNoWeights) {
    INode* shin = makeBone(L"Shin", 2);
    EXPECT_EQ(IMPEXP_SUCCESS, importLegacy({skinnedTriangle("Leg", {"Thigh", "Shin"})}));
    EXPECT_EQ(std::vector<std::wstring>{boneMessage("Leg", "Thigh")}, texts(boxes));
    INode* leg = findNode(L"Leg");
    ISkin* skin = skinOf(leg);
    ASSERT_NE(nullptr, skin);
    EXPECT_EQ(std::vector<std::wstring>{L"Shin"}, boneNames(skin));
    EXPECT_TRUE(shin->GetBoneNodeOnOff());
    Matrix3 init;
    EXPECT_EQ(SKIN_OK, skin->GetBoneInitTM(shin, init, false));
    for (int v = 0; v < 3; ++v)
        EXPECT_TRUE(weightsOf(leg, v).empty()) << v;
}

TEST_F(Skin, MeshBeforeBonesReportsEveryBoneThenBonesFirstBinds) {
    LegacyRecord leg = skinnedTriangle("Leg", {"Thigh", "Shin"});
    EXPECT_EQ(IMPEXP_SUCCESS, importLegacy({leg}, L"leg.msh"));
    EXPECT_EQ((std::vector<std::wstring>{boneMessage("Leg", "Thigh"), boneMessage("Leg", "Shin")}),
              texts(boxes));
    EXPECT_TRUE(weightsOf(findNode(L"Leg"), 0).empty());

    resetScene();
    boxes.clear();
    EXPECT_EQ(IMPEXP_SUCCESS,
              importLegacy({legacyTriangle("Thigh"), legacyTriangle("Shin", "Thigh")}, L"leg.bn"));
    EXPECT_EQ(IMPEXP_SUCCESS, importLegacy({leg}, L"leg.msh"));
    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_EQ((Weights{{L"Shin", 1.0f}}), weightsOf(findNode(L"Leg"), 0));
}

TEST_F(Skin, BoneNamesDifferingOnlyInCaseAreDifferentBones) {
    makeBone(L"arm", 1);
    makeBone(L"Arm", 2);
    EXPECT_EQ(IMPEXP_SUCCESS, importLegacy({skinnedTriangle("L", {"arm", "Arm"})}));
    EXPECT_EQ((Weights{{L"Arm", 0.25f}, {L"arm", 0.75f}}), weightsOf(findNode(L"L"), 2));

    Mesh8Builder b("M");
    b.face(b.vertex(Point3(0, 0, 0), Point3(0, 0, 1), {"arm", "Arm"}, {0.75f, 0.25f}),
           b.vertex(Point3(1, 0, 0), Point3(0, 0, 1), {"arm"}, {1.0f}),
           b.vertex(Point3(0, 1, 0), Point3(0, 0, 1), {"Arm"}, {1.0f}));
    EXPECT_EQ(IMPEXP_SUCCESS, importMesh8(b.build()));
    EXPECT_TRUE(boxes.calls().empty());
    INode* m = findNode(L"M");
    // Byte-wise, "A" (0x41) sorts before "a" (0x61).
    EXPECT_EQ((std::vector<std::wstring>{L"Arm", L"arm"}), boneNames(skinOf(m)));
    EXPECT_EQ((Weights{{L"arm", 0.75f}, {L"Arm", 0.25f}}), weightsOf(m, 0));
    EXPECT_EQ((Weights{{L"arm", 1.0f}}), weightsOf(m, 1));
    EXPECT_EQ((Weights{{L"Arm", 1.0f}}), weightsOf(m, 2));
}

TEST_F(Skin, Mesh8WeightSlotsGoToTheBonesTheirRecordNames) {
    INode* a = makeBone(L"A", 1);
    INode* bBone = makeBone(L"B", 2);
    makeBone(L"C", 3);
    Mesh8Builder b("Body");
    // Slot 0 names B and slot 1 names A; A sorts first. Vertex 1 and 2 use later names only.
    int v0 = b.vertex(Point3(0, 0, 0), Point3(0, 0, 1), {"B", "A"}, {0.75f, 0.25f});
    int v1 = b.vertex(Point3(1, 0, 0), Point3(0, 0, 1), {"C"}, {1.0f});
    int v2 = b.vertex(Point3(0, 1, 0), Point3(0, 0, 1), {"C", "B"}, {0.5f, 0.5f});
    int v3 = b.vertex(Point3(1, 1, 0), Point3(0, 0, 1), {}, {});
    b.face(v0, v1, v2);
    b.face(v2, v1, v3);
    EXPECT_EQ(IMPEXP_SUCCESS, importMesh8(b.build()));
    EXPECT_TRUE(boxes.calls().empty());
    INode* body = findNode(L"Body");
    ISkin* skin = skinOf(body);
    ASSERT_NE(nullptr, skin);
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"C"}), boneNames(skin));
    EXPECT_EQ((Weights{{L"B", 0.75f}, {L"A", 0.25f}}), weightsOf(body, 0));
    EXPECT_EQ((Weights{{L"C", 1.0f}}), weightsOf(body, 1));
    EXPECT_EQ((Weights{{L"C", 0.5f}, {L"B", 0.5f}}), weightsOf(body, 2));
    EXPECT_TRUE(weightsOf(body, 3).empty());
    // Mesh8 bones are added as they are: no bone mode switched on.
    EXPECT_FALSE(a->GetBoneNodeOnOff());
    EXPECT_FALSE(bBone->GetBoneNodeOnOff());
}

TEST_F(Skin, Mesh8MissingBonesReportedInNameOrderAndNoWeights) {
    makeBone(L"Mid", 1);
    Mesh8Builder b("Body");
    b.face(b.vertex(Point3(0, 0, 0), Point3(0, 0, 1), {"Zed", "Mid"}, {0.5f, 0.5f}),
           b.vertex(Point3(1, 0, 0), Point3(0, 0, 1), {"Alpha"}, {1.0f}),
           b.vertex(Point3(0, 1, 0), Point3(0, 0, 1), {"Mid", "Zed"}, {0.5f, 0.5f}));
    EXPECT_EQ(IMPEXP_SUCCESS, importMesh8(b.build()));
    EXPECT_EQ((std::vector<std::wstring>{boneMessage("Body", "Alpha"), boneMessage("Body", "Zed")}),
              texts(boxes));
    INode* body = findNode(L"Body");
    EXPECT_EQ(std::vector<std::wstring>{L"Mid"}, boneNames(skinOf(body)));
    for (int v = 0; v < 3; ++v)
        EXPECT_TRUE(weightsOf(body, v).empty()) << v;
}

TEST_F(Skin, Mesh8WithoutBoneNamesGetsNoModifier) {
    makeBone(L"Unused", 1);
    Mesh8Builder b("Plain");
    b.face(b.vertex(Point3(0, 0, 0)), b.vertex(Point3(1, 0, 0)), b.vertex(Point3(0, 1, 0)));
    Mesh8Record r = b.build();
    // Bone records present but every count 0.
    r.header.numSkinVerts = 3;
    r.boneRecords.resize(3);
    std::memset(r.boneRecords.data(), 0, 3 * sizeof(Mesh8BoneRecord));
    setField(r.boneRecords[1].boneNames[0], "Unused"); // beyond its count: not a name
    EXPECT_EQ(IMPEXP_SUCCESS, importMesh8(r));
    EXPECT_EQ(nullptr, stackOf(findNode(L"Plain")));
    EXPECT_TRUE(boxes.calls().empty());
}

TEST_F(Skin, Mesh8BoneUsedByManyVerticesIsAddedOnce) {
    makeBone(L"Spine", 1);
    Mesh8Builder b("Torso");
    std::vector<int> v;
    for (int i = 0; i < 6; ++i)
        v.push_back(
            b.vertex(Point3(float(i), float(i % 2), 0), Point3(0, 0, 1), {"Spine"}, {1.0f}));
    b.face(v[0], v[1], v[2]);
    b.face(v[3], v[4], v[5]);
    EXPECT_EQ(IMPEXP_SUCCESS, importMesh8(b.build()));
    INode* torso = findNode(L"Torso");
    EXPECT_EQ(1, skinOf(torso)->GetNumBones());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ((Weights{{L"Spine", 1.0f}}), weightsOf(torso, i)) << i;
}

} // namespace
