#include "tests/plugin/SampleChecks.h"

#include "format/TextField.h"
#include "host/Skin.h"
#include "tests/plugin/SampleModel.h"

#include <sstream>

namespace {

class Problems {
public:
    /// Records `what` when `ok` is false; returns ok so callers can stop early.
    bool expect(bool ok, const std::string& what) {
        if (!ok)
            list.push_back(what);
        return ok;
    }
    std::vector<std::string> list;
};

std::string text(const Point3& p) {
    std::ostringstream out;
    out << "(" << p.x << ", " << p.y << ", " << p.z << ")";
    return out.str();
}

std::string nodeName(INode* node) {
    return node == nullptr ? std::string("none") : toUtf8(node->GetName());
}

void checkNode(Problems& problems, INode* node, const char* name, bool bone, INode* parent,
               const Point3& position) {
    const std::string who = std::string("node ") + name;
    problems.expect((node->GetBoneNodeOnOff() != FALSE) == bone,
                    who + (bone ? " is not a bone" : " is a bone"));
    problems.expect(node->GetParentNode() == parent, who + " has parent " +
                                                         nodeName(node->GetParentNode()) +
                                                         ", expected " + nodeName(parent));
    Point3 at = node->GetNodeTM(0).GetTrans();
    problems.expect(at == position, who + " is at " + text(at) + ", expected " + text(position));
}

void checkMesh(Problems& problems, INode* body) {
    Object* evaluated = body->EvalWorldState(0).obj;
    Object* converted =
        evaluated != nullptr ? evaluated->ConvertToType(0, Class_ID(TRIOBJ_CLASS_ID, 0)) : nullptr;
    if (!problems.expect(converted != nullptr, "Body does not evaluate to a triangle mesh"))
        return;
    Mesh& mesh = static_cast<TriObject*>(converted)->GetMesh();
    const LegacyRecord sample = sampleMeshRecord();
    if (problems.expect(mesh.getNumVerts() == 3 && mesh.getNumFaces() == 1,
                        "Body mesh has " + std::to_string(mesh.getNumVerts()) + " vertices and " +
                            std::to_string(mesh.getNumFaces()) + " faces, expected 3 and 1")) {
        for (int i = 0; i < 3; ++i) {
            const float* p = sample.vertices[i].position;
            Point3 expected(p[0], p[1], p[2]);
            problems.expect(mesh.getVert(i) == expected, "Body vertex " + std::to_string(i) +
                                                             " is " + text(mesh.getVert(i)) +
                                                             ", expected " + text(expected));
        }
    }
    problems.expect(mesh.getNumTVerts() == 3, "Body mesh has " +
                                                  std::to_string(mesh.getNumTVerts()) +
                                                  " texture vertices, expected 3");
    if (converted != evaluated)
        converted->DeleteMe();
}

void checkSkin(Problems& problems, INode* body, INode* root, INode* arm) {
    Object* object = body->GetObjectRef();
    if (!problems.expect(object != nullptr && object->SuperClassID() == GEN_DERIVOB_CLASS_ID,
                         "Body's object is not a modifier stack"))
        return;
    IDerivedObject* stack = static_cast<IDerivedObject*>(object);
    if (!problems.expect(stack->NumModifiers() == 1, "Body has " +
                                                         std::to_string(stack->NumModifiers()) +
                                                         " modifiers, expected the Skin alone"))
        return;
    ISkin* skin = static_cast<ISkin*>(stack->GetModifier(0)->GetInterface(I_SKIN));
    if (!problems.expect(skin != nullptr, "Body's modifier is not a Skin"))
        return;
    problems.expect(skin->GetNumBones() == 2 && skin->GetBone(0) == root && skin->GetBone(1) == arm,
                    "Body's skin is not bound to Root and Arm in that order");
    ISkinContextData* weights = skin->GetContextInterface(body);
    if (!problems.expect(weights != nullptr && weights->GetNumPoints() == 3,
                         "Body's skin has no weights for its three vertices"))
        return;
    problems.expect(weights->GetNumAssignedBones(0) == 1 && weights->GetBoneWeight(0, 0) == 1.0f,
                    "vertex 0 is not bound to Root alone");
    problems.expect(weights->GetNumAssignedBones(2) == 2 && weights->GetBoneWeight(2, 0) == 0.25f &&
                        weights->GetBoneWeight(2, 1) == 0.75f,
                    "vertex 2 does not weigh 0.25 on Root and 0.75 on Arm");
}

void checkTexture(Problems& problems, INode* body, const std::wstring& expectedTexture) {
    Mtl* material = body->GetMtl();
    if (!problems.expect(material != nullptr, "Body has no material"))
        return;
    Texmap* map = material->GetSubTexmap(ID_DI);
    if (!problems.expect(map != nullptr && map->ClassID() == Class_ID(BMTEX_CLASS_ID, 0),
                         "Body's material has no bitmap as diffuse map"))
        return;
    const MCHAR* name = static_cast<BitmapTex*>(map)->GetMapName();
    problems.expect(name != nullptr && std::wstring(name) == expectedTexture,
                    "Body's bitmap is " + (name ? toUtf8(name) : std::string("null")) +
                        ", expected " + toUtf8(expectedTexture));
}

} // namespace

std::vector<std::string> importedSampleProblems(Interface* ip,
                                                const std::wstring& expectedTexture) {
    Problems problems;
    INode* root = ip->GetINodeByName(L"Root");
    INode* arm = ip->GetINodeByName(L"Arm");
    INode* body = ip->GetINodeByName(L"Body");
    if (!problems.expect(root && arm && body, "Root, Arm or Body is missing from the scene"))
        return problems.list;
    problems.expect(ip->GetRootNode()->NumberOfChildren() == 1,
                    "the scene root has " + std::to_string(ip->GetRootNode()->NumberOfChildren()) +
                        " children, expected Root alone");
    checkNode(problems, root, "Root", true, ip->GetRootNode(), Point3(0, 0, 0));
    checkNode(problems, arm, "Arm", true, root, Point3(0, 0, 10));
    checkNode(problems, body, "Body", false, root, Point3(1, 2, 3));
    checkMesh(problems, body);
    checkSkin(problems, body, root, arm);
    checkTexture(problems, body, expectedTexture);
    return problems.list;
}

std::vector<std::string> exportedSampleProblems(const std::wstring& path,
                                                const std::wstring& expectedTexture) {
    Problems problems;
    std::vector<LegacyRecord> records;
    std::string error;
    if (!problems.expect(readLegacyFile(path, records, error),
                         "cannot read the exported file: " + error))
        return problems.list;
    if (!problems.expect(records.size() == 1, "the exported file holds " +
                                                  std::to_string(records.size()) +
                                                  " records, expected Body alone"))
        return problems.list;
    const LegacyRecord& body = records[0];
    const LegacyRecord sample = sampleMeshRecord();
    problems.expect(fieldText(body.header.name) == "Body", "record name is not Body");
    problems.expect(fieldText(body.header.parentName) == "Root", "record parent is not Root");
    problems.expect(fromUtf8(fieldText(body.header.texturePath)) == expectedTexture,
                    "record texture is " + fieldText(body.header.texturePath));
    problems.expect(body.header.worldTM[3][0] == 1.0f && body.header.worldTM[3][1] == 2.0f &&
                        body.header.worldTM[3][2] == 3.0f,
                    "record worldTM does not place Body at (1, 2, 3)");
    if (problems.expect(body.vertices.size() == 3 && body.faces.size() == 1,
                        "record does not hold 3 vertices and 1 face")) {
        for (int i = 0; i < 3; ++i)
            for (int axis = 0; axis < 3; ++axis)
                problems.expect(
                    body.vertices[i].position[axis] == sample.vertices[i].position[axis] &&
                        body.faces[0].vertex[i] == sample.faces[0].vertex[i] &&
                        body.faces[0].uvw[i][axis] == sample.faces[0].uvw[i][axis],
                    "record corner " + std::to_string(i) + " differs from the imported file");
    }
    problems.expect(body.numBones == 2 && fieldText(body.boneNames[0]) == "Root" &&
                        fieldText(body.boneNames[1]) == "Arm",
                    "record bones are not Root and Arm");
    if (problems.expect(body.skinVertices.size() == 3, "record does not hold 3 skin entries")) {
        const MshSkinVertex& entry = body.skinVertices[1];
        problems.expect(entry.vertex == 1 && entry.count == 2 && entry.bone[0] == 0 &&
                            entry.weight[0] == 0.75f && entry.bone[1] == 1 &&
                            entry.weight[1] == 0.25f,
                        "record skin entry 1 is not 0.75 Root, 0.25 Arm");
    }
    return problems.list;
}

std::string joinProblems(const std::vector<std::string>& problems) {
    std::string joined;
    for (const std::string& problem : problems)
        joined += "  " + problem + "\n";
    return joined;
}
