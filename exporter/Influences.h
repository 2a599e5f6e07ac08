#ifndef MSH_EXPORTER_INFLUENCES_H
#define MSH_EXPORTER_INFLUENCES_H

// Choosing which bone influences of a vertex the files keep: both layouts hold four.

#include <string>
#include <vector>

/// One bone's weight on one vertex; `bone` is the skin's own bone number.
struct Influence {
    int bone;
    float weight;

    Influence() : bone(0), weight(0.0f) {}
    Influence(int boneNumber, float boneWeight) : bone(boneNumber), weight(boneWeight) {}
};

/// Drops every NaN or infinite weight: no file is written with one. Returns true when any was
/// dropped.
bool dropNonFiniteWeights(std::vector<Influence>& influences);

/// Keeps the four largest influences (ties go to the earlier one), in the skin's order. When
/// the original total and the kept sum are both finite and positive, the kept ones are
/// rescaled to the original total, so the vertex deforms as it did; otherwise (negative or
/// all-zero weights) they stay as they are. Four influences or fewer are left exactly as they
/// are. Returns true when any was dropped.
bool keepStrongestInfluences(std::vector<Influence>& influences);

/// Weights that add up to 1 but for float rounding are made to add up to exactly 1, the way
/// the importer hands them to the Skin (format/UnitWeights.h), so a file written from them
/// is imported and exported again to the same bytes. Other weights stay as they are.
void settleWeightSum(std::vector<Influence>& influences);

/// The report line for `vertices` vertices that lost influences to the four-influence cap.
std::wstring cappedInfluencesNote(int vertices);

/// The report line for `vertices` vertices that had a NaN or infinite weight dropped.
std::wstring nonFiniteWeightsNote(int vertices);

/// The report line for a node written without its skin because the skin weighs `points`
/// points and the mesh has `vertices` vertices.
std::wstring skinMismatchNote(const std::wstring& label, int points, int vertices);

#endif
