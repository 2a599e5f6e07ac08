// Materials and diffuse bitmaps of imported objects.

#include "ImportFixture.h"

using namespace importtest;

namespace {

class Materials : public ImportTest {
protected:
    // Imports one legacy triangle with the given texture path from a file in the temp folder
    // (named with backslashes after the folder when asked) and returns its node.
    INode* importWithTexture(const std::string& texturePath, bool twoSided = false,
                             bool backslashes = true) {
        LegacyRecord r = legacyTriangle("Obj");
        setField(r.header.texturePath, texturePath);
        r.header.twoSided = twoSided ? 1 : 0;
        std::wstring file =
            backslashes ? temp.backslashPath(L"model.msh") : temp.path(L"model.msh");
        writeBytes(file, legacyBytes({r}));
        EXPECT_EQ(IMPEXP_SUCCESS, importFile(file));
        return findNode(L"Obj");
    }
    std::wstring folderWith(const wchar_t* separator) const {
        return std::wstring(separator) == L"/" ? temp.dir().wstring() + L"/"
                                               : temp.backslashFolder();
    }
};

StdMat2* materialOf(INode* node) {
    return dynamic_cast<StdMat2*>(node->GetMtl());
}

std::wstring diffuseMapOf(StdMat2* material) {
    BitmapTex* map = dynamic_cast<BitmapTex*>(material->GetSubTexmap(ID_DI));
    return map ? std::wstring(map->GetMap().GetFileName().data()) : L"<none>";
}

TEST_F(Materials, FullPathGivesRedStandardMaterialWithBitmapFromTheFileFolder) {
    StdMat2* material = materialOf(importWithTexture("D:\\art\\maps\\skin.tga"));
    ASSERT_NE(nullptr, material);
    EXPECT_EQ(L"skin.tga", std::wstring(material->GetName().data()));
    EXPECT_EQ(Color(1, 0, 0), material->GetAmbient(0));
    EXPECT_EQ(Color(1, 0, 0), material->GetDiffuse(0));
    EXPECT_EQ(Color(1, 1, 1), material->GetSpecular(0));
    EXPECT_EQ(0.5f, material->GetShininess(0));
    EXPECT_EQ(0.7f, material->GetShinStr(0));
    EXPECT_FALSE(material->GetTwoSided());
    EXPECT_TRUE(material->MapEnabled(ID_DI));
    EXPECT_EQ(1.0f, material->GetTexmapAmt(ID_DI, 0));
    EXPECT_EQ(folderWith(L"\\") + L"skin.tga", diffuseMapOf(material));
    EXPECT_EQ(material->GetSubTexmap(ID_DI), viewportMapOf(material));
    EXPECT_TRUE(bitmapLoadRequests().empty()); // the texture loads its own pixels when shown
}

TEST_F(Materials, BareNameIsUsedWholeAndTwoSidedIsKept) {
    StdMat2* material = materialOf(importWithTexture("rock.dds", true));
    ASSERT_NE(nullptr, material);
    EXPECT_EQ(L"rock.dds", std::wstring(material->GetName().data()));
    EXPECT_TRUE(material->GetTwoSided());
}

TEST_F(Materials, EmptyPathOrPathEndingInSeparatorGivesNoMaterial) {
    EXPECT_EQ(nullptr, importWithTexture("")->GetMtl());
    resetScene();
    EXPECT_EQ(nullptr, importWithTexture("C:\\textures\\")->GetMtl());
    resetScene();
    EXPECT_EQ(nullptr, importWithTexture("textures/")->GetMtl());
    EXPECT_TRUE(boxes.calls().empty());
}

TEST_F(Materials, ForwardSlashesSeparateFoldersInTheFilePathAndTheTexturePath) {
    StdMat2* material = materialOf(importWithTexture("art/maps/wood.png", false, false));
    ASSERT_NE(nullptr, material);
    EXPECT_EQ(L"wood.png", std::wstring(material->GetName().data()));
    EXPECT_EQ(folderWith(L"/") + L"wood.png", diffuseMapOf(material));
}

// Only the file's header is read, silently: a readable bitmap says nothing, a missing or
// damaged one is one line of the importer's and never the host's image dialog.
TEST_F(Materials, ABitmapThatCannotBeReadIsOneLineAndNoHostDialog) {
    writeBytes(temp.path(L"real.png"), "\x89PNG\r\n\x1a\nrest of the image");
    importWithTexture("X:\\elsewhere\\real.png", false, false);
    EXPECT_TRUE(boxes.calls().empty());

    resetScene();
    writeBytes(temp.path(L"broken.tga"), "not really an image");
    INode* node = importWithTexture("X:\\elsewhere\\broken.tga", false, false);
    ASSERT_EQ(1u, boxes.calls().size());
    const MessageBoxCall& box = boxes.calls()[0];
    EXPECT_EQ(L"MSHImp", box.caption);
    EXPECT_EQ(GetCOREInterface()->GetMAXHWnd(), box.owner);
    EXPECT_NE(std::wstring::npos, box.text.find(L"Texture for [Obj] could not be read"));
    EXPECT_NE(std::wstring::npos, box.text.find(temp.path(L"broken.tga")));
    EXPECT_EQ(temp.path(L"broken.tga"), diffuseMapOf(materialOf(node))); // kept all the same

    boxes.clear();
    importWithTexture("gone.tga", false, false);
    ASSERT_EQ(1u, boxes.calls().size());
    EXPECT_NE(std::wstring::npos, boxes.calls()[0].text.find(L"Texture for [Obj] not found"));
    EXPECT_TRUE(bitmapLoadRequests().empty());
    EXPECT_EQ(0u, heldBitmapCount());
    EXPECT_FALSE(TheManager->SilentMode()); // handed back as found
}

TEST_F(Materials, BytesAboveAsciiInTexturePathAreLatin1) {
    StdMat2* material = materialOf(importWithTexture("maps\\\xE9t\xE9\x80.tga"));
    ASSERT_NE(nullptr, material);
    EXPECT_EQ(L"\u00E9t\u00E9\u0080.tga", std::wstring(material->GetName().data()));
}

TEST_F(Materials, TwoObjectsNamingOneTextureGetTwoMaterials) {
    LegacyRecord a = legacyTriangle("A"), b = legacyTriangle("B");
    setField(a.header.texturePath, "shared.tga");
    setField(b.header.texturePath, "c:\\x\\shared.tga");
    Mesh8Record c = [] {
        Mesh8Builder m("C");
        m.face(m.vertex(Point3(0, 0, 0)), m.vertex(Point3(1, 0, 0)), m.vertex(Point3(0, 1, 0)));
        return m.build();
    }();
    setField(c.header.texturePath, "shared.tga");
    std::wstring legacy = temp.path(L"two.msh"), mesh8 = temp.path(L"three.msh");
    writeBytes(legacy, legacyBytes({a, b}));
    writeBytes(mesh8, mesh8Bytes({c}));
    ASSERT_EQ(IMPEXP_SUCCESS, importFile(legacy));
    ASSERT_EQ(IMPEXP_SUCCESS, importFile(mesh8));
    Mtl* ma = findNode(L"A")->GetMtl();
    Mtl* mb = findNode(L"B")->GetMtl();
    Mtl* mc = findNode(L"C")->GetMtl();
    ASSERT_TRUE(ma && mb && mc);
    EXPECT_NE(ma, mb);
    EXPECT_NE(mb, mc);
    EXPECT_EQ(L"shared.tga", std::wstring(mb->GetName().data()));
    EXPECT_EQ(L"shared.tga", std::wstring(mc->GetName().data()));
}

} // namespace
