// Standard materials and bitmap textures.
#include "host/impl/SceneState.h"

using hostimpl::misuse;

MtlBase::MtlBase() : mtlFlags(0) {}

void MtlBase::SetMtlFlag(int mask, BOOL val) {
    if (val)
        mtlFlags |= mask;
    else
        mtlFlags &= ~mask;
}

BOOL MtlBase::TestMtlFlag(int mask) {
    return (mtlFlags & mask) ? TRUE : FALSE;
}

namespace {

bool slotValid(int id, const char* operation) {
    if (id >= 0 && id < NTEXMAPS)
        return true;
    misuse(std::string(operation) + ": map slot " + std::to_string(id) + " outside 0.." +
           std::to_string(NTEXMAPS - 1));
    return false;
}

class StandardMaterial : public StdMat2 {
public:
    StandardMaterial()
        : ambient(0.588f, 0.588f, 0.588f), diffuse(0.588f, 0.588f, 0.588f),
          specular(0.9f, 0.9f, 0.9f) {
        for (int i = 0; i < NTEXMAPS; ++i) {
            maps[i] = nullptr;
            enabled[i] = false;
            amounts[i] = 1.0f;
        }
    }
    Class_ID ClassID() override { return Class_ID(DMTL_CLASS_ID, 0); }
    SClass_ID SuperClassID() override { return MATERIAL_CLASS_ID; }

    // The timed setters are animatable parameters: set while animating, each is a key.
    void SetAmbient(Color c, TimeValue t) override { set(ambient, c, "ambient", t); }
    void SetDiffuse(Color c, TimeValue t) override { set(diffuse, c, "diffuse", t); }
    void SetSpecular(Color c, TimeValue t) override { set(specular, c, "specular", t); }
    void SetShininess(float v, TimeValue t) override { set(shininess, v, "shininess", t); }
    void SetShinStr(float v, TimeValue t) override { set(shinStr, v, "shinStr", t); }
    void SetSelfIllum(float v, TimeValue t) override { set(selfIllum, v, "selfIllum", t); }
    void SetOpacity(float v, TimeValue t) override { set(opacity, v, "opacity", t); }
    Color GetAmbient(TimeValue) override { return ambient; }
    Color GetDiffuse(TimeValue) override { return diffuse; }
    Color GetSpecular(TimeValue) override { return specular; }
    float GetShininess(TimeValue) override { return shininess; }
    float GetShinStr(TimeValue) override { return shinStr; }
    float GetSelfIllum(TimeValue) override { return selfIllum; }
    float GetOpacity(TimeValue) override { return opacity; }
    void SetTwoSided(BOOL onoff) override { twoSided = onoff != FALSE; }
    BOOL GetTwoSided() override { return twoSided ? TRUE : FALSE; }
    void SetWire(BOOL onoff) override { wire = onoff != FALSE; }
    BOOL GetWire() override { return wire ? TRUE : FALSE; }
    void SetFaceMap(BOOL onoff) override { faceMap = onoff != FALSE; }
    void SetSoften(BOOL onoff) override { soften = onoff != FALSE; }
    void SetShading(int s) override { shading = s; }
    int GetShading() override { return shading; }
    void SetFaceted(BOOL onoff) override { faceted = onoff != FALSE; }
    BOOL IsFaceted() override { return faceted ? TRUE : FALSE; }
    void EnableMap(int id, BOOL onoff) override {
        if (slotValid(id, "StdMat::EnableMap"))
            enabled[id] = onoff != FALSE;
    }
    BOOL MapEnabled(int id) override {
        return slotValid(id, "StdMat::MapEnabled") && enabled[id] ? TRUE : FALSE;
    }
    void SetTexmapAmt(int id, float amt, TimeValue t) override {
        if (slotValid(id, "StdMat::SetTexmapAmt"))
            set(amounts[id], amt, "texmapAmount", t);
    }
    float GetTexmapAmt(int id, TimeValue) override {
        return slotValid(id, "StdMat::GetTexmapAmt") ? amounts[id] : 0.0f;
    }
    int NumSubTexmaps() override { return NTEXMAPS; }
    // Asking for a slot that does not exist is how callers probe; it is answered with NULL.
    Texmap* GetSubTexmap(int i) override { return i >= 0 && i < NTEXMAPS ? maps[i] : nullptr; }
    void SetSubTexmap(int i, Texmap* m) override {
        if (slotValid(i, "MtlBase::SetSubTexmap"))
            maps[i] = m;
    }

private:
    template <typename Value>
    void set(Value& field, const Value& value, const char* track, TimeValue t) {
        field = value;
        hostimpl::noteValueSet(this, track, t);
    }

    Color ambient, diffuse, specular;
    float shininess = 0.1f;
    float shinStr = 0.0f;
    float selfIllum = 0.0f;
    float opacity = 1.0f;
    bool twoSided = false, wire = false, faceMap = false, soften = false, faceted = false;
    int shading = 1; // Blinn
    Texmap* maps[NTEXMAPS];
    bool enabled[NTEXMAPS];
    float amounts[NTEXMAPS];
};

class BitmapTexture : public BitmapTex {
public:
    Class_ID ClassID() override { return Class_ID(BMTEX_CLASS_ID, 0); }
    SClass_ID SuperClassID() override { return TEXMAP_CLASS_ID; }
    BOOL SupportTexDisplay() override { return TRUE; }
    void SetMapName(const MCHAR* fileName, bool) override {
        asset = MaxSDK::AssetManagement::AssetUser(fileName ? fileName : L"");
    }
    const MCHAR* GetMapName() override { return asset.GetFileName(); }
    void SetMap(const MaxSDK::AssetManagement::AssetUser& a, bool) override { asset = a; }
    const MaxSDK::AssetManagement::AssetUser& GetMap() override { return asset; }

private:
    MaxSDK::AssetManagement::AssetUser asset;
};

// Whether map is one of mtl's maps, directly or through its sub-maps and sub-materials.
bool holdsMap(MtlBase* holder, MtlBase* map, int depth) {
    if (holder == map)
        return true;
    if (depth > 32) // a cycle of maps; the host would never build one
        return false;
    for (int i = 0; i < holder->NumSubTexmaps(); ++i)
        if (Texmap* sub = holder->GetSubTexmap(i))
            if (holdsMap(sub, map, depth + 1))
                return true;
    if (Mtl* material = dynamic_cast<Mtl*>(holder))
        for (int i = 0; i < material->NumSubMtls(); ++i)
            if (Mtl* sub = material->GetSubMtl(i))
                if (holdsMap(sub, map, depth + 1))
                    return true;
    return false;
}

std::map<Mtl*, MtlBase*>& viewportMaps() {
    static std::map<Mtl*, MtlBase*> maps;
    static bool hooked = (hostimpl::addResetHook([] { maps.clear(); }), true);
    (void)hooked;
    return maps;
}

} // namespace

// Viewport display source: only ActivateTexture shows a map; ActivateTexDisplay "does not
// cause the texture map to be drawn in the viewport" (MtlBase.h; maxapi.h ActivateTexture,
// "mtl is the TOP LEVEL of the material containing the texture map").
void Interface::ActivateTexture(MtlBase* tx, Mtl* mtl, int) {
    if (!tx || !mtl || tx == mtl) {
        misuse("Interface::ActivateTexture: needs a map and the material that holds it");
        return;
    }
    if (!holdsMap(mtl, tx, 0)) {
        misuse("Interface::ActivateTexture: map \"" + hostimpl::narrow(tx->GetName().data()) +
               "\" is not part of material \"" + hostimpl::narrow(mtl->GetName().data()) + "\"");
        return;
    }
    tx->SetMtlFlag(MTL_TEX_DISPLAY_ENABLED, TRUE);
    tx->ActivateTexDisplay(TRUE);
    viewportMaps()[mtl] = tx;
}

MtlBase* viewportMapOf(Mtl* mtl) {
    auto found = viewportMaps().find(mtl);
    return found == viewportMaps().end() ? nullptr : found->second;
}

StdMat2* NewDefaultStdMat() {
    return new StandardMaterial();
}

BitmapTex* NewDefaultBitmapTex() {
    return new BitmapTexture();
}
