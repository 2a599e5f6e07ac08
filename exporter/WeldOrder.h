#ifndef MSH_EXPORTER_WELDORDER_H
#define MSH_EXPORTER_WELDORDER_H

// The order in which the importer welds a Mesh8 record's corners back into vertices, so the
// exporter can write each vertex's bone record where the importer will look for it.

#include "format/MshLayout.h"

#include <vector>

/// Source vertex numbers in the order the bone records must take: first, for each vertex the
/// importer's welding creates (numbered by first appearance of an exactly equal (position,
/// vertexNormal) along the corners, with -0.0 equal to 0.0 and NaN equal to nothing), the
/// source vertex of the corner that created it; then every source vertex below `numVerts`
/// not yet named, in source order. `cornerSource[i]` is the source vertex of corner i.
/// Returns false, leaving `order` empty, when one source vertex would become two welded
/// vertices (a NaN coordinate), which no order of bone records can pair correctly.
bool boneRecordOrder(const std::vector<Mesh8Vertex>& corners, const std::vector<int>& cornerSource,
                     int numVerts, std::vector<int>& order);

#endif
