#include "importer/BuildMaterial.h"

#include "format/TextField.h"
#include "host/Interface.h"
#include "host/Materials.h"
#include "importer/ImportMessages.h"
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

// Only the file's header is read: the texture loads its own pixels when a viewport or the
// renderer needs them. Silent, so a bad file is one line of the importer's instead of a host
// dialog in the middle of the import.
void checkBitmap(const std::wstring& bitmapPath, INode* node) {
    BitmapInfo probe(bitmapPath.c_str());
    BOOL wasSilent = TheManager->SetSilentMode(TRUE);
    BMMRES status = TheManager->GetImageInfo(&probe);
    TheManager->SetSilentMode(wasSilent);
    if (status != BMMRES_SUCCESS) {
        const MCHAR* name = node->GetName();
        reportUnreadableTexture(name ? name : L"", bitmapPath, status == BMMRES_FILENOTFOUND);
    }
}

// The map is made from the path alone, whether or not the file is there.
BitmapTex* setDiffuseMap(StdMat2* material, const std::wstring& bitmapPath) {
    BitmapInfo info(bitmapPath.c_str());
    BitmapTex* texture = NewDefaultBitmapTex();
    if (texture == NULL)
        return NULL;
    texture->SetMap(info.GetAsset(), false);
    material->SetSubTexmap(ID_DI, texture);
    material->SetTexmapAmt(ID_DI, 1.0f, 0);
    material->EnableMap(ID_DI, TRUE);
    return texture;
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
    std::wstring bitmapPath = textureDir + textureName;
    BitmapTex* texture = setDiffuseMap(material, bitmapPath);
    node->SetMtl(material);
    // Without this the viewports show the material's plain red, not its map.
    Interface* ip = GetCOREInterface();
    if (texture != NULL && ip != NULL)
        ip->ActivateTexture(texture, material);
    checkBitmap(bitmapPath, node);
}
