// Scene nodes: names, the transform hierarchy, object references, flags.
#include "host/impl/Node.h"

#include <algorithm>

using hostimpl::Arena;
using hostimpl::misuse;

namespace hostimpl {

NodeImpl::NodeImpl(bool isRoot)
    : parent(nullptr), object(nullptr), material(nullptr), hidden(false), bone(false), root(isRoot),
      handle(isRoot ? 0 : nextNodeHandle()) {}

NodeImpl::~NodeImpl() {
    Arena& arena = Arena::instance();
    if (object && arena.contains(object))
        arena.releaseReference(object);
}

void NodeImpl::SetName(const MCHAR* s) {
    name = s ? s : L"";
}

Matrix3 NodeImpl::GetNodeTM(TimeValue t, Interval*) {
    if (root)
        return Matrix3(TRUE);
    Matrix3 local = composePrs(transform);
    return parent ? local * parent->GetNodeTM(t) : local;
}

void NodeImpl::SetNodeTM(TimeValue t, Matrix3& tm) {
    if (root)
        return; // the root stays where it is
    // The controller keeps position, rotation and scale of the local matrix, not the matrix
    // (inode.h SetNodeTM: "perform the appropriate operation to the node's transform
    // controller"; decomp.h AffineParts; control.h ScaleValue).
    Matrix3 local = parent ? tm * Inverse(parent->GetNodeTM(t)) : tm;
    transform = decomposeAffine(local);
    noteValueSet(this, "transform", t);
}

Matrix3 NodeImpl::objectOffset() const {
    Matrix3 rotation;
    offsetRot.MakeMatrix(rotation);
    return ScaleValueMatrix(offsetScale) * rotation * TransMatrix(offsetPos);
}

Matrix3 NodeImpl::GetObjectTM(TimeValue time, Interval*) {
    return objectOffset() * GetNodeTM(time);
}

// Evaluating runs the node's modifiers: that is where the Skin builds its data for the node.
const ObjectState& NodeImpl::EvalWorldState(TimeValue, BOOL) {
    state.obj = evaluatePipeline(object, this);
    return state;
}

bool NodeImpl::isAncestorOf(const NodeImpl* node) const {
    for (const NodeImpl* n = node; n; n = n->parent)
        if (n == this)
            return true;
    return false;
}

void NodeImpl::AttachChild(INode* node, int keepTM) {
    auto* child = static_cast<NodeImpl*>(node);
    if (!child || !Arena::instance().contains(child)) {
        misuse("INode::AttachChild: no such node");
        return;
    }
    if (child->root || child->isAncestorOf(this)) {
        misuse("INode::AttachChild: the node would become its own ancestor");
        return;
    }
    Matrix3 world = child->GetNodeTM(0);
    child->unlinkFromParent();
    child->parent = this;
    children.push_back(child);
    if (keepTM)
        child->SetNodeTM(0, world);
}

void NodeImpl::unlinkFromParent() {
    if (!parent)
        return;
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    parent = nullptr;
}

void NodeImpl::Detach(TimeValue, int keepPos) {
    if (!root)
        sceneRoot()->AttachChild(this, keepPos);
}

INode* NodeImpl::GetChildNode(int i) {
    if (i < 0 || i >= (int)children.size()) {
        misuse("INode::GetChildNode: child " + std::to_string(i) + " of " +
               std::to_string(children.size()));
        return nullptr;
    }
    return children[(size_t)i];
}

int NodeImpl::Selected() {
    auto& sel = selection();
    return std::find(sel.begin(), sel.end(), this) != sel.end() ? 1 : 0;
}

void NodeImpl::SetObjectRef(Object* o) {
    if (root)
        return;
    Arena& arena = Arena::instance();
    if (o)
        arena.addReference(o);
    if (object)
        arena.releaseReference(object);
    object = o;
}

} // namespace hostimpl
