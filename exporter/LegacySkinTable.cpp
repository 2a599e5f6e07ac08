#include "exporter/LegacySkinTable.h"

#include <algorithm>
#include <cstring>
#include <set>

LegacySkinTable::LegacySkinTable() : cappedPoints(0), nonFinitePoints(0), pointsLosingBones(0) {}

namespace {

int tablePlace(const std::vector<int>& bones, int bone) {
    std::vector<int>::const_iterator found = std::find(bones.begin(), bones.end(), bone);
    return found == bones.end() ? -1 : static_cast<int>(found - bones.begin());
}

MshSkinVertex emptyEntry(size_t point) {
    MshSkinVertex entry;
    memset(&entry, 0, sizeof entry);
    entry.vertex = static_cast<int32_t>(point);
    return entry;
}

} // namespace

LegacySkinTable buildLegacySkinTable(SkinPoints kept) {
    LegacySkinTable table;
    std::set<int> inUse;
    for (size_t p = 0; p < kept.size(); ++p) {
        if (dropNonFiniteWeights(kept[p]))
            ++table.nonFinitePoints;
        if (keepStrongestInfluences(kept[p]))
            ++table.cappedPoints;
        settleWeightSum(kept[p]);
        for (size_t i = 0; i < kept[p].size(); ++i)
            if (kept[p][i].weight != 0.0f)
                inUse.insert(kept[p][i].bone);
    }
    // std::set iterates in ascending bone number, which is the skin's order.
    for (std::set<int>::const_iterator bone = inUse.begin(); bone != inUse.end(); ++bone) {
        if (table.bones.size() < MSH_MAX_BONES)
            table.bones.push_back(*bone);
        else
            table.droppedBones.push_back(*bone);
    }

    table.entries.reserve(kept.size());
    for (size_t p = 0; p < kept.size(); ++p) {
        MshSkinVertex entry = emptyEntry(p);
        bool lostWeight = false;
        for (size_t i = 0; i < kept[p].size(); ++i) {
            int place = tablePlace(table.bones, kept[p][i].bone);
            if (place < 0) {
                lostWeight = lostWeight || kept[p][i].weight != 0.0f;
                continue;
            }
            entry.bone[entry.count] = place;
            entry.weight[entry.count] = kept[p][i].weight;
            ++entry.count;
        }
        if (lostWeight)
            ++table.pointsLosingBones;
        table.entries.push_back(entry);
    }
    return table;
}
