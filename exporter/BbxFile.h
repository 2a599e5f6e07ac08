#ifndef MSH_EXPORTER_BBXFILE_H
#define MSH_EXPORTER_BBXFILE_H

// The BBX file: the model's name and the bounding box of its bones, 280 bytes.

#include "exporter/ExportReport.h"
#include "exporter/MshObject.h"
#include "format/MshOutput.h"

#include <string>
#include <vector>

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

/// The union of the records' world boxes, each axis on its own. It starts empty (minimum at
/// the largest float, maximum at the most negative one), so no records give a box whose
/// minimum lies above its maximum.
void unionOfBounds(const std::vector<MshObject>& records, float boundsMax[3], float boundsMin[3]);

/// Fills the file's bytes for `bbxPath` from the bone records; a model name that had to be
/// cut is added to `report`.
BbxFileLayout makeBbxFile(const std::wstring& bbxPath, const std::vector<MshObject>& records,
                          ExportReport& report);

/// Writes the 280 bytes; false when the output failed.
bool writeBbxFile(MshOutput& output, const BbxFileLayout& file);

#endif
