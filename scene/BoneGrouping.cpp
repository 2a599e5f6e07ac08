#include "scene/BoneGrouping.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace mshgltf {
namespace {
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

} // namespace

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

size_t bonesWithWeight(const MeshData& mesh) {
    std::set<int> bones;
    for (const auto& influences : mesh.influences)
        for (const Influence& influence : influences)
            if (influence.weight != 0.0f)
                bones.insert(influence.joint);
    return bones.size();
}

} // namespace mshgltf
