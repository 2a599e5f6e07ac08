#include "exporter/RecordFields.h"

#include <cstring>

void copyPoint(float* to, const Point3& p) {
    const float xyz[3] = {p.x, p.y, p.z};
    memcpy(to, xyz, sizeof xyz);
}

void storeBounds(MshObjectHeader& header, const Box3& box) {
    // Field by field: the packed header's floats sit at unaligned offsets.
    header.boundsMax[0] = box.pmax.x;
    header.boundsMax[1] = box.pmax.y;
    header.boundsMax[2] = box.pmax.z;
    header.boundsMin[0] = box.pmin.x;
    header.boundsMin[1] = box.pmin.y;
    header.boundsMin[2] = box.pmin.z;
}

std::wstring nonFinitePositionNote(const std::wstring& label) {
    return label + L" left out: a vertex with a NaN or infinite position cannot be written";
}
