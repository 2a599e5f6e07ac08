#ifndef MSH_FORMAT_BBXLAYOUT_H
#define MSH_FORMAT_BBXLAYOUT_H

// The BBX file: the model's name and the bounding box of its bones, 280 bytes. The exporter
// writes it; mshtool reads and checks it.

#include <cstddef>

/// Size of the name field at the start of a BBX file.
#define BBX_NAME_FIELD_SIZE 256

#pragma pack(push, 1)
/// The whole BBX file; the maximum corner comes first, as in the record header.
struct BbxFileLayout {
    char basePath[BBX_NAME_FIELD_SIZE];
    float boundsMax[3];
    float boundsMin[3];
};
#pragma pack(pop)

static_assert(sizeof(BbxFileLayout) == 280, "a BBX file is 280 bytes");
static_assert(offsetof(BbxFileLayout, boundsMax) == 256, "BBX boundsMax offset");
static_assert(offsetof(BbxFileLayout, boundsMin) == 268, "BBX boundsMin offset");

#endif
