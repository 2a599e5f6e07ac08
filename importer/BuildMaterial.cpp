#include "importer/BuildMaterial.h"

#include "format/TextField.h"
#include "host/Materials.h"
#include "importer/ImportPath.h"

std::wstring textureNameOf(const MshObjectHeader& header) {
    // Byte for byte, the inverse of how the exporter stores a path (one byte per character
    // up to U+00FF), so a texture the exporter wrote is looked up under its own name.
    std::wstring path = widenLatin1(readTextField(header.texturePath, MSH_TEXT_FIELD_SIZE));
    return lastPathComponent(path);
}

namespace {

void setMaterialColours(StdMat2* material) {
    material->SetAmbient(Color(1.0f, 0.0f, 0.0f), 0);
    material->SetDiffuse(Color(1.0f, 0.0f, 0.0f), 0);
    material->SetSpecular(Color(1.0f, 1.0f, 1.0f), 0);
    material->SetShininess(0.5f, 0);
    material->SetShinStr(0.7f, 0);
}

void setDiffuseMap(StdMat2* material, const std::wstring& bitmapPath) {
    BitmapInfo info(bitmapPath.c_str());
    // The bitmap need not exist: the map is made from the path alone.
    BMMRES status = BMMRES_SUCCESS;
    Bitmap* loaded = TheManager->Load(&info, &status);
    // The texture takes the path alone; a bitmap left loaded would keep its pixels for the
    // rest of the session.
    if (loaded != NULL)
        loaded->DeleteThis();
    BitmapTex* texture = NewDefaultBitmapTex();
    if (texture == NULL)
        return;
    texture->SetMap(info.GetAsset(), false);
    material->SetSubTexmap(ID_DI, texture);
    material->SetTexmapAmt(ID_DI, 1.0f, 0);
    material->EnableMap(ID_DI, TRUE);
}

} // namespace

void buildMaterial(const MshObjectHeader& header, const std::wstring& textureDir, INode* node) {
    std::wstring textureName = textureNameOf(header);
    if (textureName.empty())
        return;
    StdMat2* material = NewDefaultStdMat();
    if (material == NULL)
        return;
    material->SetTwoSided(header.twoSided != 0 ? TRUE : FALSE);
    material->SetName(MSTR(textureName.c_str()));
    setMaterialColours(material);
    setDiffuseMap(material, textureDir + textureName);
    node->SetMtl(material);
}
