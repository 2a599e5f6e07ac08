#include "exporter/RecordFiles.h"

#include "format/MshFile.h"
#include "format/TextField.h"

namespace {

std::wstring recordName(const MshObjectHeader& header) {
    return widenLatin1(readTextField(header.name, sizeof header.name));
}

MshLayoutKind layoutOf(const MshObject*) {
    return MshLayoutLegacy;
}
MshLayoutKind layoutOf(const Mesh8ExportObject*) {
    return MshLayoutMesh8;
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

} // namespace

template <typename Record>
RecordStream<Record>::RecordStream(MshOutput& out, const std::wstring& fileLabel,
                                   ExportReport& losses)
    : output(out), label(fileLabel), report(losses), offset(0), kept(0), overLimit(0),
      refused(false) {
    MshLayoutKind layout = layoutOf(static_cast<const Record*>(0));
    offset = layout == MshLayoutMesh8 ? MSH_MESH8_MAGIC_SIZE + 2 : 2;
    writeContainerStart(output, layout, 0); // the count is put in place by finish
}

template <typename Record> bool RecordStream<Record>::add(const Record& record) {
    if (failed())
        return false;
    MshError error;
    if (!validate(record, offset, error)) {
        report.add(label + L": node " + quoted(recordName(record.header)) + L" left out: " +
                   fromUtf8(error.describe()));
        return false;
    }
    if (kept == MSH_MAX_OBJECTS) {
        if (overLimit++ == 0)
            firstOverLimit = recordName(record.header);
        return false;
    }
    if (!writeRecord(output, record, refusal)) {
        refused = !output.failed();
        return false;
    }
    offset += recordSize(record);
    ++kept;
    return !output.failed();
}

template <typename Record> bool RecordStream<Record>::finish() {
    if (overLimit > 0)
        report.add(label + L": " + countText(overLimit) + L" objects after the first " +
                   countText(MSH_MAX_OBJECTS) + L" left out, a file holds no more (the first is " +
                   quoted(firstOverLimit) + L")");
    if (failed())
        return false;
    writeContainerCount(output, layoutOf(static_cast<const Record*>(0)), kept);
    return !output.failed();
}

template class RecordStream<MshObject>;
template class RecordStream<Mesh8ExportObject>;

bool writeLegacyFile(MshOutput& output, std::vector<MshObject>& records,
                     const std::wstring& fileLabel, ExportReport& report, MshError& error) {
    RecordStream<MshObject> stream(output, fileLabel, report);
    std::vector<bool> written(records.size(), false);
    size_t writtenCount = 0;
    for (size_t i = 0; i < records.size() && !stream.failed(); ++i)
        if (stream.add(records[i])) {
            written[i] = true;
            ++writtenCount;
        }
    bool finished = stream.finish();
    error = stream.error();
    // Records run to megabytes: the list is rebuilt only when some were left out.
    if (finished && writtenCount < records.size()) {
        std::vector<MshObject> kept;
        kept.reserve(writtenCount);
        for (size_t i = 0; i < records.size(); ++i)
            if (written[i])
                kept.push_back(records[i]);
        records.swap(kept);
    }
    return finished;
}
