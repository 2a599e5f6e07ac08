#ifndef MSH_FORMAT_MSHLAYOUT_H
#define MSH_FORMAT_MSHLAYOUT_H

// Byte layouts of the model files. Every structure is packed and read or written as raw
// little-endian bytes, so each size and field offset is pinned below at compile time.

#include <cstddef>
#include <stdint.h>

/// Size of every name and path field inside a record.
#define MSH_TEXT_FIELD_SIZE 100
/// Most bone names per legacy record, and most influences per vertex in both layouts.
#define MSH_MAX_BONES 4
/// The magic that marks the Mesh8 layout (no terminator in the file).
#define MSH_MESH8_MAGIC "MESH08"
#define MSH_MESH8_MAGIC_SIZE 6

#pragma pack(push, 1)

/// The 693-byte header that begins every record of both layouts.
struct MshObjectHeader {
    char name[MSH_TEXT_FIELD_SIZE];
    char parentName[MSH_TEXT_FIELD_SIZE];
    float worldTM[4][4];
    float localTM[4][4];
    float scaleTM[4][4];
    uint16_t numVerts;
    uint16_t numFaces;
    uint16_t numSkinVerts;
    char texturePath[MSH_TEXT_FIELD_SIZE];
    uint8_t reserved498[100];
    uint32_t reserved598;
    float boundsMax[3];
    float boundsMin[3];
    uint8_t reserved626;
    uint32_t reserved627;
    uint16_t reserved631;
    uint32_t reserved633; ///< written as 256
    uint16_t reserved637;
    uint8_t twoSided;
    uint16_t reserved640;
    uint32_t hasSkinBlock;
    uint8_t reserved646[47];
};

/// Legacy vertex, 28 bytes.
struct MshVertex {
    float position[3];
    float w; ///< written as 1.0, ignored on reading
    float normal[3];
};

/// Legacy face, 88 bytes; texture coordinates are per corner.
struct MshFace {
    uint32_t vertex[3];
    float cornerNormal[3][3];
    float uvw[3][3];
    uint32_t reserved;
};

/// Legacy skin entry, 40 bytes: up to four (bone, weight) pairs of one vertex.
struct MshSkinVertex {
    int32_t vertex;
    int32_t count;
    int32_t bone[MSH_MAX_BONES];
    float weight[MSH_MAX_BONES];
};

/// Size of the per-vertex entry of legacy records without a skin block; its bytes are skipped.
#define MSH_VERTEX_EXTRA_SIZE 424

/// Mesh8 corner vertex, 64 bytes.
struct Mesh8Vertex {
    float position[3];
    float weight[MSH_MAX_BONES];
    uint8_t reserved28[4];
    float vertexNormal[3];
    float uv[2];
    float cornerNormal[3];
};

/// Mesh8 per-source-vertex bone names, 404 bytes.
struct Mesh8BoneRecord {
    int32_t numBones;
    char boneNames[MSH_MAX_BONES][MSH_TEXT_FIELD_SIZE];
};

#pragma pack(pop)

static_assert(sizeof(MshObjectHeader) == 693, "MshObjectHeader is 693 bytes");
static_assert(offsetof(MshObjectHeader, parentName) == 100, "parentName offset");
static_assert(offsetof(MshObjectHeader, worldTM) == 200, "worldTM offset");
static_assert(offsetof(MshObjectHeader, localTM) == 264, "localTM offset");
static_assert(offsetof(MshObjectHeader, scaleTM) == 328, "scaleTM offset");
static_assert(offsetof(MshObjectHeader, numVerts) == 392, "numVerts offset");
static_assert(offsetof(MshObjectHeader, numFaces) == 394, "numFaces offset");
static_assert(offsetof(MshObjectHeader, numSkinVerts) == 396, "numSkinVerts offset");
static_assert(offsetof(MshObjectHeader, texturePath) == 398, "texturePath offset");
static_assert(offsetof(MshObjectHeader, reserved498) == 498, "reserved498 offset");
static_assert(offsetof(MshObjectHeader, reserved598) == 598, "reserved598 offset");
static_assert(offsetof(MshObjectHeader, boundsMax) == 602, "boundsMax offset");
static_assert(offsetof(MshObjectHeader, boundsMin) == 614, "boundsMin offset");
static_assert(offsetof(MshObjectHeader, reserved626) == 626, "reserved626 offset");
static_assert(offsetof(MshObjectHeader, reserved627) == 627, "reserved627 offset");
static_assert(offsetof(MshObjectHeader, reserved631) == 631, "reserved631 offset");
static_assert(offsetof(MshObjectHeader, reserved633) == 633, "reserved633 offset");
static_assert(offsetof(MshObjectHeader, reserved637) == 637, "reserved637 offset");
static_assert(offsetof(MshObjectHeader, twoSided) == 639, "twoSided offset");
static_assert(offsetof(MshObjectHeader, reserved640) == 640, "reserved640 offset");
static_assert(offsetof(MshObjectHeader, hasSkinBlock) == 642, "hasSkinBlock offset");
static_assert(offsetof(MshObjectHeader, reserved646) == 646, "reserved646 offset");

static_assert(sizeof(MshVertex) == 28, "MshVertex is 28 bytes");
static_assert(offsetof(MshVertex, w) == 12, "MshVertex.w offset");
static_assert(offsetof(MshVertex, normal) == 16, "MshVertex.normal offset");

static_assert(sizeof(MshFace) == 88, "MshFace is 88 bytes");
static_assert(offsetof(MshFace, cornerNormal) == 12, "MshFace.cornerNormal offset");
static_assert(offsetof(MshFace, uvw) == 48, "MshFace.uvw offset");
static_assert(offsetof(MshFace, reserved) == 84, "MshFace.reserved offset");

static_assert(sizeof(MshSkinVertex) == 40, "MshSkinVertex is 40 bytes");
static_assert(offsetof(MshSkinVertex, count) == 4, "MshSkinVertex.count offset");
static_assert(offsetof(MshSkinVertex, bone) == 8, "MshSkinVertex.bone offset");
static_assert(offsetof(MshSkinVertex, weight) == 24, "MshSkinVertex.weight offset");

static_assert(sizeof(Mesh8Vertex) == 64, "Mesh8Vertex is 64 bytes");
static_assert(offsetof(Mesh8Vertex, weight) == 12, "Mesh8Vertex.weight offset");
static_assert(offsetof(Mesh8Vertex, reserved28) == 28, "Mesh8Vertex.reserved28 offset");
static_assert(offsetof(Mesh8Vertex, vertexNormal) == 32, "Mesh8Vertex.vertexNormal offset");
static_assert(offsetof(Mesh8Vertex, uv) == 44, "Mesh8Vertex.uv offset");
static_assert(offsetof(Mesh8Vertex, cornerNormal) == 52, "Mesh8Vertex.cornerNormal offset");

static_assert(sizeof(Mesh8BoneRecord) == 404, "Mesh8BoneRecord is 404 bytes");
static_assert(offsetof(Mesh8BoneRecord, boneNames) == 4, "Mesh8BoneRecord.boneNames offset");

/// Sets every byte of a header to zero and the fixed values the exporter always writes
/// (reserved633 = 256, hasSkinBlock = 1); callers fill in the rest.
void initObjectHeader(MshObjectHeader& header);

#endif
