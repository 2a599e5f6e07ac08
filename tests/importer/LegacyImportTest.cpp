// Legacy records through the real DoImport: meshes, names, parents, transforms, bone files.

#include "ImportFixture.h"

#include "host/WinApi.h"

using namespace importtest;

namespace {

class LegacyImport : public ImportTest {};

TEST_F(LegacyImport, TriangleMeshHasVerticesNormalsFacesAndThreeTextureVertices) {
    std::wstring file = temp.path(L"hero.msh");
    writeBytes(file, legacyBytes({legacyTriangle("Body")}));
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(file));
    EXPECT_TRUE(boxes.calls().empty());

    INode* node = findNode(L"Body");
    ASSERT_NE(nullptr, node);
    EXPECT_FALSE(node->GetBoneNodeOnOff());
    Mesh* mesh = meshOf(node);
    ASSERT_NE(nullptr, mesh);
    ASSERT_EQ(3, mesh->getNumVerts());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Point3(float(i) + 0.5f, float(i * 2), -float(i)), mesh->verts[i]);
    ASSERT_EQ(1, mesh->getNumFaces());
    EXPECT_EQ(2u, mesh->faces[0].v[0]);
    EXPECT_EQ(1u, mesh->faces[0].v[1]);
    EXPECT_EQ(0u, mesh->faces[0].v[2]);
    EXPECT_EQ(1u, mesh->faces[0].smGroup);
    // The file's vertex normals are the corners' explicit specified normals.
    MeshNormalSpec* normals = mesh->GetSpecifiedNormals();
    ASSERT_NE(nullptr, normals);
    ASSERT_EQ(1, normals->GetNumFaces());
    for (int k = 0; k < 3; ++k) {
        int v = int(mesh->faces[0].v[k]);
        EXPECT_EQ(Point3(float(v), 0, 1), normals->GetNormal(0, k)) << k;
        EXPECT_TRUE(normals->Face(0).GetSpecified(k));
        EXPECT_TRUE(normals->GetNormalExplicit(normals->GetNormalIndex(0, k)));
    }
    for (int e = 0; e < 3; ++e)
        EXPECT_NE(0, mesh->faces[0].getEdgeVis(e)) << e;
    ASSERT_EQ(3, mesh->getNumTVerts());
    ASSERT_EQ(1, mesh->getNumTVFaces());
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(UVVert(0.25f * float(c + 1), 0.5f + float(c), 0.125f * float(c)),
                  mesh->tVerts[c]);
        EXPECT_EQ(DWORD(c), mesh->tvFace[0].t[c]);
    }
    expectWorldTM(node);
}

TEST_F(LegacyImport, AutoKeyOnLeavesNoKeysAndIsBackAfterTheImport) {
    std::wstring bones = temp.path(L"hero.bn");
    std::wstring meshes = temp.path(L"hero.msh");
    writeBytes(bones, legacyBytes({legacyTriangle("Bone")}));
    writeBytes(meshes, legacyBytes({legacyTriangle("Body", "Bone")}));
    AnimateOn();
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(bones));
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(meshes));
    ASSERT_NE(nullptr, findNode(L"Body"));
    EXPECT_TRUE(Animating());
    EXPECT_TRUE(animationKeys().empty());
    // A file that cannot be read gives the switch back as well.
    EXPECT_EQ(IMPEXP_FAIL, importFile(temp.path(L"missing.msh")));
    EXPECT_TRUE(Animating());
}

TEST_F(LegacyImport, TwoFacesKeepTheirOwnTextureVertices) {
    LegacyRecord r = legacyTriangle("Quad");
    MshFace second = r.faces[0];
    second.uvw[0][0] = 9.0f;
    r.faces.push_back(second);
    r.header.numFaces = 2;
    std::wstring file = temp.path(L"quad.msh");
    writeBytes(file, legacyBytes({r}));
    ASSERT_EQ(IMPEXP_SUCCESS, importFile(file));
    Mesh* mesh = meshOf(findNode(L"Quad"));
    ASSERT_NE(nullptr, mesh);
    ASSERT_EQ(6, mesh->getNumTVerts());
    EXPECT_EQ(3u, mesh->tvFace[1].t[0]);
    EXPECT_EQ(5u, mesh->tvFace[1].t[2]);
    EXPECT_EQ(9.0f, mesh->tVerts[3].x);
    EXPECT_EQ(0.25f, mesh->tVerts[0].x);
}

TEST_F(LegacyImport, ParentsEarlierInFileInSceneNullEmptyAndLater) {
    // An existing node, parent of "FromScene".
    TriObject* existing = CreateNewTriObject();
    INode* sceneNode = GetCOREInterface()->CreateObjectNode(existing);
    sceneNode->SetName(L"Existing");
    Matrix3 moved(TRUE);
    moved.SetTrans(Point3(100, 0, 0));
    sceneNode->SetNodeTM(0, moved);

    std::wstring file = temp.path(L"tree.msh");
    writeBytes(file, legacyBytes({legacyTriangle("Root", "NULL"), legacyTriangle("Child", "Root"),
                                  legacyTriangle("Orphan", "Later"),
                                  legacyTriangle("FromScene", "Existing"),
                                  legacyTriangle("Empty", ""), legacyTriangle("Later", "NULL")}));
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(file));

    INode* root = GetCOREInterface()->GetRootNode();
    EXPECT_EQ(root, findNode(L"Root")->GetParentNode());
    EXPECT_EQ(findNode(L"Root"), findNode(L"Child")->GetParentNode());
    EXPECT_EQ(root, findNode(L"Orphan")->GetParentNode());
    EXPECT_EQ(sceneNode, findNode(L"FromScene")->GetParentNode());
    EXPECT_EQ(root, findNode(L"Empty")->GetParentNode());
    EXPECT_EQ(0, findNode(L"Later")->NumberOfChildren());
    EXPECT_EQ(std::vector<std::wstring>{parentMessage("Orphan", "Later")}, texts(boxes));
    // The transform is set after the link, so a moved parent does not shift the child.
    expectWorldTM(findNode(L"FromScene"));
    expectWorldTM(findNode(L"Child"));
}

TEST_F(LegacyImport, ParentSearchIsCaseSensitiveDepthFirstAndFirstMatchWins) {
    std::wstring file = temp.path(L"dupes.msh");
    writeBytes(file,
               legacyBytes({legacyTriangle("A"), legacyTriangle("Dup", "A"), legacyTriangle("Dup"),
                            legacyTriangle("Kid", "Dup"), legacyTriangle("Lower", "a")}));
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(file));
    INode* a = findNode(L"A");
    ASSERT_EQ(1, a->NumberOfChildren());
    // The "Dup" under "A" comes first depth first, ahead of the later top-level "Dup".
    EXPECT_EQ(a->GetChildNode(0), findNode(L"Kid")->GetParentNode());
    EXPECT_EQ(1, a->GetChildNode(0)->NumberOfChildren());
    EXPECT_EQ(std::vector<std::wstring>{parentMessage("Lower", "a")}, texts(boxes));
}

TEST_F(LegacyImport, LongParentChainLinksEveryNode) {
    std::vector<LegacyRecord> chain;
    chain.push_back(legacyTriangle("N0"));
    for (int i = 1; i < 300; ++i)
        chain.push_back(legacyTriangle("N" + std::to_string(i), "N" + std::to_string(i - 1)));
    std::wstring file = temp.path(L"chain.msh");
    writeBytes(file, legacyBytes(chain));
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(file));
    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_EQ(findNode(L"N298"), findNode(L"N299")->GetParentNode());
}

TEST_F(LegacyImport, AnsiNamesAreDecodedWithTheCodePage) {
    // 0xE9 is e-acute and 0x80 the euro sign in the code page of a Western install.
    std::string name = "Caf\xE9\x80";
    std::wstring file = temp.path(L"ansi.msh");
    writeBytes(file, legacyBytes({legacyTriangle(name), legacyTriangle("Kid", name)}));
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(file));
    INode* node = findNode(L"Caf\u00E9\u20AC");
    ASSERT_NE(nullptr, node);
    EXPECT_EQ(node, findNode(L"Kid")->GetParentNode());
}

TEST_F(LegacyImport, HundredByteNameWithoutTerminator) {
    std::string name(100, 'x');
    name[99] = 'Z';
    std::wstring file = temp.path(L"long.msh");
    writeBytes(file, legacyBytes({legacyTriangle(name)}));
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(file));
    EXPECT_NE(nullptr, findNode(std::wstring(99, L'x') + L"Z"));
}

TEST_F(LegacyImport, BoneFileInAnyCaseBuildsBonesWithoutSkinOrMaterial) {
    LegacyRecord hip = legacyTriangle("Hip");
    setField(hip.header.texturePath, "bone.tga");
    hip.numBones = 1;
    setField(hip.boneNames[0], "Nowhere");
    for (const wchar_t* name : {L"skeleton.Bn", L"skeleton.BN", L"other.bn"}) {
        resetScene();
        boxes.clear();
        std::wstring file = temp.path(name);
        writeBytes(file, legacyBytes({hip, legacyTriangle("Knee", "Hip")}));
        EXPECT_EQ(IMPEXP_SUCCESS, importFile(file));
        INode* bone = findNode(L"Hip");
        ASSERT_NE(nullptr, bone);
        EXPECT_TRUE(bone->GetBoneNodeOnOff());
        EXPECT_TRUE(findNode(L"Knee")->GetBoneNodeOnOff());
        EXPECT_EQ(bone, findNode(L"Knee")->GetParentNode());
        EXPECT_EQ(nullptr, bone->GetMtl());
        EXPECT_EQ(nullptr, stackOf(bone));
        EXPECT_NE(nullptr, meshOf(bone));
        expectWorldTM(bone);
        EXPECT_TRUE(boxes.calls().empty());
    }
}

TEST_F(LegacyImport, BnxIsNotABoneFile) {
    std::wstring file = temp.path(L"thing.bnx");
    writeBytes(file, legacyBytes({legacyTriangle("Thing")}));
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(file));
    EXPECT_FALSE(findNode(L"Thing")->GetBoneNodeOnOff());
    EXPECT_NE(nullptr, skinOf(findNode(L"Thing")));
}

TEST_F(LegacyImport, EmptyRecordAndZeroObjects) {
    LegacyRecord empty;
    setHeader(empty.header, "Nothing", "NULL");
    std::wstring file = temp.path(L"empty.msh");
    writeBytes(file, legacyBytes({empty}));
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(file));
    Mesh* mesh = meshOf(findNode(L"Nothing"));
    ASSERT_NE(nullptr, mesh);
    EXPECT_EQ(0, mesh->getNumVerts());
    EXPECT_EQ(0, mesh->getNumFaces());

    resetScene();
    std::wstring none = temp.path(L"none.msh");
    writeBytes(none, legacyBytes({}));
    EXPECT_EQ(IMPEXP_SUCCESS, importFile(none));
    EXPECT_EQ(0, GetCOREInterface()->GetRootNode()->NumberOfChildren());
}

} // namespace
