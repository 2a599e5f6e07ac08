#include "exporter/BbxFile.h"

#include "exporter/ExportPaths.h"

#include <cfloat>
#include <cstring>

void unionOfBounds(const std::vector<MshObject>& records, float boundsMax[3], float boundsMin[3]) {
    for (int axis = 0; axis < 3; ++axis) {
        boundsMin[axis] = FLT_MAX;
        boundsMax[axis] = -FLT_MAX;
    }
    for (size_t i = 0; i < records.size(); ++i) {
        const MshObjectHeader& header = records[i].header;
        for (int axis = 0; axis < 3; ++axis) {
            if (header.boundsMin[axis] < boundsMin[axis])
                boundsMin[axis] = header.boundsMin[axis];
            if (header.boundsMax[axis] > boundsMax[axis])
                boundsMax[axis] = header.boundsMax[axis];
        }
    }
}

BbxFileLayout makeBbxFile(const std::wstring& bbxPath, const std::vector<MshObject>& records,
                          ExportReport& report) {
    BbxFileLayout file;
    memset(&file, 0, sizeof file);
    storeReportedText(file.basePath, sizeof file.basePath, bbxBaseName(bbxPath),
                      fileNameOf(bbxPath) + L": model name", report);
    // Through aligned locals: the packed layout's floats may sit at unaligned addresses.
    float boundsMax[3];
    float boundsMin[3];
    unionOfBounds(records, boundsMax, boundsMin);
    memcpy(file.boundsMax, boundsMax, sizeof boundsMax);
    memcpy(file.boundsMin, boundsMin, sizeof boundsMin);
    return file;
}

bool writeBbxFile(MshOutput& output, const BbxFileLayout& file) {
    return output.write(&file, sizeof file);
}
