// Scene objects of the host SDK: the animatable hierarchy, triangle objects, modifier stacks.
#ifndef HOST_OBJECTS_H
#define HOST_OBJECTS_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>

#include "host/Geometry.h"
#include "host/Mesh.h"
#include "host/PlugApi.h"

#include <modstack.h>
#include <triobj.h>
#else

#include "host/Geometry.h"
#include "host/Mesh.h"
#include "host/PlugApi.h"

class INode;
class Object;
class ModContext;

typedef unsigned int RefResult;
#define REF_FAIL 0
#define REF_SUCCEED 1

/// Base of everything the scene holds. Every Animatable is owned by the in-memory scene from
/// construction on and freed when the scene is reset, unless deleted earlier.
class MAXHOST_API Animatable : public MaxHeapOperators {
public:
    Animatable();
    virtual ~Animatable();
    virtual Class_ID ClassID();
    virtual SClass_ID SuperClassID();
    /// The interface with the given id, or NULL.
    virtual void* GetInterface(ULONG id);
    virtual BaseInterface* GetInterface(Interface_ID id);
    virtual void ReleaseInterface(ULONG id, void* i);
    /// Deletes this object now.
    virtual void DeleteThis();

private:
    Animatable(const Animatable&);
    Animatable& operator=(const Animatable&);
};

/// Something that refers to other scene items.
class MAXHOST_API ReferenceMaker : public Animatable {};

/// Something other scene items refer to.
class MAXHOST_API ReferenceTarget : public ReferenceMaker {};

/// A viewport, as the bounding-box calls take it.
class ViewExp : public MaxHeapOperators {
public:
    virtual ~ViewExp() {}
    virtual BOOL IsAlive() = 0;
};

/// Base of objects and modifiers.
class MAXHOST_API BaseObject : public ReferenceTarget {
public:
    /// The object's box in world space, as the node places it; empty for objects without
    /// geometry.
    virtual void GetWorldBoundBox(TimeValue t, INode* inode, ViewExp* vp, Box3& box);
    /// The object's box in its own space; empty for objects without geometry.
    virtual void GetLocalBoundBox(TimeValue t, INode* inode, ViewExp* vp, Box3& box);
};

/// The result of evaluating a node's pipeline.
class ObjectState : public MaxHeapOperators {
public:
    Object* obj;
    ObjectState() : obj(NULL) {}
    ObjectState(Object* ob) : obj(ob) {}
    ObjectState(const ObjectState& os) : obj(os.obj) {}
    ObjectState& operator=(const ObjectState& os) {
        obj = os.obj;
        return *this;
    }
};

/// A scene object (geometry, light, camera, helper or modifier stack).
class MAXHOST_API Object : public BaseObject {
public:
    /// Non-zero when ConvertToType can give an object of class obtype.
    virtual int CanConvertToType(Class_ID obtype);
    /// An object of class obtype made from this one (this itself when it already is one), or
    /// NULL when it cannot convert.
    virtual Object* ConvertToType(TimeValue t, Class_ID obtype);
    /// The object at the bottom of a modifier stack; the object itself otherwise.
    virtual Object* FindBaseObject() { return this; }
    /// The object's box in its own space, transformed by tm when given.
    virtual void GetDeformBBox(TimeValue t, Box3& box, Matrix3* tm = NULL, BOOL useSel = FALSE);
    /// Deletes the object unless a node or a modifier stack of the scene refers to it (then
    /// the call does nothing), so temporary conversions can always be handed back.
    void DeleteMe();
};

/// Base of geometric objects.
class MAXHOST_API GeomObject : public Object {};

/// An editable triangle mesh object.
class MAXHOST_API TriObject : public GeomObject {
public:
    Mesh mesh;

    TriObject();
    ~TriObject();
    Mesh& GetMesh() { return mesh; }
    Class_ID ClassID() override;
    SClass_ID SuperClassID() override;
    int CanConvertToType(Class_ID obtype) override;
    Object* ConvertToType(TimeValue t, Class_ID obtype) override;
    /// The mesh's box, its eight corners transformed by the node's object transform.
    void GetWorldBoundBox(TimeValue t, INode* inode, ViewExp* vp, Box3& box) override;
    void GetLocalBoundBox(TimeValue t, INode* inode, ViewExp* vp, Box3& box) override;
    void GetDeformBBox(TimeValue t, Box3& box, Matrix3* tm = NULL, BOOL useSel = FALSE) override;
};

/// A new, empty triangle object owned by the scene.
MAXHOST_API TriObject* CreateNewTriObject();

/// An object-space modifier.
class MAXHOST_API Modifier : public BaseObject {
public:
    SClass_ID SuperClassID() override;
};

/// A modifier stack over a base object. Modifier 0 is the top of the stack (applied last).
class IDerivedObject : public Object {
public:
    /// Inserts mod at index `before` (0: on top of the stack).
    virtual void AddModifier(Modifier* mod, ModContext* mc = NULL, int before = 0) = 0;
    virtual void DeleteModifier(int index = 0) = 0;
    virtual int NumModifiers() = 0;
    virtual Modifier* GetModifier(int index) = 0;
    virtual void SetModifier(int index, Modifier* mod) = 0;
    virtual ModContext* GetModContext(int index) = 0;
    /// The object below the stack.
    virtual Object* GetObjRef() = 0;
    virtual RefResult ReferenceObject(Object* pob) = 0;
};

/// A new modifier stack over pob (which may be NULL and set later), owned by the scene.
MAXHOST_API IDerivedObject* CreateDerivedObject(Object* pob = NULL);

/// A new instance of a known host class: the Skin modifier (OSM_CLASS_ID, SKIN_CLASSID), a
/// triangle object, a standard material, a bitmap texture or a dummy helper; NULL otherwise.
MAXHOST_API void* CreateInstance(SClass_ID superID, Class_ID classID);

#endif // MSH_REAL_SDK

#endif
