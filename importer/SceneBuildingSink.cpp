#include "importer/SceneBuildingSink.h"

#include "importer/Mesh8Object.h"
#include "importer/MshLegacyObject.h"

SceneBuildingSink::SceneBuildingSink(Interface* core) : ip(core), consistent(true) {}

void SceneBuildingSink::recordStarts(const ImportRecordPlace& where) {
    place = where;
}

void SceneBuildingSink::buildLegacy(LegacyRecord& record, const ImportPathInfo& path) {
    MshLegacyObject object(record, path.isBoneFile, path.textureDir, place);
    buildLegacyObject(object, ip);
    if (object.inconsistent)
        consistent = false;
}

void SceneBuildingSink::buildMesh8(Mesh8Record& record, const ImportPathInfo& path) {
    Mesh8Object object(record, path.textureDir, place);
    buildMesh8Object(object, weld, ip);
    if (object.inconsistent)
        consistent = false;
}
