#include "bench/FlatWeld.h"

#include <cstring>

namespace bench {
namespace {

// Bits of (position, vertexNormal) with -0.0 folded into 0.0; false when a component is NaN,
// since such a corner equals nothing and never welds.
bool keyOf(const Mesh8Vertex& entry, uint32_t key[6]) {
    const float* parts[2] = {entry.position, entry.vertexNormal};
    for (int p = 0; p < 2; ++p) {
        for (int c = 0; c < 3; ++c) {
            float value = parts[p][c];
            if (value != value)
                return false;
            if (value == 0.0f)
                value = 0.0f;
            std::memcpy(&key[p * 3 + c], &value, sizeof value);
        }
    }
    return true;
}

size_t hashOf(const uint32_t key[6]) {
    uint64_t hash = 1469598103934665603ULL;
    for (int i = 0; i < 6; ++i) {
        hash ^= key[i];
        hash *= 1099511628211ULL;
    }
    return size_t(hash ^ (hash >> 29));
}

} // namespace

void flatWeldMesh8Corners(const Mesh8Record& record, WeldResult& result) {
    size_t numCorners = 3 * size_t(record.header.numFaces);
    result.weldList.clear();
    result.cornerVertex.assign(numCorners, 0);
    // At most half full: the table has at least twice as many slots as there can be vertices.
    size_t slots = 16;
    while (slots < 2 * numCorners)
        slots *= 2;
    std::vector<int> table(slots, -1);
    std::vector<uint32_t> keys; // six words per welded vertex, in weld-list order
    result.weldList.reserve(record.header.numVerts);
    keys.reserve(6 * size_t(record.header.numVerts));
    for (size_t corner = 0; corner < numCorners; ++corner) {
        const Mesh8Vertex& entry = record.vertices[record.indices[corner]];
        uint32_t key[6] = {0};
        int vertex = int(result.weldList.size());
        if (keyOf(entry, key)) {
            size_t slot = hashOf(key) & (slots - 1);
            while (table[slot] >= 0 &&
                   std::memcmp(&keys[6 * size_t(table[slot])], key, sizeof key) != 0)
                slot = (slot + 1) & (slots - 1);
            if (table[slot] >= 0) {
                result.cornerVertex[corner] = table[slot];
                continue;
            }
            table[slot] = vertex;
        }
        // NaN corners keep placeholder key words so vertex numbers and key rows stay aligned.
        keys.insert(keys.end(), key, key + 6);
        WeldedVertex welded;
        welded.position = Point3(entry.position[0], entry.position[1], entry.position[2]);
        welded.vertexNormal =
            Point3(entry.vertexNormal[0], entry.vertexNormal[1], entry.vertexNormal[2]);
        welded.source = &entry;
        result.weldList.push_back(welded);
        result.cornerVertex[corner] = vertex;
    }
}

} // namespace bench
