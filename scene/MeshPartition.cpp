#include "scene/MeshPartition.h"

#include "scene/BoneGrouping.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace mshgltf {
namespace {

// Builds parts from runs of faces, reusing scratch tables that are cleared after each part,
// so every part costs its own size only.
class PartBuilder {
public:
    PartBuilder(const MeshData& source, const std::vector<int>& hosts,
                const std::vector<FaceBones>& bones, size_t hostCount)
        : mesh(source), hostVertex(hosts), faceBones(bones), localOf(source.positions.size(), -1),
          localHostOf(hostCount, -1), countedIn(hostCount, -1) {}

    /// Host vertices `face` adds to the part being counted (`counting` is its run number).
    size_t newHostVertices(size_t face, int counting);
    void forgetCounted() { countedReduced.clear(); }
    MeshData build(const std::vector<size_t>& faces);

private:
    const MeshData& mesh;
    const std::vector<int>& hostVertex;
    const std::vector<FaceBones>& faceBones;
    std::vector<int> localOf;
    std::vector<int> localHostOf;
    std::vector<int> countedIn;
    std::set<std::pair<int, BoneSet>> countedReduced;

    bool reduced(size_t face) const { return !faceBones.empty() && faceBones[face].reduced; }
    uint32_t vertexFor(MeshData& part, uint32_t v, size_t face,
                       std::map<std::pair<uint32_t, BoneSet>, uint32_t>& reducedLocal,
                       std::map<std::pair<int, BoneSet>, int>& reducedHost, int& hostCount);
};

size_t PartBuilder::newHostVertices(size_t face, int counting) {
    size_t added = 0;
    for (int c = 0; c < 3; ++c) {
        int host = hostVertex[mesh.triangles[face * 3 + size_t(c)]];
        if (reduced(face)) {
            added += countedReduced.emplace(host, faceBones[face].bones).second ? 1 : 0;
        } else if (countedIn[size_t(host)] != counting) {
            countedIn[size_t(host)] = counting;
            ++added;
        }
    }
    return added;
}

uint32_t PartBuilder::vertexFor(MeshData& part, uint32_t v, size_t face,
                                std::map<std::pair<uint32_t, BoneSet>, uint32_t>& reducedLocal,
                                std::map<std::pair<int, BoneSet>, int>& reducedHost,
                                int& hostCount) {
    bool cut = reduced(face);
    uint32_t next = uint32_t(part.positions.size());
    int host = hostVertex[v];
    if (cut) {
        auto local = reducedLocal.emplace(std::make_pair(v, faceBones[face].bones), next);
        if (!local.second)
            return local.first->second;
        auto numbered = reducedHost.emplace(std::make_pair(host, faceBones[face].bones), hostCount);
        hostCount += numbered.second ? 1 : 0;
        part.sourceVertex.push_back(numbered.first->second);
    } else {
        if (localOf[v] >= 0)
            return uint32_t(localOf[v]);
        localOf[v] = int(next);
        if (localHostOf[size_t(host)] < 0)
            localHostOf[size_t(host)] = hostCount++;
        part.sourceVertex.push_back(localHostOf[size_t(host)]);
    }
    part.positions.push_back(mesh.positions[v]);
    if (!mesh.normals.empty())
        part.normals.push_back(mesh.normals[v]);
    if (!mesh.uvs.empty())
        part.uvs.push_back(mesh.uvs[v]);
    if (!mesh.influences.empty())
        part.influences.push_back(cut ? keptInfluences(mesh.influences[v], faceBones[face].bones)
                                      : mesh.influences[v]);
    return next;
}

MeshData PartBuilder::build(const std::vector<size_t>& faces) {
    MeshData part;
    part.name = mesh.name;
    part.material = mesh.material;
    part.specifiedNormals = mesh.specifiedNormals;
    std::map<std::pair<uint32_t, BoneSet>, uint32_t> reducedLocal;
    std::map<std::pair<int, BoneSet>, int> reducedHost;
    int hostCount = 0;
    for (size_t f : faces)
        for (int c = 0; c < 3; ++c)
            part.triangles.push_back(vertexFor(part, mesh.triangles[f * 3 + size_t(c)], f,
                                               reducedLocal, reducedHost, hostCount));
    for (size_t f : faces)
        for (int c = 0; c < 3; ++c) {
            uint32_t v = mesh.triangles[f * 3 + size_t(c)];
            localOf[v] = -1;
            localHostOf[size_t(hostVertex[v])] = -1;
        }
    return part;
}

} // namespace

PartitionResult partitionMesh(const MeshData& mesh, const std::vector<int>& hostVertex,
                              const ObjectLimits& limits) {
    size_t faceCount = mesh.triangles.size() / 3;
    bool skinned = !mesh.influences.empty();
    std::vector<FaceBones> faceBones;
    std::vector<int> bonePart(faceCount, 0);
    int bonePartCount = 1;
    if (skinned && limits.bones > 0 && bonesWithWeight(mesh) > limits.bones)
        bonePart = splitByBones(mesh, limits.bones, faceBones, bonePartCount);

    PartitionResult result;
    for (const FaceBones& face : faceBones)
        result.reducedFaces += face.reduced ? 1 : 0;
    std::vector<std::vector<size_t>> facesOfPart(static_cast<size_t>(bonePartCount));
    for (size_t f = 0; f < faceCount; ++f)
        facesOfPart[size_t(bonePart[f])].push_back(f);

    size_t hostCount = 0;
    for (int host : hostVertex)
        hostCount = std::max(hostCount, size_t(host) + 1);
    size_t vertexLimit = skinned ? limits.skinnedVertices : limits.vertices;
    PartBuilder builder(mesh, hostVertex, faceBones, hostCount);
    int run = 0;
    // Each bone part is cut into runs of faces in the mesh's order (neighbours, as a rule),
    // closing a run before it would pass the face or vertex limit.
    for (const std::vector<size_t>& faces : facesOfPart) {
        std::vector<size_t> current;
        size_t vertices = 0;
        for (size_t f : faces) {
            size_t added = builder.newHostVertices(f, run);
            if (!current.empty() &&
                (current.size() + 1 > limits.faces || vertices + added > vertexLimit)) {
                result.parts.push_back(builder.build(current));
                current.clear();
                builder.forgetCounted();
                ++run;
                added = builder.newHostVertices(f, run);
                vertices = 0;
            }
            current.push_back(f);
            vertices += added;
        }
        if (!current.empty())
            result.parts.push_back(builder.build(current));
        builder.forgetCounted();
        ++run;
    }
    if (result.parts.empty())
        result.parts.push_back(builder.build({}));
    return result;
}

} // namespace mshgltf
