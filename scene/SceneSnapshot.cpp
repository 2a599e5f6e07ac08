#include "scene/SceneSnapshot.h"

#include "format/TextField.h"
#include "scene/FileNames.h"
#include "scene/VertexSource.h"

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

// Appends the influences of one host vertex to `out`: positive weights, a bone named twice
// merged, normalised to sum 1 (glTF requires it; the host's skin does not).
// `vertex` is one the skin has (below GetNumPoints).
void appendInfluences(const SkinSource& source, int vertex, std::vector<Influence>& out) {
    size_t first = out.size();
    int count = source.context->GetNumAssignedBones(vertex);
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
        for (size_t i = first; i < out.size(); ++i)
            if (out[i].joint == joint) {
                out[i].weight += weight;
                merged = true;
            }
        if (!merged) {
            Influence influence;
            influence.joint = joint;
            influence.weight = weight;
            out.push_back(influence);
        }
    }
    double sum = 0.0;
    for (size_t i = first; i < out.size(); ++i)
        sum += out[i].weight;
    if (sum > 0.0 && sum != 1.0)
        for (size_t i = first; i < out.size(); ++i)
            out[i].weight = float(out[i].weight / sum);
}

struct MeshReadContext {
    const std::string& nodeName;
    bool bakeOffset;
    AffineMatrix offset;
    AffineMatrix offsetInverse;
    const SkinSource* skin;
};

// What a corner of a host mesh carries besides its position: its unit normal (the specified
// one where the mesh has them) and its texture coordinate, (0, 0) where it has none.
class CornerValues {
public:
    explicit CornerValues(Mesh& hostMesh) : mesh(hostMesh) {
        normalSpec = mesh.GetSpecifiedNormals();
        specified = normalSpec && normalSpec->GetNumFaces() == mesh.numFaces;
        uvs = mesh.numTVerts > 0 && mesh.tvFace && mesh.getNumTVFaces() == mesh.numFaces;
        // A face past the vertices is left out of the glTF; the host builds no normals then.
        rendered = !specified && indicesInMesh();
        if (rendered)
            mesh.checkNormals(TRUE);
    }
    bool hasSpecifiedNormals() const { return specified; }
    bool hasUvs() const { return uvs; }

    Point3 normal(int face, int k) const {
        int id = specified ? normalSpec->GetNormalIndex(face, k) : -1;
        Point3 n = id >= 0 && id < normalSpec->GetNumNormals() ? normalSpec->GetNormal(face, k)
                                                               : smoothingGroupNormal(face, k);
        return unitNormal(n, mesh, face);
    }
    Point2 uv(int face, int k) const {
        if (uvs) {
            DWORD t = mesh.tvFace[face].t[k];
            if (t < DWORD(mesh.numTVerts))
                return Point2(mesh.tVerts[t].x, mesh.tVerts[t].y);
        }
        return Point2(0.0f, 0.0f);
    }

private:
    // A vertex has one normal per smoothing group meeting there: the one of this face's group
    // (the SDK's ASCII exporter reads them so); a face in no group shows its face normal.
    Point3 smoothingGroupNormal(int face, int k) const {
        const Face& corners = mesh.faces[face];
        if (rendered && corners.smGroup != 0) {
            RVertex* rv = mesh.getRVertPtr(int(corners.v[k]));
            DWORD count = rv->rFlags & NORCT_MASK;
            if (count == 1)
                return rv->rn.getNormal();
            for (DWORD i = 0; i < count; ++i)
                if (rv->ern[i].getSmGroup() & corners.smGroup)
                    return rv->ern[i].getNormal();
        }
        return faceNormal(mesh, face);
    }
    bool indicesInMesh() const {
        for (int f = 0; f < mesh.numFaces; ++f)
            for (int k = 0; k < 3; ++k)
                if (mesh.faces[f].v[k] >= DWORD(mesh.numVerts))
                    return false;
        for (int f = 0; f < mesh.getNumTVFaces(); ++f)
            for (int k = 0; k < 3; ++k)
                if (mesh.tvFace[f].t[k] >= DWORD(mesh.numTVerts))
                    return false;
        return true;
    }

    Mesh& mesh;
    MeshNormalSpec* normalSpec;
    bool specified;
    bool rendered;
    bool uvs;
};

// A host mesh's vertices as the split made them, each read from a corner of the host mesh
// when written, influences from one table per host vertex (a host vertex split in two is
// asked for its weights once). Valid while the scene is unchanged; a mesh converted for
// reading is deleted with it.
class HostVertices : public VertexSource {
public:
    HostVertices(Mesh& hostMesh, TriObject* converted, const MeshReadContext& ctx)
        : mesh(hostMesh), corners(hostMesh), ownedCopy(converted), bake(ctx.bakeOffset),
          offset(ctx.offset), offsetInverse(ctx.offsetInverse) {}
    ~HostVertices() override {
        if (ownedCopy)
            ownedCopy->DeleteMe();
    }

    size_t count() const override { return cornerOf.size(); }
    bool hasNormals() const override { return !cornerOf.empty(); }
    bool hasUvs() const override { return withUvs && !cornerOf.empty(); }
    bool hasInfluences() const override { return !firstInfluence.empty() && !cornerOf.empty(); }
    bool hasSourceVertices() const override { return !cornerOf.empty(); }
    Point3 position(size_t vertex) const override {
        Point3 p = mesh.verts[hostVertexOf(vertex)];
        return bake ? transformPoint(offset, p) : p;
    }
    Point3 normal(size_t vertex) const override {
        Point3 n = corners.normal(int(cornerOf[vertex] / 3), int(cornerOf[vertex] % 3));
        return bake ? transformNormal(offsetInverse, n) : n;
    }
    Point2 uv(size_t vertex) const override {
        return corners.uv(int(cornerOf[vertex] / 3), int(cornerOf[vertex] % 3));
    }
    int sourceVertex(size_t vertex) const override { return int(hostVertexOf(vertex)); }
    const Influence* influences(size_t vertex, size_t& size) const override {
        if (firstInfluence.empty()) {
            size = 0;
            return nullptr;
        }
        size_t v = hostVertexOf(vertex);
        size = firstInfluence[v + 1] - firstInfluence[v];
        return influenceList.data() + firstInfluence[v];
    }

    void influenceExtent(size_t& most, bool& someWithout) const override {
        most = mostInfluences;
        someWithout = someUninfluenced;
    }

    const CornerValues& cornerValues() const { return corners; }
    /// Adds a vertex read from corner `k` of `face`.
    void addVertex(int face, int k) { cornerOf.push_back(uint32_t(face) * 3 + uint32_t(k)); }
    void reserve(size_t vertices) { cornerOf.reserve(vertices); }
    /// Reads every host vertex's influences once.
    void readInfluences(const SkinSource& skin) {
        firstInfluence.assign(1, 0);
        firstInfluence.reserve(size_t(mesh.numVerts) + 1);
        int weighed = skin.context ? skin.context->GetNumPoints() : 0;
        for (int v = 0; v < mesh.numVerts; ++v) {
            if (v < weighed)
                appendInfluences(skin, v, influenceList);
            firstInfluence.push_back(uint32_t(influenceList.size()));
        }
        for (size_t vertex = 0; vertex < count(); ++vertex) {
            size_t size = 0;
            influences(vertex, size);
            mostInfluences = std::max(mostInfluences, size);
            someUninfluenced = someUninfluenced || size == 0;
        }
    }
    size_t hostVertexOf(size_t vertex) const {
        return size_t(mesh.faces[cornerOf[vertex] / 3].v[cornerOf[vertex] % 3]);
    }

    bool withUvs = false; ///< a textured mesh without coordinates gets (0, 0)

private:
    HostVertices(const HostVertices&);
    HostVertices& operator=(const HostVertices&);

    Mesh& mesh;
    CornerValues corners;
    TriObject* ownedCopy;
    bool bake;
    AffineMatrix offset;
    AffineMatrix offsetInverse;
    std::vector<uint32_t> cornerOf;       ///< per glTF vertex: face * 3 + corner
    std::vector<uint32_t> firstInfluence; ///< per host vertex, and one past the last
    std::vector<Influence> influenceList;
    size_t mostInfluences = 0;     ///< over the glTF vertices
    bool someUninfluenced = false; ///< ... and whether one has none
};

// The glTF vertices made from each host vertex so far, as chains through `next`: most host
// vertices have one or two, so finding a corner's vertex compares a few keys. Reused from
// mesh to mesh.
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

// Splits a host mesh's corners into glTF vertices where normal or texture coordinate differ:
// the triangles and, per vertex, the corner its values are read from when written.
MeshData readMesh(Mesh& mesh, TriObject* converted, const MeshReadContext& ctx, VertexSplit& split,
                  BridgeReport& report, std::shared_ptr<HostVertices>& vertices) {
    MeshData data;
    data.name = ctx.nodeName;
    vertices.reset(new HostVertices(mesh, converted, ctx));
    const CornerValues& corners = vertices->cornerValues();
    data.specifiedNormals = corners.hasSpecifiedNormals();
    vertices->withUvs = corners.hasUvs();
    split.reset(mesh.numVerts);
    data.triangles.reserve(3 * size_t(mesh.numFaces));
    // Most meshes split few vertices: room for each host vertex once saves most regrowth.
    vertices->reserve(size_t(mesh.numVerts));
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
            Point3 normal = corners.normal(f, k);
            Point2 uv = corners.uv(f, k);
            const uint32_t key[5] = {bitsOf(normal.x), bitsOf(normal.y), bitsOf(normal.z),
                                     bitsOf(uv.x), bitsOf(uv.y)};
            int32_t found = split.find(v, key);
            if (found >= 0) {
                data.triangles.push_back(uint32_t(found));
                continue;
            }
            data.triangles.push_back(uint32_t(vertices->count()));
            split.add(v, key);
            vertices->addVertex(f, k);
        }
    }
    if (skipped > 0)
        report.losses.push_back(ctx.nodeName + ": " + std::to_string(skipped) +
                                " face(s) refer to vertices the mesh does not have; left out");
    if (ctx.skin)
        vertices->readInfluences(*ctx.skin);
    data.source = vertices;
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
                std::shared_ptr<HostVertices> vertices;
                MeshData mesh = readMesh(tri->GetMesh(), tri != object ? tri : nullptr, ctx, split,
                                         report, vertices);
                if (!mesh.triangles.empty()) {
                    mesh.material =
                        data.isBone ? -1 : materialIndex(node->GetMtl(), materials, scene);
                    // A textured material needs texture coordinates; the model files hold
                    // (0, 0) for a mesh without them, and so does the glTF (the split's).
                    if (mesh.material >= 0 &&
                        !scene.materials[size_t(mesh.material)].textureFile.empty())
                        vertices->withUvs = true;
                    data.meshes.push_back(std::move(mesh));
                }
            }
        }
        scene.nodes.push_back(std::move(data));
    }
    return scene;
}

} // namespace mshgltf
