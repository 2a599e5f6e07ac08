// Standard materials, bitmap textures and the bitmap manager.
#include "tests/host/HostTestSupport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

class MaterialTest : public HostTest {};

TEST_F(MaterialTest, StandardMaterialKeepsWhatIsSet) {
    StdMat2* mtl = NewDefaultStdMat();
    EXPECT_TRUE(mtl->ClassID() == Class_ID(DMTL_CLASS_ID, 0));
    EXPECT_EQ((SClass_ID)MATERIAL_CLASS_ID, mtl->SuperClassID());
    EXPECT_FALSE(mtl->GetTwoSided());
    EXPECT_EQ(nullptr, mtl->GetSubTexmap(ID_DI));

    mtl->SetName(L"rock.tga");
    mtl->SetAmbient(Color(1.0f, 0.0f, 0.0f), 0);
    mtl->SetDiffuse(Color(0.5f, 0.25f, 0.0f), 0);
    mtl->SetSpecular(Color(1.0f, 1.0f, 1.0f), 0);
    mtl->SetShininess(0.5f, 0);
    mtl->SetShinStr(0.7f, 0);
    mtl->SetTwoSided(TRUE);
    BitmapTex* tex = NewDefaultBitmapTex();
    mtl->SetSubTexmap(ID_DI, tex);
    mtl->SetTexmapAmt(ID_DI, 0.6f, 0);
    mtl->EnableMap(ID_DI, TRUE);

    EXPECT_STREQ(L"rock.tga", mtl->GetName().data());
    EXPECT_TRUE(mtl->GetAmbient(0) == Color(1.0f, 0.0f, 0.0f));
    EXPECT_TRUE(mtl->GetDiffuse(0) == Color(0.5f, 0.25f, 0.0f));
    EXPECT_FLOAT_EQ(0.5f, mtl->GetShininess(0));
    EXPECT_FLOAT_EQ(0.7f, mtl->GetShinStr(0));
    EXPECT_TRUE(mtl->GetTwoSided());
    EXPECT_EQ(tex, mtl->GetSubTexmap(1));
    EXPECT_TRUE(tex->ClassID() == Class_ID(BMTEX_CLASS_ID, 0));
    EXPECT_FLOAT_EQ(0.6f, mtl->GetTexmapAmt(ID_DI, 0));
    EXPECT_TRUE(mtl->MapEnabled(ID_DI));
    EXPECT_FALSE(mtl->MapEnabled(ID_SP));
    EXPECT_EQ(nullptr, mtl->GetSubTexmap(NTEXMAPS)); // probing past the slots is answered

    MisuseRecorder misuse;
    mtl->SetSubTexmap(NTEXMAPS, tex);
    EXPECT_EQ(1u, misuse.reports().size());
}

TEST_F(MaterialTest, BitmapTextureTakesItsNameFromTheAsset) {
    BitmapInfo info(L"D:\\models\\hero.tga");
    EXPECT_STREQ(L"D:\\models\\hero.tga", info.Name());
    BitmapTex* tex = NewDefaultBitmapTex();
    tex->SetMap(info.GetAsset());
    EXPECT_STREQ(L"D:\\models\\hero.tga", tex->GetMapName());
    tex->SetMapName(L"other.tga");
    EXPECT_STREQ(L"other.tga", tex->GetMap().GetFileName().data());
}

// A missing file or one without an image header: NULL, and the Image IO Error dialog unless
// silent mode is on.
TEST_F(MaterialTest, UnreadableBitmapsRaiseTheImageDialogOutsideSilentMode) {
    std::filesystem::path dir = std::filesystem::temp_directory_path();
    std::filesystem::path png = dir / "host_test_bitmap.png", bad = dir / "host_test_bad.tga";
    { std::ofstream(png, std::ios::binary) << "\x89PNG\r\n\x1a\n and the rest"; }
    { std::ofstream(bad, std::ios::binary) << "x"; }
    MessageBoxRecorder boxes;
    BitmapInfo missing(L"/nonexistent/folder/tex.tga"), present(png.wstring().c_str()),
        damaged(bad.wstring().c_str());
    BMMRES status = BMMRES_SUCCESS;
    EXPECT_EQ(nullptr, TheManager->Load(&missing, &status));
    EXPECT_EQ(BMMRES_FILENOTFOUND, status);
    Bitmap* bitmap = TheManager->Load(&present, &status);
    EXPECT_NE(nullptr, bitmap);
    EXPECT_EQ(BMMRES_SUCCESS, status);
    EXPECT_EQ(nullptr, TheManager->Load(&damaged, &status));
    EXPECT_EQ(BMMRES_INVALIDFORMAT, status);
    ASSERT_EQ(2u, boxes.calls().size());
    EXPECT_EQ(HOST_IMAGE_IO_ERROR_CAPTION, boxes.calls()[1].caption);
    EXPECT_NE(std::wstring::npos, boxes.calls()[1].text.find(bad.wstring()));
    EXPECT_EQ(ip()->GetMAXHWnd(), boxes.calls()[1].owner);

    EXPECT_FALSE(TheManager->SetSilentMode(TRUE));
    EXPECT_EQ(BMMRES_INVALIDFORMAT, TheManager->GetImageInfo(&damaged));
    EXPECT_EQ(BMMRES_SUCCESS, TheManager->GetImageInfo(&missing, png.wstring().c_str()));
    EXPECT_EQ(nullptr, TheManager->Load(&damaged, &status));
    EXPECT_EQ(2u, boxes.calls().size());
    EXPECT_TRUE(TheManager->SilentMode());
    std::filesystem::remove(png);
    std::filesystem::remove(bad);

    ASSERT_EQ(4u, bitmapLoadRequests().size()); // GetImageInfo loads nothing
    EXPECT_EQ(L"/nonexistent/folder/tex.tga", bitmapLoadRequests()[0]);
    ASSERT_EQ(1u, loadedBitmaps().size());
    EXPECT_EQ(png.wstring(), loadedBitmaps()[0]);
    bitmap->DeleteThis();

    resetScene();
    EXPECT_TRUE(bitmapLoadRequests().empty());
    EXPECT_FALSE(TheManager->SilentMode());
}

TEST_F(MaterialTest, OnlyActivateTextureShowsAMapOfTheMaterialInViewports) {
    StdMat2* mtl = NewDefaultStdMat();
    BitmapTex* tex = NewDefaultBitmapTex();
    tex->ActivateTexDisplay(TRUE);
    EXPECT_EQ(nullptr, viewportMapOf(mtl));
    MisuseRecorder misuse;
    ip()->ActivateTexture(tex, mtl); // not yet a map of that material
    EXPECT_EQ(1u, misuse.reports().size());
    EXPECT_EQ(nullptr, viewportMapOf(mtl));

    mtl->SetSubTexmap(ID_DI, tex);
    ip()->ActivateTexture(tex, mtl);
    EXPECT_EQ(tex, viewportMapOf(mtl));
    EXPECT_TRUE(tex->TestMtlFlag(MTL_TEX_DISPLAY_ENABLED));
    resetScene();
    EXPECT_EQ(1u, misuse.reports().size());
}

} // namespace
