#ifndef MSH_EXPORTER_RECORDFILES_H
#define MSH_EXPORTER_RECORDFILES_H

// Writing gathered records as one model file, keeping every count equal to what follows it.

#include "exporter/ExportReport.h"
#include "exporter/Mesh8ExportObject.h"
#include "exporter/MshObject.h"
#include "format/MshOutput.h"

#include <vector>

/// Most object records one file holds (its count is 16-bit).
#define MSH_MAX_OBJECTS 65535

/// Writes the legacy container and the records. Records the layout refuses and records after
/// the first 65,535 are left out, reported and removed from `records`, so afterwards it holds
/// exactly what the file holds. False when the output failed, or when the writer refused a
/// record after all (then `error` says why; the file must not be kept).
bool writeLegacyFile(MshOutput& output, std::vector<MshObject>& records,
                     const std::wstring& fileLabel, ExportReport& report, MshError& error);

/// The same for the Mesh8 layout: "MESH08", the count, the records.
bool writeMesh8File(MshOutput& output, std::vector<Mesh8ExportObject>& records,
                    const std::wstring& fileLabel, ExportReport& report, MshError& error);

#endif
