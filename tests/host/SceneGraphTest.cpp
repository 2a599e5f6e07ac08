// Nodes, transforms, enumeration order, object evaluation and ownership.
#include "tests/host/HostTestSupport.h"

#include <stdexcept>
#include <string>

namespace {

class SceneGraphTest : public HostTest {};

struct NameRecorder : ITreeEnumProc {
    std::wstring order;
    std::wstring skipChildrenOf, abortAt;
    int callback(INode* node) override {
        std::wstring name = node->GetName();
        order += name + L" ";
        if (name == abortAt)
            return TREE_ABORT;
        return name == skipChildrenOf ? TREE_IGNORECHILDREN : TREE_CONTINUE;
    }
};

TEST_F(SceneGraphTest, NewNodesHangUnderTheRootInCreationOrder) {
    INode* a = emptyNode(L"a");
    INode* b = emptyNode(L"b");
    INode* root = ip()->GetRootNode();
    ASSERT_EQ(2, root->NumberOfChildren());
    EXPECT_EQ(a, root->GetChildNode(0));
    EXPECT_EQ(b, root->GetChildNode(1));
    EXPECT_EQ(root, a->GetParentNode());
    EXPECT_TRUE(root->IsRootNode());
    EXPECT_EQ(nullptr, root->GetParentNode());
    EXPECT_NE(a->GetHandle(), b->GetHandle());
}

TEST_F(SceneGraphTest, EnumTreeIsDepthFirstPreOrderWithoutTheRoot) {
    INode* a = emptyNode(L"a");
    INode* b = emptyNode(L"b");
    INode* a1 = emptyNode(L"a1");
    INode* a2 = emptyNode(L"a2");
    INode* a11 = emptyNode(L"a11");
    emptyNode(L"c");
    a->AttachChild(a1, FALSE);
    a->AttachChild(a2, FALSE);
    a1->AttachChild(a11, FALSE);
    (void)b;

    NameRecorder all;
    EXPECT_EQ(0, exportInterface()->theScene->EnumTree(&all));
    EXPECT_EQ(L"a a1 a11 a2 b c ", all.order);

    NameRecorder skipping;
    skipping.skipChildrenOf = L"a1";
    exportInterface()->theScene->EnumTree(&skipping);
    EXPECT_EQ(L"a a1 a2 b c ", skipping.order);

    NameRecorder aborting;
    aborting.abortAt = L"a2";
    EXPECT_NE(0, exportInterface()->theScene->EnumTree(&aborting));
    EXPECT_EQ(L"a a1 a11 a2 ", aborting.order);

    ASSERT_EQ(6u, allNodesDepthFirst().size());
    EXPECT_EQ(a11, allNodesDepthFirst()[2]);
}

TEST_F(SceneGraphTest, AnExceptionEscapingTheCallbackIsMisuseAndEndsTheEnumeration) {
    emptyNode(L"a");
    emptyNode(L"b");
    struct Throwing : ITreeEnumProc {
        int calls = 0;
        int callback(INode*) override {
            ++calls;
            throw std::runtime_error("callback failed");
        }
    } throwing;
    MisuseRecorder misuse;
    EXPECT_EQ(1, exportInterface()->theScene->EnumTree(&throwing));
    EXPECT_EQ(1, throwing.calls);
    ASSERT_EQ(1u, misuse.reports().size());
    EXPECT_NE(std::string::npos, misuse.reports()[0].find("exception escaped"));
    EXPECT_NE(std::string::npos, misuse.reports()[0].find("\"a\""));
}

TEST_F(SceneGraphTest, ObjectTransformAddsThePivotOffset) {
    INode* node = emptyNode(L"n");
    Matrix3 world = RotateZMatrix(0.5f) * TransMatrix(Point3(5.0f, 0.0f, 0.0f));
    node->SetNodeTM(0, world);
    expectMatrixNear(world, node->GetObjectTM(0));

    node->SetObjOffsetPos(Point3(0.0f, 2.0f, 0.0f));
    node->SetObjOffsetRot(QFromAngAxis(0.25f, Point3(1.0f, 0.0f, 0.0f)));
    node->SetObjOffsetScale(ScaleValue(Point3(3.0f, 3.0f, 3.0f)));
    Matrix3 offset =
        ScaleMatrix(Point3(3.0f, 3.0f, 3.0f)) * RotateXMatrix(0.25f) * TransMatrix(Point3(0, 2, 0));
    expectMatrixNear(offset * world, node->GetObjectTM(0));
    expectMatrixNear(world, node->GetNodeTM(0)); // the node itself did not move
    expectPointNear(Point3(0.0f, 2.0f, 0.0f), node->GetObjOffsetPos());
}

TEST_F(SceneGraphTest, TransformsAreStoredRelativeToTheParent) {
    INode* parent = emptyNode(L"parent");
    INode* child = emptyNode(L"child");
    Matrix3 parentTM = TransMatrix(Point3(10.0f, 0.0f, 0.0f));
    parent->SetNodeTM(0, parentTM);

    // Set before attaching: the child keeps its local transform and moves with the parent.
    Matrix3 childTM = TransMatrix(Point3(12.0f, 0.0f, 0.0f));
    child->SetNodeTM(0, childTM);
    parent->AttachChild(child, FALSE);
    expectPointNear(Point3(22.0f, 0.0f, 0.0f), child->GetNodeTM(0).GetTrans());

    // Set after attaching: the world transform is what was asked for.
    child->SetNodeTM(0, childTM);
    expectPointNear(Point3(12.0f, 0.0f, 0.0f), child->GetNodeTM(0).GetTrans());

    // Moving the parent moves the child.
    Matrix3 moved = TransMatrix(Point3(10.0f, 5.0f, 0.0f));
    parent->SetNodeTM(0, moved);
    expectPointNear(Point3(12.0f, 5.0f, 0.0f), child->GetNodeTM(0).GetTrans());
}

TEST_F(SceneGraphTest, AttachWithKeepTMKeepsTheWorldTransform) {
    INode* parent = emptyNode(L"parent");
    INode* child = emptyNode(L"child");
    Matrix3 parentTM = ScaleMatrix(Point3(2, 2, 2)) * TransMatrix(Point3(1, 1, 1));
    parent->SetNodeTM(0, parentTM);
    Matrix3 childTM = RotateYMatrix(0.3f) * TransMatrix(Point3(-4, 0, 2));
    child->SetNodeTM(0, childTM);
    parent->AttachChild(child, TRUE);
    expectMatrixNear(childTM, child->GetNodeTM(0));
    EXPECT_EQ(parent, child->GetParentNode());
    EXPECT_EQ(1, ip()->GetRootNode()->NumberOfChildren()); // only the parent is top level

    child->Detach(0, 1);
    expectMatrixNear(childTM, child->GetNodeTM(0));
    EXPECT_EQ(ip()->GetRootNode(), child->GetParentNode());
    EXPECT_EQ(0, parent->NumberOfChildren());
}

TEST_F(SceneGraphTest, CyclesAreRefused) {
    INode* a = emptyNode(L"a");
    INode* b = emptyNode(L"b");
    a->AttachChild(b, FALSE);
    MisuseRecorder misuse;
    b->AttachChild(a, FALSE);
    a->AttachChild(a, FALSE);
    EXPECT_EQ(2u, misuse.reports().size());
    EXPECT_EQ(ip()->GetRootNode(), a->GetParentNode());
    EXPECT_EQ(a, b->GetParentNode());
}

TEST_F(SceneGraphTest, OnlyGeometryConvertsToATriangleObject) {
    INode* mesh =
        meshNode(L"mesh", {Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0)}, {{0, 1, 2}});
    Class_ID triClass(TRIOBJ_CLASS_ID, 0);
    Object* obj = mesh->EvalWorldState(0).obj;
    ASSERT_NE(nullptr, obj);
    EXPECT_TRUE(obj->CanConvertToType(triClass));
    EXPECT_EQ(obj, obj->ConvertToType(0, triClass));

    Object* others[3] = {createHelperObject(), createLightObject(), createCameraObject()};
    for (Object* other : others) {
        INode* node = ip()->CreateObjectNode(other);
        Object* evaluated = node->EvalWorldState(0).obj;
        EXPECT_EQ(other, evaluated);
        EXPECT_FALSE(evaluated->CanConvertToType(triClass));
        EXPECT_EQ(nullptr, evaluated->ConvertToType(0, triClass));
    }
}

TEST_F(SceneGraphTest, EvaluationSeesThroughTheModifierStack) {
    INode* node = meshNode(L"m", {Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0)}, {{0, 1, 2}});
    Object* tri = node->GetObjectRef();
    IDerivedObject* stack = CreateDerivedObject(tri);
    node->SetObjectRef(stack);
    Modifier* first = static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
    Modifier* second = static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
    stack->AddModifier(first);
    stack->AddModifier(second); // goes on top: index 0
    EXPECT_EQ(stack, node->GetObjectRef());
    EXPECT_EQ(tri, node->EvalWorldState(0).obj);
    EXPECT_EQ(GEN_DERIVOB_CLASS_ID, stack->SuperClassID());
    ASSERT_EQ(2, stack->NumModifiers());
    EXPECT_EQ(second, stack->GetModifier(0));
    EXPECT_EQ(first, stack->GetModifier(1));
    EXPECT_TRUE(stack->GetModifier(1)->ClassID() == SKIN_CLASSID);
}

TEST_F(SceneGraphTest, DeleteMeSparesReferencedObjectsAndFreesTemporaries) {
    INode* node = meshNode(L"m", {Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0)}, {{0, 1, 2}});
    size_t before = liveObjectCount();
    // The usual pattern: delete the conversion result only if it is not the pipeline object.
    Object* obj = node->EvalWorldState(0).obj;
    auto* tri = static_cast<TriObject*>(obj->ConvertToType(0, Class_ID(TRIOBJ_CLASS_ID, 0)));
    tri->DeleteMe(); // even when called by mistake, a referenced object survives
    EXPECT_EQ(before, liveObjectCount());
    EXPECT_EQ(3, meshOf(node).numVerts);

    TriObject* temporary = CreateNewTriObject();
    EXPECT_EQ(before + 1, liveObjectCount());
    temporary->DeleteMe();
    EXPECT_EQ(before, liveObjectCount());
}

TEST_F(SceneGraphTest, ResetFreesEverythingButANewRoot) {
    meshNode(L"m", {Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0)}, {{0, 1, 2}});
    NewDefaultStdMat();
    CreateNewTriObject(); // never attached: still owned by the scene
    EXPECT_GT(liveObjectCount(), 4u);
    resetScene();
    EXPECT_EQ(0, ip()->GetRootNode()->NumberOfChildren());
    EXPECT_EQ(1u, liveObjectCount()); // the root
}

TEST_F(SceneGraphTest, NamesSelectionAndFlags) {
    INode* a = emptyNode(L"Bone01");
    INode* b = emptyNode(L"bone01");
    EXPECT_EQ(a, ip()->GetINodeByName(L"Bone01"));
    EXPECT_EQ(b, ip()->GetINodeByName(L"bone01"));
    EXPECT_EQ(nullptr, ip()->GetINodeByName(L"Bone02"));

    ip()->SelectNode(a);
    ip()->SelectNode(b, 0);
    EXPECT_EQ(2, ip()->GetSelNodeCount());
    EXPECT_TRUE(a->Selected());
    ip()->SelectNode(b);
    EXPECT_EQ(1, ip()->GetSelNodeCount());
    EXPECT_FALSE(a->Selected());
    EXPECT_EQ(b, ip()->GetSelNode(0));

    EXPECT_FALSE(a->GetBoneNodeOnOff());
    a->SetBoneNodeOnOff(TRUE, 0);
    EXPECT_TRUE(a->GetBoneNodeOnOff());
    EXPECT_EQ(0, b->IsHidden());
    b->Hide(TRUE);
    EXPECT_NE(0, b->IsHidden(0, FALSE));
    EXPECT_NE(nullptr, ip()->GetMAXHWnd());
}

TEST_F(SceneGraphTest, WorldBoundBoxTransformsTheMeshBoxCorners) {
    INode* node = meshNode(L"m", {Point3(0, 0, 0), Point3(2, 0, 0), Point3(0, 1, 0)}, {{0, 1, 2}});
    Matrix3 tm = RotateZMatrix(3.14159265f / 2) * TransMatrix(Point3(10, 0, 0));
    node->SetNodeTM(0, tm);
    Box3 box;
    node->EvalWorldState(0).obj->GetWorldBoundBox(0, node, &ip()->GetActiveViewExp(), box);
    expectPointNear(Point3(9.0f, 0.0f, 0.0f), box.Min());
    expectPointNear(Point3(10.0f, 2.0f, 0.0f), box.Max());

    Box3 none;
    createHelperObject()->GetWorldBoundBox(0, node, &ip()->GetActiveViewExp(), none);
    EXPECT_TRUE(none.IsEmpty());
}

} // namespace

namespace {

class SceneLifecycleTest : public HostTest {};

TEST_F(SceneLifecycleTest, NamedCreationAndRenaming) {
    INode* node = GetCOREInterface7()->CreateObjectNode(createHelperObject(), L"Dummy01");
    EXPECT_STREQ(L"Dummy01", node->GetName());
    EXPECT_EQ(node, ip()->GetINodeByName(L"Dummy01"));
    node->SetName(L"Renamed");
    EXPECT_EQ(nullptr, ip()->GetINodeByName(L"Dummy01"));
    EXPECT_EQ(node, ip()->GetINodeByName(L"Renamed"));
    node->SetName(nullptr);
    EXPECT_STREQ(L"", node->GetName());
}

TEST_F(SceneLifecycleTest, FirstOfSeveralNamesakesInDepthFirstOrder) {
    INode* top = emptyNode(L"top");
    INode* deep = emptyNode(L"twin");
    INode* later = emptyNode(L"twin");
    top->AttachChild(deep, FALSE);
    (void)later;
    EXPECT_EQ(deep, ip()->GetINodeByName(L"twin"));
}

TEST_F(SceneLifecycleTest, ModifierStackEditing) {
    INode* node = meshNode(L"m", {Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0)}, {{0, 1, 2}});
    IDerivedObject* stack = CreateDerivedObject();
    EXPECT_EQ(nullptr, stack->GetObjRef());
    stack->ReferenceObject(node->GetObjectRef());
    node->SetObjectRef(stack);
    auto* a = static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
    auto* b = static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
    stack->AddModifier(a);
    stack->SetModifier(0, b);
    EXPECT_EQ(b, stack->GetModifier(0));
    stack->DeleteModifier(0);
    EXPECT_EQ(0, stack->NumModifiers());

    MisuseRecorder misuse;
    EXPECT_EQ(nullptr, stack->GetModifier(0));
    stack->AddModifier(a, nullptr, 3);
    EXPECT_EQ(REF_FAIL, stack->ReferenceObject(stack));
    EXPECT_EQ(3u, misuse.reports().size());
    EXPECT_TRUE(node->EvalWorldState(0).obj->ClassID() == Class_ID(TRIOBJ_CLASS_ID, 0));
}

TEST_F(SceneLifecycleTest, ResetRestartsHandlesAndForgetsIGameAndSelection) {
    INode* first = meshNode(L"m", {Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0)}, {{0, 1, 2}});
    ULONG firstHandle = first->GetHandle();
    ip()->SelectNode(first);
    GetIGameInterface()->InitialiseIGame(false);
    ASSERT_EQ(1, GetIGameInterface()->GetIGameNodeByType(IGameObject::IGAME_MESH).Count());
    resetScene();
    EXPECT_EQ(0, ip()->GetSelNodeCount());
    EXPECT_EQ(0, GetIGameInterface()->GetIGameNodeByType(IGameObject::IGAME_MESH).Count());
    INode* again = emptyNode(L"again");
    EXPECT_EQ(firstHandle, again->GetHandle());
}

TEST_F(SceneLifecycleTest, NodesCannotBeHandedBack) {
    INode* node = emptyNode(L"n");
    MisuseRecorder misuse;
    node->DeleteThis();
    EXPECT_EQ(1u, misuse.reports().size());
    EXPECT_EQ(node, ip()->GetRootNode()->GetChildNode(0)); // the node is still there
}

TEST_F(SceneLifecycleTest, ObjectsSharedByNodesStayAliveUntilBothLetGo) {
    TriObject* shared = CreateNewTriObject();
    INode* a = ip()->CreateObjectNode(shared);
    INode* b = ip()->CreateObjectNode(shared);
    size_t alive = liveObjectCount();
    a->SetObjectRef(createHelperObject());
    shared->DeleteMe(); // b still refers to it
    EXPECT_EQ(alive + 1, liveObjectCount());
    b->SetObjectRef(nullptr);
    shared->DeleteMe();
    EXPECT_EQ(alive, liveObjectCount());
    EXPECT_EQ(nullptr, b->EvalWorldState(0).obj);
}

} // namespace
