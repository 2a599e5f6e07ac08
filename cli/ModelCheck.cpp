#include "cli/ModelCheck.h"

#include "cli/RecordSummary.h"
#include "format/MshFile.h"
#include "format/TextField.h"

#include <cstring>
#include <filesystem>
#include <sstream>

namespace mshtool {
namespace {

namespace fs = std::filesystem;

std::string fieldText(const char* field) {
    return readTextField(field, MSH_TEXT_FIELD_SIZE);
}

CheckProblem fromError(const MshError& error) {
    CheckProblem problem;
    problem.record = error.record;
    problem.recordName = error.recordName;
    problem.field = error.field;
    problem.offset = error.offset;
    std::string text = error.describe();
    // describe() starts with the file name and record, which the problem holds apart.
    size_t cut = text.find(": ");
    if (error.record >= 0 && cut != std::string::npos)
        cut = text.find(": ", cut + 2);
    problem.message = cut == std::string::npos ? text : text.substr(cut + 2);
    return problem;
}

struct RecordChecker {
    CheckResult& result;
    const std::set<std::string>* boneNames;
    fs::path folder;
    std::set<std::string> earlierNames;

    void add(int record, const std::string& name, const std::string& field, uint64_t offset,
             const std::string& message) {
        CheckProblem problem;
        problem.record = record;
        problem.recordName = decodeRecordText(name);
        problem.field = field;
        problem.offset = offset;
        problem.message = message;
        result.problems.push_back(problem);
    }

    void header(int record, const MshObjectHeader& h, uint64_t at) {
        std::string name = fieldText(h.name);
        std::string texture = fieldText(h.texturePath);
        size_t cut = texture.find_last_of('\\');
        std::string file = cut == std::string::npos ? texture : texture.substr(cut + 1);
        std::error_code code;
        if (!file.empty() && !fs::exists(folder / fs::u8path(decodeRecordText(file)), code))
            add(record, name, "texturePath", at + offsetof(MshObjectHeader, texturePath),
                "texture file " + decodeRecordText(file) + " is not beside the model");
        std::string parent = fieldText(h.parentName);
        if (boneNames && !parent.empty() && parent != "NULL" && !boneNames->count(parent) &&
            !earlierNames.count(parent))
            add(record, name, "parentName", at + offsetof(MshObjectHeader, parentName),
                "parent \"" + decodeRecordText(parent) +
                    "\" is neither an earlier record nor in the bone file");
        earlierNames.insert(name);
    }

    void bone(int record, const std::string& name, const std::string& boneName,
              const std::string& field, uint64_t offset) {
        if (boneNames && !boneNames->count(boneName))
            add(record, name, field, offset,
                "bone \"" + decodeRecordText(boneName) + "\" is not in the bone file");
    }

    void legacy(int record, const LegacyRecord& r, uint64_t at) {
        header(record, r.header, at);
        std::string name = fieldText(r.header.name);
        uint64_t bonesAt =
            at + sizeof(MshObjectHeader) + 28ull * r.vertices.size() + 88ull * r.faces.size() + 4;
        for (int b = 0; b < r.numBones; ++b)
            bone(record, name, fieldText(r.boneNames[b]), "boneNames[" + std::to_string(b) + "]",
                 bonesAt + 100ull * unsigned(b));
        // The reader keeps these for the importer, which skips their weights.
        for (size_t k = 0; k < r.skinVertices.size(); ++k) {
            MshError outside;
            if (!skinVertexInRecord(r, k) && !failSkinVertexOutside(r, k, at, outside))
                add(record, name, outside.field, outside.offset,
                    "expected " + outside.expected + ", found " + outside.found);
        }
    }

    void mesh8(int record, const Mesh8Record& r, uint64_t at) {
        header(record, r.header, at);
        std::string name = fieldText(r.header.name);
        const MshObjectHeader& h = r.header;
        uint64_t cornersAt = at + sizeof(MshObjectHeader);
        uint64_t indicesAt = cornersAt + 2 + 64ull * r.vertices.size();
        uint64_t bonesAt = indicesAt + 2 + 2ull * r.indices.size();
        size_t corners = 3u * h.numFaces;
        if (r.vertices.size() != corners)
            add(record, name, "numCornerVerts", cornersAt,
                "expected 3 x numFaces = " + std::to_string(corners) + ", found " +
                    std::to_string(r.vertices.size()));
        if (r.indices.size() != corners)
            add(record, name, "numIndices", indicesAt,
                "expected 3 x numFaces = " + std::to_string(corners) + ", found " +
                    std::to_string(r.indices.size()));
        if (h.numSkinVerts != 0 && h.numSkinVerts != h.numVerts)
            add(record, name, "numSkinVerts", at + offsetof(MshObjectHeader, numSkinVerts),
                "expected 0 or numVerts = " + std::to_string(h.numVerts) + ", found " +
                    std::to_string(h.numSkinVerts));
        if (r.boneRecords.size() != h.numSkinVerts)
            add(record, name, "numBoneRecords", bonesAt,
                "expected numSkinVerts = " + std::to_string(h.numSkinVerts) + ", found " +
                    std::to_string(r.boneRecords.size()));
        // Corners weld on (position, vertex normal); more pairs than numVerts cannot be built.
        std::set<std::vector<uint32_t>> pairs;
        for (const Mesh8Vertex& v : r.vertices) {
            std::vector<uint32_t> key(6);
            std::memcpy(key.data(), v.position, 12);
            std::memcpy(key.data() + 3, v.vertexNormal, 12);
            pairs.insert(key);
        }
        if (pairs.size() > h.numVerts)
            add(record, name, "numVerts", at + offsetof(MshObjectHeader, numVerts),
                "the corners weld into " + std::to_string(pairs.size()) +
                    " vertices, more than numVerts = " + std::to_string(h.numVerts));
        std::set<std::string> distinct;
        for (size_t i = 0; i < r.boneRecords.size() && i < h.numSkinVerts; ++i)
            for (int k = 0; k < r.boneRecords[i].numBones && k < MSH_MAX_BONES; ++k)
                distinct.insert(fieldText(r.boneRecords[i].boneNames[k]));
        for (size_t i = 0; i < r.boneRecords.size(); ++i)
            if (r.boneRecords[i].numBones > int(distinct.size())) {
                add(record, name, "boneRecords[" + std::to_string(i) + "].numBones",
                    bonesAt + 2 + 404ull * i,
                    std::to_string(r.boneRecords[i].numBones) +
                        " weight slots but the record names only " +
                        std::to_string(distinct.size()) + " distinct bones");
                break;
            }
        for (const std::string& b : distinct)
            bone(record, name, b, "boneNames", bonesAt);
    }
};

} // namespace

std::string CheckProblem::describe() const {
    std::ostringstream text;
    if (record >= 0) {
        text << "record " << record;
        if (!recordName.empty())
            text << " \"" << recordName << "\"";
        text << ": ";
    }
    if (!field.empty())
        text << field << " at byte " << offset << ": ";
    text << message;
    return text.str();
}

bool readBoneFile(const std::string& path, BoneFile& bones, CheckProblem& problem) {
    bones.path = path;
    MshFileReader reader;
    MshError error;
    if (!reader.open(fromUtf8(path), error)) {
        problem = fromError(error);
        return false;
    }
    while (reader.hasNext()) {
        LegacyRecord record;
        Mesh8Record mesh8;
        bool ok = reader.layout() == MshLayoutMesh8 ? reader.readNextMesh8(mesh8, error)
                                                    : reader.readNextLegacy(record, error);
        if (!ok) {
            problem = fromError(error);
            return false;
        }
        const MshObjectHeader& header =
            reader.layout() == MshLayoutMesh8 ? mesh8.header : record.header;
        bones.names.insert(fieldText(header.name));
        BoneFile::Box box;
        std::memcpy(box.boundsMax, header.boundsMax, sizeof box.boundsMax);
        std::memcpy(box.boundsMin, header.boundsMin, sizeof box.boundsMin);
        bones.boxes.push_back(box);
    }
    return true;
}

CheckProblem fileProblem(const std::string& field, uint64_t offset, const std::string& message) {
    CheckProblem problem;
    problem.field = field;
    problem.offset = offset;
    problem.message = message;
    return problem;
}

CheckResult checkModelFile(const std::string& path, const BoneFile* bones) {
    CheckResult result;
    result.file = path;
    const std::set<std::string>* boneNames = bones ? &bones->names : nullptr;
    MshFileReader reader;
    MshError error;
    if (!reader.open(fromUtf8(path), error)) {
        result.problems.push_back(fromError(error));
        return result;
    }
    result.layout = reader.layout() == MshLayoutMesh8 ? "mesh8" : "legacy";
    result.objectCount = reader.objectCount();
    RecordChecker checker{result, boneNames, fs::u8path(path).parent_path(), {}};
    if (checker.folder.empty())
        checker.folder = ".";
    while (reader.hasNext()) {
        int record = int(reader.nextRecord());
        uint64_t at = reader.fileSize() - reader.bytesRemaining();
        bool ok;
        if (reader.layout() == MshLayoutMesh8) {
            Mesh8Record r;
            ok = reader.readNextMesh8(r, error);
            if (ok)
                checker.mesh8(record, r, at);
        } else {
            LegacyRecord r;
            ok = reader.readNextLegacy(r, error);
            if (ok)
                checker.legacy(record, r, at);
        }
        if (!ok) {
            // The layout has no markers to resynchronise on: the rest cannot be read.
            result.problems.push_back(fromError(error));
            return result;
        }
    }
    if (reader.bytesRemaining() > 0)
        result.problems.push_back(
            fileProblem("end of file", reader.fileSize() - reader.bytesRemaining(),
                        std::to_string(reader.bytesRemaining()) + " bytes follow the last of the " +
                            std::to_string(result.objectCount) + " records"));
    return result;
}

} // namespace mshtool
