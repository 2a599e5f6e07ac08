#include "importer/Mesh8Checks.h"

#include "format/TextField.h"
#include "importer/ImportMessages.h"

#include <cstddef>

// Welding more vertices than the header gives means the header is wrong, not the faces:
// the mesh still gets every welded vertex, so no face refers to a vertex it lacks.
void checkWeldedCount(Mesh8Object& object) {
    size_t welded = object.weldList.size();
    const MshObjectHeader& header = object.record.header;
    if (welded <= header.numVerts)
        return;
    MshError error = object.place.errorHere(readTextField(header.name, MSH_TEXT_FIELD_SIZE));
    failWith(error, MshErrorCount, "numVerts",
             object.place.offset + offsetof(MshObjectHeader, numVerts),
             "at least " + numberText(static_cast<int64_t>(welded)) +
                 " (the vertices its faces weld to)",
             numberText(header.numVerts));
    object.inconsistent = true;
    if (object.boneNameSet.empty())
        reportMoreVerticesThanNumVerts(error);
    else
        reportInconsistentRecord(error);
}

// Bone record i carries the bone names of mesh vertex i, so every welded vertex needs one.
bool checkSkinCoversWeldedVertices(Mesh8Object& object) {
    if (object.inconsistent)
        return false;
    size_t welded = object.weldList.size();
    const Mesh8Record& record = object.record;
    const MshObjectHeader& header = record.header;
    if (header.numSkinVerts >= welded)
        return true;
    MshError error = object.place.errorHere(readTextField(header.name, MSH_TEXT_FIELD_SIZE));
    std::string expected =
        "at least " + numberText(static_cast<int64_t>(welded)) + " (one per welded vertex)";
    if (record.boneRecords.size() < welded) {
        uint64_t countOffset = object.place.offset + sizeof(MshObjectHeader) + 2 +
                               record.vertices.size() * sizeof(Mesh8Vertex) + 2 +
                               record.indices.size() * sizeof(uint16_t);
        failWith(error, MshErrorCount, "numBoneRecords", countOffset, expected,
                 numberText(static_cast<int64_t>(record.boneRecords.size())));
    } else {
        failWith(error, MshErrorCount, "numSkinVerts",
                 object.place.offset + offsetof(MshObjectHeader, numSkinVerts), expected,
                 numberText(header.numSkinVerts));
    }
    object.inconsistent = true;
    reportInconsistentRecord(error);
    return false;
}
