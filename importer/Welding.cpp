#include "importer/Welding.h"

#include <cstring>
#include <vector>

namespace {

uint64_t rotateLeft(uint64_t value, int bits) {
    return value << bits | value >> (64 - bits);
}

uint64_t wordPair(const uint32_t* bits) {
    return static_cast<uint64_t>(bits[0]) << 32 | bits[1];
}

// Hash of the exact bits of (position, vertexNormal), with -0.0 taken as 0.0: for floats that
// are not NaN, equal under operator== then means equal hash input. False for a NaN component
// (such a corner never welds). One multiplication mixes all six words, so the per-corner cost
// stays a few integer operations.
inline bool hashCorner(const float* position, const float* normal, uint64_t& hash) {
    // Adding 0.0 turns -0.0 into 0.0 and changes nothing else.
    const float values[6] = {position[0] + 0.0f, position[1] + 0.0f, position[2] + 0.0f,
                             normal[0] + 0.0f,   normal[1] + 0.0f,   normal[2] + 0.0f};
    bool nan = false;
    for (int i = 0; i < 6; ++i)
        nan = nan || values[i] != values[i];
    uint32_t bits[6];
    memcpy(bits, values, sizeof bits);
    uint64_t mixed =
        wordPair(bits) ^ rotateLeft(wordPair(bits + 2), 21) ^ rotateLeft(wordPair(bits + 4), 42);
    mixed *= 0x9E3779B97F4A7C15ULL;
    // The table indexes by the low bits and tags by the high ones: fold the high half, which
    // every input bit reaches, into the low one.
    hash = mixed ^ (mixed >> 32);
    return !nan;
}

bool sameCorner(const WeldedVertex& vertex, const float* position, const float* normal) {
    return vertex.position.x == position[0] && vertex.position.y == position[1] &&
           vertex.position.z == position[2] && vertex.vertexNormal.x == normal[0] &&
           vertex.vertexNormal.y == normal[1] && vertex.vertexNormal.z == normal[2];
}

// An open-addressing table from corner hash to the first vertex with that corner. A slot holds
// only the vertex number and 32 bits of the hash, and compares against the weld list itself, so
// the table stays small enough for the cache; it grows to keep at most half its slots in use.
class FirstVertexTable {
public:
    FirstVertexTable(size_t expectedVertices, std::vector<WeldTableSlot>& storage)
        : mask(15), used(0), slots(storage) {
        while (mask + 1 < 2 * expectedVertices)
            mask = mask * 2 + 1;
        slots.assign(mask + 1, WeldTableSlot());
    }

    /// The vertex already holding the corner, or -1 after recording `newVertex` for it.
    int findOrAdd(uint64_t hash, const float* position, const float* normal,
                  const std::vector<WeldedVertex>& weldList, int newVertex) {
        uint32_t tag = static_cast<uint32_t>(hash >> 32);
        size_t at = static_cast<size_t>(hash) & mask;
        while (slots[at].vertex >= 0) {
            if (slots[at].tag == tag &&
                sameCorner(weldList[static_cast<size_t>(slots[at].vertex)], position, normal))
                return slots[at].vertex;
            at = (at + 1) & mask;
        }
        slots[at].tag = tag;
        slots[at].vertex = newVertex;
        if (2 * ++used > mask + 1)
            grow(weldList, newVertex, hash);
        return -1;
    }

private:
    // Doubles the table; the hashes are taken again from the weld list (`newest`, not in the
    // list yet, from `newestHash`).
    void grow(const std::vector<WeldedVertex>& weldList, int newest, uint64_t newestHash) {
        std::vector<WeldTableSlot> old;
        old.swap(slots);
        mask = mask * 2 + 1;
        slots.assign(mask + 1, WeldTableSlot());
        for (size_t i = 0; i < old.size(); ++i) {
            int vertex = old[i].vertex;
            if (vertex < 0)
                continue;
            uint64_t hash = newestHash;
            if (vertex != newest) {
                const WeldedVertex& held = weldList[static_cast<size_t>(vertex)];
                const float position[3] = {held.position.x, held.position.y, held.position.z};
                const float normal[3] = {held.vertexNormal.x, held.vertexNormal.y,
                                         held.vertexNormal.z};
                hashCorner(position, normal, hash);
            }
            size_t at = static_cast<size_t>(hash) & mask;
            while (slots[at].vertex >= 0)
                at = (at + 1) & mask;
            slots[at] = old[i];
        }
    }

    size_t mask;
    size_t used;
    std::vector<WeldTableSlot>& slots;

    FirstVertexTable(const FirstVertexTable&);
    FirstVertexTable& operator=(const FirstVertexTable&);
};

} // namespace

void weldMesh8Corners(const Mesh8Record& record, WeldResult& result) {
    size_t numCorners = 3 * static_cast<size_t>(record.header.numFaces);
    // A sound record welds to at most numVerts vertices; size for that and grow past it.
    size_t expected = record.header.numVerts < numCorners ? record.header.numVerts : numCorners;
    result.weldList.clear();
    result.weldList.reserve(expected);
    result.cornerVertex.resize(numCorners);

    FirstVertexTable firstVertex(expected, result.table);
    for (size_t corner = 0; corner < numCorners; ++corner) {
        const Mesh8Vertex& entry = record.vertices[record.indices[corner]];
        int vertex = static_cast<int>(result.weldList.size());
        uint64_t hash;
        if (hashCorner(entry.position, entry.vertexNormal, hash)) {
            int found = firstVertex.findOrAdd(hash, entry.position, entry.vertexNormal,
                                              result.weldList, vertex);
            if (found >= 0) {
                result.cornerVertex[corner] = found;
                continue;
            }
        }
        result.cornerVertex[corner] = vertex;
        WeldedVertex welded;
        welded.position = Point3(entry.position[0], entry.position[1], entry.position[2]);
        welded.vertexNormal =
            Point3(entry.vertexNormal[0], entry.vertexNormal[1], entry.vertexNormal[2]);
        welded.source = &entry;
        result.weldList.push_back(welded);
    }
}
