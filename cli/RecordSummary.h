#pragma once
// What `mshtool info` shows of one record, independent of its layout.

#include "format/MshFile.h"

#include <array>
#include <string>
#include <vector>

namespace mshtool {

struct RecordSummary {
    std::string name;   ///< UTF-8, decoded with the host's ANSI code page as the importer does
    std::string parent; ///< likewise
    unsigned numVerts = 0;
    unsigned numFaces = 0;
    unsigned numSkinVerts = 0;
    std::string texturePath;
    bool twoSided = false;
    std::vector<std::string> bones; ///< legacy: the record's list; Mesh8: the sorted set used
    std::array<float, 3> boundsMin{};
    std::array<float, 3> boundsMax{};
};

struct FileSummary {
    std::string file;
    MshLayoutKind layout = MshLayoutLegacy;
    unsigned objectCount = 0;
    std::vector<RecordSummary> objects;
    bool readWhole = false;
    MshError error; ///< set when the file could not be read whole
};

/// Reads every record of the file (stopping at the first bad one) and summarises each.
FileSummary summariseFile(const std::string& path);

/// UTF-8 of a record's 8-bit text, decoded with the ANSI code page (Windows-1252).
std::string decodeRecordText(const std::string& bytes);

} // namespace mshtool
