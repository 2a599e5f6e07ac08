#ifndef MSH_IMPORTER_READMODELFILE_H
#define MSH_IMPORTER_READMODELFILE_H

#include "format/MshFile.h"
#include "importer/ImportPath.h"

/// Where a record lies, for messages about it.
struct ImportRecordPlace {
    std::string file; ///< path as UTF-8
    int record;       ///< record number from 0
    uint64_t offset;  ///< byte offset of the record's first byte in the file

    ImportRecordPlace() : record(-1), offset(0) {}
    /// An error value naming this record (kind and field still to be filled in).
    MshError errorHere(const std::string& recordName) const;
};

/// Receives each record as soon as it is read, before the next one is read, so a record can
/// link to the nodes that earlier records built.
class ImportRecordSink {
public:
    virtual ~ImportRecordSink() {}
    /// Told before each record is read where it starts.
    virtual void recordStarts(const ImportRecordPlace& place) { (void)place; }
    /// A legacy record of an MSH or BN file (`path.isBoneFile` tells which).
    virtual void buildLegacy(LegacyRecord& record, const ImportPathInfo& path) = 0;
    /// A Mesh8 record; the extension plays no part for this layout.
    virtual void buildMesh8(Mesh8Record& record, const ImportPathInfo& path) = 0;
};

/// Opens the file, tells the layout from its magic, and hands every record to the sink in
/// file order. Stops at the first record the readers reject: the records before it have been
/// built, nothing of the bad one is. Returns false with `error` filled when the file could not
/// be opened or read whole.
bool readModelFile(const std::wstring& fileName, ImportRecordSink& sink, MshError& error);

/// The same over a file's bytes already in memory (`fileName` gives the extension, folder and
/// the name in messages).
bool readModelBytes(const void* bytes, size_t size, const std::wstring& fileName,
                    ImportRecordSink& sink, MshError& error);

#endif
