#ifndef MSH_EXPORTER_INFLUENCES_H
#define MSH_EXPORTER_INFLUENCES_H

// Choosing which bone influences of a vertex the files keep: both layouts hold four.

#include <vector>

/// One bone's weight on one vertex; `bone` is the skin's own bone number.
struct Influence {
    int bone;
    float weight;

    Influence() : bone(0), weight(0.0f) {}
    Influence(int boneNumber, float boneWeight) : bone(boneNumber), weight(boneWeight) {}
};

/// Keeps the four largest influences (ties go to the earlier one), in the skin's order, and
/// rescales them so they add up to the vertex's original total, so the vertex deforms as it
/// did. Four influences or fewer are left exactly as they are. Returns true when any was
/// dropped.
bool keepStrongestInfluences(std::vector<Influence>& influences);

#endif
