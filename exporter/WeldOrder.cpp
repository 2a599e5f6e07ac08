#include "exporter/WeldOrder.h"

#include <cstring>
#include <map>

namespace {

// Six floats compared by value (NaN is the one value unequal to itself): equal keys are exactly the
// pairs the importer's Point3::operator== welds (after -0.0 became 0.0; NaN never gets a key).
struct WeldKey {
    unsigned int bits[6];

    bool operator<(const WeldKey& other) const { return memcmp(bits, other.bits, sizeof bits) < 0; }
};

bool makeKey(const Mesh8Vertex& corner, WeldKey& key) {
    float values[6] = {corner.position[0],     corner.position[1],     corner.position[2],
                       corner.vertexNormal[0], corner.vertexNormal[1], corner.vertexNormal[2]};
    for (int i = 0; i < 6; ++i) {
        if (values[i] != values[i])
            return false;
        float value = values[i] == 0.0f ? 0.0f : values[i];
        memcpy(&key.bits[i], &value, sizeof value);
    }
    return true;
}

} // namespace

bool boneRecordOrder(const std::vector<Mesh8Vertex>& corners, const std::vector<int>& cornerSource,
                     int numVerts, std::vector<int>& order) {
    order.clear();
    std::vector<bool> named(numVerts > 0 ? numVerts : 0, false);
    std::map<WeldKey, int> welded;
    for (size_t i = 0; i < corners.size() && i < cornerSource.size(); ++i) {
        WeldKey key;
        bool comparable = makeKey(corners[i], key);
        if (comparable && welded.count(key))
            continue;
        int source = cornerSource[i];
        if (source < 0 || source >= numVerts || named[source]) {
            order.clear();
            return false;
        }
        named[source] = true;
        order.push_back(source);
        if (comparable)
            welded[key] = source;
    }
    for (int v = 0; v < numVerts; ++v)
        if (!named[v])
            order.push_back(v);
    return true;
}
