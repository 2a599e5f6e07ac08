#include "samples/SampleScene.h"

#include <algorithm>
#include <cmath>

namespace samples {
namespace {

const float pi = 3.14159265358979f;

Matrix3 translation(float x, float y, float z) {
    Matrix3 tm(TRUE);
    tm.SetTrans(Point3(x, y, z));
    return tm;
}

// A box of the given size centred on the origin, 8 vertices and 12 triangles.
TriObject* makeBox(float sx, float sy, float sz) {
    TriObject* tri = CreateNewTriObject();
    Mesh& mesh = tri->GetMesh();
    mesh.setNumVerts(8);
    for (int i = 0; i < 8; ++i)
        mesh.setVert(i, Point3((i & 1 ? 0.5f : -0.5f) * sx, (i & 2 ? 0.5f : -0.5f) * sy,
                               (i & 4 ? 0.5f : -0.5f) * sz));
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    mesh.setNumFaces(12);
    for (int q = 0; q < 6; ++q) {
        mesh.faces[2 * q].setVerts(quads[q][0], quads[q][1], quads[q][2]);
        mesh.faces[2 * q + 1].setVerts(quads[q][0], quads[q][2], quads[q][3]);
        for (int k = 0; k < 2; ++k) {
            mesh.faces[2 * q + k].setSmGroup(1u << q);
            mesh.faces[2 * q + k].setEdgeVisFlags(1, 1, 0);
        }
    }
    mesh.buildNormals();
    mesh.InvalidateGeomCache();
    return tri;
}

// A tapered tube along Z with per-corner UVs: `rings` x `segments` quads.
TriObject* makeTube(int rings, int segments, float height) {
    TriObject* tri = CreateNewTriObject();
    Mesh& mesh = tri->GetMesh();
    int ringVerts = segments;
    mesh.setNumVerts((rings + 1) * ringVerts);
    for (int r = 0; r <= rings; ++r) {
        float z = height * r / rings;
        float radius = 0.6f - 0.3f * r / rings;
        for (int s = 0; s < segments; ++s) {
            float angle = 2 * pi * s / segments;
            mesh.setVert(r * ringVerts + s,
                         Point3(radius * std::cos(angle), radius * std::sin(angle), z));
        }
    }
    int numFaces = 2 * rings * segments;
    mesh.setNumFaces(numFaces);
    mesh.setNumTVerts(3 * numFaces);
    mesh.setNumTVFaces(numFaces);
    int f = 0;
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            int s1 = (s + 1) % segments;
            int a = r * ringVerts + s, b = r * ringVerts + s1;
            int c = (r + 1) * ringVerts + s1, d = (r + 1) * ringVerts + s;
            float u0 = float(s) / segments, u1 = float(s + 1) / segments;
            float v0 = float(r) / rings, v1 = float(r + 1) / rings;
            const int tri2[2][3] = {{a, b, c}, {a, c, d}};
            const float uv2[2][3][2] = {{{u0, v0}, {u1, v0}, {u1, v1}},
                                        {{u0, v0}, {u1, v1}, {u0, v1}}};
            for (int k = 0; k < 2; ++k, ++f) {
                mesh.faces[f].setVerts(tri2[k][0], tri2[k][1], tri2[k][2]);
                mesh.faces[f].setSmGroup(1);
                mesh.faces[f].setEdgeVisFlags(1, 1, 0);
                for (int c3 = 0; c3 < 3; ++c3)
                    mesh.setTVert(3 * f + c3, uv2[k][c3][0], uv2[k][c3][1], 0.0f);
                mesh.tvFace[f].setTVerts(3 * f, 3 * f + 1, 3 * f + 2);
            }
        }
    }
    mesh.buildNormals();
    mesh.InvalidateGeomCache();
    return tri;
}

StdMat2* makeMaterial(const std::wstring& texture, bool twoSided) {
    StdMat2* mtl = NewDefaultStdMat();
    mtl->SetName(MSTR(texture.c_str()));
    mtl->SetTwoSided(twoSided ? TRUE : FALSE);
    BitmapTex* map = NewDefaultBitmapTex();
    map->SetMapName(texture.c_str());
    mtl->SetSubTexmap(ID_DI, map);
    mtl->SetTexmapAmt(ID_DI, 1.0f, 0);
    mtl->EnableMap(ID_DI, TRUE);
    return mtl;
}

std::vector<INode*> makeBones(Interface* ip, const SampleOptions& o, float height) {
    static const wchar_t* const names[] = {L"Root", L"Spine", L"Chest", L"Neck",
                                           L"Head", L"Crown", L"Tip",   L"End"};
    std::vector<INode*> bones;
    float step = height / (o.bones - 1);
    for (int b = 0; b < o.bones; ++b) {
        INode* bone = ip->CreateObjectNode(makeBox(0.2f, 0.2f, step * 0.8f));
        std::wstring name = o.prefix + L" " + (b < 8 ? names[b] : L"Bone" + std::to_wstring(b));
        bone->SetName(name.c_str());
        if (!bones.empty())
            bones.back()->AttachChild(bone, FALSE);
        Matrix3 tm = translation(o.offsetX, 0.0f, step * b);
        bone->SetNodeTM(0, tm);
        bone->SetBoneNodeOnOff(TRUE, 0);
        bones.push_back(bone);
    }
    return bones;
}

// Puts a Skin modifier on the node and returns its import interface, with the bones added.
ISkinImportData* addSkin(INode* node, const std::vector<INode*>& bones) {
    Modifier* skin =
        static_cast<Modifier*>(GetCOREInterface()->CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
    IDerivedObject* derived = CreateDerivedObject(node->GetObjectRef());
    node->SetObjectRef(derived);
    derived->AddModifier(skin);
    ISkinImportData* import = static_cast<ISkinImportData*>(skin->GetInterface(I_SKINIMPORTDATA));
    for (size_t b = 0; b < bones.size(); ++b) {
        import->AddBoneEx(bones[b], b + 1 == bones.size());
        import->SetBoneTm(bones[b], bones[b]->GetNodeTM(0), bones[b]->GetNodeTM(0));
    }
    // The Skin makes its data for the node, which the base transform and weights need, when
    // the node is evaluated.
    node->EvalWorldState(0);
    import->SetSkinTm(node, node->GetObjectTM(0), node->GetNodeTM(0));
    return import;
}

Mesh& skinnedMesh(INode* node) {
    IDerivedObject* derived = static_cast<IDerivedObject*>(node->GetObjectRef());
    return static_cast<TriObject*>(derived->GetObjRef())->GetMesh();
}

// The body hangs on the first four bones (a record names at most four): every vertex between
// two of them is blended across both by its height.
void skinBody(INode* body, const std::vector<INode*>& bones, float height) {
    std::vector<INode*> used(bones.begin(), bones.begin() + std::min<size_t>(4, bones.size()));
    ISkinImportData* import = addSkin(body, used);
    Mesh& mesh = skinnedMesh(body);
    float step = height / (used.size() - 1);
    for (int v = 0; v < mesh.getNumVerts(); ++v) {
        float along = mesh.getVert(v).z / step;
        int b = std::min(int(along), int(used.size()) - 2);
        float t = along - b;
        INode* pair[2] = {used[b], used[b + 1]};
        float w[2] = {1.0f - t, t};
        Tab<INode*> boneList;
        Tab<float> weights;
        boneList.Append(2, pair);
        weights.Append(2, w);
        import->AddWeights(body, v, boneList, weights);
    }
}

// The hat follows the last bone alone.
void skinHat(INode* hat, INode* bone) {
    std::vector<INode*> used(1, bone);
    ISkinImportData* import = addSkin(hat, used);
    Mesh& mesh = skinnedMesh(hat);
    for (int v = 0; v < mesh.getNumVerts(); ++v) {
        Tab<INode*> boneList;
        Tab<float> weights;
        float one = 1.0f;
        boneList.Append(1, &bone);
        weights.Append(1, &one);
        import->AddWeights(hat, v, boneList, weights);
    }
}

} // namespace

SampleModel buildSampleModel(Interface* ip, const SampleOptions& o) {
    const float height = 4.0f;
    SampleModel model;
    model.bones = makeBones(ip, o, height);

    model.body = ip->CreateObjectNode(makeTube(o.rings, o.segments, height));
    model.body->SetName((o.prefix + L" Body").c_str());
    Matrix3 bodyTm = translation(o.offsetX, 0.0f, 0.0f);
    model.body->SetNodeTM(0, bodyTm);
    model.body->SetMtl(makeMaterial(o.texture, false));
    skinBody(model.body, model.bones, height);

    model.hat = ip->CreateObjectNode(makeBox(0.8f, 0.8f, 0.3f));
    model.hat->SetName((o.prefix + L" Hat").c_str());
    model.body->AttachChild(model.hat, FALSE);
    Matrix3 hatTm = translation(o.offsetX, 0.0f, height + 0.2f);
    model.hat->SetNodeTM(0, hatTm);
    model.hat->SetObjOffsetPos(Point3(0.0f, 0.0f, 0.15f));
    model.hat->SetMtl(makeMaterial(o.texture, true));
    skinHat(model.hat, model.bones.back());
    return model;
}

} // namespace samples
