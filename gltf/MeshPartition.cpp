#include "gltf/MeshPartition.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace mshgltf {
namespace {

// Bone numbers in ascending order, so that equal sets compare equal.
using BoneSet = std::vector<int>;

struct FaceBones {
    BoneSet bones;
    bool reduced = false; ///< its corners used more bones; they keep only `bones`
};

bool contains(const BoneSet& bones, int bone) {
    return std::find(bones.begin(), bones.end(), bone) != bones.end();
}

const Influence* strongestOf(const std::vector<Influence>& influences) {
    const Influence* strongest = nullptr;
    for (const Influence& influence : influences)
        if (influence.weight != 0.0f && (!strongest || influence.weight > strongest->weight))
            strongest = &influence;
    return strongest;
}

// The bones a face needs; when they are more than `limit`, each corner's strongest comes
// first, so that no corner is left without weight, then the heaviest of the others summed
// over the corners.
FaceBones bonesOfFace(const MeshData& mesh, const uint32_t* corner, size_t limit) {
    std::vector<std::pair<int, double>> summed;
    for (int c = 0; c < 3; ++c)
        for (const Influence& influence : mesh.influences[corner[c]]) {
            if (influence.weight == 0.0f)
                continue;
            auto same = std::find_if(summed.begin(), summed.end(), [&](const auto& entry) {
                return entry.first == influence.joint;
            });
            if (same == summed.end())
                summed.emplace_back(influence.joint, influence.weight);
            else
                same->second += influence.weight;
        }
    FaceBones face;
    if (summed.size() <= limit) {
        for (const auto& entry : summed)
            face.bones.push_back(entry.first);
        std::sort(face.bones.begin(), face.bones.end());
        return face;
    }
    face.reduced = true;
    for (int c = 0; c < 3; ++c) {
        const Influence* strongest = strongestOf(mesh.influences[corner[c]]);
        if (strongest && !contains(face.bones, strongest->joint) && face.bones.size() < limit)
            face.bones.push_back(strongest->joint);
    }
    std::stable_sort(summed.begin(), summed.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    for (const auto& entry : summed)
        if (face.bones.size() < limit && !contains(face.bones, entry.first))
            face.bones.push_back(entry.first);
    std::sort(face.bones.begin(), face.bones.end());
    return face;
}

// A corner's influences on the kept bones, rescaled to the corner's former total.
std::vector<Influence> keptInfluences(const std::vector<Influence>& influences,
                                      const BoneSet& bones) {
    std::vector<Influence> kept;
    double total = 0.0, keptTotal = 0.0;
    for (const Influence& influence : influences) {
        total += influence.weight;
        if (contains(bones, influence.joint)) {
            kept.push_back(influence);
            keptTotal += influence.weight;
        }
    }
    if (keptTotal > 0.0)
        for (Influence& influence : kept)
            influence.weight = float(influence.weight * (total / keptTotal));
    return kept;
}

void indexSubsets(const BoneSet& bones, int part, std::map<BoneSet, int>& partHolding) {
    for (unsigned mask = 0; mask < (1u << bones.size()); ++mask) {
        BoneSet subset;
        for (size_t b = 0; b < bones.size(); ++b)
            if (mask & (1u << b))
                subset.push_back(bones[b]);
        partHolding.emplace(subset, part);
    }
}

// Packs the distinct bone sets into parts of at most `limit` bones, larger sets first: a set
// goes to a part that already holds all its bones, else to the part being filled when the
// union still fits, else it starts a new part. Every lookup is one map search, so the work
// grows with the number of sets, not with their product.
std::vector<int> packBoneSets(const std::vector<BoneSet>& sets, size_t limit) {
    std::vector<size_t> order(sets.size());
    for (size_t s = 0; s < sets.size(); ++s)
        order[s] = s;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return sets[a].size() != sets[b].size() ? sets[a].size() > sets[b].size()
                                                : sets[a] < sets[b];
    });
    std::vector<int> partOfSet(sets.size(), -1);
    std::map<BoneSet, int> partHolding;
    std::vector<BoneSet> partBones;
    for (size_t s : order) {
        auto holding = partHolding.find(sets[s]);
        if (holding != partHolding.end()) {
            partOfSet[s] = holding->second;
            continue;
        }
        BoneSet merged;
        if (!partBones.empty())
            std::set_union(partBones.back().begin(), partBones.back().end(), sets[s].begin(),
                           sets[s].end(), std::back_inserter(merged));
        if (partBones.empty() || merged.size() > limit) {
            partBones.push_back(sets[s]);
        } else {
            partBones.back() = merged;
        }
        partOfSet[s] = int(partBones.size() - 1);
        indexSubsets(partBones.back(), partOfSet[s], partHolding);
    }
    return partOfSet;
}

// The bone part of every face, and the faces' bone sets (empty when no face needs a limit).
std::vector<int> splitByBones(const MeshData& mesh, size_t limit, std::vector<FaceBones>& faces,
                              int& partCount) {
    size_t faceCount = mesh.triangles.size() / 3;
    faces.resize(faceCount);
    std::map<BoneSet, int> setIndex;
    std::vector<BoneSet> sets;
    std::vector<int> setOfFace(faceCount);
    for (size_t f = 0; f < faceCount; ++f) {
        faces[f] = bonesOfFace(mesh, &mesh.triangles[f * 3], limit);
        auto found = setIndex.emplace(faces[f].bones, int(sets.size()));
        if (found.second)
            sets.push_back(faces[f].bones);
        setOfFace[f] = found.first->second;
    }
    std::vector<int> partOfSet = packBoneSets(sets, limit);
    // Parts are numbered in the order of their first faces, so the first part (which keeps
    // the object's name) is where the mesh begins.
    std::vector<int> renumbered(sets.size(), -1);
    partCount = 0;
    std::vector<int> partOfFace(faceCount);
    for (size_t f = 0; f < faceCount; ++f) {
        int& part = renumbered[size_t(partOfSet[size_t(setOfFace[f])])];
        if (part < 0)
            part = partCount++;
        partOfFace[f] = part;
    }
    return partOfFace;
}

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

size_t bonesWithWeight(const MeshData& mesh) {
    std::set<int> bones;
    for (const auto& influences : mesh.influences)
        for (const Influence& influence : influences)
            if (influence.weight != 0.0f)
                bones.insert(influence.joint);
    return bones.size();
}

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
