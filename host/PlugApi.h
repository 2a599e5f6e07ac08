// Class identities, plug-in descriptors and the import/export plug-in bases of the host SDK.
#ifndef HOST_PLUGAPI_H
#define HOST_PLUGAPI_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>

#include "host/MaxHeap.h"
#include "host/MaxTypes.h"

#include <impexp.h>
#include <iparamb2.h>
#else

#include "host/MaxHeap.h"
#include "host/MaxTypes.h"
#include "host/Tab.h"

#define MAX_RELEASE_R13 13000
#define MAX_RELEASE_R14 14000
#define MAX_RELEASE_R17 17000
#define MAX_RELEASE_UNSUPPORTED (-1)
#define MAX_RELEASE MAX_RELEASE_R17
#define MAX_API_NUM_R130 35
#define MAX_API_NUM_R140 38
#define MAX_API_NUM_R170 44
#define MAX_API_NUM MAX_API_NUM_R170
#define MAX_SDK_REV 0
// 3ds Max 2015: 0x42682C00, what LibVersion returns in the in-memory build.
#define VERSION_3DSMAX ((MAX_RELEASE << 16) + (MAX_API_NUM << 8) + MAX_SDK_REV)
#define GET_MAX_RELEASE(x) (((x) >> 16) & 0xffff)
#define GET_MAX_API_NUM(x) (((x) >> 8) & 0xff)
#define GET_MAX_SDK_REV(x) ((x)&0xff)
// The host stands for the 2015 SDK (version 17). Defined as 24 or more from outside (as
// tools/check-cxx11.sh does for C++17), the headers add what the SDKs of 2022 and later declare,
// so plug-in code can be checked against them.
#ifndef MAX_VERSION_MAJOR
#define MAX_VERSION_MAJOR 17
#endif
#define MAX_PRODUCT_YEAR_NUMBER 2015

typedef ULONG SClass_ID;

/// The two-part identity of a plug-in class.
class Class_ID : public MaxHeapOperators {
public:
    Class_ID() : a(0xffffffff), b(0xffffffff) {}
    Class_ID(const Class_ID& other) : a(other.a), b(other.b) {}
    Class_ID(ulong aa, ulong bb) : a((ULONG)aa), b((ULONG)bb) {}
    Class_ID& operator=(const Class_ID& other) {
        a = other.a;
        b = other.b;
        return *this;
    }
    ULONG PartA() const { return a; }
    ULONG PartB() const { return b; }
    void SetPartA(ulong aa) { a = (ULONG)aa; }
    void SetPartB(ulong bb) { b = (ULONG)bb; }
    bool operator==(const Class_ID& other) const { return a == other.a && b == other.b; }
    bool operator!=(const Class_ID& other) const { return !(*this == other); }
    bool operator<(const Class_ID& other) const {
        return a < other.a || (a == other.a && b < other.b);
    }

private:
    ULONG a, b;
};

/// The identity of a function-published interface.
class Interface_ID : public MaxHeapOperators {
public:
    Interface_ID() : a(0xffffffff), b(0xffffffff) {}
    Interface_ID(ULONG aa, ULONG bb) : a(aa), b(bb) {}
    ULONG PartA() const { return a; }
    ULONG PartB() const { return b; }
    bool operator==(const Interface_ID& other) const { return a == other.a && b == other.b; }
    bool operator!=(const Interface_ID& other) const { return !(*this == other); }

private:
    ULONG a, b;
};

/// Base of interfaces handed out by GetInterface(Interface_ID).
class BaseInterface : public MaxHeapOperators {
public:
    virtual ~BaseInterface() {}
    virtual Interface_ID GetID() = 0;
};

// Super class identities.
#define GEN_DERIVOB_CLASS_ID 0x000002
#define DERIVOB_CLASS_ID 0x000003
#define GEOMOBJECT_CLASS_ID 0x000010
#define CAMERA_CLASS_ID 0x000020
#define LIGHT_CLASS_ID 0x000030
#define HELPER_CLASS_ID 0x000050
#define OSM_CLASS_ID 0x000810
#define WSM_CLASS_ID 0x000820
#define SCENE_IMPORT_CLASS_ID 0x000A10
#define SCENE_EXPORT_CLASS_ID 0x000A20
#define MATERIAL_CLASS_ID 0x000C00
#define TEXMAP_CLASS_ID 0x000C10

// Class identities (part A; part B is 0).
#define TRIOBJ_CLASS_ID 0x0009
#define EDITTRIOBJ_CLASS_ID 0xe44f10b3
#define DMTL_CLASS_ID 0x00000002
#define BMTEX_CLASS_ID 0x0000240
#define DUMMY_CLASS_ID 0x876234
#define BONE_CLASS_ID 0x8a63c0
#define OMNI_LIGHT_CLASS_ID 0x1011
#define SIMPLE_CAM_CLASS_ID 0x1001
#define BONE_OBJ_CLASSID Class_ID(0x28bf6e8d, 0x2ecca840)

class Interface;
class ImpInterface;
class ExpInterface;
class FPInterface;

#define IMPEXP_FAIL 0
#define IMPEXP_SUCCESS 1
#define IMPEXP_CANCEL 2
#define ZOOMEXT_NOT_IMPLEMENTED -1
#define ZOOMEXT_YES TRUE
#define ZOOMEXT_NO FALSE
#define SCENE_EXPORT_SELECTED (1 << 0)

/// Describes one plug-in class to the host and creates its objects.
class MAXHOST_API ClassDesc : public MaxHeapOperators {
private:
    Tab<FPInterface*> interfaces; // the function-published interfaces of the class

public:
    virtual ~ClassDesc() {}
    virtual int IsPublic() = 0;
    virtual void* Create(BOOL loading = FALSE) = 0;
    virtual const MCHAR* ClassName() = 0;
#if MAX_VERSION_MAJOR >= 24
    /// The class name as scripts and logs see it, never translated.
    virtual const MCHAR* NonLocalizedClassName() = 0;
#endif
    virtual SClass_ID SuperClassID() = 0;
    virtual Class_ID ClassID() = 0;
    virtual const MCHAR* Category() = 0;
    virtual BOOL OkToCreate(Interface* i) {
        (void)i;
        return TRUE;
    }
    virtual BOOL HasClassParams() {
        return FALSE;
    }
    virtual DWORD InitialRollupPageState() {
        return 0x7fffffff;
    }
    virtual const MCHAR* InternalName() {
        return NULL;
    }
    virtual HINSTANCE HInstance() {
        return NULL;
    }
    virtual int NumInterfaces() {
        return interfaces.Count();
    }
    virtual FPInterface* GetInterfaceAt(int i) {
        return interfaces[i];
    }
    /// The published interface with that ID, or NULL.
    virtual FPInterface* GetInterface(Interface_ID id);
    /// The published interface of that internal name (case-insensitive, as scripts name it),
    /// or NULL.
    virtual FPInterface* GetInterface(const MCHAR* name);
    /// Publishes fpi with this class (what an interface descriptor given this class does).
    virtual void AddInterface(FPInterface* fpi);
    virtual void ClearInterfaces() {
        interfaces.ZeroCount();
    }
};

/// The descriptor base with parameter-block support (none is declared by this project).
class ClassDesc2 : public ClassDesc {
public:
    virtual int NumParamBlockDescs() { return 0; }
};

/// A scene import plug-in.
class SceneImport : public MaxHeapOperators {
public:
    virtual ~SceneImport() {}
    virtual int ExtCount() = 0;
    virtual const MCHAR* Ext(int n) = 0;
    virtual const MCHAR* LongDesc() = 0;
    virtual const MCHAR* ShortDesc() = 0;
    virtual const MCHAR* AuthorName() = 0;
    virtual const MCHAR* CopyrightMessage() = 0;
    virtual const MCHAR* OtherMessage1() = 0;
    virtual const MCHAR* OtherMessage2() = 0;
    virtual unsigned int Version() = 0;
    virtual void ShowAbout(HWND hWnd) = 0;
    virtual int DoImport(const MCHAR* name, ImpInterface* ii, Interface* i,
                         BOOL suppressPrompts = FALSE) = 0;
    virtual int ZoomExtents() { return ZOOMEXT_NOT_IMPLEMENTED; }
};

/// A scene export plug-in.
class SceneExport : public MaxHeapOperators {
public:
    virtual ~SceneExport() {}
    virtual int ExtCount() = 0;
    virtual const MCHAR* Ext(int n) = 0;
    virtual const MCHAR* LongDesc() = 0;
    virtual const MCHAR* ShortDesc() = 0;
    virtual const MCHAR* AuthorName() = 0;
    virtual const MCHAR* CopyrightMessage() = 0;
    virtual const MCHAR* OtherMessage1() = 0;
    virtual const MCHAR* OtherMessage2() = 0;
    virtual unsigned int Version() = 0;
    virtual void ShowAbout(HWND hWnd) = 0;
    virtual int DoExport(const MCHAR* name, ExpInterface* ei, Interface* i,
                         BOOL suppressPrompts = FALSE, DWORD options = 0) = 0;
    virtual BOOL SupportsOptions(int ext, DWORD options) {
        (void)ext;
        (void)options;
        return FALSE;
    }
};

#endif // MSH_REAL_SDK

#endif
