#include "SceneSummary.h"

#include "format/TextField.h"
#include "host/embed/MemoryHost.h"

#include <sstream>

namespace memhost {}
using namespace memhost;

namespace hardening {
namespace {

void describeMatrix(std::ostream& out, const Matrix3& tm) {
    for (int r = 0; r < 4; ++r)
        out << " [" << tm.GetAddr()[r][0] << ' ' << tm.GetAddr()[r][1] << ' ' << tm.GetAddr()[r][2]
            << ']';
    out << '\n';
}

void describeMesh(std::ostream& out, Mesh& mesh) {
    out << "mesh " << mesh.getNumVerts() << " verts " << mesh.getNumFaces() << " faces "
        << mesh.getNumTVerts() << " tverts\n";
    for (int v = 0; v < mesh.getNumVerts(); ++v) {
        const Point3& p = mesh.getVert(v);
        out << ' ' << p.x << ',' << p.y << ',' << p.z;
    }
    out << '\n';
    for (int f = 0; f < mesh.getNumFaces(); ++f)
        out << ' ' << mesh.faces[f].getVert(0) << '/' << mesh.faces[f].getVert(1) << '/'
            << mesh.faces[f].getVert(2);
    out << '\n';
}

void describeSkin(std::ostream& out, INode* node, Modifier* modifier) {
    ISkin* skin = static_cast<ISkin*>(modifier->GetInterface(I_SKIN));
    if (!skin)
        return;
    out << "skin";
    for (int b = 0; b < skin->GetNumBones(); ++b)
        out << ' ' << toUtf8(skin->GetBone(b) ? skin->GetBone(b)->GetName() : L"?");
    out << '\n';
    ISkinContextData* weights = skin->GetContextInterface(node);
    for (int v = 0; weights && v < weights->GetNumPoints(); ++v) {
        out << " v" << v;
        for (int k = 0; k < weights->GetNumAssignedBones(v); ++k)
            out << ' ' << weights->GetAssignedBone(v, k) << ':' << weights->GetBoneWeight(v, k);
    }
    out << '\n';
}

void describeObject(std::ostream& out, INode* node) {
    Object* object = node->GetObjectRef();
    if (object && object->SuperClassID() == GEN_DERIVOB_CLASS_ID) {
        IDerivedObject* derived = static_cast<IDerivedObject*>(object);
        for (int m = 0; m < derived->NumModifiers(); ++m)
            describeSkin(out, node, derived->GetModifier(m));
        object = derived->GetObjRef();
    }
    if (object && object->ClassID() == Class_ID(TRIOBJ_CLASS_ID, 0))
        describeMesh(out, static_cast<TriObject*>(object)->GetMesh());
}

} // namespace

std::string describeNode(INode* node) {
    std::ostringstream out;
    out << toUtf8(node->GetName()) << '\n';
    INode* parent = node->GetParentNode();
    out << "parent " << (parent && !parent->IsRootNode() ? toUtf8(parent->GetName()) : "-")
        << (node->GetBoneNodeOnOff() ? " bone" : "") << '\n';
    describeMatrix(out, node->GetNodeTM(0));
    describeObject(out, node);
    if (node->GetMtl())
        out << "material " << toUtf8(node->GetMtl()->GetName().data()) << '\n';
    return out.str();
}

std::vector<std::string> describeScene() {
    std::vector<std::string> nodes;
    for (INode* node : allNodesDepthFirst())
        nodes.push_back(describeNode(node));
    return nodes;
}

std::string nodeNameOf(const std::string& description) {
    return description.substr(0, description.find('\n'));
}

} // namespace hardening
