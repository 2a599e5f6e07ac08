#pragma once
// Small test-side builders for records of both layouts.

#include "format/LegacyRecord.h"
#include "format/Mesh8Record.h"
#include "format/MshFile.h"
#include "format/TextField.h"

#include <cstring>
#include <string>
#include <vector>

namespace testrecords {

inline void setName(MshObjectHeader& header, const std::wstring& name,
                    const std::wstring& parent = L"NULL") {
    storeTextField(header.name, sizeof header.name, name);
    storeTextField(header.parentName, sizeof header.parentName, parent);
}

/// A legacy triangle: 3 vertices, 1 face, skin block with the given bones and one entry per
/// vertex weighted to bone 0 (when there are bones).
inline LegacyRecord legacyTriangle(const std::wstring& name, int numBones = 0) {
    LegacyRecord r;
    setName(r.header, name);
    for (int i = 0; i < 3; ++i) {
        MshVertex v;
        std::memset(&v, 0, sizeof v);
        v.position[0] = float(i);
        v.position[1] = float(i * 2);
        v.position[2] = -float(i);
        v.w = 1.0f;
        v.normal[2] = 1.0f;
        r.vertices.push_back(v);
    }
    MshFace f;
    std::memset(&f, 0, sizeof f);
    for (int c = 0; c < 3; ++c) {
        f.vertex[c] = uint32_t(c);
        f.uvw[c][0] = 0.25f * c;
        f.uvw[c][1] = 0.5f;
    }
    r.faces.push_back(f);
    r.numBones = numBones;
    for (int b = 0; b < numBones; ++b)
        storeTextField(r.boneNames[b], MSH_TEXT_FIELD_SIZE, L"Bone" + std::to_wstring(b));
    if (numBones > 0) {
        for (int i = 0; i < 3; ++i) {
            MshSkinVertex s;
            std::memset(&s, 0, sizeof s);
            s.vertex = i;
            s.count = 1;
            s.bone[0] = 0;
            s.weight[0] = 1.0f;
            r.skinVertices.push_back(s);
        }
    }
    r.header.numVerts = uint16_t(r.vertices.size());
    r.header.numFaces = uint16_t(r.faces.size());
    r.header.numSkinVerts = uint16_t(r.skinVertices.size());
    return r;
}

/// A Mesh8 quad: two faces unrolled into six corners with identity indices; skinned records
/// get one bone record per source vertex (4 source vertices).
inline Mesh8Record mesh8Quad(const std::wstring& name, bool skinned) {
    Mesh8Record r;
    setName(r.header, name);
    const float corners[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}};
    for (int k = 0; k < 6; ++k) {
        Mesh8Vertex v;
        std::memset(&v, 0, sizeof v);
        v.position[0] = corners[k][0];
        v.position[1] = corners[k][1];
        v.vertexNormal[2] = 1.0f;
        v.cornerNormal[2] = 1.0f;
        v.uv[0] = corners[k][0];
        v.uv[1] = corners[k][1];
        if (skinned)
            v.weight[0] = 1.0f;
        r.vertices.push_back(v);
        r.indices.push_back(uint16_t(k));
    }
    r.header.numVerts = 4;
    r.header.numFaces = 2;
    if (skinned) {
        r.header.numSkinVerts = 4;
        for (int i = 0; i < 4; ++i) {
            Mesh8BoneRecord b;
            std::memset(&b, 0, sizeof b);
            b.numBones = 1;
            storeTextField(b.boneNames[0], MSH_TEXT_FIELD_SIZE, L"Root");
            r.boneRecords.push_back(b);
        }
    }
    return r;
}

inline std::string legacyFile(const std::vector<LegacyRecord>& records) {
    MemoryOutput out;
    writeContainerStart(out, MshLayoutLegacy, unsigned(records.size()));
    MshError error;
    for (const LegacyRecord& r : records)
        writeLegacyRecord(out, r, error);
    return out.bytes();
}

inline std::string mesh8File(const std::vector<Mesh8Record>& records) {
    MemoryOutput out;
    writeContainerStart(out, MshLayoutMesh8, unsigned(records.size()));
    MshError error;
    for (const Mesh8Record& r : records)
        writeMesh8Record(out, r, error);
    return out.bytes();
}

} // namespace testrecords
