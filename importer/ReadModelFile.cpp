#include "importer/ReadModelFile.h"

namespace {

// Record objects are reused from one record to the next so their arrays keep their storage.
bool readRecords(MshFileReader& reader, const ImportPathInfo& path, ImportRecordSink& sink,
                 MshError& error) {
    if (reader.layout() == MshLayoutMesh8) {
        Mesh8Record record;
        while (reader.hasNext()) {
            if (!reader.readNextMesh8(record, error))
                return false;
            sink.buildMesh8(record, path);
        }
    } else {
        LegacyRecord record;
        while (reader.hasNext()) {
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
    return readRecords(reader, analyseImportPath(fileName), sink, error);
}

bool readModelBytes(const void* bytes, size_t size, const std::wstring& fileName,
                    ImportRecordSink& sink, MshError& error) {
    MshFileReader reader;
    if (!reader.openMemory(bytes, size, fileName, error))
        return false;
    return readRecords(reader, analyseImportPath(fileName), sink, error);
}
