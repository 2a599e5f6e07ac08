#include "exporter/Influences.h"

#include "exporter/ExportReport.h"
#include "exporter/FiniteValue.h"
#include "format/MshLayout.h"
#include "format/UnitWeights.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
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

bool finiteAndPositive(double value) {
    return value > 0.0 && value - value == 0.0;
}

// With mixed signs a small positive sum can still scale a weight past what a float holds.
bool rescaledFitFloat(const std::vector<Ranked>& kept, double scale) {
    for (size_t i = 0; i < kept.size(); ++i)
        if (std::fabs(kept[i].influence.weight * scale) > FLT_MAX)
            return false;
    return true;
}

} // namespace

bool dropNonFiniteWeights(std::vector<Influence>& influences) {
    size_t kept = 0;
    for (size_t i = 0; i < influences.size(); ++i)
        if (isFiniteValue(influences[i].weight))
            influences[kept++] = influences[i];
    bool dropped = kept < influences.size();
    influences.resize(kept);
    return dropped;
}

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
    // A sum that is NaN, infinite, zero or negative gives no meaningful scale: one NaN would
    // spread to every kept weight, a negative sum would flip their signs.
    double scale = finiteAndPositive(total) && finiteAndPositive(kept) ? total / kept : 1.0;
    if (!rescaledFitFloat(ranked, scale))
        scale = 1.0;
    influences.clear();
    for (size_t i = 0; i < ranked.size(); ++i) {
        Influence influence = ranked[i].influence;
        influence.weight = static_cast<float>(influence.weight * scale);
        influences.push_back(influence);
    }
    return true;
}

void settleWeightSum(std::vector<Influence>& influences) {
    // Rounding of a few weights leaves their sum within a few float steps of 1.
    const float rounding = 1e-5f;
    std::vector<float> weights;
    for (size_t i = 0; i < influences.size(); ++i)
        weights.push_back(influences[i].weight);
    if (weights.empty())
        return;
    int count = static_cast<int>(weights.size());
    float sum = weightSum(&weights[0], count);
    if (!(std::fabs(sum - 1.0f) <= rounding) || !makeWeightsSumToOne(&weights[0], count))
        return;
    for (size_t i = 0; i < influences.size(); ++i)
        influences[i].weight = weights[i];
}

std::wstring cappedInfluencesNote(int vertices) {
    return countText(vertices) + L" vertices had more than four bone influences; each kept its "
                                 L"four largest, rescaled to the same total";
}

std::wstring skinMismatchNote(const std::wstring& label, int points, int vertices) {
    return label + L": written without skin weights: its Skin weighs " + countText(points) +
           L" points but the mesh has " + countText(vertices) +
           L" vertices (a modifier above the Skin changes them)";
}

std::wstring nonFiniteWeightsNote(int vertices) {
    return countText(vertices) + L" vertices had a NaN or infinite bone weight; it was dropped";
}
