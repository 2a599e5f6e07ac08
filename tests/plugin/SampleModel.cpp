#include "tests/plugin/SampleModel.h"

#include "format/MshFile.h"
#include "format/MshOutput.h"
#include "format/TextField.h"

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

void setTranslation(float (&matrix)[4][4], float x, float y, float z) {
    std::memset(matrix, 0, sizeof matrix);
    for (int i = 0; i < 4; ++i)
        matrix[i][i] = 1.0f;
    matrix[3][0] = x;
    matrix[3][1] = y;
    matrix[3][2] = z;
}

// A record whose transforms are a pure translation under a parent at the origin, so world and
// local transforms agree and survive a round trip bit for bit.
LegacyRecord placedRecord(const wchar_t* name, const wchar_t* parent, float x, float y, float z) {
    LegacyRecord record;
    storeTextField(record.header.name, MSH_TEXT_FIELD_SIZE, name);
    storeTextField(record.header.parentName, MSH_TEXT_FIELD_SIZE, parent);
    setTranslation(record.header.worldTM, x, y, z);
    setTranslation(record.header.localTM, x, y, z);
    setTranslation(record.header.scaleTM, 0, 0, 0);
    return record;
}

MshVertex vertexAt(float x, float y, float z) {
    MshVertex vertex;
    vertex.position[0] = x;
    vertex.position[1] = y;
    vertex.position[2] = z;
    vertex.w = 1.0f;
    vertex.normal[0] = 0.0f;
    vertex.normal[1] = 0.0f;
    vertex.normal[2] = 1.0f;
    return vertex;
}

MshSkinVertex skinEntry(int vertex, float rootWeight) {
    MshSkinVertex entry;
    std::memset(&entry, 0, sizeof entry);
    entry.vertex = vertex;
    entry.count = 2;
    entry.bone[0] = 0;
    entry.weight[0] = rootWeight;
    entry.bone[1] = 1;
    entry.weight[1] = 1.0f - rootWeight;
    return entry;
}

bool writeFile(const std::wstring& path, const std::vector<LegacyRecord>& records,
               std::string& error) {
    AtomicFileOutput output(path);
    if (!output.open()) {
        error = output.failureReason();
        return false;
    }
    writeContainerStart(output, MshLayoutLegacy, static_cast<unsigned>(records.size()));
    for (size_t i = 0; i < records.size(); ++i) {
        MshError recordError;
        if (!writeLegacyRecord(output, records[i], recordError)) {
            error = recordError.describe();
            return false;
        }
    }
    if (!output.commit()) {
        error = output.failureReason();
        return false;
    }
    return true;
}

} // namespace

std::vector<LegacyRecord> sampleSkeletonRecords() {
    std::vector<LegacyRecord> records;
    records.push_back(placedRecord(L"Root", L"NULL", 0, 0, 0));
    records.push_back(placedRecord(L"Arm", L"Root", 0, 0, 10));
    return records;
}

LegacyRecord sampleMeshRecord() {
    LegacyRecord record = placedRecord(L"Body", L"Root", 1, 2, 3);
    storeTextField(record.header.texturePath, MSH_TEXT_FIELD_SIZE, L"skin.tga");
    record.vertices.push_back(vertexAt(0, 0, 0));
    record.vertices.push_back(vertexAt(4, 0, 0));
    record.vertices.push_back(vertexAt(0, 5, 0));
    MshFace face;
    std::memset(&face, 0, sizeof face);
    for (int corner = 0; corner < 3; ++corner) {
        face.vertex[corner] = static_cast<uint32_t>(corner);
        face.cornerNormal[corner][2] = 1.0f;
        face.uvw[corner][0] = 0.25f * static_cast<float>(corner + 1);
        face.uvw[corner][1] = 0.5f;
    }
    record.faces.push_back(face);
    record.numBones = 2;
    storeTextField(record.boneNames[0], MSH_TEXT_FIELD_SIZE, L"Root");
    storeTextField(record.boneNames[1], MSH_TEXT_FIELD_SIZE, L"Arm");
    record.skinVertices.push_back(skinEntry(0, 1.0f));
    record.skinVertices.push_back(skinEntry(1, 0.75f));
    record.skinVertices.push_back(skinEntry(2, 0.25f));
    // The first vertex hangs on Root alone.
    record.skinVertices[0].count = 1;
    record.skinVertices[0].bone[1] = 0;
    record.skinVertices[0].weight[1] = 0.0f;
    record.header.numVerts = static_cast<uint16_t>(record.vertices.size());
    record.header.numFaces = static_cast<uint16_t>(record.faces.size());
    record.header.numSkinVerts = static_cast<uint16_t>(record.skinVertices.size());
    return record;
}

// The texture the mesh names, a one-pixel TGA, so an import has nothing to report.
bool writeSampleTexture(const std::wstring& path, std::string& error) {
    const char tga[21] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 0, 0, 0};
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(tga, sizeof tga);
    if (out)
        return true;
    error = "cannot write the sample texture";
    return false;
}

bool writeSampleModel(const std::wstring& folder, SampleModelFiles& files, std::string& error) {
    files.skeletonPath = folder + L"skeleton.bn";
    files.meshPath = folder + L"body.msh";
    std::vector<LegacyRecord> mesh(1, sampleMeshRecord());
    return writeFile(files.skeletonPath, sampleSkeletonRecords(), error) &&
           writeFile(files.meshPath, mesh, error) &&
           writeSampleTexture(folder + L"skin.tga", error);
}

bool readLegacyFile(const std::wstring& path, std::vector<LegacyRecord>& records,
                    std::string& error) {
    MshFileReader reader;
    MshError readError;
    if (!reader.open(path, readError)) {
        error = readError.describe();
        return false;
    }
    if (reader.layout() != MshLayoutLegacy) {
        error = "not a legacy file";
        return false;
    }
    records.clear();
    while (reader.hasNext()) {
        LegacyRecord record;
        if (!reader.readNextLegacy(record, readError)) {
            error = readError.describe();
            return false;
        }
        records.push_back(record);
    }
    if (reader.bytesRemaining() != 0) {
        error = "trailing bytes after the last record";
        return false;
    }
    return true;
}

std::string fieldText(const char* field) {
    return readTextField(field, MSH_TEXT_FIELD_SIZE);
}
