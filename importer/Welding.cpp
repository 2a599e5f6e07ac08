#include "importer/Welding.h"

#include <cstring>
#include <utility>
#include <vector>

namespace {

// The exact bits of (position, vertexNormal), with -0.0 stored as 0.0: for floats that are not
// NaN, equal bits then mean equal under operator== and the reverse.
struct WeldKey {
    uint32_t bits[6];

    bool operator==(const WeldKey& other) const {
        return memcmp(bits, other.bits, sizeof bits) == 0;
    }
};

struct WeldKeyHash {
    size_t operator()(const WeldKey& key) const {
        // FNV-1a over the six words; cheap and spreads neighbouring coordinates well.
        uint64_t hash = 1469598103934665603ULL;
        for (int i = 0; i < 6; ++i) {
            hash ^= key.bits[i];
            hash *= 1099511628211ULL;
        }
        return static_cast<size_t>(hash ^ (hash >> 29));
    }
};

bool isNan(float value) {
    return value != value;
}

// Fills the key; false when a component is NaN (such a corner never welds).
bool makeKey(const float* position, const float* normal, WeldKey& key) {
    const float* parts[2] = {position, normal};
    for (int p = 0; p < 2; ++p) {
        for (int c = 0; c < 3; ++c) {
            float value = parts[p][c];
            if (isNan(value))
                return false;
            if (value == 0.0f)
                value = 0.0f; // folds -0.0 into 0.0
            memcpy(&key.bits[p * 3 + c], &value, sizeof value);
        }
    }
    return true;
}

// An open-addressing table from key to vertex number, sized to twice the corners so probe
// runs stay short; it holds only the first vertex of each key.
class FirstVertexTable {
public:
    explicit FirstVertexTable(size_t numCorners) : mask(15) {
        while (mask + 1 < 2 * numCorners)
            mask = mask * 2 + 1;
        slots.assign(mask + 1, -1);
        keys.reserve(numCorners);
    }

    /// The vertex already holding the key, or `newVertex` after recording it as the key's.
    int findOrAdd(const WeldKey& key, int newVertex) {
        size_t at = WeldKeyHash()(key) & mask;
        while (slots[at] >= 0) {
            const std::pair<WeldKey, int>& held = keys[static_cast<size_t>(slots[at])];
            if (held.first == key)
                return held.second;
            at = (at + 1) & mask;
        }
        slots[at] = static_cast<int>(keys.size());
        keys.push_back(std::make_pair(key, newVertex));
        return newVertex;
    }

private:
    size_t mask;
    std::vector<int> slots; ///< index into keys, -1 when empty
    std::vector<std::pair<WeldKey, int>> keys;
};

} // namespace

void weldMesh8Corners(const Mesh8Record& record, WeldResult& result) {
    size_t numCorners = 3 * static_cast<size_t>(record.header.numFaces);
    result.weldList.clear();
    result.cornerVertex.assign(numCorners, 0);
    result.weldList.reserve(numCorners);

    FirstVertexTable firstVertex(numCorners);
    for (size_t corner = 0; corner < numCorners; ++corner) {
        const Mesh8Vertex& entry = record.vertices[record.indices[corner]];
        int vertex = static_cast<int>(result.weldList.size());
        WeldKey key;
        if (makeKey(entry.position, entry.vertexNormal, key))
            vertex = firstVertex.findOrAdd(key, vertex);
        result.cornerVertex[corner] = vertex;
        if (vertex < static_cast<int>(result.weldList.size()))
            continue;
        WeldedVertex welded;
        welded.position = Point3(entry.position[0], entry.position[1], entry.position[2]);
        welded.vertexNormal =
            Point3(entry.vertexNormal[0], entry.vertexNormal[1], entry.vertexNormal[2]);
        welded.source = &entry;
        result.weldList.push_back(welded);
    }
}
