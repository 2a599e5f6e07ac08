#pragma once
// A proposal for the importer's weld, measured beside it: the same first-appearance numbering,
// with an open-addressing table of vertex numbers instead of a node-based hash map, so a weld
// makes three allocations whatever the corner count. Lives here until the importer adopts it.

#include "importer/Welding.h"

namespace bench {

/// Same contract and numbering as weldMesh8Corners.
void flatWeldMesh8Corners(const Mesh8Record& record, WeldResult& result);

} // namespace bench
