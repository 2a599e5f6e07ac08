#include "gltf/SceneSnapshot.h"

#include "format/TextField.h"
#include "gltf/UriText.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace mshgltf {
namespace {

std::string nameOf(INode* node) {
    const MCHAR* name = node->GetName();
    return toUtf8(name ? name : L"");
}

// The skin interface of a node's last Skin modifier, as the exporter picks it.
ISkin* findSkin(INode* node) {
    Object* ref = node->GetObjectRef();
    if (!ref || ref->SuperClassID() != GEN_DERIVOB_CLASS_ID)
        return nullptr;
    IDerivedObject* stack = static_cast<IDerivedObject*>(ref);
    ISkin* skin = nullptr;
    for (int i = 0; i < stack->NumModifiers(); ++i) {
        Modifier* mod = stack->GetModifier(i);
        if (mod && mod->ClassID() == SKIN_CLASSID)
            skin = static_cast<ISkin*>(mod->GetInterface(I_SKIN));
    }
    return skin;
}

bool hasObjectOffset(INode* node) {
    Point3 pos = node->GetObjOffsetPos();
    ScaleValue scale = node->GetObjOffsetScale();
    return !(pos == Point3(0.0f, 0.0f, 0.0f) && node->GetObjOffsetRot().IsIdentity() &&
             scale.s == Point3(1.0f, 1.0f, 1.0f));
}

Point3 faceNormal(const Mesh& mesh, int f) {
    const Face& face = mesh.faces[f];
    Point3 a = mesh.verts[face.v[0]], b = mesh.verts[face.v[1]], c = mesh.verts[face.v[2]];
    Point3 n = (b - a) ^ (c - a);
    return n.Length() > 0.0f ? n.Normalize() : Point3(0.0f, 0.0f, 1.0f);
}

// glTF wants unit normals; a normal within rounding of unit length is kept bit for bit, one
// that has no direction gets the face's, worked out only then.
Point3 unitNormal(const Point3& n, const Mesh& mesh, int face) {
    double len = std::sqrt(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z);
    if (!(len > 1e-12) || !std::isfinite(len))
        return faceNormal(mesh, face);
    if (std::fabs(len - 1.0) <= 1e-5)
        return n;
    return Point3(float(n.x / len), float(n.y / len), float(n.z / len));
}

uint32_t bitsOf(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return bits;
}

struct SkinSource {
    ISkin* skin = nullptr;
    ISkinContextData* context = nullptr;
    std::map<INode*, int> jointOfBone;
    std::vector<int> jointOfBoneIndex; ///< the joint of each of the skin's bones, or -1
};

// Influences of one host vertex: positive weights, a bone named twice merged, normalised to
// sum 1 (glTF requires it; the host's skin does not).
std::vector<Influence> influencesOf(const SkinSource& source, int vertex) {
    std::vector<Influence> result;
    if (!source.context || vertex >= source.context->GetNumPoints())
        return result;
    int count = source.context->GetNumAssignedBones(vertex);
    result.reserve(size_t(std::max(0, count)));
    for (int l = 0; l < count; ++l) {
        int boneIndex = source.context->GetAssignedBone(vertex, l);
        float weight = source.context->GetBoneWeight(vertex, l);
        if (boneIndex < 0 || size_t(boneIndex) >= source.jointOfBoneIndex.size() ||
            !(weight > 0.0f))
            continue;
        int joint = source.jointOfBoneIndex[size_t(boneIndex)];
        if (joint < 0)
            continue;
        bool merged = false;
        for (Influence& existing : result)
            if (existing.joint == joint) {
                existing.weight += weight;
                merged = true;
            }
        if (!merged) {
            Influence influence;
            influence.joint = joint;
            influence.weight = weight;
            result.push_back(influence);
        }
    }
    double sum = 0.0;
    for (const Influence& i : result)
        sum += i.weight;
    if (sum > 0.0 && sum != 1.0)
        for (Influence& i : result)
            i.weight = float(i.weight / sum);
    return result;
}

struct MeshReadContext {
    const std::string& nodeName;
    bool bakeOffset;
    AffineMatrix offset;
    AffineMatrix offsetInverse;
    const SkinSource* skin;
};

// The glTF vertices made from each host vertex so far, as chains through `next`: most host
// vertices have one or two, so finding a corner's vertex compares a few keys.
struct VertexSplit {
    std::vector<int32_t> first; ///< per host vertex: its latest glTF vertex, or -1
    std::vector<int32_t>
        next; ///< per glTF vertex: the one made before it from the same host vertex
    std::vector<uint32_t> keys; ///< per glTF vertex: the bits of its normal and UV

    void reset(int hostVertices) {
        first.assign(size_t(hostVertices), -1);
        next.clear();
        keys.clear();
    }
    /// The glTF vertex of host vertex `v` with these bits, or -1.
    int32_t find(int v, const uint32_t* bits) const {
        for (int32_t at = first[size_t(v)]; at >= 0; at = next[size_t(at)])
            if (std::memcmp(&keys[size_t(at) * 5], bits, 5 * sizeof(uint32_t)) == 0)
                return at;
        return -1;
    }
    void add(int v, const uint32_t* bits) {
        next.push_back(first[size_t(v)]);
        first[size_t(v)] = int32_t(next.size() - 1);
        keys.insert(keys.end(), bits, bits + 5);
    }
};

MeshData readMesh(Mesh& mesh, const MeshReadContext& ctx, VertexSplit& split,
                  BridgeReport& report) {
    MeshData data;
    data.name = ctx.nodeName;
    MeshNormalSpec* normalSpec = mesh.GetSpecifiedNormals();
    bool useSpec = normalSpec && normalSpec->GetNumFaces() == mesh.numFaces;
    data.specifiedNormals = useSpec;
    bool hasUvs = mesh.numTVerts > 0 && mesh.tvFace && mesh.getNumTVFaces() == mesh.numFaces;
    split.reset(mesh.numVerts);
    data.triangles.reserve(3 * size_t(mesh.numFaces));
    // Most meshes split few vertices: room for each host vertex once saves most regrowth.
    size_t expected = size_t(mesh.numVerts);
    data.positions.reserve(expected);
    data.normals.reserve(expected);
    data.sourceVertex.reserve(expected);
    if (hasUvs)
        data.uvs.reserve(expected);
    if (ctx.skin)
        data.influences.reserve(expected);
    int skipped = 0;
    for (int f = 0; f < mesh.numFaces; ++f) {
        const Face& face = mesh.faces[f];
        if (face.v[0] >= DWORD(mesh.numVerts) || face.v[1] >= DWORD(mesh.numVerts) ||
            face.v[2] >= DWORD(mesh.numVerts)) {
            ++skipped;
            continue;
        }
        for (int k = 0; k < 3; ++k) {
            int v = int(face.v[k]);
            int id = useSpec ? normalSpec->GetNormalIndex(f, k) : -1;
            Point3 normal = id >= 0 && id < normalSpec->GetNumNormals()
                                ? normalSpec->GetNormal(f, k)
                                : mesh.getNormal(v);
            normal = unitNormal(normal, mesh, f);
            Point2 uv(0.0f, 0.0f);
            if (hasUvs) {
                DWORD t = mesh.tvFace[f].t[k];
                if (t < DWORD(mesh.numTVerts))
                    uv = Point2(mesh.tVerts[t].x, mesh.tVerts[t].y);
            }
            const uint32_t key[5] = {bitsOf(normal.x), bitsOf(normal.y), bitsOf(normal.z),
                                     bitsOf(uv.x), bitsOf(uv.y)};
            int32_t found = split.find(v, key);
            if (found >= 0) {
                data.triangles.push_back(uint32_t(found));
                continue;
            }
            uint32_t index = uint32_t(data.positions.size());
            split.add(v, key);
            Point3 position = mesh.verts[v];
            if (ctx.bakeOffset) {
                position = transformPoint(ctx.offset, position);
                normal = transformNormal(ctx.offsetInverse, normal);
            }
            data.positions.push_back(position);
            data.normals.push_back(normal);
            if (hasUvs)
                data.uvs.push_back(uv);
            data.sourceVertex.push_back(v);
            if (ctx.skin)
                data.influences.push_back(influencesOf(*ctx.skin, v));
            data.triangles.push_back(index);
        }
    }
    if (skipped > 0)
        report.losses.push_back(ctx.nodeName + ": " + std::to_string(skipped) +
                                " face(s) refer to vertices the mesh does not have; left out");
    return data;
}

int materialIndex(Mtl* mtl, std::map<Mtl*, int>& known, SceneData& scene) {
    if (!mtl)
        return -1;
    auto found = known.find(mtl);
    if (found != known.end())
        return found->second;
    MaterialData data;
    data.name = toUtf8(mtl->GetName().data());
    if (mtl->ClassID() == Class_ID(DMTL_CLASS_ID, 0)) {
        StdMat* std = static_cast<StdMat*>(mtl);
        data.twoSided = std->GetTwoSided() != FALSE;
        Color diffuse = std->GetDiffuse(0);
        data.diffuse[0] = diffuse.r;
        data.diffuse[1] = diffuse.g;
        data.diffuse[2] = diffuse.b;
        Texmap* map = std->GetSubTexmap(ID_DI);
        if (map && map->ClassID() == Class_ID(BMTEX_CLASS_ID, 0)) {
            const MCHAR* path = static_cast<BitmapTex*>(map)->GetMapName();
            std::wstring wide = path ? path : L"";
            data.texturePath = toUtf8(wide);
            data.textureFile = toUtf8(lastPathComponent(wide));
        }
    }
    scene.materials.push_back(data);
    int index = int(scene.materials.size() - 1);
    known.emplace(mtl, index);
    return index;
}

void collectNodes(INode* parent, int parentIndex, std::vector<std::pair<INode*, int>>& out) {
    for (int i = 0; i < parent->NumberOfChildren(); ++i) {
        INode* child = parent->GetChildNode(i);
        out.emplace_back(child, parentIndex);
        collectNodes(child, int(out.size() - 1), out);
    }
}

} // namespace

SceneData snapshotScene(BridgeReport& report) {
    SceneData scene;
    std::vector<std::pair<INode*, int>> order;
    collectNodes(GetCOREInterface()->GetRootNode(), -1, order);
    std::map<INode*, int> indexOf;
    for (size_t i = 0; i < order.size(); ++i)
        indexOf[order[i].first] = int(i);
    std::map<Mtl*, int> materials;
    VertexSplit split; // reused from mesh to mesh
    const Class_ID triClass(TRIOBJ_CLASS_ID, 0);
    for (const auto& entry : order) {
        INode* node = entry.first;
        NodeData data;
        data.name = nameOf(node);
        data.parent = entry.second;
        data.world = fromMatrix3(node->GetNodeTM(0));
        data.objectWorld = fromMatrix3(node->GetObjectTM(0));
        data.isBone = node->GetBoneNodeOnOff() != FALSE;

        SkinSource skin;
        skin.skin = data.isBone ? nullptr : findSkin(node);
        if (skin.skin && skin.skin->GetNumBones() > 0) {
            skin.context = skin.skin->GetContextInterface(node);
            for (int b = 0; b < skin.skin->GetNumBones(); ++b) {
                INode* bone = skin.skin->GetBone(b);
                auto found = indexOf.find(bone);
                if (!bone || found == indexOf.end() || skin.jointOfBone.count(bone))
                    continue;
                Matrix3 bind;
                AffineMatrix bindWorld = skin.skin->GetBoneInitTM(bone, bind, false) == SKIN_OK
                                             ? fromMatrix3(bind)
                                             : fromMatrix3(bone->GetNodeTM(0));
                skin.jointOfBone[bone] = int(data.joints.size());
                data.joints.push_back(found->second);
                data.jointBindWorld.push_back(bindWorld);
            }
            for (int b = 0; b < skin.skin->GetNumBones(); ++b) {
                auto found = skin.jointOfBone.find(skin.skin->GetBone(b));
                skin.jointOfBoneIndex.push_back(found == skin.jointOfBone.end() ? -1
                                                                                : found->second);
            }
            Matrix3 skinBind;
            data.skinBindWorld = skin.skin->GetSkinInitTM(node, skinBind, true) == SKIN_OK
                                     ? fromMatrix3(skinBind)
                                     : data.objectWorld;
        }
        bool skinned = !data.joints.empty();

        const ObjectState& state = node->EvalWorldState(0);
        Object* object = state.obj;
        if (object && object->CanConvertToType(triClass)) {
            TriObject* tri = static_cast<TriObject*>(object->ConvertToType(0, triClass));
            if (tri) {
                MeshReadContext ctx{data.name, false, AffineMatrix::identity(),
                                    AffineMatrix::identity(), skinned ? &skin : nullptr};
                if (!skinned && hasObjectOffset(node)) {
                    AffineMatrix nodeInverse;
                    if (invertAffine(data.world, nodeInverse)) {
                        ctx.offset = data.objectWorld * nodeInverse;
                        ctx.bakeOffset = invertAffine(ctx.offset, ctx.offsetInverse);
                    }
                }
                MeshData mesh = readMesh(tri->GetMesh(), ctx, split, report);
                if (tri != object)
                    tri->DeleteMe();
                if (!mesh.triangles.empty()) {
                    mesh.material =
                        data.isBone ? -1 : materialIndex(node->GetMtl(), materials, scene);
                    // A textured material needs texture coordinates; the model files hold
                    // (0, 0) for a mesh without them, and so does the glTF.
                    if (mesh.uvs.empty() && mesh.material >= 0 &&
                        !scene.materials[size_t(mesh.material)].textureFile.empty())
                        mesh.uvs.assign(mesh.positions.size(), Point2(0.0f, 0.0f));
                    data.meshes.push_back(std::move(mesh));
                }
            }
        }
        scene.nodes.push_back(std::move(data));
    }
    return scene;
}

} // namespace mshgltf
