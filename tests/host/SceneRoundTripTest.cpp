// A scene built the way the importer builds one, read back the way both export paths read it.
#include "tests/host/HostTestSupport.h"

namespace {

class SceneRoundTripTest : public HostTest {
protected:
    INode* bone = nullptr;
    INode* body = nullptr;

    // Bone first (a BN import), then a skinned, textured mesh under it (an MSH import).
    void SetUp() override {
        HostTest::SetUp();
        bone = emptyNode(L"Bip01");
        bone->SetBoneNodeOnOff(TRUE, 0);
        Matrix3 boneTM = TransMatrix(Point3(0, 0, 10));
        bone->SetNodeTM(0, boneTM);

        TriObject* tri = new TriObject();
        Mesh& mesh = tri->GetMesh();
        mesh.setNumVerts(3);
        mesh.setNumFaces(1);
        mesh.setNumTVerts(3);
        mesh.setNumTVFaces(1);
        mesh.verts[0] = Point3(0, 0, 0);
        mesh.verts[1] = Point3(2, 0, 0);
        mesh.verts[2] = Point3(0, 2, 0);
        mesh.faces[0].setVerts(0, 1, 2);
        mesh.faces[0].setEdgeVisFlags(1, 1, 1);
        mesh.faces[0].setSmGroup(1);
        for (int i = 0; i < 3; ++i)
            mesh.tVerts[i] = Point3(0.5f * (float)i, 0.25f, 0);
        mesh.tvFace[0].setTVerts(0, 1, 2);
        mesh.InvalidateGeomCache();

        body = ip()->CreateObjectNode(tri);
        wchar_t name[16];
        MultiByteToWideChar(CP_ACP, 0, "K\xf6rper", -1, name, 16);
        body->SetName(name);
        bone->AttachChild(body, FALSE);
        Matrix3 bodyTM = TransMatrix(Point3(1, 0, 10));
        body->SetNodeTM(0, bodyTM);

        auto* skinMod = static_cast<Modifier*>(ip()->CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
        auto* import = static_cast<ISkinImportData*>(skinMod->GetInterface(I_SKINIMPORTDATA));
        IDerivedObject* stack = CreateDerivedObject(tri);
        body->SetObjectRef(stack);
        stack->AddModifier(skinMod, nullptr, 0);
        import->AddBoneEx(bone, TRUE);
        import->SetBoneTm(bone, bone->GetNodeTM(0), bone->GetNodeTM(0));
        body->EvalWorldState(0);
        import->SetSkinTm(body, body->GetObjectTM(0), body->GetObjectTM(0));
        Tab<INode*> bones;
        bones.Append(1, &bone);
        for (int v = 0; v < 3; ++v) {
            float w = 0.25f * (float)(v + 1);
            Tab<float> weights;
            weights.Append(1, &w);
            import->AddWeights(body, v, bones, weights);
        }

        StdMat2* mtl = NewDefaultStdMat();
        mtl->SetName(L"body.tga");
        mtl->SetTwoSided(TRUE);
        BitmapInfo info(L"C:\\import\\body.tga");
        TheManager->Load(&info);
        BitmapTex* tex = NewDefaultBitmapTex();
        tex->SetMap(info.GetAsset());
        mtl->SetSubTexmap(ID_DI, tex);
        mtl->EnableMap(ID_DI, TRUE);
        body->SetMtl(mtl);
    }
};

TEST_F(SceneRoundTripTest, TreeEnumerationReadsWhatWasBuilt) {
    struct Pass : ITreeEnumProc {
        std::vector<INode*> meshes, bones;
        int callback(INode* node) override {
            if (node->IsHidden(0, FALSE))
                return TREE_CONTINUE;
            (node->GetBoneNodeOnOff() ? bones : meshes).push_back(node);
            return TREE_CONTINUE;
        }
    } pass;
    exportInterface()->theScene->EnumTree(&pass);
    ASSERT_EQ(1u, pass.meshes.size());
    ASSERT_EQ(1u, pass.bones.size());
    INode* node = pass.meshes[0];
    EXPECT_STREQ(L"K\u00f6rper", node->GetName());
    EXPECT_EQ(bone, node->GetParentNode());

    GMatrix world(node->GetObjectTM(0));
    GMatrix local = world * GMatrix(bone->GetObjectTM(0)).Inverse();
    expectPointNear(Point3(1, 0, 0), local.Translation());

    Object* obj = node->EvalWorldState(0).obj;
    auto* tri = static_cast<TriObject*>(obj->ConvertToType(0, Class_ID(TRIOBJ_CLASS_ID, 0)));
    ASSERT_NE(nullptr, tri);
    Mesh& mesh = tri->GetMesh();
    mesh.buildNormals();
    expectPointNear(Point3(0, 0, 1), mesh.getNormal(1));
    mesh.buildBoundingBox();
    Box3 box = mesh.getBoundingBox();
    obj->GetWorldBoundBox(0, node, &ip()->GetActiveViewExp(), box);
    expectPointNear(Point3(1, 0, 10), box.Min());
    expectPointNear(Point3(3, 2, 10), box.Max());
    if (tri != obj)
        tri->DeleteMe();

    auto* stack = static_cast<IDerivedObject*>(node->GetObjectRef());
    ASSERT_EQ((SClass_ID)GEN_DERIVOB_CLASS_ID, stack->SuperClassID());
    ISkin* skin = static_cast<ISkin*>(stack->GetModifier(0)->GetInterface(I_SKIN));
    ASSERT_NE(nullptr, skin);
    EXPECT_EQ(bone, skin->GetBone(0));
    ISkinContextData* data = skin->GetContextInterface(node);
    ASSERT_EQ(3, data->GetNumPoints());
    EXPECT_FLOAT_EQ(1.0f, data->GetBoneWeight(2, 0)); // a lone 0.75 reads 1

    Mtl* mtl = node->GetMtl();
    ASSERT_TRUE(mtl->ClassID() == Class_ID(DMTL_CLASS_ID, 0));
    EXPECT_TRUE(static_cast<StdMat*>(mtl)->GetTwoSided());
    Texmap* map = mtl->GetSubTexmap(1);
    ASSERT_TRUE(map->ClassID() == Class_ID(BMTEX_CLASS_ID, 0));
    EXPECT_STREQ(L"C:\\import\\body.tga", static_cast<BitmapTex*>(map)->GetMapName());
    ASSERT_EQ(1u, bitmapLoadRequests().size());
    EXPECT_TRUE(loadedBitmaps().empty());
}

TEST_F(SceneRoundTripTest, IGameReadsWhatWasBuilt) {
    IGameScene* game = GetIGameInterface();
    GetConversionManager()->SetCoordSystem(IGameConversionManager::IGAME_MAX);
    game->InitialiseIGame(false);
    game->SetStaticFrame(0);
    Tab<IGameNode*> meshes = game->GetIGameNodeByType(IGameObject::IGAME_MESH);
    ASSERT_EQ(1, meshes.Count());
    IGameNode* node = meshes[0];
    EXPECT_EQ(body, node->GetMaxNode());
    ASSERT_NE(nullptr, node->GetNodeParent());
    EXPECT_STREQ(L"Bip01", node->GetNodeParent()->GetName());

    auto* mesh = static_cast<IGameMesh*>(node->GetIGameObject());
    ASSERT_TRUE(mesh->InitializeData());
    ASSERT_EQ(1, mesh->GetNumberOfFaces());
    FaceEx* face = mesh->GetFace(0);
    Tab<int> channels = mesh->GetActiveMapChannelNum();
    ASSERT_EQ(1, channels.Count());
    expectPointNear(Point3(1.0f, 0.25f, 0), mesh->GetMapVertex(channels[0], face->texCoord[2]));
    expectPointNear(Point3(2, 0, 0), mesh->GetVertex(face->vert[1], true));
    expectPointNear(Point3(0, 0, 1), mesh->GetNormal(face->norm[0], true));
    mesh->GetMaxMesh()->checkNormals(TRUE);
    expectPointNear(Point3(0, 0, 1), mesh->GetMaxMesh()->getNormal(face->vert[0]));

    IGameSkin* skin = mesh->GetIGameSkin();
    ASSERT_NE(nullptr, skin);
    ASSERT_EQ(1, skin->GetNumberOfBones(1));
    EXPECT_FLOAT_EQ(0.0f, skin->GetWeight(1, 0)); // a lone 0.5 reads 0
    EXPECT_STREQ(L"Bip01", skin->GetBone(1, 0)->GetName());

    IGameMaterial* material = node->GetNodeMaterial();
    ASSERT_NE(nullptr, material);
    ASSERT_GT(material->GetNumberOfTextureMaps(), 0);
    EXPECT_STREQ(L"C:\\import\\body.tga", material->GetIGameTextureMap(0)->GetBitmapFileName());
}

} // namespace
