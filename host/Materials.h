// Materials, texture maps, bitmaps and the bitmap manager of the host SDK.
#ifndef HOST_MATERIALS_H
#define HOST_MATERIALS_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>

#include "host/Geometry.h"
#include "host/MaxString.h"
#include "host/Objects.h"

#include <AssetManagement/AssetUser.h>
#include <bitmap.h>
#include <stdmat.h>
#else

#include "host/Geometry.h"
#include "host/MaxString.h"
#include "host/Objects.h"

// Map slots of a standard material.
#define ID_AM 0
#define ID_DI 1
#define ID_SP 2
#define ID_SH 3
#define ID_SS 4
#define ID_SI 5
#define ID_OP 6
#define ID_FI 7
#define ID_BU 8
#define ID_RL 9
#define ID_RR 10
#define ID_DP 11
#define NTEXMAPS 12

// Material flags (SetMtlFlag / TestMtlFlag).
#define MTL_TEX_DISPLAY_ENABLED (1 << 3) ///< the map is shown in viewports

class Texmap;

/// Something with sub-texture maps.
class ISubMap {
public:
    virtual ~ISubMap() {}
    virtual int NumSubTexmaps() { return 0; }
    virtual Texmap* GetSubTexmap(int i) {
        (void)i;
        return NULL;
    }
    virtual void SetSubTexmap(int i, Texmap* m) {
        (void)i;
        (void)m;
    }
};

/// Base of materials and texture maps: a name and sub-maps.
class MAXHOST_API MtlBase : public ReferenceTarget, public ISubMap {
public:
    void SetName(MSTR s) { name = s; }
    MSTR& GetName() { return name; }
    MSTR GetFullName() { return name; }
    void SetMtlFlag(int mask, BOOL val = TRUE);
    BOOL TestMtlFlag(int mask);
    /// Whether the map can be shown in viewports (bitmap textures can).
    virtual BOOL SupportTexDisplay() { return FALSE; }
    /// Tells the map that viewports use it; it does not show the map, only
    /// Interface::ActivateTexture does.
    virtual void ActivateTexDisplay(BOOL onoff) { (void)onoff; }

private:
    MSTR name;
    int mtlFlags;

protected:
    MtlBase();
};

/// A material. Colour and value setters take the time to set them at (only 0 exists).
class Mtl : public MtlBase {
public:
    virtual void SetAmbient(Color c, TimeValue t) = 0;
    virtual void SetDiffuse(Color c, TimeValue t) = 0;
    virtual void SetSpecular(Color c, TimeValue t) = 0;
    virtual void SetShininess(float v, TimeValue t) = 0;
    virtual int NumSubMtls() { return 0; }
    virtual Mtl* GetSubMtl(int i) {
        (void)i;
        return NULL;
    }
};

/// The standard material's parameters.
class StdMat : public Mtl {
public:
    virtual void SetShinStr(float v, TimeValue t) = 0;
    virtual void SetSelfIllum(float v, TimeValue t) = 0;
    virtual void SetOpacity(float v, TimeValue t) = 0;
    virtual Color GetAmbient(TimeValue t) = 0;
    virtual Color GetDiffuse(TimeValue t) = 0;
    virtual Color GetSpecular(TimeValue t) = 0;
    virtual float GetShininess(TimeValue t) = 0;
    virtual float GetShinStr(TimeValue t) = 0;
    virtual float GetSelfIllum(TimeValue t) = 0;
    virtual float GetOpacity(TimeValue t) = 0;
    virtual void SetTwoSided(BOOL onoff) = 0;
    virtual BOOL GetTwoSided() = 0;
    virtual void SetWire(BOOL onoff) = 0;
    virtual BOOL GetWire() = 0;
    virtual void SetFaceMap(BOOL onoff) = 0;
    virtual void SetSoften(BOOL onoff) = 0;
    virtual void SetShading(int s) = 0;
    virtual int GetShading() = 0;
    /// Enables or disables map slot id (ID_DI...).
    virtual void EnableMap(int id, BOOL onoff) = 0;
    virtual BOOL MapEnabled(int id) = 0;
    virtual void SetTexmapAmt(int id, float amt, TimeValue t) = 0;
    virtual float GetTexmapAmt(int id, TimeValue t) = 0;
};

/// The standard material of later hosts.
class StdMat2 : public StdMat {
public:
    virtual void SetFaceted(BOOL onoff) = 0;
    virtual BOOL IsFaceted() = 0;
};

/// A new standard material ("Standard", class (2,0)) with the host's default values: grey
/// ambient and diffuse (0.588), specular 0.9, shininess 0.1, strength 0, one-sided, no maps,
/// every map amount 1.0. Owned by the scene.
MAXHOST_API StdMat2* NewDefaultStdMat();

/// A texture map.
class Texmap : public MtlBase {};

namespace MaxSDK {
namespace AssetManagement {
/// A file the scene refers to, by path.
class AssetUser : public MaxHeapOperators {
public:
    AssetUser() {}
    explicit AssetUser(const MCHAR* path) : fileName(path) {}
    const MSTR& GetFileName() const { return fileName; }
    bool GetFullFilePath(MSTR& path) const {
        path = fileName;
        return !fileName.isNull();
    }
    bool operator==(const AssetUser& other) const { return fileName == other.fileName; }

private:
    MSTR fileName;
};
} // namespace AssetManagement
} // namespace MaxSDK

/// A texture map showing one bitmap file.
class BitmapTex : public Texmap {
public:
    virtual void SetMapName(const MCHAR* name, bool isUIAction = false) = 0;
    /// The bitmap's file name as set (usually a full path).
    virtual const MCHAR* GetMapName() = 0;
    virtual void SetMap(const MaxSDK::AssetManagement::AssetUser& asset,
                        bool isUIAction = false) = 0;
    virtual const MaxSDK::AssetManagement::AssetUser& GetMap() = 0;
};

/// A new bitmap texture (class (0x240,0)) without a file. Owned by the scene.
MAXHOST_API BitmapTex* NewDefaultBitmapTex();

typedef unsigned short BMMRES;
#define BMMRES_SUCCESS 0
#define BMMRES_FILENOTFOUND 2
#define BMMRES_INVALIDFORMAT 6

/// Describes a bitmap file to load.
class BitmapInfo : public MaxHeapOperators {
public:
    BitmapInfo() {}
    BitmapInfo(const MCHAR* n) : name(n), asset(n) {}
    BitmapInfo(const MaxSDK::AssetManagement::AssetUser& a) : name(a.GetFileName()), asset(a) {}
    BitmapInfo(const BitmapInfo& other) : name(other.name), asset(other.asset) {}
    BitmapInfo& operator=(const BitmapInfo& other) {
        name = other.name;
        asset = other.asset;
        return *this;
    }
    const MaxSDK::AssetManagement::AssetUser& GetAsset() const { return asset; }
    void SetAsset(const MaxSDK::AssetManagement::AssetUser& a) {
        asset = a;
        name = a.GetFileName();
    }
    const MCHAR* Name() const { return name; }
    const MCHAR* Filename() const { return name; }
    const MCHAR* SetName(const MCHAR* n) {
        name = n;
        asset = MaxSDK::AssetManagement::AssetUser(n);
        return name;
    }

private:
    MSTR name;
    MaxSDK::AssetManagement::AssetUser asset;
};

/// A loaded bitmap. The in-memory host keeps no pixels: it only knows the file was there.
class Bitmap : public MaxHeapOperators {
public:
    virtual ~Bitmap() {}
    virtual int Width() = 0;
    virtual int Height() = 0;
    /// Hands the bitmap back to the manager.
    virtual void DeleteThis() = 0;
};

/// Loads bitmaps. Outside silent mode, a file that cannot be read raises the host's image IO
/// error dialog.
class BitmapManager : public MaxHeapOperators {
public:
    virtual ~BitmapManager() {}
    /// TRUE when error dialogs are suppressed.
    virtual BOOL SilentMode() = 0;
    /// Turns the suppression of error dialogs on or off; returns the previous state.
    virtual BOOL SetSilentMode(BOOL s) = 0;
    /// Reads the header of bi's file (or of filename, which then becomes bi's name) without
    /// loading its pixels: BMMRES_SUCCESS, BMMRES_FILENOTFOUND or BMMRES_INVALIDFORMAT.
    virtual BMMRES GetImageInfo(BitmapInfo* bi, const MCHAR* filename = NULL) = 0;
    /// The bitmap of bi's file, owned by the manager (freed with the scene or by DeleteThis);
    /// NULL with status BMMRES_FILENOTFOUND when the file is not there, BMMRES_INVALIDFORMAT
    /// when it holds no image.
    virtual Bitmap* Load(BitmapInfo* bi, BMMRES* status = NULL) = 0;
    /// A new empty bitmap described by bi.
    virtual Bitmap* Create(BitmapInfo* bi) = 0;
};

/// The host's bitmap manager.
extern MAXHOST_API BitmapManager* TheManager;

#endif // MSH_REAL_SDK

#endif
