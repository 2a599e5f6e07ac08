#include "exporter/ExportTransforms.h"

#include <cstring>

void storeTransforms(MshObjectHeader& header, const GMatrix& world, const GMatrix* parentWorld) {
    GMatrix local = world;
    if (parentWorld) {
        GMatrix parent = *parentWorld;
        local = world * parent.Inverse();
    }
    Point3 scale = local.Scaling();
    // GMatrix keeps its storage private; GetAddr is IGame's way to its sixteen floats.
    memcpy(header.worldTM, world.GetAddr(), sizeof header.worldTM);
    memcpy(header.localTM, local.GetAddr(), sizeof header.localTM);
    memset(header.scaleTM, 0, sizeof header.scaleTM);
    header.scaleTM[0][0] = scale.x;
    header.scaleTM[1][1] = scale.y;
    header.scaleTM[2][2] = scale.z;
    header.scaleTM[3][3] = 1.0f;
}
