#ifndef MSH_EXPORTER_LEGACYSKINTABLE_H
#define MSH_EXPORTER_LEGACYSKINTABLE_H

// The skin block of a legacy record: a table of at most four bones and, per skin point, up to
// four influences that refer to that table.

#include "exporter/Influences.h"
#include "format/MshLayout.h"

#include <vector>

/// The influences of every skin point of one object, in point order and the skin's order.
typedef std::vector<std::vector<Influence>> SkinPoints;

/// A legacy skin block worked out from the skin, with what it could not hold.
struct LegacySkinTable {
    /// The skin's bone numbers behind the record's bone names, in the skin's order.
    std::vector<int> bones;
    /// One entry per skin point; each `bone` is a place in `bones`.
    std::vector<MshSkinVertex> entries;
    /// Points that had more than four influences and kept their four largest, rescaled.
    int cappedPoints;
    /// Points that had a NaN or infinite weight, which was dropped.
    int nonFinitePoints;
    /// Bones that carry weight but found no room in the four-bone table, in the skin's order.
    std::vector<int> droppedBones;
    /// Points that lost an influence because its bone found no room.
    int pointsLosingBones;

    LegacySkinTable();
};

/// Builds the block: each point drops its NaN and infinite weights and keeps its four
/// strongest influences (rescaled), the table
/// takes the first four bones, in the skin's order, that carry weight after that, and
/// influences on other bones are dropped (zero weights on them lose nothing). When the
/// skin's first four bones are exactly the bones in use, this is the block the skin's own
/// numbering would give. Takes the points by value: a caller handing over its own list
/// (a temporary) lends it rather than having it copied.
LegacySkinTable buildLegacySkinTable(SkinPoints kept);

#endif
