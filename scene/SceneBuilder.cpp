#include "scene/SceneBuilder.h"

#include "format/TextField.h"
#include "format/UnitWeights.h"
#include "scene/VertexWeld.h"

#include <algorithm>
#include <map>

namespace mshgltf {
namespace {

std::wstring wide(const std::string& utf8) {
    return fromUtf8(utf8);
}

} // namespace

std::string extraMeshNodeName(const SceneData& scene, const NodeData& node, size_t mesh) {
    return meshPartName(scene, node.name, node.meshes[mesh].material, mesh);
}

namespace {

TriObject* buildTriObject(const MeshData* mesh, std::vector<int>& vertexOf) {
    TriObject* tri = CreateNewTriObject();
    if (!mesh)
        return tri;
    Mesh& out = tri->GetMesh();
    int vertexCount = 0;
    vertexOf = weldVertices(*mesh, vertexCount);
    int faceCount = int(mesh->triangles.size() / 3);
    out.setNumVerts(vertexCount);
    std::vector<bool> placed(size_t(vertexCount), false);
    for (size_t i = 0; i < vertexOf.size(); ++i) {
        int v = vertexOf[i];
        if (placed[size_t(v)])
            continue;
        placed[size_t(v)] = true;
        out.setVert(v, mesh->positions[i]);
    }
    out.setNumFaces(faceCount);
    bool uvs = !mesh->uvs.empty();
    if (uvs) {
        out.setNumTVerts(int(mesh->uvs.size()));
        out.setNumTVFaces(faceCount);
        for (size_t i = 0; i < mesh->uvs.size(); ++i)
            out.setTVert(int(i), mesh->uvs[i].x, mesh->uvs[i].y, 0.0f);
    }
    for (int f = 0; f < faceCount; ++f) {
        const uint32_t* corner = &mesh->triangles[size_t(f) * 3];
        out.faces[f].setVerts(vertexOf[corner[0]], vertexOf[corner[1]], vertexOf[corner[2]]);
        // New faces have no smoothing group; one group shades the mesh smooth wherever the
        // specified normals are not used (renders).
        out.faces[f].setSmGroup(1);
        if (uvs)
            out.tvFace[f].setTVerts(int(corner[0]), int(corner[1]), int(corner[2]));
    }
    // The glTF's normals reach the scene only as specified normals: a value set with
    // setNormal is gone with the next copy of the mesh.
    if (!mesh->normals.empty()) {
        out.SpecifyNormals();
        MeshNormalSpec* normalSpec = out.GetSpecifiedNormals();
        if (normalSpec) {
            // One normal per glTF vertex, shared by its corners, all sized first: as many
            // normals as corners, added one by one, cost a tenth of the whole conversion.
            int normalCount = int(mesh->normals.size());
            normalSpec->SetParent(&out);
            normalSpec->SetNumFaces(faceCount);
            normalSpec->SetNumNormals(normalCount);
            for (int i = 0; i < normalCount; ++i)
                normalSpec->Normal(i) = mesh->normals[size_t(i)];
            for (int f = 0; f < faceCount; ++f)
                for (int k = 0; k < 3; ++k)
                    normalSpec->Face(f).SpecifyNormalID(
                        k, int(mesh->triangles[size_t(f) * 3 + size_t(k)]));
            normalSpec->SetAllExplicit();
        }
    }
    out.buildBoundingBox();
    out.InvalidateGeomCache();
    return tri;
}

// What the host mesh now holds; the weights stay until the skin is bound.
void releaseGeometry(MeshData& mesh) {
    std::vector<Point3>().swap(mesh.positions);
    std::vector<Point3>().swap(mesh.normals);
    std::vector<Point2>().swap(mesh.uvs);
    std::vector<int>().swap(mesh.sourceVertex);
    std::vector<uint32_t>().swap(mesh.triangles);
}

class Builder {
public:
    Builder(SceneData& data, BridgeReport& problems) : scene(data), report(problems) {}
    bool run(std::string& error);

private:
    SceneData& scene;
    BridgeReport& report;
    Interface* ip = GetCOREInterface();
    std::vector<INode*> nodeOf;
    std::map<int, Mtl*> materials;

    struct Part {
        INode* node;
        TriObject* tri;
        MeshData* mesh;
        std::vector<int> vertexOf;
        size_t sceneNode;
    };
    std::vector<Part> parts;

    Mtl* materialFor(int index);
    INode* createNode(const std::string& name, MeshData* mesh, size_t sceneNode);
    void bindSkin(const Part& part);
};

Mtl* Builder::materialFor(int index) {
    if (index < 0 || size_t(index) >= scene.materials.size())
        return nullptr;
    auto found = materials.find(index);
    if (found != materials.end())
        return found->second;
    const MaterialData& data = scene.materials[size_t(index)];
    StdMat2* material = NewDefaultStdMat();
    material->SetName(WStr(wide(data.name).c_str()));
    material->SetTwoSided(data.twoSided ? TRUE : FALSE);
    material->SetDiffuse(Color(data.diffuse[0], data.diffuse[1], data.diffuse[2]), 0);
    if (!data.textureFile.empty()) {
        BitmapTex* map = NewDefaultBitmapTex();
        if (map) {
            std::wstring file = wide(data.textureFile);
            map->SetMapName(file.c_str());
            map->SetMap(MaxSDK::AssetManagement::AssetUser(file.c_str()));
            material->SetSubTexmap(ID_DI, map);
            material->SetTexmapAmt(ID_DI, 1.0f, 0);
            material->EnableMap(ID_DI, TRUE);
        }
    }
    materials[index] = material;
    return material;
}

INode* Builder::createNode(const std::string& name, MeshData* mesh, size_t sceneNode) {
    Part part;
    part.tri = nullptr;
    Object* object = nullptr;
    // A bone without geometry is a dummy, as in the host: the exporter then boxes its pivot.
    // Other nodes without geometry keep an empty mesh so that their children's links survive.
    if (!mesh && scene.nodes[sceneNode].isBone)
        object = static_cast<Object*>(CreateInstance(HELPER_CLASS_ID, Class_ID(DUMMY_CLASS_ID, 0)));
    if (!object) {
        part.tri = buildTriObject(mesh, part.vertexOf);
        object = part.tri;
        if (mesh)
            releaseGeometry(*mesh);
    }
    part.node = ip->CreateObjectNode(object);
    part.node->SetName(wide(name).c_str());
    part.mesh = mesh;
    part.sceneNode = sceneNode;
    parts.push_back(part);
    return part.node;
}

void Builder::bindSkin(const Part& part) {
    const NodeData& data = scene.nodes[part.sceneNode];
    // Only the bones this mesh uses: a record names at most four, so unused ones must not
    // take their places.
    std::vector<bool> used(data.joints.size(), false);
    size_t mostInfluences = 0;
    for (const auto& influences : part.mesh->influences) {
        mostInfluences = std::max(mostInfluences, influences.size());
        for (const Influence& influence : influences)
            used[size_t(influence.joint)] = true;
    }
    Modifier* skin = static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
    ISkinImportData* import =
        skin ? static_cast<ISkinImportData*>(skin->GetInterface(I_SKINIMPORTDATA)) : nullptr;
    if (!import) {
        report.losses.push_back(data.name + ": the host has no Skin modifier; weights lost");
        return;
    }
    IDerivedObject* stack = CreateDerivedObject(part.tri);
    part.node->SetObjectRef(stack);
    stack->AddModifier(skin);
    size_t lastUsed = size_t(std::find(used.rbegin(), used.rend(), true).base() - used.begin());
    for (size_t j = 0; j < data.joints.size(); ++j) {
        if (!used[j])
            continue;
        INode* bone = nodeOf[size_t(data.joints[j])];
        Matrix3 bind = toMatrix3(data.jointBindWorld[j]);
        if (!import->AddBoneEx(bone, j + 1 == lastUsed) || !import->SetBoneTm(bone, bind, bind))
            report.losses.push_back(data.name + ": the Skin modifier refused bone \"" +
                                    scene.nodes[size_t(data.joints[j])].name +
                                    "\"; its weights are lost");
    }
    // The Skin makes its data for the node, which the base transform and the weights need,
    // when the node is evaluated.
    part.node->EvalWorldState(0);
    Matrix3 skinTm = toMatrix3(data.skinBindWorld);
    if (!import->SetSkinTm(part.node, skinTm, skinTm)) {
        report.losses.push_back(data.name + ": the Skin modifier has no data for it; weights lost");
        return;
    }
    int numVerts = part.tri->GetMesh().numVerts;
    std::vector<bool> done(size_t(numVerts), false);
    int refused = 0;
    for (size_t i = 0; i < part.vertexOf.size(); ++i) {
        int v = part.vertexOf[i];
        if (done[size_t(v)] || part.mesh->influences[i].empty())
            continue;
        done[size_t(v)] = true;
        std::vector<Influence> influences = part.mesh->influences[i];
        // The exporter keeps the first four influences; give it the heaviest first when
        // there are more.
        if (influences.size() > 4)
            std::stable_sort(
                influences.begin(), influences.end(),
                [](const Influence& a, const Influence& b) { return a.weight > b.weight; });
        Tab<INode*> bones;
        Tab<float> weights;
        for (const Influence& influence : influences) {
            INode* bone = nodeOf[size_t(data.joints[size_t(influence.joint)])];
            float weight = influence.weight;
            bones.Append(1, &bone);
            weights.Append(1, &weight);
        }
        // Summing to exactly 1, they pass the Skin's normalising unchanged.
        makeWeightsSumToOne(weights.Addr(0), weights.Count());
        refused += import->AddWeights(part.node, v, bones, weights) ? 0 : 1;
    }
    // A vertex never given weights would take them from the bones' envelopes.
    Tab<INode*> noBones;
    Tab<float> noWeights;
    for (int v = 0; v < numVerts; ++v)
        if (!done[size_t(v)])
            import->AddWeights(part.node, v, noBones, noWeights);
    if (refused > 0)
        report.losses.push_back(data.name + ": the Skin modifier refused the weights of " +
                                std::to_string(refused) + " vertices");
    if (mostInfluences > 4)
        report.losses.push_back(data.name + ": vertices with up to " +
                                std::to_string(mostInfluences) +
                                " bone influences; model files keep the four heaviest");
}

bool Builder::run(std::string& error) {
    nodeOf.assign(scene.nodes.size(), nullptr);
    for (size_t i = 0; i < scene.nodes.size(); ++i) {
        const NodeData& data = scene.nodes[i];
        if (data.parent >= int(i)) {
            error = "node " + data.name + " comes before its parent";
            return false;
        }
        for (const MeshData& mesh : data.meshes)
            for (uint32_t index : mesh.triangles)
                if (index >= mesh.positions.size()) {
                    error = "mesh " + mesh.name + " has a face past its vertices";
                    return false;
                }
        MeshData* first = data.meshes.empty() ? nullptr : &scene.nodes[i].meshes[0];
        INode* node = createNode(data.name, first, i);
        nodeOf[i] = node;
        if (data.parent >= 0)
            nodeOf[size_t(data.parent)]->AttachChild(node, FALSE);
        Matrix3 world = toMatrix3(data.world);
        node->SetNodeTM(0, world);
        if (data.isBone)
            node->SetBoneNodeOnOff(TRUE, 0);
        else if (first)
            node->SetMtl(materialFor(first->material));
        // Each further material gets a node of its own under the first one.
        for (size_t g = 1; g < data.meshes.size() && !data.isBone; ++g) {
            MeshData& mesh = scene.nodes[i].meshes[g];
            INode* extraNode = createNode(extraMeshNodeName(scene, data, g), &mesh, i);
            node->AttachChild(extraNode, FALSE);
            extraNode->SetNodeTM(0, world);
            extraNode->SetMtl(materialFor(mesh.material));
        }
        if (data.isBone && data.meshes.size() > 1)
            report.losses.push_back(data.name +
                                    ": only the first part of its bone geometry is kept");
    }
    for (const Part& part : parts) {
        const NodeData& data = scene.nodes[part.sceneNode];
        if (!data.isBone && !data.joints.empty() && part.mesh && !part.mesh->influences.empty())
            bindSkin(part);
        if (part.mesh)
            std::vector<std::vector<Influence>>().swap(part.mesh->influences);
    }
    return true;
}

} // namespace

bool buildScene(SceneData& scene, BridgeReport& report, std::string& error) {
    Builder builder(scene, report);
    return builder.run(error);
}

} // namespace mshgltf
