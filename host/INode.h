// Scene nodes and the tree enumeration callback of the host SDK.
#ifndef HOST_INODE_H
#define HOST_INODE_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>

#include "host/Geometry.h"
#include "host/Objects.h"
#else

#include "host/Geometry.h"
#include "host/Objects.h"

class Mtl;

/// A scene node. Its transform is stored relative to its parent: GetNodeTM is the local
/// transform times the parent's world transform. Only time 0 exists; time arguments are
/// accepted and ignored.
class INode : public ReferenceTarget {
public:
    virtual const MCHAR* GetName() = 0;
    virtual void SetName(const MCHAR* s) = 0;
    /// The node's world transform.
    virtual Matrix3 GetNodeTM(TimeValue t, Interval* valid = NULL) = 0;
    /// Sets the world transform through the node's transform controller: tm times the parent's
    /// inverse is kept as position, rotation and scale, so the low bits may change.
    virtual void SetNodeTM(TimeValue t, Matrix3& tm) = 0;
    /// The object's world transform: the object offset followed by the node transform.
    virtual Matrix3 GetObjectTM(TimeValue time, Interval* valid = NULL) = 0;
    virtual Matrix3 GetObjTMAfterWSM(TimeValue time, Interval* valid = NULL) = 0;
    virtual Matrix3 GetObjTMBeforeWSM(TimeValue time, Interval* valid = NULL) = 0;
    virtual Point3 GetObjOffsetPos() = 0;
    virtual void SetObjOffsetPos(Point3 p) = 0;
    virtual Quat GetObjOffsetRot() = 0;
    virtual void SetObjOffsetRot(Quat q) = 0;
    virtual ScaleValue GetObjOffsetScale() = 0;
    virtual void SetObjOffsetScale(ScaleValue sv) = 0;
    /// The pipeline result: its obj is the base object (nothing deforms at time 0).
    virtual const ObjectState& EvalWorldState(TimeValue time, BOOL evalHidden = TRUE) = 0;
    virtual INode* GetParentNode() = 0;
    /// Makes node a child of this one, last in child order. keepTM non-zero keeps its world
    /// transform; zero keeps its local transform, so its world transform follows this node.
    virtual void AttachChild(INode* node, int keepTM = 1) = 0;
    /// Moves the node under the scene root.
    virtual void Detach(TimeValue t, int keepPos = 1) = 0;
    virtual int NumberOfChildren() = 0;
    virtual INode* GetChildNode(int i) = 0;
    virtual int IsRootNode() = 0;
    virtual void Hide(BOOL onOff) = 0;
    virtual int IsHidden(DWORD hflags = 0, BOOL forRenderer = FALSE) = 0;
    virtual int Selected() = 0;
    virtual Object* GetObjectRef() = 0;
    /// Replaces the node's object (the old one stays owned by the scene).
    virtual void SetObjectRef(Object* o) = 0;
    virtual Mtl* GetMtl() = 0;
    virtual void SetMtl(Mtl* matl) = 0;
    virtual void SetBoneNodeOnOff(BOOL onOff, TimeValue t) = 0;
    virtual BOOL GetBoneNodeOnOff() = 0;
    virtual BOOL GetBoneNodeOnOff_T(TimeValue t) = 0;
    /// A number unique to the node within the scene.
    virtual ULONG GetHandle() = 0;
};

#define TREE_CONTINUE 0
#define TREE_IGNORECHILDREN 1
#define TREE_ABORT 2

/// Receives the nodes of a scene enumeration.
class ITreeEnumProc : public MaxHeapOperators {
public:
    virtual ~ITreeEnumProc() {}
    /// Returns TREE_CONTINUE, TREE_IGNORECHILDREN or TREE_ABORT.
    virtual int callback(INode* node) = 0;
};

#endif // MSH_REAL_SDK

#endif
