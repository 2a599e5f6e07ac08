// Skin data written through ISkinImportData and read back through ISkin and ISkinContextData,
// as strict as the Skin modifier's own source.
#include "tests/host/HostTestSupport.h"

namespace {

class SkinTest : public HostTest {
protected:
    INode* skinned = nullptr;
    Modifier* skinMod = nullptr;
    ISkinImportData* importer = nullptr;
    ISkin* skin = nullptr;

    // A four-vertex mesh wrapped in a stack with a Skin modifier, as the importer builds it.
    void SetUp() override {
        HostTest::SetUp();
        skinned =
            meshNode(L"body", {Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0), Point3(1, 1, 0)},
                     {{0, 1, 2}, {1, 3, 2}});
        skinMod = static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
        ASSERT_NE(nullptr, skinMod);
        importer = static_cast<ISkinImportData*>(skinMod->GetInterface(I_SKINIMPORTDATA));
        skin = static_cast<ISkin*>(skinMod->GetInterface(I_SKIN));
        ASSERT_NE(nullptr, importer);
        ASSERT_NE(nullptr, skin);
        IDerivedObject* stack = CreateDerivedObject(skinned->GetObjectRef());
        skinned->SetObjectRef(stack);
        stack->AddModifier(skinMod);
    }
    void TearDown() override {
        setSkinUpdateEvaluates(false);
        HostTest::TearDown();
    }

    INode* boneAt(const wchar_t* name, const Point3& at) {
        INode* bone = emptyNode(name);
        Matrix3 tm = TransMatrix(at);
        bone->SetNodeTM(0, tm);
        return bone;
    }
    BOOL addWeights(int vertex, std::vector<INode*> bones, std::vector<float> weights) {
        Tab<INode*> boneTab;
        Tab<float> weightTab;
        for (INode*& bone : bones)
            boneTab.Append(1, &bone);
        for (float& w : weights)
            weightTab.Append(1, &w);
        return importer->AddWeights(skinned, vertex, boneTab, weightTab);
    }
    ISkinContextData* data() { return skin->GetContextInterface(skinned); }
    std::vector<std::pair<int, float>> influences(int vertex) {
        std::vector<std::pair<int, float>> list;
        for (int k = 0; k < data()->GetNumAssignedBones(vertex); ++k)
            list.emplace_back(data()->GetAssignedBone(vertex, k), data()->GetBoneWeight(vertex, k));
        return list;
    }
};

using Influences = std::vector<std::pair<int, float>>;

TEST_F(SkinTest, ModifierIdentity) {
    EXPECT_TRUE(skinMod->ClassID() == Class_ID(0x0095C723, 0x00015666));
    EXPECT_EQ((SClass_ID)OSM_CLASS_ID, skinMod->SuperClassID());
    EXPECT_EQ(nullptr, skinMod->GetInterface(0x12345));
    EXPECT_EQ(nullptr, CreateInstance(OSM_CLASS_ID, Class_ID(1, 2)));
}

TEST_F(SkinTest, NothingIsWrittenBeforeTheNodeIsEvaluated) {
    MisuseRecorder misuse;
    INode* bone = boneAt(L"bone", Point3(0, 0, 0));
    EXPECT_TRUE(importer->AddBoneEx(bone, TRUE)); // does not evaluate by default
    Matrix3 tm(TRUE);
    EXPECT_FALSE(addWeights(0, {bone}, {1.0f}));
    EXPECT_FALSE(importer->SetSkinTm(skinned, tm, tm));
    EXPECT_EQ(nullptr, data());
    EXPECT_EQ(SKIN_INVALID_NODE_PTR, skin->GetSkinInitTM(skinned, tm));
    EXPECT_TRUE(misuse.reports().empty()); // failures, not misuse

    Matrix3 atEvaluation = TransMatrix(Point3(0, 0, 5));
    skinned->SetNodeTM(0, atEvaluation);
    skinned->EvalWorldState(0);
    ASSERT_NE(nullptr, data());
    EXPECT_EQ(4, data()->GetNumPoints());
    EXPECT_EQ(SKIN_OK, skin->GetSkinInitTM(skinned, tm, true));
    expectMatrixNear(atEvaluation, tm); // taken at the first evaluation
    EXPECT_TRUE(addWeights(0, {bone}, {1.0f}));
    EXPECT_TRUE(importer->SetSkinTm(skinned, tm, tm));
}

TEST_F(SkinTest, UpdateEvaluatesTheSkinnedNodesOnlyWhenTheHostIsToldTo) {
    INode* bone = boneAt(L"bone", Point3(0, 0, 0));
    setSkinUpdateEvaluates(true);
    EXPECT_TRUE(importer->AddBoneEx(bone, FALSE));
    EXPECT_EQ(nullptr, data());
    EXPECT_TRUE(importer->AddBoneEx(bone, TRUE));
    ASSERT_NE(nullptr, data());
    EXPECT_TRUE(addWeights(0, {bone}, {1.0f}));
}

TEST_F(SkinTest, WeightsReadBackNormalisedAndUnweightedVerticesFromEnvelopes) {
    INode* hip = boneAt(L"hip", Point3(0, 0, 0));
    INode* knee = boneAt(L"knee", Point3(1, 1, 0));
    EXPECT_TRUE(importer->AddBoneEx(hip, FALSE));
    EXPECT_TRUE(importer->AddBoneEx(knee, FALSE));
    EXPECT_TRUE(importer->AddBoneEx(knee, TRUE)); // again: no second entry
    ASSERT_EQ(2, skin->GetNumBones());
    EXPECT_STREQ(L"knee", skin->GetBoneName(1));
    skinned->EvalWorldState(0);

    EXPECT_TRUE(addWeights(0, {knee, hip}, {0.5f, 0.7f}));
    float sum = 0.5f + 0.7f;
    EXPECT_EQ((Influences{{1, 0.5f / sum}, {0, 0.7f / sum}}), influences(0));
    EXPECT_TRUE(addWeights(0, {knee}, {0.4f})); // replaces; a lone 0.4 reads 0
    EXPECT_EQ((Influences{{1, 0.0f}}), influences(0));
    EXPECT_TRUE(addWeights(1, {hip}, {0.6f})); // a lone 0.6 reads 1
    EXPECT_EQ((Influences{{0, 1.0f}}), influences(1));
    EXPECT_TRUE(addWeights(2, {}, {})); // pinned: no weights, not even from the envelopes
    EXPECT_TRUE(influences(2).empty());
    // Vertex 3 was never given weights: the nearest bone's envelope takes it.
    EXPECT_EQ((Influences{{1, 1.0f}}), influences(3));

    // More than 20 influences: the 20 strongest, over their own sum.
    std::vector<INode*> many;
    std::vector<float> weights;
    for (int b = 0; b < 22; ++b) {
        many.push_back(boneAt(L"b", Point3(5, 5, 5)));
        EXPECT_TRUE(importer->AddBoneEx(many.back(), FALSE));
        weights.push_back(float(b + 1));
    }
    EXPECT_TRUE(addWeights(3, many, weights));
    ASSERT_EQ(20, data()->GetNumAssignedBones(3));
    float kept = 0.0f;
    for (int b = 22; b >= 3; --b)
        kept += float(b);
    EXPECT_EQ(skin->GetBone(data()->GetAssignedBone(3, 0)), many[21]);
    EXPECT_FLOAT_EQ(22.0f / kept, data()->GetBoneWeight(3, 0));
    EXPECT_FLOAT_EQ(3.0f / kept, data()->GetBoneWeight(3, 19));
}

TEST_F(SkinTest, BindTransformsFollowAddBoneExAndSetBoneTm) {
    Matrix3 boneNow = TransMatrix(Point3(1, 2, 3));
    INode* bone = boneAt(L"bone", Point3(1, 2, 3));
    Matrix3 boneObject = TransMatrix(Point3(4, 5, 6));
    Matrix3 boneNode = TransMatrix(Point3(7, 8, 9));
    EXPECT_FALSE(importer->SetBoneTm(bone, boneObject, boneNode)); // not added yet
    EXPECT_TRUE(importer->AddBoneEx(bone, TRUE));
    Matrix3 moved = TransMatrix(Point3(0, 0, 100));
    bone->SetNodeTM(0, moved);
    Matrix3 got;
    EXPECT_EQ(SKIN_OK, skin->GetBoneInitTM(bone, got));
    expectMatrixNear(boneNow, got); // captured when added
    EXPECT_TRUE(importer->SetBoneTm(bone, boneObject, boneNode));
    EXPECT_EQ(SKIN_OK, skin->GetBoneInitTM(bone, got, false));
    expectMatrixNear(boneNode, got);
    EXPECT_EQ(SKIN_OK, skin->GetBoneInitTM(bone, got, true));
    expectMatrixNear(boneObject, got);
    expectMatrixNear(Inverse(boneObject), skin->GetBoneTm(0));
    EXPECT_EQ(SKIN_INVALID_NODE_PTR, skin->GetBoneInitTM(skinned, got));

    skinned->EvalWorldState(0);
    Matrix3 skinObject = TransMatrix(Point3(-1, 0, 0));
    Matrix3 skinNode = TransMatrix(Point3(-2, 0, 0));
    EXPECT_TRUE(importer->SetSkinTm(skinned, skinObject, skinNode));
    EXPECT_EQ(SKIN_OK, skin->GetSkinInitTM(skinned, got, true));
    expectMatrixNear(skinObject, got);
    EXPECT_EQ(SKIN_OK, skin->GetSkinInitTM(skinned, got, false));
    expectMatrixNear(skinNode, got);
}

TEST_F(SkinTest, RefusedBonesAndWeightsChangeNothing) {
    INode* added = boneAt(L"added", Point3(0, 0, 0));
    INode* stranger = boneAt(L"stranger", Point3(0, 0, 0));
    INode* noObject = ip()->CreateObjectNode(nullptr);
    MisuseRecorder misuse;
    EXPECT_FALSE(importer->AddBoneEx(skinned, TRUE)); // depends on the skin
    EXPECT_FALSE(importer->AddBoneEx(noObject, TRUE));
    auto* loose = static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
    auto* looseImport = static_cast<ISkinImportData*>(loose->GetInterface(I_SKINIMPORTDATA));
    EXPECT_FALSE(looseImport->AddBoneEx(added, TRUE)); // on no node
    EXPECT_EQ(0, skin->GetNumBones());
    EXPECT_TRUE(importer->AddBoneEx(added, TRUE));
    skinned->EvalWorldState(0);
    EXPECT_TRUE(addWeights(0, {added}, {1.0f}));

    EXPECT_FALSE(addWeights(0, {stranger}, {1.0f})); // never added
    EXPECT_FALSE(addWeights(0, {added, nullptr}, {0.5f, 0.5f}));
    EXPECT_FALSE(addWeights(0, {added, added}, {1.0f}));
    Tab<INode*> bones;
    Tab<float> weights;
    EXPECT_FALSE(importer->AddWeights(nullptr, 0, bones, weights));
    EXPECT_FALSE(importer->AddWeights(stranger, 0, bones, weights)); // node without the skin
    EXPECT_TRUE(misuse.reports().empty());
    EXPECT_EQ((Influences{{0, 1.0f}}), influences(0));

    EXPECT_FALSE(addWeights(4, {added}, {1.0f})); // the Skin has points 0-3
    (void)data()->GetBoneWeight(0, 1);            // no influence 1 at vertex 0
    (void)importer->AddBoneEx(nullptr, TRUE);
    ASSERT_EQ(3u, misuse.reports().size());
    EXPECT_NE(std::string::npos, misuse.reports()[0].find("vertex 4"));
}

class SkinContextTest : public SkinTest {};

TEST_F(SkinContextTest, PointsAreThoseEnteringTheSkin) {
    skinned->EvalWorldState(0);
    ISkinContextData* context = data();
    ASSERT_NE(nullptr, context);
    // A modifier above the Skin changes the final mesh, not the Skin's points.
    auto* stack = static_cast<IDerivedObject*>(skinned->GetObjectRef());
    stack->AddModifier(createVertexAddingModifier(2));
    EXPECT_EQ(6, meshOf(skinned).getNumVerts());
    EXPECT_EQ(4, context->GetNumPoints());
    // A change below it reaches the Skin at the next evaluation.
    static_cast<TriObject*>(stack->GetObjRef())->GetMesh().setNumVerts(5, TRUE);
    EXPECT_EQ(4, context->GetNumPoints());
    skinned->EvalWorldState(0);
    EXPECT_EQ(5, context->GetNumPoints());

    // A stack over the stack still carries the skin.
    IDerivedObject* outer = CreateDerivedObject(skinned->GetObjectRef());
    skinned->SetObjectRef(outer);
    EXPECT_EQ(context, data());
    // Taken off, the modifier no longer weighs on the node.
    skinned->SetObjectRef(stack);
    stack->DeleteModifier(1);
    EXPECT_EQ(nullptr, data());
}

TEST_F(SkinContextTest, EachNodeHasItsOwnWeights) {
    INode* other =
        meshNode(L"other", {Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0)}, {{0, 1, 2}});
    IDerivedObject* otherStack = CreateDerivedObject(other->GetObjectRef());
    other->SetObjectRef(otherStack);
    otherStack->AddModifier(skinMod); // one modifier instanced on two nodes
    INode* bone = emptyNode(L"bone");
    importer->AddBoneEx(bone, TRUE);
    skinned->EvalWorldState(0);
    EXPECT_EQ(nullptr, skin->GetContextInterface(other)); // not evaluated yet
    other->EvalWorldState(0);
    EXPECT_TRUE(addWeights(1, {}, {}));
    ISkinContextData* mine = data();
    ISkinContextData* theirs = skin->GetContextInterface(other);
    ASSERT_NE(nullptr, theirs);
    EXPECT_NE(mine, theirs);
    EXPECT_EQ(3, theirs->GetNumPoints());
    EXPECT_EQ(0, mine->GetNumAssignedBones(1));
    EXPECT_EQ(1, theirs->GetNumAssignedBones(1));
}

} // namespace
