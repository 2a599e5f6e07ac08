// IGame over the in-memory scene: node lists, transforms, corner normals, map channels, skin
// and materials.
#include "tests/host/HostTestSupport.h"

namespace {

class IGameTest : public HostTest {
protected:
    IGameScene* game = nullptr;
    void SetUp() override {
        HostTest::SetUp();
        game = GetIGameInterface();
        GetConversionManager()->SetCoordSystem(IGameConversionManager::IGAME_MAX);
    }

    // A quad of two triangles in the z=0 plane, texture coordinates per corner.
    INode* quad(const wchar_t* name, bool withUVs) {
        INode* node =
            meshNode(name, {Point3(0, 0, 0), Point3(1, 0, 0), Point3(0, 1, 0), Point3(1, 1, 0)},
                     {{0, 1, 2}, {1, 3, 2}});
        if (withUVs) {
            Mesh& mesh = meshOf(node);
            mesh.setNumTVerts(6);
            mesh.setNumTVFaces(2);
            for (int i = 0; i < 6; ++i)
                mesh.tVerts[i] = Point3(0.1f * (float)i, 1.0f - 0.1f * (float)i, 0.0f);
            mesh.tvFace[0].setTVerts(0, 1, 2);
            mesh.tvFace[1].setTVerts(3, 4, 5);
        }
        return node;
    }

    IGameMesh* initialisedMesh(INode* node) {
        IGameNode* gameNode = game->GetIGameNode(node);
        auto* mesh = static_cast<IGameMesh*>(gameNode->GetIGameObject());
        EXPECT_EQ(IGameObject::IGAME_MESH, mesh->GetIGameType());
        EXPECT_TRUE(mesh->InitializeData());
        return mesh;
    }
};

TEST_F(IGameTest, MeshNodesInEnumerationOrderHiddenIncluded) {
    INode* a = quad(L"a", false);
    INode* light = ip()->CreateObjectNode(createLightObject());
    INode* b = quad(L"b", false);
    INode* c = quad(L"c", false);
    b->AttachChild(c, FALSE);
    INode* d = quad(L"d", false);
    d->Hide(TRUE);
    (void)light;

    game->InitialiseIGame(false);
    game->SetStaticFrame(0);
    Tab<IGameNode*> meshes = game->GetIGameNodeByType(IGameObject::IGAME_MESH);
    ASSERT_EQ(4, meshes.Count());
    EXPECT_EQ(a, meshes[0]->GetMaxNode());
    EXPECT_EQ(b, meshes[1]->GetMaxNode());
    EXPECT_EQ(c, meshes[2]->GetMaxNode());
    EXPECT_EQ(d, meshes[3]->GetMaxNode());
    EXPECT_STREQ(L"c", meshes[2]->GetName());
    EXPECT_EQ(1, game->GetIGameNodeByType(IGameObject::IGAME_LIGHT).Count());

    ip()->SelectNode(c);
    game->InitialiseIGame(true);
    meshes = game->GetIGameNodeByType(IGameObject::IGAME_MESH);
    ASSERT_EQ(1, meshes.Count());
    EXPECT_EQ(c, meshes[0]->GetMaxNode());
    // The parent of a selected node is still reported, though it was not taken in.
    ASSERT_NE(nullptr, meshes[0]->GetNodeParent());
    EXPECT_EQ(b, meshes[0]->GetNodeParent()->GetMaxNode());

    game->ReleaseIGame();
    EXPECT_EQ(0, game->GetIGameNodeByType(IGameObject::IGAME_MESH).Count());
}

TEST_F(IGameTest, NodeTransformsAndParents) {
    INode* parent = quad(L"parent", false);
    INode* child = quad(L"child", false);
    parent->AttachChild(child, FALSE);
    Matrix3 parentTM = ScaleMatrix(Point3(2, 2, 2)) * TransMatrix(Point3(10, 0, 0));
    parent->SetNodeTM(0, parentTM);
    Matrix3 childTM = TransMatrix(Point3(12, 0, 0));
    child->SetNodeTM(0, childTM);
    child->SetObjOffsetPos(Point3(0, 0, 1));

    game->InitialiseIGame(false);
    IGameNode* gameChild = game->GetIGameNode(child);
    IGameNode* gameParent = gameChild->GetNodeParent();
    ASSERT_NE(nullptr, gameParent);
    EXPECT_EQ(parent, gameParent->GetMaxNode());
    EXPECT_EQ(nullptr, gameParent->GetNodeParent()); // under the scene root
    expectGMatrixNear(GMatrix(child->GetObjectTM(0)), gameChild->GetObjectTM());
    expectPointNear(Point3(12, 0, 1), gameChild->GetObjectTM().Translation());
    expectGMatrixNear(GMatrix(childTM), gameChild->GetWorldTM());
    GMatrix local = gameChild->GetObjectTM() * GMatrix(parent->GetObjectTM(0)).Inverse();
    expectPointNear(Point3(0.5f, 0.5f, 0.5f), local.Scaling());
}

TEST_F(IGameTest, FacesVerticesAndTextureChannel) {
    INode* node = quad(L"q", true);
    Matrix3 lifted = TransMatrix(Point3(0, 0, 5));
    node->SetNodeTM(0, lifted);
    game->InitialiseIGame(false);
    IGameMesh* mesh = initialisedMesh(node);
    ASSERT_EQ(4, mesh->GetNumberOfVerts());
    ASSERT_EQ(2, mesh->GetNumberOfFaces());
    expectPointNear(Point3(1, 1, 0), mesh->GetVertex(3, true));
    expectPointNear(Point3(1, 1, 5), mesh->GetVertex(3, false));

    FaceEx* face = mesh->GetFace(1);
    EXPECT_EQ(1u, face->vert[0]);
    EXPECT_EQ(3u, face->vert[1]);
    EXPECT_EQ(2u, face->vert[2]);
    EXPECT_EQ(5u, face->texCoord[2]);
    EXPECT_EQ(1, face->meshFaceIndex);

    Tab<int> channels = mesh->GetActiveMapChannelNum();
    ASSERT_EQ(1, channels.Count());
    EXPECT_EQ(1, channels[0]);
    EXPECT_EQ(6, mesh->GetNumberOfMapVerts(1));
    expectPointNear(Point3(0.5f, 0.5f, 0), mesh->GetMapVertex(1, face->texCoord[2]));
    DWORD idx[3];
    ASSERT_TRUE(mesh->GetMapFaceIndex(1, 1, idx));
    EXPECT_EQ(4u, idx[1]);
    EXPECT_FALSE(mesh->GetMapFaceIndex(2, 0, idx));

    Box3 box;
    mesh->GetBoundingBox(box);
    expectPointNear(Point3(0, 0, 0), box.Min());
    expectPointNear(Point3(1, 1, 0), box.Max());
}

TEST_F(IGameTest, NoTextureFacesMeansNoActiveChannel) {
    INode* node = quad(L"q", false);
    game->InitialiseIGame(false);
    IGameMesh* mesh = initialisedMesh(node);
    EXPECT_EQ(0, mesh->GetActiveMapChannelNum().Count());
    EXPECT_EQ(0u, mesh->GetFace(0)->texCoord[0]);
}

TEST_F(IGameTest, VertexColoursAreAChannelAndMirroredNodesSwapCorners) {
    INode* node = quad(L"q", true);
    Mesh& maxMesh = meshOf(node);
    maxMesh.setNumVertCol(2);
    maxMesh.setNumVCFaces(2);
    maxMesh.vcFace[0].setTVerts(0, 0, 1);
    maxMesh.vcFace[1].setTVerts(1, 1, 0);
    maxMesh.setNumMapVerts(3, 1);
    maxMesh.setNumMapFaces(3, 2);
    game->InitialiseIGame(false);
    IGameMesh* mesh = initialisedMesh(node);
    Tab<int> channels = mesh->GetActiveMapChannelNum();
    ASSERT_EQ(3, channels.Count());
    EXPECT_EQ(0, channels[0]);
    EXPECT_EQ(1, channels[1]);
    EXPECT_EQ(3, channels[2]);
    EXPECT_EQ(3u, mesh->GetFace(1)->texCoord[0]); // channel 1's faces, not the colours'

    Matrix3 mirrored = ScaleMatrix(Point3(-1, 1, 1));
    node->SetNodeTM(0, mirrored);
    ASSERT_TRUE(mesh->InitializeData());
    FaceEx* face = mesh->GetFace(1);
    EXPECT_EQ(1u, face->vert[0]);
    EXPECT_EQ(2u, face->vert[1]);
    EXPECT_EQ(3u, face->vert[2]);
    EXPECT_EQ(5u, face->texCoord[1]);
    EXPECT_EQ(5u, face->norm[1]);
    DWORD idx[3];
    ASSERT_TRUE(mesh->GetMapFaceIndex(1, 1, idx));
    EXPECT_EQ(5u, idx[1]);
    EXPECT_EQ(4u, idx[2]);
    ASSERT_TRUE(mesh->GetMapFaceIndex(0, 1, idx));
    EXPECT_EQ(0u, idx[1]);
}

TEST_F(IGameTest, SwitchedFailuresAndMatchedReleases) {
    INode* node = quad(L"q", false);
    setIGameInitialiseFails(true);
    EXPECT_FALSE(game->InitialiseIGame(false));
    EXPECT_EQ(0, game->GetTotalNodeCount());
    setIGameInitialiseFails(false);
    ASSERT_TRUE(game->InitialiseIGame(false));

    IGameNode* gameNode = game->GetIGameNode(node);
    setIGameDataFails(node);
    EXPECT_FALSE(gameNode->GetIGameObject()->InitializeData());
    gameNode->GetIGameObject();
    gameNode->ReleaseIGameObject();
    EXPECT_EQ(0u, releasedIGameObjectCount()); // one GetIGameObject is still unmatched
    gameNode->ReleaseIGameObject();
    EXPECT_EQ(1u, releasedIGameObjectCount());
    MisuseRecorder misuse;
    gameNode->ReleaseIGameObject();
    EXPECT_EQ(1u, misuse.reports().size());

    resetScene();
    INode* again = quad(L"q", false);
    game->InitialiseIGame(false);
    EXPECT_TRUE(initialisedMesh(again)->InitializeData()); // switches go with the scene
    EXPECT_EQ(0u, releasedIGameObjectCount());
}

TEST_F(IGameTest, CornerNormalsFromSmoothingGroupsOrSpecifiedNormals) {
    // Fold the quad: vertex 3 lifted so the faces differ in normal.
    INode* node = quad(L"q", false);
    Mesh& max = meshOf(node);
    max.verts[3] = Point3(1, 1, 1);
    max.faces[1].setSmGroup(2);
    game->InitialiseIGame(false);
    IGameMesh* mesh = initialisedMesh(node);
    ASSERT_EQ(6, mesh->GetNumberOfNormals());
    Point3 face0 = Point3(0, 0, 1);
    Point3 face1 = ((max.verts[3] - max.verts[1]) ^ (max.verts[2] - max.verts[1])).Normalize();
    // Different groups: the shared corners of each face keep that face's normal.
    expectPointNear(face0, mesh->GetNormal(0, 1, true));
    expectPointNear(face1, mesh->GetNormal(1, 0, true));
    expectPointNear(face1, mesh->GetNormal(mesh->GetFace(1), 2, true));
    // InitializeData leaves the host mesh's normals unbuilt; built, the shared vertex 1 has
    // one normal per group.
    EXPECT_DEATH(max.getNormal(3), "normals are not built");
    max.checkNormals(TRUE);
    expectPointNear(face1, max.getNormal(3));
    EXPECT_EQ(2u, max.getRVert(1).rFlags & NORCT_MASK);

    // Specified normals win where a corner has one.
    max.SpecifyNormals();
    max.GetSpecifiedNormals()->SetNumFaces(2);
    Point3 down(0, -1, 0);
    max.GetSpecifiedNormals()->SetNormal(1, 1, down);
    EXPECT_TRUE(mesh->InitializeData());
    expectPointNear(Point3(0, -1, 0), mesh->GetNormal(1, 1, true));
    expectPointNear(face1, mesh->GetNormal(1, 0, true));
}

TEST_F(IGameTest, WorldNormalsFollowTheObjectTransform) {
    INode* node = quad(L"q", false);
    Matrix3 tm = RotateXMatrix(3.14159265f / 2) * ScaleMatrix(Point3(1, 1, 3));
    node->SetNodeTM(0, tm);
    game->InitialiseIGame(false);
    IGameMesh* mesh = initialisedMesh(node);
    expectPointNear(Point3(0, 0, 1), mesh->GetNormal(0, true));
    expectPointNear(Point3(0, -1, 0), mesh->GetNormal(0, false));
}

TEST_F(IGameTest, EmptyBeforeInitializeDataAndBadIndicesReported) {
    INode* node = quad(L"q", true);
    game->InitialiseIGame(false);
    auto* mesh = static_cast<IGameMesh*>(game->GetIGameNode(node)->GetIGameObject());
    EXPECT_EQ(0, mesh->GetNumberOfFaces());
    EXPECT_TRUE(mesh->InitializeData());
    MisuseRecorder misuse;
    EXPECT_EQ(nullptr, mesh->GetFace(2));
    Point3 out;
    EXPECT_FALSE(mesh->GetVertex(4, out, true));
    (void)mesh->GetVertex(4, true);
    EXPECT_EQ(2u, misuse.reports().size());

    meshOf(node).faces[0].v[1] = 9;
    EXPECT_FALSE(mesh->InitializeData());
    EXPECT_EQ(3u, misuse.reports().size());
}

TEST_F(IGameTest, SkinOfTheLastSkinModifier) {
    INode* node = quad(L"q", false);
    INode* bone1 = emptyNode(L"b1");
    INode* bone2 = emptyNode(L"b2");
    IDerivedObject* stack = CreateDerivedObject(node->GetObjectRef());
    node->SetObjectRef(stack);
    auto addSkin = [&](INode* bone, float weight) {
        auto* mod = static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
        stack->AddModifier(mod, nullptr, stack->NumModifiers()); // append: becomes the last
        auto* import = static_cast<ISkinImportData*>(mod->GetInterface(I_SKINIMPORTDATA));
        import->AddBoneEx(bone, TRUE);
        node->EvalWorldState(0);
        Tab<INode*> bones;
        bones.Append(1, &bone);
        Tab<float> weights;
        weights.Append(1, &weight);
        import->AddWeights(node, 2, bones, weights);
    };
    addSkin(bone1, 0.3f);
    addSkin(bone2, 0.8f);

    game->InitialiseIGame(false);
    IGameObject* object = game->GetIGameNode(node)->GetIGameObject();
    ASSERT_TRUE(object->IsObjectSkinned());
    EXPECT_EQ(2, object->GetNumModifiers());
    IGameSkin* skin = object->GetIGameSkin();
    EXPECT_EQ(stack->GetModifier(1), skin->GetMaxModifier());
    EXPECT_EQ(4, skin->GetNumOfSkinnedVerts());
    EXPECT_EQ(1, skin->GetNumberOfBones(0)); // from the envelope: never given weights
    ASSERT_EQ(1, skin->GetNumberOfBones(2));
    EXPECT_FLOAT_EQ(1.0f, skin->GetWeight(2, 0)); // a lone 0.8 reads 1
    EXPECT_EQ(bone2, skin->GetBone(2, 0));
    EXPECT_EQ(bone2, skin->GetIGameBone(2, 0)->GetMaxNode());
    EXPECT_EQ((int)bone2->GetHandle(), skin->GetBoneID(2, 0));
    EXPECT_EQ(1, skin->GetTotalSkinBoneCount());
    GMatrix init;
    EXPECT_TRUE(skin->GetInitBoneTM(bone2, init));
    EXPECT_FALSE(skin->GetInitBoneTM(bone1, init));

    EXPECT_FALSE(game->GetIGameNode(bone1)->GetIGameObject()->IsObjectSkinned());
}

TEST_F(IGameTest, MaterialTextureMapsInSlotOrder) {
    INode* node = quad(L"q", false);
    StdMat2* mtl = NewDefaultStdMat();
    mtl->SetName(L"skin.tga");
    BitmapTex* diffuse = NewDefaultBitmapTex();
    diffuse->SetMapName(L"C:\\art\\skin.tga");
    BitmapTex* bump = NewDefaultBitmapTex();
    bump->SetMapName(L"C:\\art\\bump.tga");
    mtl->SetSubTexmap(ID_BU, bump);
    mtl->SetSubTexmap(ID_DI, diffuse);
    node->SetMtl(mtl);

    game->InitialiseIGame(false);
    IGameMaterial* material = game->GetIGameNode(node)->GetNodeMaterial();
    ASSERT_NE(nullptr, material);
    EXPECT_STREQ(L"skin.tga", material->GetMaterialName());
    EXPECT_EQ(mtl, material->GetMaxMaterial());
    ASSERT_EQ(2, material->GetNumberOfTextureMaps());
    EXPECT_STREQ(L"C:\\art\\skin.tga", material->GetIGameTextureMap(0)->GetBitmapFileName());
    EXPECT_EQ(ID_DI, material->GetIGameTextureMap(0)->GetStdMapSlot());
    EXPECT_EQ(ID_BU, material->GetIGameTextureMap(1)->GetStdMapSlot());
    EXPECT_EQ(nullptr, game->GetIGameNode(emptyNode(L"bare"))->GetNodeMaterial());
}

TEST_F(IGameTest, OnlyTheHostsOwnCoordinateSystem) {
    MisuseRecorder misuse;
    GetConversionManager()->SetCoordSystem(IGameConversionManager::IGAME_OGL);
    EXPECT_EQ(1u, misuse.reports().size());
    EXPECT_EQ(IGameConversionManager::IGAME_MAX, GetConversionManager()->GetCoordSystem());
}

} // namespace

namespace {

class IGameSceneTest : public IGameTest {};

TEST_F(IGameSceneTest, InitialiseFromARootOrAListKeepsSceneOrder) {
    INode* a = quad(L"a", false);
    INode* b = quad(L"b", false);
    INode* b1 = quad(L"b1", false);
    INode* b2 = quad(L"b2", false);
    b->AttachChild(b1, FALSE);
    b1->AttachChild(b2, FALSE);

    game->InitialiseIGame(b, true);
    EXPECT_EQ(3, game->GetTotalNodeCount());
    ASSERT_EQ(1, game->GetTopLevelNodeCount());
    EXPECT_EQ(b, game->GetTopLevelNode(0)->GetMaxNode());

    game->InitialiseIGame(b, false);
    EXPECT_EQ(1, game->GetTotalNodeCount());

    Tab<INode*> list;
    list.Append(1, &b2);
    list.Append(1, &a);
    game->InitialiseIGame(list, false);
    Tab<IGameNode*> meshes = game->GetIGameNodeByType(IGameObject::IGAME_MESH);
    ASSERT_EQ(2, meshes.Count());
    EXPECT_EQ(a, meshes[0]->GetMaxNode());
    EXPECT_EQ(b2, meshes[1]->GetMaxNode());
    EXPECT_EQ(2, game->GetTopLevelNodeCount()); // b2's parent was not taken in

    game->InitialiseIGame(ip()->GetRootNode(), true);
    EXPECT_EQ(4, game->GetTotalNodeCount());
}

TEST_F(IGameSceneTest, LocalTransformIsRelativeToTheParent) {
    INode* parent = quad(L"p", false);
    INode* child = quad(L"c", false);
    parent->AttachChild(child, FALSE);
    Matrix3 parentTM = RotateZMatrix(0.5f) * TransMatrix(Point3(3, 0, 0));
    parent->SetNodeTM(0, parentTM);
    Matrix3 childTM = TransMatrix(Point3(0, 4, 0));
    child->SetNodeTM(0, childTM);
    game->InitialiseIGame(false);
    IGameNode* node = game->GetIGameNode(child);
    expectGMatrixNear(node->GetWorldTM(), node->GetLocalTM() * GMatrix(parentTM));
    ASSERT_EQ(1, game->GetIGameNode(parent)->GetChildCount());
    EXPECT_EQ(node, game->GetIGameNode(parent)->GetNodeChild(0));
    EXPECT_EQ(nullptr, game->GetIGameNode(ip()->GetRootNode()));
}

TEST_F(IGameSceneTest, SkinBoneListsAndBindTransforms) {
    INode* node = quad(L"q", false);
    INode* used = emptyNode(L"used");
    INode* idle = emptyNode(L"idle");
    IDerivedObject* stack = CreateDerivedObject(node->GetObjectRef());
    node->SetObjectRef(stack);
    auto* mod = static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
    stack->AddModifier(mod);
    auto* import = static_cast<ISkinImportData*>(mod->GetInterface(I_SKINIMPORTDATA));
    import->AddBoneEx(idle, TRUE);
    import->AddBoneEx(used, TRUE);
    node->EvalWorldState(0);
    Matrix3 bind = TransMatrix(Point3(0, 0, 2));
    import->SetSkinTm(node, bind, bind);
    Tab<INode*> bones;
    bones.Append(1, &used);
    float w = 1.0f;
    Tab<float> weights;
    weights.Append(1, &w);
    import->AddWeights(node, 0, bones, weights);
    Tab<INode*> noBones;
    Tab<float> noWeights;
    for (int v = 1; v < 4; ++v) // or the envelopes would put idle to use
        import->AddWeights(node, v, noBones, noWeights);

    game->InitialiseIGame(false);
    IGameSkin* skin = game->GetIGameNode(node)->GetIGameObject()->GetIGameSkin();
    ASSERT_NE(nullptr, skin);
    EXPECT_EQ(IGameSkin::IGAME_SKIN, skin->GetSkinType());
    EXPECT_EQ(2, skin->GetTotalSkinBoneCount());
    EXPECT_EQ(1, skin->GetTotalBoneCount());
    EXPECT_EQ(idle, skin->GetBone(0, false));
    EXPECT_EQ(used, skin->GetBone(0, true));
    GMatrix init;
    skin->GetInitSkinTM(init);
    expectPointNear(Point3(0, 0, 2), init.Translation());
}

TEST_F(IGameSceneTest, ObjectTypesOfOtherObjects) {
    INode* helper = ip()->CreateObjectNode(createHelperObject());
    INode* camera = ip()->CreateObjectNode(createCameraObject());
    game->InitialiseIGame(false);
    IGameObject* helperObject = game->GetIGameNode(helper)->GetIGameObject();
    EXPECT_EQ(IGameObject::IGAME_HELPER, helperObject->GetIGameType());
    EXPECT_EQ(IGameObject::IGAME_CAMERA,
              game->GetIGameNode(camera)->GetIGameObject()->GetIGameType());
    Box3 box;
    helperObject->GetBoundingBox(box);
    EXPECT_TRUE(box.IsEmpty());
    EXPECT_EQ(1, game->GetIGameNodeByType(IGameObject::IGAME_HELPER).Count());
    EXPECT_EQ(0, game->GetIGameNodeByType(IGameObject::IGAME_MESH).Count());
}

} // namespace
