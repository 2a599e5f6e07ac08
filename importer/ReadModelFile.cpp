#include "importer/ReadModelFile.h"

#include "format/TextField.h"

MshError ImportRecordPlace::errorHere(const std::string& recordName) const {
    MshError error;
    error.file = file;
    error.record = record;
    error.recordName = recordName;
    return error;
}

namespace {

void tellRecordStart(const MshFileReader& reader, const std::wstring& fileName,
                     ImportRecordSink& sink) {
    ImportRecordPlace place;
    place.file = toUtf8(fileName);
    place.record = static_cast<int>(reader.nextRecord());
    place.offset = reader.fileSize() - reader.bytesRemaining();
    sink.recordStarts(place);
}

// Record objects are reused from one record to the next so their arrays keep their storage.
bool readRecords(MshFileReader& reader, const std::wstring& fileName, ImportRecordSink& sink,
                 MshError& error) {
    ImportPathInfo path = analyseImportPath(fileName);
    if (reader.layout() == MshLayoutMesh8) {
        Mesh8Record record;
        while (reader.hasNext()) {
            tellRecordStart(reader, fileName, sink);
            if (!reader.readNextMesh8(record, error))
                return false;
            sink.buildMesh8(record, path);
        }
    } else {
        LegacyRecord record;
        while (reader.hasNext()) {
            tellRecordStart(reader, fileName, sink);
            if (!reader.readNextLegacy(record, error))
                return false;
            sink.buildLegacy(record, path);
        }
    }
    return true;
}

} // namespace

bool readModelFile(const std::wstring& fileName, ImportRecordSink& sink, MshError& error) {
    MshFileReader reader;
    if (!reader.open(fileName, error))
        return false;
    return readRecords(reader, fileName, sink, error);
}

bool readModelBytes(const void* bytes, size_t size, const std::wstring& fileName,
                    ImportRecordSink& sink, MshError& error) {
    MshFileReader reader;
    if (!reader.openMemory(bytes, size, fileName, error))
        return false;
    return readRecords(reader, fileName, sink, error);
}
