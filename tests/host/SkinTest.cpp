// Skin data written through ISkinImportData and read back through ISkin and ISkinContextData.
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

    BOOL addWeights(int vertex, std::vector<INode*> bones, std::vector<float> weights) {
        Tab<INode*> boneTab;
        Tab<float> weightTab;
        for (INode*& bone : bones)
            boneTab.Append(1, &bone);
        for (float& w : weights)
            weightTab.Append(1, &w);
        return importer->AddWeights(skinned, vertex, boneTab, weightTab);
    }
};

TEST_F(SkinTest, ModifierIdentity) {
    EXPECT_TRUE(skinMod->ClassID() == Class_ID(0x0095C723, 0x00015666));
    EXPECT_EQ((SClass_ID)OSM_CLASS_ID, skinMod->SuperClassID());
    EXPECT_EQ(nullptr, skinMod->GetInterface(0x12345));
    EXPECT_EQ(nullptr, CreateInstance(OSM_CLASS_ID, Class_ID(1, 2)));
}

TEST_F(SkinTest, BonesAndWeightsReadBackAsWritten) {
    INode* hip = emptyNode(L"hip");
    INode* knee = emptyNode(L"knee");
    INode* foot = emptyNode(L"foot");
    EXPECT_TRUE(importer->AddBoneEx(hip, TRUE));
    EXPECT_TRUE(importer->AddBoneEx(knee, TRUE));
    EXPECT_TRUE(importer->AddBoneEx(foot, TRUE));
    EXPECT_TRUE(importer->AddBoneEx(knee, TRUE)); // again: no second entry
    ASSERT_EQ(3, skin->GetNumBones());
    EXPECT_EQ(knee, skin->GetBone(1));
    EXPECT_STREQ(L"foot", skin->GetBoneName(2));

    EXPECT_TRUE(addWeights(0, {hip}, {1.0f}));
    EXPECT_TRUE(addWeights(2, {foot, hip}, {0.25f, 0.75f}));
    EXPECT_TRUE(addWeights(3, {knee, foot}, {0.5f, 0.7f})); // kept as given, not normalised
    EXPECT_TRUE(addWeights(3, {knee}, {0.4f}));             // replaces the earlier ones

    ISkinContextData* data = skin->GetContextInterface(skinned);
    ASSERT_NE(nullptr, data);
    ASSERT_EQ(4, data->GetNumPoints());
    EXPECT_EQ(1, data->GetNumAssignedBones(0));
    EXPECT_EQ(0, data->GetAssignedBone(0, 0));
    EXPECT_EQ(0, data->GetNumAssignedBones(1));
    ASSERT_EQ(2, data->GetNumAssignedBones(2));
    EXPECT_EQ(2, data->GetAssignedBone(2, 0));
    EXPECT_FLOAT_EQ(0.25f, data->GetBoneWeight(2, 0));
    EXPECT_EQ(0, data->GetAssignedBone(2, 1));
    EXPECT_FLOAT_EQ(0.75f, data->GetBoneWeight(2, 1));
    ASSERT_EQ(1, data->GetNumAssignedBones(3));
    EXPECT_EQ(1, data->GetAssignedBone(3, 0));
    EXPECT_FLOAT_EQ(0.4f, data->GetBoneWeight(3, 0));

    EXPECT_EQ(nullptr, skin->GetContextInterface(hip)); // the bone does not carry the skin
}

TEST_F(SkinTest, BindTransformsAreThoseStored) {
    INode* bone = emptyNode(L"bone");
    Matrix3 boneNow = TransMatrix(Point3(1, 2, 3));
    bone->SetNodeTM(0, boneNow);
    Matrix3 boneObject = TransMatrix(Point3(4, 5, 6));
    Matrix3 boneNode = TransMatrix(Point3(7, 8, 9));
    // SetBoneTm may come before AddBoneEx, as the legacy importer calls them.
    EXPECT_TRUE(importer->SetBoneTm(bone, boneObject, boneNode));
    importer->AddBoneEx(bone, TRUE);
    Matrix3 got;
    EXPECT_EQ(SKIN_OK, skin->GetBoneInitTM(bone, got, false));
    expectMatrixNear(boneNode, got);
    EXPECT_EQ(SKIN_OK, skin->GetBoneInitTM(bone, got, true));
    expectMatrixNear(boneObject, got);
    expectMatrixNear(boneNode, skin->GetBoneTm(0));

    // A bone added without SetBoneTm keeps the transform it had when added.
    INode* other = emptyNode(L"other");
    Matrix3 otherNow = RotateXMatrix(0.5f);
    other->SetNodeTM(0, otherNow);
    importer->AddBoneEx(other, TRUE);
    Matrix3 moved = TransMatrix(Point3(0, 0, 100));
    other->SetNodeTM(0, moved);
    EXPECT_EQ(SKIN_OK, skin->GetBoneInitTM(other, got));
    expectMatrixNear(otherNow, got);

    EXPECT_EQ(SKIN_INVALID_NODE_PTR, skin->GetBoneInitTM(skinned, got));

    Matrix3 skinObject = TransMatrix(Point3(-1, 0, 0));
    Matrix3 skinNode = TransMatrix(Point3(-2, 0, 0));
    EXPECT_TRUE(importer->SetSkinTm(skinned, skinObject, skinNode));
    EXPECT_EQ(SKIN_OK, skin->GetSkinInitTM(skinned, got, true));
    expectMatrixNear(skinObject, got);
    EXPECT_EQ(SKIN_OK, skin->GetSkinInitTM(skinned, got, false));
    expectMatrixNear(skinNode, got);
}

TEST_F(SkinTest, BadWeightsAreReportedAndNotStored) {
    INode* added = emptyNode(L"added");
    INode* stranger = emptyNode(L"stranger");
    importer->AddBoneEx(added, TRUE);
    MisuseRecorder misuse;
    EXPECT_FALSE(addWeights(4, {added}, {1.0f})); // the mesh has vertices 0-3
    EXPECT_FALSE(addWeights(-1, {added}, {1.0f}));
    EXPECT_FALSE(addWeights(0, {stranger}, {1.0f})); // never added
    EXPECT_FALSE(addWeights(0, {added, added}, {1.0f}));
    Tab<INode*> bones;
    bones.Append(1, &added);
    float w = 1.0f;
    Tab<float> weights;
    weights.Append(1, &w);
    EXPECT_FALSE(importer->AddWeights(stranger, 0, bones, weights)); // node without the skin
    ASSERT_EQ(5u, misuse.reports().size());
    EXPECT_NE(std::string::npos, misuse.reports()[0].find("vertex 4"));
    EXPECT_NE(std::string::npos, misuse.reports()[2].find("\"stranger\" was not added"));

    ISkinContextData* data = skin->GetContextInterface(skinned);
    EXPECT_EQ(0, data->GetNumAssignedBones(0));
    (void)data->GetBoneWeight(0, 0); // no influence 0 at vertex 0
    (void)skin->GetBone(5);
    EXPECT_EQ(7u, misuse.reports().size());
    EXPECT_FALSE(importer->AddBoneEx(nullptr, TRUE));
}

} // namespace

namespace {

class SkinContextTest : public SkinTest {};

TEST_F(SkinContextTest, PointsFollowTheMeshAndTheStack) {
    ISkinContextData* data = skin->GetContextInterface(skinned);
    ASSERT_NE(nullptr, data);
    meshOf(skinned).setNumVerts(6, TRUE);
    EXPECT_EQ(6, data->GetNumPoints());
    INode* bone = emptyNode(L"bone");
    importer->AddBoneEx(bone, TRUE);
    EXPECT_TRUE(addWeights(5, {bone}, {1.0f}));

    // A stack over the stack still carries the skin.
    IDerivedObject* outer = CreateDerivedObject(skinned->GetObjectRef());
    skinned->SetObjectRef(outer);
    EXPECT_EQ(data, skin->GetContextInterface(skinned));

    // Taken off, the modifier no longer weighs on the node.
    skinned->SetObjectRef(static_cast<IDerivedObject*>(skinned->GetObjectRef())->GetObjRef());
    auto* inner = static_cast<IDerivedObject*>(skinned->GetObjectRef());
    inner->DeleteModifier(0);
    EXPECT_EQ(nullptr, skin->GetContextInterface(skinned));
    MisuseRecorder misuse;
    EXPECT_FALSE(addWeights(0, {bone}, {1.0f}));
    EXPECT_EQ(1u, misuse.reports().size());
}

TEST_F(SkinContextTest, EachNodeHasItsOwnWeights) {
    INode* other =
        meshNode(L"other", {Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0)}, {{0, 1, 2}});
    IDerivedObject* otherStack = CreateDerivedObject(other->GetObjectRef());
    other->SetObjectRef(otherStack);
    otherStack->AddModifier(skinMod); // one modifier instanced on two nodes
    INode* bone = emptyNode(L"bone");
    importer->AddBoneEx(bone, TRUE);
    EXPECT_TRUE(addWeights(1, {bone}, {0.5f}));
    ISkinContextData* mine = skin->GetContextInterface(skinned);
    ISkinContextData* theirs = skin->GetContextInterface(other);
    ASSERT_NE(nullptr, theirs);
    EXPECT_NE(mine, theirs);
    EXPECT_EQ(3, theirs->GetNumPoints());
    EXPECT_EQ(1, mine->GetNumAssignedBones(1));
    EXPECT_EQ(0, theirs->GetNumAssignedBones(1));
}

} // namespace
