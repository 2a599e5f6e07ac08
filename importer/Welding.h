#ifndef MSH_IMPORTER_WELDING_H
#define MSH_IMPORTER_WELDING_H

#include "format/Mesh8Record.h"
#include "host/Geometry.h"

#include <vector>

/// One shared mesh vertex rebuilt from the corners of a Mesh8 record. Its place in the weld
/// list is its mesh vertex number.
struct WeldedVertex {
    Point3 position;
    Point3 vertexNormal;
    const Mesh8Vertex* source; ///< the first corner entry that produced this vertex
};

/// One slot of the weld's hash table: 32 bits of a corner's hash and its first vertex.
struct WeldTableSlot {
    unsigned int tag;
    int vertex; ///< -1 when empty
    WeldTableSlot() : tag(0), vertex(-1) {}
};

/// The shared vertices of a Mesh8 record and the vertex each face corner uses. Kept from one
/// record to the next, its storage (and the hash table's) is reused instead of allocated and
/// faulted in again for every record.
struct WeldResult {
    std::vector<WeldedVertex> weldList;
    std::vector<int> cornerVertex;    ///< entry 3f + k: mesh vertex of corner k of face f
    std::vector<WeldTableSlot> table; ///< the weld's working storage
};

/// Merges the corners of the record's `numFaces` faces that have exactly equal position and
/// vertex normal (`Point3::operator==`), numbering the vertices in order of first appearance
/// along the faces. A corner with a NaN component equals nothing, not even itself, so it always
/// becomes a vertex of its own. Runs in time proportional to the corners. The record must have
/// passed the reader (every index inside the vertex block, 3 x `numFaces` indices at least).
void weldMesh8Corners(const Mesh8Record& record, WeldResult& result);

#endif
