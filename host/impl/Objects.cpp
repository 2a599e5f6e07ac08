// Scene objects: the base classes, triangle objects, objects that do not convert, and
// modifier stacks.
#include "host/embed/MemoryHost.h"
#include "host/impl/SceneState.h"

#include <algorithm>
#include <vector>

using hostimpl::Arena;
using hostimpl::misuse;

void BaseObject::GetWorldBoundBox(TimeValue, INode*, ViewExp*, Box3& box) {
    box.Init();
}

void BaseObject::GetLocalBoundBox(TimeValue, INode*, ViewExp*, Box3& box) {
    box.Init();
}

int Object::CanConvertToType(Class_ID obtype) {
    return obtype == ClassID() ? 1 : 0;
}

Object* Object::ConvertToType(TimeValue, Class_ID obtype) {
    return obtype == ClassID() ? this : nullptr;
}

void Object::GetDeformBBox(TimeValue, Box3& box, Matrix3*, BOOL) {
    box.Init();
}

void Object::DeleteMe() {
    if (Arena::instance().referenceCount(this) > 0)
        return;
    DeleteThis();
}

TriObject::TriObject() {}

TriObject::~TriObject() {}

Class_ID TriObject::ClassID() {
    return Class_ID(TRIOBJ_CLASS_ID, 0);
}

SClass_ID TriObject::SuperClassID() {
    return GEOMOBJECT_CLASS_ID;
}

int TriObject::CanConvertToType(Class_ID obtype) {
    return obtype == Class_ID(TRIOBJ_CLASS_ID, 0) ? 1 : 0;
}

Object* TriObject::ConvertToType(TimeValue, Class_ID obtype) {
    return obtype == Class_ID(TRIOBJ_CLASS_ID, 0) ? this : nullptr;
}

void TriObject::GetWorldBoundBox(TimeValue t, INode* inode, ViewExp* vpt, Box3& box) {
    // Dead viewport: many object classes give an empty box (boolobj.cpp, camera.cpp
    // GetWorldBoundBox: "if (!vpt || !vpt->IsAlive())").
    if (!vpt || !vpt->IsAlive()) {
        box.Init();
        return;
    }
    box = hostimpl::meshVertexBox(mesh, nullptr);
    if (inode)
        box = box * inode->GetObjectTM(t);
}

void TriObject::GetLocalBoundBox(TimeValue, INode*, ViewExp*, Box3& box) {
    box = hostimpl::meshVertexBox(mesh, nullptr);
}

void TriObject::GetDeformBBox(TimeValue, Box3& box, Matrix3* tm, BOOL) {
    box = hostimpl::meshVertexBox(mesh, tm);
}

TriObject* CreateNewTriObject() {
    return new TriObject();
}

SClass_ID Modifier::SuperClassID() {
    return OSM_CLASS_ID;
}

namespace {

// A dummy, light or camera: something a scene holds that has no mesh.
class PlainObject : public Object {
public:
    PlainObject(SClass_ID super, Class_ID id) : superClass(super), classId(id) {}
    Class_ID ClassID() override { return classId; }
    SClass_ID SuperClassID() override { return superClass; }

private:
    SClass_ID superClass;
    Class_ID classId;
};

class DerivedObject : public IDerivedObject {
public:
    explicit DerivedObject(Object* pob) : base(nullptr) { ReferenceObject(pob); }
    ~DerivedObject() override {
        if (Arena::instance().contains(base))
            Arena::instance().releaseReference(base);
        for (Modifier* mod : modifiers)
            if (Arena::instance().contains(mod))
                Arena::instance().releaseReference(mod);
    }
    Class_ID ClassID() override { return Class_ID(DERIVOB_CLASS_ID, 0); }
    SClass_ID SuperClassID() override { return GEN_DERIVOB_CLASS_ID; }
    Object* FindBaseObject() override { return base ? base->FindBaseObject() : nullptr; }
    int CanConvertToType(Class_ID obtype) override {
        return base ? base->CanConvertToType(obtype) : 0;
    }
    Object* ConvertToType(TimeValue t, Class_ID obtype) override {
        return base ? base->ConvertToType(t, obtype) : nullptr;
    }
    void GetWorldBoundBox(TimeValue t, INode* inode, ViewExp* vp, Box3& box) override {
        if (base)
            base->GetWorldBoundBox(t, inode, vp, box);
        else
            box.Init();
    }
    void GetLocalBoundBox(TimeValue t, INode* inode, ViewExp* vp, Box3& box) override {
        if (base)
            base->GetLocalBoundBox(t, inode, vp, box);
        else
            box.Init();
    }
    void GetDeformBBox(TimeValue t, Box3& box, Matrix3* tm, BOOL useSel) override {
        if (base)
            base->GetDeformBBox(t, box, tm, useSel);
        else
            box.Init();
    }

    void AddModifier(Modifier* mod, ModContext*, int before) override {
        if (!mod) {
            misuse("IDerivedObject::AddModifier: NULL modifier");
            return;
        }
        if (before < 0 || before > (int)modifiers.size()) {
            misuse("IDerivedObject::AddModifier: position " + std::to_string(before) +
                   " outside 0.." + std::to_string(modifiers.size()));
            return;
        }
        modifiers.insert(modifiers.begin() + before, mod);
        Arena::instance().addReference(mod);
    }
    void DeleteModifier(int index) override {
        if (!indexValid(index, "IDerivedObject::DeleteModifier"))
            return;
        Arena::instance().releaseReference(modifiers[(size_t)index]);
        modifiers.erase(modifiers.begin() + index);
    }
    int NumModifiers() override { return (int)modifiers.size(); }
    Modifier* GetModifier(int index) override {
        return indexValid(index, "IDerivedObject::GetModifier") ? modifiers[(size_t)index]
                                                                : nullptr;
    }
    void SetModifier(int index, Modifier* mod) override {
        if (!indexValid(index, "IDerivedObject::SetModifier") || !mod)
            return;
        Arena::instance().releaseReference(modifiers[(size_t)index]);
        modifiers[(size_t)index] = mod;
        Arena::instance().addReference(mod);
    }
    ModContext* GetModContext(int index) override {
        indexValid(index, "IDerivedObject::GetModContext");
        return nullptr;
    }
    Object* GetObjRef() override { return base; }
    RefResult ReferenceObject(Object* pob) override {
        if (pob == this) {
            misuse("IDerivedObject::ReferenceObject: a stack cannot hold itself");
            return REF_FAIL;
        }
        if (pob)
            Arena::instance().addReference(pob);
        if (base)
            Arena::instance().releaseReference(base);
        base = pob;
        return REF_SUCCEED;
    }

private:
    Object* base;
    std::vector<Modifier*> modifiers; // index 0 is the top of the stack

    bool indexValid(int index, const char* operation) const {
        if (index >= 0 && index < (int)modifiers.size())
            return true;
        misuse(std::string(operation) + ": modifier " + std::to_string(index) + " of " +
               std::to_string(modifiers.size()));
        return false;
    }
};

// Changes the topology of what enters it, as a smoothing or editing modifier above a Skin
// does: hands on a copy of the mesh with extra vertices at the end.
class VertexAddingModifier : public Modifier, public hostimpl::PipelineModifier {
public:
    explicit VertexAddingModifier(int extraVertices)
        : extra(extraVertices), output(new TriObject()) {
        Arena::instance().addReference(output); // DeleteMe must leave it alone
    }
    ~VertexAddingModifier() override {
        if (Arena::instance().contains(output))
            Arena::instance().releaseReference(output);
    }
    Class_ID ClassID() override { return Class_ID(0x4d534854, 0x56455254); }
    Object* modify(Object* input, INode*) override {
        if (!hostimpl::isTriObject(input))
            return input;
        const Mesh& source = static_cast<TriObject*>(input)->mesh;
        output->mesh = source;
        output->mesh.setNumVerts(source.numVerts + extra, TRUE);
        return output;
    }

private:
    int extra;
    TriObject* output;
};

} // namespace

Modifier* createVertexAddingModifier(int extraVertices) {
    return new VertexAddingModifier(extraVertices);
}

IDerivedObject* CreateDerivedObject(Object* pob) {
    return new DerivedObject(pob);
}

void* CreateInstance(SClass_ID superID, Class_ID classID) {
    if (superID == OSM_CLASS_ID && classID == SKIN_CLASSID)
        return hostimpl::newSkinModifier();
    if (superID == GEOMOBJECT_CLASS_ID && classID == Class_ID(TRIOBJ_CLASS_ID, 0))
        return new TriObject();
    if (superID == MATERIAL_CLASS_ID && classID == Class_ID(DMTL_CLASS_ID, 0))
        return NewDefaultStdMat();
    if (superID == TEXMAP_CLASS_ID && classID == Class_ID(BMTEX_CLASS_ID, 0))
        return NewDefaultBitmapTex();
    if (superID == HELPER_CLASS_ID && classID == Class_ID(DUMMY_CLASS_ID, 0))
        return createHelperObject();
    return nullptr;
}

Object* createHelperObject() {
    return new PlainObject(HELPER_CLASS_ID, Class_ID(DUMMY_CLASS_ID, 0));
}

Object* createLightObject() {
    return new PlainObject(LIGHT_CLASS_ID, Class_ID(OMNI_LIGHT_CLASS_ID, 0));
}

Object* createCameraObject() {
    return new PlainObject(CAMERA_CLASS_ID, Class_ID(SIMPLE_CAM_CLASS_ID, 0));
}

namespace hostimpl {

bool isTriObject(Object* obj) {
    return obj && obj->ClassID() == Class_ID(TRIOBJ_CLASS_ID, 0);
}

bool stackHolds(Object* obj, Modifier* mod) {
    while (obj && obj->SuperClassID() == GEN_DERIVOB_CLASS_ID) {
        auto* stack = static_cast<IDerivedObject*>(obj);
        for (int i = 0; i < stack->NumModifiers(); ++i)
            if (stack->GetModifier(i) == mod)
                return true;
        obj = stack->GetObjRef();
    }
    return false;
}

Object* evaluatePipeline(Object* obj, INode* node) {
    if (!obj || obj->SuperClassID() != GEN_DERIVOB_CLASS_ID)
        return obj;
    auto* stack = static_cast<IDerivedObject*>(obj);
    Object* result = evaluatePipeline(stack->GetObjRef(), node);
    for (int i = stack->NumModifiers() - 1; i >= 0 && result; --i)
        if (auto* stage = dynamic_cast<PipelineModifier*>(stack->GetModifier(i)))
            result = stage->modify(result, node);
    return result;
}

Mesh* evaluatedMesh(INode* node) {
    if (!node)
        return nullptr;
    Object* obj = node->EvalWorldState(0).obj;
    return isTriObject(obj) ? &static_cast<TriObject*>(obj)->mesh : nullptr;
}

} // namespace hostimpl
