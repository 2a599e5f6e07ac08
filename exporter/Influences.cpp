#include "exporter/Influences.h"

#include "format/MshLayout.h"

#include <algorithm>
#include <limits>

namespace {

struct Ranked {
    Influence influence;
    size_t place;
    float key;
};

// NaN ranks lowest, so the ordering stays strict and such a weight is dropped first.
float rankKey(float weight) {
    return weight != weight ? -std::numeric_limits<float>::infinity() : weight;
}

bool strongerFirst(const Ranked& a, const Ranked& b) {
    return a.key > b.key;
}

bool inSkinOrder(const Ranked& a, const Ranked& b) {
    return a.place < b.place;
}

} // namespace

bool keepStrongestInfluences(std::vector<Influence>& influences) {
    if (influences.size() <= MSH_MAX_BONES)
        return false;
    std::vector<Ranked> ranked;
    ranked.reserve(influences.size());
    double total = 0.0;
    for (size_t i = 0; i < influences.size(); ++i) {
        Ranked entry;
        entry.influence = influences[i];
        entry.place = i;
        entry.key = rankKey(influences[i].weight);
        ranked.push_back(entry);
        total += influences[i].weight;
    }
    std::stable_sort(ranked.begin(), ranked.end(), strongerFirst);
    ranked.resize(MSH_MAX_BONES);
    std::sort(ranked.begin(), ranked.end(), inSkinOrder);

    double kept = 0.0;
    for (size_t i = 0; i < ranked.size(); ++i)
        kept += ranked[i].influence.weight;
    // All-zero kept weights cannot be scaled up to the total; they stay as they are.
    double scale = kept != 0.0 ? total / kept : 1.0;
    influences.clear();
    for (size_t i = 0; i < ranked.size(); ++i) {
        Influence influence = ranked[i].influence;
        influence.weight = static_cast<float>(influence.weight * scale);
        influences.push_back(influence);
    }
    return true;
}
