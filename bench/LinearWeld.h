#pragma once
// The reference weld: for every corner, a linear search of the list built so far for the first
// vertex with an equal position and vertex normal. Quadratic, kept here only to check and time
// the hashed weld against.

#include "importer/Welding.h"

namespace bench {

/// Same contract and numbering as weldMesh8Corners, by first-match linear search.
void linearWeldMesh8Corners(const Mesh8Record& record, WeldResult& result);

/// True when both welds numbered every corner alike and kept the same source corners; on a
/// difference `why` says where.
bool sameWeld(const WeldResult& a, const WeldResult& b, std::string& why);

} // namespace bench
