#ifndef MSH_IMPORTER_SCENEBUILDINGSINK_H
#define MSH_IMPORTER_SCENEBUILDINGSINK_H

#include "host/Interface.h"
#include "importer/ReadModelFile.h"
#include "importer/Welding.h"

/// Builds each record into the live scene as soon as it has been read.
class SceneBuildingSink : public ImportRecordSink {
public:
    explicit SceneBuildingSink(Interface* ip);

    void recordStarts(const ImportRecordPlace& place) override;
    void buildLegacy(LegacyRecord& record, const ImportPathInfo& path) override;
    void buildMesh8(Mesh8Record& record, const ImportPathInfo& path) override;

    /// False once a record was found to contradict itself (and was built without some or all
    /// of its weights, or with more vertices than it says).
    bool everyRecordConsistent() const { return consistent; }
    /// The record being read or built (record -1 before the first).
    const ImportRecordPlace& currentPlace() const { return place; }

private:
    Interface* ip;
    ImportRecordPlace place;
    bool consistent;
    WeldResult weld; ///< reused from one Mesh8 record to the next
};

#endif
