#ifndef MSH_EXPORTER_RECORDFILES_H
#define MSH_EXPORTER_RECORDFILES_H

// Writing records as one model file, keeping every count equal to what follows it.

#include "exporter/ExportReport.h"
#include "exporter/Mesh8ExportObject.h"
#include "exporter/MshObject.h"
#include "format/MshError.h"
#include "format/MshOutput.h"

#include <vector>

/// Most object records one file holds (its count is 16-bit).
#define MSH_MAX_OBJECTS 65535

/// Writes records to a model file as they are built, so a scene's records need not all be
/// held at once: each is checked against the layout where it would stand and written, or
/// left out with a line in the report; records after the first 65,535 are left out too.
/// The file's count is put in place by `finish`. Record is MshObject (legacy layout) or
/// Mesh8ExportObject.
template <typename Record> class RecordStream {
public:
    /// Starts the file: `fileLabel` names it in the report.
    RecordStream(MshOutput& output, const std::wstring& fileLabel, ExportReport& report);
    /// True when `record` was written; false when it was left out, or when the writer refused
    /// it after all or the output failed (then `failed`, and nothing more is written).
    bool add(const Record& record);
    /// Reports the records past the file's limit and puts the count in place; false when the
    /// file failed (then `error` says why when the writer refused a record).
    bool finish();
    bool failed() const { return refused || output.failed(); }
    const MshError& error() const { return refusal; }

private:
    RecordStream(const RecordStream&);
    RecordStream& operator=(const RecordStream&);

    MshOutput& output;
    std::wstring label;
    ExportReport& report;
    uint64_t offset;
    unsigned kept;
    size_t overLimit;
    std::wstring firstOverLimit;
    bool refused;
    MshError refusal;
};

/// Writes gathered legacy records as one file through a RecordStream, and removes from
/// `records` those left out, so afterwards it holds exactly what the file holds. False when
/// the output failed, or when the writer refused a record after all (then `error` says why;
/// the file must not be kept).
bool writeLegacyFile(MshOutput& output, std::vector<MshObject>& records,
                     const std::wstring& fileLabel, ExportReport& report, MshError& error);

#endif
