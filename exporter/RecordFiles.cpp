#include "exporter/RecordFiles.h"

#include "format/MshFile.h"
#include "format/TextField.h"

namespace {

std::wstring recordName(const MshObjectHeader& header) {
    return widenLatin1(readTextField(header.name, sizeof header.name));
}

bool validate(const LegacyRecord& record, uint64_t offset, MshError& error) {
    return validateLegacyRecord(record, offset, error);
}
bool validate(const Mesh8Record& record, uint64_t offset, MshError& error) {
    return validateMesh8Record(record, offset, error);
}
uint64_t recordSize(const LegacyRecord& record) {
    return legacyRecordSize(record);
}
uint64_t recordSize(const Mesh8Record& record) {
    return mesh8RecordSize(record);
}
bool writeRecord(MshOutput& output, const LegacyRecord& record, MshError& error) {
    return writeLegacyRecord(output, record, error);
}
bool writeRecord(MshOutput& output, const Mesh8Record& record, MshError& error) {
    return writeMesh8Record(output, record, error);
}

// Keeps the records the layout accepts, up to the file's limit, and reports the others.
template <typename Record>
void keepWritable(std::vector<Record>& records, uint64_t firstOffset, const std::wstring& label,
                  ExportReport& report) {
    std::vector<bool> keep(records.size(), false);
    size_t keptCount = 0;
    uint64_t offset = firstOffset;
    size_t overLimit = 0;
    std::wstring firstOverLimit;
    for (size_t i = 0; i < records.size(); ++i) {
        MshError error;
        if (!validate(records[i], offset, error)) {
            report.add(label + L": node " + quoted(recordName(records[i].header)) + L" left out: " +
                       fromUtf8(error.describe()));
            continue;
        }
        if (keptCount == MSH_MAX_OBJECTS) {
            if (overLimit++ == 0)
                firstOverLimit = recordName(records[i].header);
            continue;
        }
        offset += recordSize(records[i]);
        keep[i] = true;
        ++keptCount;
    }
    if (overLimit > 0)
        report.add(label + L": " + countText(overLimit) + L" objects after the first " +
                   countText(MSH_MAX_OBJECTS) + L" left out, a file holds no more (the first is " +
                   quoted(firstOverLimit) + L")");
    // Records run to hundreds of megabytes: copied only when some are left out.
    if (keptCount == records.size())
        return;
    std::vector<Record> kept;
    kept.reserve(keptCount);
    for (size_t i = 0; i < records.size(); ++i)
        if (keep[i])
            kept.push_back(records[i]);
    records.swap(kept);
}

template <typename Record>
bool writeRecords(MshOutput& output, MshLayoutKind layout, std::vector<Record>& records,
                  const std::wstring& label, ExportReport& report, MshError& error) {
    uint64_t firstOffset = layout == MshLayoutMesh8 ? MSH_MESH8_MAGIC_SIZE + 2 : 2;
    keepWritable(records, firstOffset, label, report);
    writeContainerStart(output, layout, static_cast<unsigned>(records.size()));
    for (size_t i = 0; i < records.size(); ++i)
        if (!writeRecord(output, records[i], error))
            return false;
    return !output.failed();
}

} // namespace

bool writeLegacyFile(MshOutput& output, std::vector<MshObject>& records,
                     const std::wstring& fileLabel, ExportReport& report, MshError& error) {
    return writeRecords(output, MshLayoutLegacy, records, fileLabel, report, error);
}

bool writeMesh8File(MshOutput& output, std::vector<Mesh8ExportObject>& records,
                    const std::wstring& fileLabel, ExportReport& report, MshError& error) {
    return writeRecords(output, MshLayoutMesh8, records, fileLabel, report, error);
}
