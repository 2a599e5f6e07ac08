#include "bench/BenchModels.h"

#include "format/MshFile.h"
#include "format/TextField.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace bench {
namespace {

const float pi = 3.14159265358979f;
const float bodyHeight = 2.0f;
const float modelSpacing = 1.5f;

std::wstring boneName(int model, int bone) {
    return L"M" + std::to_wstring(model) + L"_Bone" + std::to_wstring(bone);
}

std::wstring bodyName(int model) {
    return L"M" + std::to_wstring(model) + L"_Body";
}

void setIdentity(float m[4][4]) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m[r][c] = r == c ? 1.0f : 0.0f;
}

// A header at (x, 0, z) with no rotation or scale, so worldTM = localTM up to the parent's offset.
void placeHeader(MshObjectHeader& header, const std::wstring& name, const std::wstring& parent,
                 float x, float z, float parentZ) {
    storeTextField(header.name, sizeof header.name, name);
    storeTextField(header.parentName, sizeof header.parentName, parent);
    setIdentity(header.worldTM);
    header.worldTM[3][0] = x;
    header.worldTM[3][2] = z;
    setIdentity(header.localTM);
    header.localTM[3][2] = z - parentZ;
    if (parent == L"NULL")
        std::memcpy(header.localTM, header.worldTM, sizeof header.localTM);
    std::memset(header.scaleTM, 0, sizeof header.scaleTM);
    for (int i = 0; i < 4; ++i)
        header.scaleTM[i][i] = 1.0f;
}

// One point of the tube and its outward normal.
struct TubePoint {
    float position[3];
    float normal[3];
    float u, v;
};

TubePoint tubePoint(const TubeShape& shape, int ring, int segment) {
    float angle = 2 * pi * segment / shape.segments;
    float radius = 0.6f - 0.3f * ring / shape.rings;
    TubePoint p;
    p.position[0] = radius * std::cos(angle);
    p.position[1] = radius * std::sin(angle);
    p.position[2] = bodyHeight * ring / shape.rings;
    p.normal[0] = std::cos(angle);
    p.normal[1] = std::sin(angle);
    p.normal[2] = 0.15f;
    p.u = float(segment) / shape.segments;
    p.v = float(ring) / shape.rings;
    return p;
}

// The two bones a ring is blended across, and the weight of the upper one.
void ringBones(const TubeShape& shape, int ring, int& lower, int& upper, float& upperWeight) {
    float t = float(ring) / shape.rings * (bonesPerModel - 1);
    lower = std::min(int(t), bonesPerModel - 2);
    upper = lower + 1;
    upperWeight = t - lower;
}

// Corner c of face f: the vertex (ring, segment) it stands on, and its texture coordinate.
struct TubeCorner {
    int ring, segment;
    float u, v;
};

void faceCorners(const TubeShape& shape, int face, TubeCorner corners[3]) {
    int quad = face / 2;
    int ring = quad / shape.segments, segment = quad % shape.segments;
    const int quadCorners[2][3][2] = {{{0, 0}, {0, 1}, {1, 1}}, {{0, 0}, {1, 1}, {1, 0}}};
    for (int k = 0; k < 3; ++k) {
        int dr = quadCorners[face % 2][k][0], ds = quadCorners[face % 2][k][1];
        corners[k].ring = ring + dr;
        corners[k].segment = (segment + ds) % shape.segments;
        // The seam keeps its own texture coordinate (u = 1), not the wrapped vertex's u = 0.
        corners[k].u = float(segment + ds) / shape.segments;
        corners[k].v = float(ring + dr) / shape.rings;
    }
}

int vertexNumber(const TubeShape& shape, int ring, int segment) {
    return ring * shape.segments + segment;
}

int numTubeVerts(const TubeShape& shape) {
    return (shape.rings + 1) * shape.segments;
}

int numTubeFaces(const TubeShape& shape) {
    return 2 * shape.rings * shape.segments;
}

void setBounds(MshObjectHeader& header, const TubeShape& shape) {
    (void)shape;
    header.boundsMin[0] = header.boundsMin[1] = -0.6f;
    header.boundsMax[0] = header.boundsMax[1] = 0.6f;
    header.boundsMin[2] = 0.0f;
    header.boundsMax[2] = bodyHeight;
}

template <typename Record, typename Writer>
bool writeRecordFile(const std::string& path, MshLayoutKind layout,
                     const std::vector<Record>& records, Writer writeRecord) {
    AtomicFileOutput output(fromUtf8(path));
    MshError error;
    bool ok = output.open() && writeContainerStart(output, layout, unsigned(records.size()));
    for (size_t i = 0; ok && i < records.size(); ++i)
        ok = writeRecord(output, records[i], error);
    ok = ok && output.commit();
    if (!ok)
        std::fprintf(stderr, "bench inputs: cannot write %s: %s%s\n", path.c_str(),
                     error.ok() ? "" : error.describe().c_str(), output.failureReason().c_str());
    return ok;
}

} // namespace

std::vector<LegacyRecord> boneRecords(int model) {
    std::vector<LegacyRecord> bones(bonesPerModel);
    float x = model * modelSpacing;
    for (int b = 0; b < bonesPerModel; ++b) {
        LegacyRecord& bone = bones[b];
        float z = bodyHeight * b / (bonesPerModel - 1);
        float parentZ = b == 0 ? 0.0f : bodyHeight * (b - 1) / (bonesPerModel - 1);
        placeHeader(bone.header, boneName(model, b), b == 0 ? L"NULL" : boneName(model, b - 1), x,
                    z, parentZ);
        // A small box: 8 corners, 12 triangles.
        for (int i = 0; i < 8; ++i) {
            MshVertex v;
            std::memset(&v, 0, sizeof v);
            v.position[0] = i & 1 ? 0.1f : -0.1f;
            v.position[1] = i & 2 ? 0.1f : -0.1f;
            v.position[2] = i & 4 ? 0.2f : 0.0f;
            v.w = 1.0f;
            v.normal[0] = v.position[0] * 5;
            v.normal[1] = v.position[1] * 5;
            v.normal[2] = i & 4 ? 1.0f : -1.0f;
            bone.vertices.push_back(v);
        }
        const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                 {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
        for (int q = 0; q < 6; ++q) {
            const int tri[2][3] = {{quads[q][0], quads[q][1], quads[q][2]},
                                   {quads[q][0], quads[q][2], quads[q][3]}};
            for (int t = 0; t < 2; ++t) {
                MshFace f;
                std::memset(&f, 0, sizeof f);
                for (int k = 0; k < 3; ++k) {
                    f.vertex[k] = uint32_t(tri[t][k]);
                    std::memcpy(f.cornerNormal[k], bone.vertices[tri[t][k]].normal,
                                sizeof f.cornerNormal[k]);
                }
                bone.faces.push_back(f);
            }
        }
        bone.header.numVerts = uint16_t(bone.vertices.size());
        bone.header.numFaces = uint16_t(bone.faces.size());
    }
    return bones;
}

LegacyRecord legacyBody(int model, const TubeShape& shape) {
    LegacyRecord body;
    placeHeader(body.header, bodyName(model), L"NULL", model * modelSpacing, 0.0f, 0.0f);
    storeTextField(body.header.texturePath, sizeof body.header.texturePath, L"body.png");
    setBounds(body.header, shape);
    body.numBones = bonesPerModel;
    for (int b = 0; b < bonesPerModel; ++b)
        storeTextField(body.boneNames[b], MSH_TEXT_FIELD_SIZE, boneName(model, b));

    body.vertices.resize(numTubeVerts(shape));
    body.skinVertices.resize(numTubeVerts(shape));
    for (int r = 0; r <= shape.rings; ++r) {
        for (int s = 0; s < shape.segments; ++s) {
            int n = vertexNumber(shape, r, s);
            TubePoint p = tubePoint(shape, r, s);
            MshVertex& v = body.vertices[n];
            std::memcpy(v.position, p.position, sizeof v.position);
            v.w = 1.0f;
            std::memcpy(v.normal, p.normal, sizeof v.normal);
            MshSkinVertex& skin = body.skinVertices[n];
            std::memset(&skin, 0, sizeof skin);
            skin.vertex = n;
            skin.count = 2;
            float upperWeight;
            ringBones(shape, r, skin.bone[0], skin.bone[1], upperWeight);
            skin.weight[0] = 1.0f - upperWeight;
            skin.weight[1] = upperWeight;
        }
    }
    body.faces.resize(numTubeFaces(shape));
    for (int f = 0; f < numTubeFaces(shape); ++f) {
        MshFace& face = body.faces[f];
        std::memset(&face, 0, sizeof face);
        TubeCorner corners[3];
        faceCorners(shape, f, corners);
        for (int k = 0; k < 3; ++k) {
            int n = vertexNumber(shape, corners[k].ring, corners[k].segment);
            face.vertex[k] = uint32_t(n);
            std::memcpy(face.cornerNormal[k], body.vertices[n].normal, sizeof face.cornerNormal[k]);
            face.uvw[k][0] = corners[k].u;
            face.uvw[k][1] = corners[k].v;
        }
    }
    body.header.numVerts = uint16_t(body.vertices.size());
    body.header.numFaces = uint16_t(body.faces.size());
    body.header.numSkinVerts = uint16_t(body.skinVertices.size());
    return body;
}

Mesh8Record mesh8Body(int model, const TubeShape& shape) {
    Mesh8Record body;
    placeHeader(body.header, bodyName(model), L"NULL", model * modelSpacing, 0.0f, 0.0f);
    storeTextField(body.header.texturePath, sizeof body.header.texturePath, L"body.png");
    setBounds(body.header, shape);

    body.boneRecords.resize(numTubeVerts(shape));
    std::vector<float> weights(numTubeVerts(shape) * MSH_MAX_BONES, 0.0f);
    for (int r = 0; r <= shape.rings; ++r) {
        int lower, upper;
        float upperWeight;
        ringBones(shape, r, lower, upper, upperWeight);
        for (int s = 0; s < shape.segments; ++s) {
            int n = vertexNumber(shape, r, s);
            Mesh8BoneRecord& bones = body.boneRecords[n];
            std::memset(&bones, 0, sizeof bones);
            bones.numBones = 2;
            storeTextField(bones.boneNames[0], MSH_TEXT_FIELD_SIZE, boneName(model, lower));
            storeTextField(bones.boneNames[1], MSH_TEXT_FIELD_SIZE, boneName(model, upper));
            weights[n * MSH_MAX_BONES] = 1.0f - upperWeight;
            weights[n * MSH_MAX_BONES + 1] = upperWeight;
        }
    }
    int numFaces = numTubeFaces(shape);
    body.vertices.resize(3 * numFaces);
    body.indices.resize(3 * numFaces);
    for (int f = 0; f < numFaces; ++f) {
        TubeCorner corners[3];
        faceCorners(shape, f, corners);
        for (int k = 0; k < 3; ++k) {
            int n = vertexNumber(shape, corners[k].ring, corners[k].segment);
            TubePoint p = tubePoint(shape, corners[k].ring, corners[k].segment);
            Mesh8Vertex& v = body.vertices[3 * f + k];
            std::memset(&v, 0, sizeof v);
            std::memcpy(v.position, p.position, sizeof v.position);
            std::memcpy(v.weight, &weights[n * MSH_MAX_BONES], sizeof v.weight);
            std::memcpy(v.vertexNormal, p.normal, sizeof v.vertexNormal);
            v.uv[0] = corners[k].u;
            v.uv[1] = corners[k].v;
            std::memcpy(v.cornerNormal, p.normal, sizeof v.cornerNormal);
            body.indices[3 * f + k] = uint16_t(3 * f + k);
        }
    }
    body.header.numVerts = uint16_t(numTubeVerts(shape));
    body.header.numFaces = uint16_t(numFaces);
    body.header.numSkinVerts = uint16_t(numTubeVerts(shape));
    return body;
}

ModelFiles modelFilesIn(const std::string& dir) {
    ModelFiles files;
    files.bonePath = dir + "/models.bn";
    files.legacyPath = dir + "/legacy.msh";
    files.mesh8Path = dir + "/mesh8.msh";
    return files;
}

bool writeModelFiles(const std::string& dir, uint64_t targetBytes, const TubeShape& shape,
                     ModelFiles& files) {
    files = modelFilesIn(dir);
    uint64_t legacySize = legacyRecordSize(legacyBody(0, shape));
    uint64_t mesh8Size = mesh8RecordSize(mesh8Body(0, shape));
    files.legacyModels = int(std::max<uint64_t>(1, targetBytes / legacySize));
    files.mesh8Models = int(std::max<uint64_t>(1, targetBytes / mesh8Size));
    int boneModels = std::max(files.legacyModels, files.mesh8Models);

    std::vector<LegacyRecord> bones;
    for (int m = 0; m < boneModels; ++m) {
        std::vector<LegacyRecord> chain = boneRecords(m);
        bones.insert(bones.end(), chain.begin(), chain.end());
    }
    if (!writeRecordFile(files.bonePath, MshLayoutLegacy, bones, writeLegacyRecord))
        return false;
    std::vector<LegacyRecord> legacy;
    for (int m = 0; m < files.legacyModels; ++m)
        legacy.push_back(legacyBody(m, shape));
    if (!writeRecordFile(files.legacyPath, MshLayoutLegacy, legacy, writeLegacyRecord))
        return false;
    legacy.clear();
    std::vector<Mesh8Record> mesh8;
    for (int m = 0; m < files.mesh8Models; ++m)
        mesh8.push_back(mesh8Body(m, shape));
    return writeRecordFile(files.mesh8Path, MshLayoutMesh8, mesh8, writeMesh8Record);
}

} // namespace bench
