#include "bench/LinearWeld.h"

namespace bench {

void linearWeldMesh8Corners(const Mesh8Record& record, WeldResult& result) {
    size_t numCorners = 3 * size_t(record.header.numFaces);
    result.weldList.clear();
    result.cornerVertex.assign(numCorners, 0);
    for (size_t corner = 0; corner < numCorners; ++corner) {
        const Mesh8Vertex& entry = record.vertices[record.indices[corner]];
        Point3 position(entry.position[0], entry.position[1], entry.position[2]);
        Point3 normal(entry.vertexNormal[0], entry.vertexNormal[1], entry.vertexNormal[2]);
        size_t found = 0;
        while (found < result.weldList.size() && !(result.weldList[found].position == position &&
                                                   result.weldList[found].vertexNormal == normal))
            ++found;
        if (found == result.weldList.size()) {
            WeldedVertex welded;
            welded.position = position;
            welded.vertexNormal = normal;
            welded.source = &entry;
            result.weldList.push_back(welded);
        }
        result.cornerVertex[corner] = int(found);
    }
}

bool sameWeld(const WeldResult& a, const WeldResult& b, std::string& why) {
    if (a.weldList.size() != b.weldList.size()) {
        why = "vertex counts differ: " + std::to_string(a.weldList.size()) + " and " +
              std::to_string(b.weldList.size());
        return false;
    }
    if (a.cornerVertex != b.cornerVertex) {
        why = "corner numbering differs";
        return false;
    }
    for (size_t i = 0; i < a.weldList.size(); ++i) {
        if (a.weldList[i].source != b.weldList[i].source) {
            why = "vertex " + std::to_string(i) + " comes from a different corner";
            return false;
        }
    }
    return true;
}

} // namespace bench
