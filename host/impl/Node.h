// The in-memory scene node.
#ifndef HOST_IMPL_NODE_H
#define HOST_IMPL_NODE_H

#include "host/impl/PrsController.h"
#include "host/impl/SceneState.h"

#include <string>
#include <vector>

namespace hostimpl {

/// A node: its transform controller's values (relative to its parent), object offset, object,
/// material, flags.
class NodeImpl : public INode {
public:
    explicit NodeImpl(bool isRoot = false);
    ~NodeImpl() override;

    const MCHAR* GetName() override { return name.c_str(); }
    void SetName(const MCHAR* s) override;
    Matrix3 GetNodeTM(TimeValue t, Interval* valid = nullptr) override;
    void SetNodeTM(TimeValue t, Matrix3& tm) override;
    Matrix3 GetObjectTM(TimeValue time, Interval* valid = nullptr) override;
    Matrix3 GetObjTMAfterWSM(TimeValue time, Interval* valid = nullptr) override {
        return GetObjectTM(time, valid);
    }
    Matrix3 GetObjTMBeforeWSM(TimeValue time, Interval* valid = nullptr) override {
        return GetObjectTM(time, valid);
    }
    Point3 GetObjOffsetPos() override { return offsetPos; }
    void SetObjOffsetPos(Point3 p) override { offsetPos = p; }
    Quat GetObjOffsetRot() override { return offsetRot; }
    void SetObjOffsetRot(Quat q) override { offsetRot = q; }
    ScaleValue GetObjOffsetScale() override { return offsetScale; }
    void SetObjOffsetScale(ScaleValue sv) override { offsetScale = sv; }
    const ObjectState& EvalWorldState(TimeValue time, BOOL evalHidden = TRUE) override;
    INode* GetParentNode() override { return parent; }
    void AttachChild(INode* node, int keepTM = 1) override;
    void Detach(TimeValue t, int keepPos = 1) override;
    int NumberOfChildren() override { return (int)children.size(); }
    INode* GetChildNode(int i) override;
    int IsRootNode() override { return root ? 1 : 0; }
    void Hide(BOOL onOff) override { hidden = onOff != FALSE; }
    int IsHidden(DWORD = 0, BOOL = FALSE) override { return hidden ? 1 : 0; }
    int Selected() override;
    Object* GetObjectRef() override { return object; }
    void SetObjectRef(Object* o) override;
    Mtl* GetMtl() override { return material; }
    void SetMtl(Mtl* matl) override { material = matl; }
    void SetBoneNodeOnOff(BOOL onOff, TimeValue) override { bone = onOff != FALSE; }
    BOOL GetBoneNodeOnOff() override { return bone ? TRUE : FALSE; }
    BOOL GetBoneNodeOnOff_T(TimeValue) override { return GetBoneNodeOnOff(); }
    ULONG GetHandle() override { return handle; }
    /// Nodes live as long as the scene; deleting one would leave its parent and children
    /// pointing at freed memory.
    void DeleteThis() override { misuse("INode::DeleteThis: nodes are freed with the scene"); }

    const std::vector<NodeImpl*>& childList() const { return children; }

private:
    std::wstring name;
    PrsValue transform;
    Point3 offsetPos;
    Quat offsetRot;
    ScaleValue offsetScale;
    NodeImpl* parent;
    std::vector<NodeImpl*> children;
    Object* object;
    Mtl* material;
    ObjectState state;
    bool hidden;
    bool bone;
    bool root;
    ULONG handle;

    Matrix3 objectOffset() const;
    bool isAncestorOf(const NodeImpl* node) const;
    void unlinkFromParent();
};

} // namespace hostimpl

#endif
