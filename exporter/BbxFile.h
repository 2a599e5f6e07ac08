#ifndef MSH_EXPORTER_BBXFILE_H
#define MSH_EXPORTER_BBXFILE_H

// The BBX file: the model's name and the bounding box of its bones, 280 bytes.

#include "exporter/ExportReport.h"
#include "exporter/MshObject.h"
#include "format/BbxLayout.h"
#include "format/MshOutput.h"

#include <string>
#include <vector>

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
