#include "scene/VertexWeld.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace mshgltf {
namespace {

uint32_t bitsOf(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return bits;
}

} // namespace

// The bridge's own files record the host vertex (_MSH_VERTEX) and give back the original
// numbering; otherwise corners that share position and skin weights become one vertex, so
// seams of UVs and normals do not split the host mesh.
std::vector<int> weldVertices(const MeshData& mesh, int& vertexCount) {
    size_t count = mesh.positions.size();
    std::vector<int> target(count, -1);
    bool recorded = mesh.sourceVertex.size() == count;
    if (recorded) {
        std::vector<int64_t> first(count, -1); // the first vertex with each recorded number
        for (size_t i = 0; i < count && recorded; ++i) {
            // A number at or past the data's vertex count would make the host mesh far larger
            // than the file (one 7 KB file asked for 786,433 vertices); weld instead.
            int v = mesh.sourceVertex[i];
            if (v < 0 || v > 0xFFFFF || size_t(v) >= count) {
                recorded = false;
                break;
            }
            if (first[size_t(v)] < 0) {
                first[size_t(v)] = int64_t(i);
                continue;
            }
            size_t j = size_t(first[size_t(v)]);
            bool same = mesh.positions[i] == mesh.positions[j];
            if (!mesh.influences.empty()) {
                const auto& a = mesh.influences[i];
                const auto& b = mesh.influences[j];
                same = same && a.size() == b.size();
                for (size_t k = 0; same && k < a.size(); ++k)
                    same = a[k].joint == b[k].joint && a[k].weight == b[k].weight;
            }
            recorded = same;
        }
        int largest = -1;
        for (size_t i = 0; i < count && recorded; ++i)
            largest = std::max(largest, mesh.sourceVertex[i]);
        // Splitting only adds vertices; numbers far beyond the data (room for a few unused
        // vertices aside) are not taken on trust, so a small file cannot build a huge mesh.
        if (recorded && size_t(largest) < 2 * count + 64) {
            vertexCount = largest + 1;
            for (size_t i = 0; i < count; ++i)
                target[i] = mesh.sourceVertex[i];
            return target;
        }
    }
    std::map<std::vector<uint32_t>, int> welded;
    vertexCount = 0;
    for (size_t i = 0; i < count; ++i) {
        const Point3& p = mesh.positions[i];
        std::vector<uint32_t> key = {bitsOf(p.x), bitsOf(p.y), bitsOf(p.z)};
        if (!mesh.influences.empty())
            for (const Influence& influence : mesh.influences[i]) {
                key.push_back(uint32_t(influence.joint));
                key.push_back(bitsOf(influence.weight));
            }
        auto found = welded.emplace(key, vertexCount);
        if (found.second)
            ++vertexCount;
        target[i] = found.first->second;
    }
    return target;
}

} // namespace mshgltf
