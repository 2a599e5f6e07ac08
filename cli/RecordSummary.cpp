#include "cli/RecordSummary.h"

#include "format/TextField.h"
#include "host/WinApi.h"

#include <set>

namespace mshtool {

std::string decodeRecordText(const std::string& bytes) {
    if (bytes.empty())
        return std::string();
    std::wstring wide(bytes.size() + 1, L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                     &wide[0], static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return toUtf8(wide);
}

namespace {

std::string fieldText(const char* field) {
    return decodeRecordText(readTextField(field, MSH_TEXT_FIELD_SIZE));
}

RecordSummary summariseHeader(const MshObjectHeader& h) {
    RecordSummary s;
    s.name = fieldText(h.name);
    s.parent = fieldText(h.parentName);
    s.numVerts = h.numVerts;
    s.numFaces = h.numFaces;
    s.numSkinVerts = h.numSkinVerts;
    s.texturePath = fieldText(h.texturePath);
    s.twoSided = h.twoSided != 0;
    for (int axis = 0; axis < 3; ++axis) {
        s.boundsMin[axis] = h.boundsMin[axis];
        s.boundsMax[axis] = h.boundsMax[axis];
    }
    return s;
}

RecordSummary summariseLegacy(const LegacyRecord& r) {
    RecordSummary s = summariseHeader(r.header);
    for (int b = 0; b < r.numBones; ++b)
        s.bones.push_back(fieldText(r.boneNames[b]));
    return s;
}

RecordSummary summariseMesh8(const Mesh8Record& r) {
    RecordSummary s = summariseHeader(r.header);
    // Sorted by the bytes of the names, as the importer binds them.
    std::set<std::string> used;
    for (size_t i = 0; i < r.header.numSkinVerts && i < r.boneRecords.size(); ++i)
        for (int32_t k = 0; k < r.boneRecords[i].numBones; ++k)
            used.insert(readTextField(r.boneRecords[i].boneNames[k], MSH_TEXT_FIELD_SIZE));
    for (const std::string& name : used)
        s.bones.push_back(decodeRecordText(name));
    return s;
}

} // namespace

FileSummary summariseFile(const std::string& path) {
    FileSummary summary;
    summary.file = path;
    MshFileReader reader;
    if (!reader.open(fromUtf8(path), summary.error))
        return summary;
    summary.layout = reader.layout();
    summary.objectCount = reader.objectCount();
    LegacyRecord legacy;
    Mesh8Record mesh8;
    while (reader.hasNext()) {
        if (summary.layout == MshLayoutMesh8) {
            if (!reader.readNextMesh8(mesh8, summary.error))
                return summary;
            summary.objects.push_back(summariseMesh8(mesh8));
        } else {
            if (!reader.readNextLegacy(legacy, summary.error))
                return summary;
            summary.objects.push_back(summariseLegacy(legacy));
        }
    }
    summary.readWhole = true;
    return summary;
}

} // namespace mshtool
