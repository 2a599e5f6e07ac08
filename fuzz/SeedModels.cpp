#include "fuzz/SeedModels.h"

#include "tests/format/RecordBuilders.h"

#include <cstddef>
#include <cstring>

namespace fuzzing {
namespace {

using testrecords::legacyFile;
using testrecords::legacyTriangle;
using testrecords::mesh8File;
using testrecords::mesh8Quad;

// Four skin entries per vertex, each on another bone.
LegacyRecord legacyFourBones(const std::wstring& name) {
    LegacyRecord r = legacyTriangle(name, 4);
    for (size_t i = 0; i < r.skinVertices.size(); ++i) {
        MshSkinVertex& s = r.skinVertices[i];
        s.count = 4;
        for (int b = 0; b < 4; ++b) {
            s.bone[b] = (b + int(i)) % 4;
            s.weight[b] = 0.25f;
        }
    }
    return r;
}

// hasSkinBlock 0: one 424-byte entry per vertex that the reader skips.
LegacyRecord legacyWithExtras(const std::wstring& name) {
    LegacyRecord r = legacyTriangle(name);
    r.header.hasSkinBlock = 0;
    r.header.numSkinVerts = 3;
    return r;
}

LegacyRecord legacyEmpty(const std::wstring& name) {
    LegacyRecord r;
    testrecords::setName(r.header, name);
    return r;
}

LegacyRecord withParent(LegacyRecord r, const std::wstring& parent) {
    storeTextField(r.header.parentName, sizeof r.header.parentName, parent);
    return r;
}

LegacyRecord withTexture(LegacyRecord r, const std::wstring& texture) {
    storeTextField(r.header.texturePath, sizeof r.header.texturePath, texture);
    r.header.twoSided = 1;
    return r;
}

// The writer keeps no vertex extras and refuses to promise them, so the record is written
// without, and its count and extras are put in by hand.
std::string legacyFileWithExtras(const LegacyRecord& r) {
    LegacyRecord without = r;
    without.header.numSkinVerts = 0;
    std::string bytes = legacyFile({without});
    uint16_t extras = r.header.numSkinVerts;
    std::memcpy(&bytes[2 + offsetof(MshObjectHeader, numSkinVerts)], &extras, sizeof extras);
    bytes.append(size_t(extras) * MSH_VERTEX_EXTRA_SIZE, '\x5a');
    return bytes;
}

// Four corner vertices shared by two faces: fewer corners than 3 x numFaces is valid.
Mesh8Record mesh8Shared(const std::wstring& name) {
    Mesh8Record r = mesh8Quad(name, false);
    r.vertices.resize(4);
    r.vertices[3].position[0] = 0;
    r.vertices[3].position[1] = 1;
    const uint16_t order[6] = {0, 1, 2, 0, 2, 3};
    r.indices.assign(order, order + 6);
    return r;
}

// Every bone record names four bones of the scene, weights spread over them.
Mesh8Record mesh8FourBones(const std::wstring& name) {
    Mesh8Record r = mesh8Quad(name, true);
    std::vector<std::wstring> bones = sceneBoneNames();
    for (Mesh8BoneRecord& b : r.boneRecords) {
        b.numBones = 4;
        for (int k = 0; k < 4; ++k)
            storeTextField(b.boneNames[k], MSH_TEXT_FIELD_SIZE, bones[size_t(k) + 1]);
    }
    for (Mesh8Vertex& v : r.vertices)
        for (int k = 0; k < 4; ++k)
            v.weight[k] = 0.25f;
    return r;
}

Mesh8Record mesh8ExtraIndices(const std::wstring& name) {
    Mesh8Record r = mesh8Quad(name, false);
    r.indices.push_back(5);
    r.indices.push_back(0);
    return r;
}

Mesh8Record mesh8WithParent(Mesh8Record r, const std::wstring& parent) {
    storeTextField(r.header.parentName, sizeof r.header.parentName, parent);
    return r;
}

std::string withMagic(std::string bytes, const char* magic) {
    bytes.replace(0, MSH_MESH8_MAGIC_SIZE, magic, MSH_MESH8_MAGIC_SIZE);
    return bytes;
}

std::wstring longName() {
    return std::wstring(MSH_TEXT_FIELD_SIZE, L'N');
}

std::vector<SeedFile> legacySeeds() {
    std::vector<SeedFile> seeds;
    seeds.push_back({"legacy-count-0", legacyFile({})});
    seeds.push_back({"legacy-short", std::string("\x01\x00\x07", 3)});
    seeds.push_back({"legacy-triangle", legacyFile({legacyTriangle(L"Tri")})});
    seeds.push_back({"legacy-extras", legacyFileWithExtras(legacyWithExtras(L"Extras"))});
    seeds.push_back({"legacy-empty-mesh", legacyFile({legacyEmpty(L"Nothing")})});
    seeds.push_back({"legacy-skinned-2", legacyFile({legacyTriangle(L"Skin2", 2)})});
    seeds.push_back({"legacy-skinned-4", legacyFile({legacyFourBones(L"Skin4")})});
    seeds.push_back({"legacy-hierarchy",
                     legacyFile({legacyTriangle(L"Top"), withParent(legacyTriangle(L"Mid"), L"Top"),
                                 withParent(legacyTriangle(L"Leaf", 2), L"Mid")})});
    seeds.push_back(
        {"legacy-parent-later",
         legacyFile({withParent(legacyTriangle(L"Child"), L"Later"), legacyTriangle(L"Later")})});
    seeds.push_back(
        {"legacy-bone-file",
         legacyFile({legacyTriangle(L"Root"), withParent(legacyTriangle(L"Bone0"), L"Root"),
                     withParent(legacyTriangle(L"Bone1"), L"Bone0")})});
    seeds.push_back(
        {"legacy-long-names",
         legacyFile({withParent(withTexture(legacyTriangle(longName(), 1), L"tex\u00e9\u0101.png"),
                                longName())})});
    seeds.push_back(
        {"legacy-textured", legacyFile({withTexture(legacyTriangle(L"Painted", 1), L"hero.png")})});
    return seeds;
}

std::vector<SeedFile> mesh8Seeds() {
    std::vector<SeedFile> seeds;
    seeds.push_back({"mesh8-count-0", mesh8File({})});
    seeds.push_back({"mesh8-quad", mesh8File({mesh8Quad(L"Quad", false)})});
    seeds.push_back({"mesh8-quad-skinned", mesh8File({mesh8Quad(L"SkinQuad", true)})});
    seeds.push_back(
        {"mesh8-upper-magic", withMagic(mesh8File({mesh8Quad(L"Up", true)}), "MESH08")});
    seeds.push_back(
        {"mesh8-mixed-magic", withMagic(mesh8File({mesh8Quad(L"Mix", false)}), "Mesh08")});
    seeds.push_back({"mesh8-shared-corners", mesh8File({mesh8Shared(L"Shared")})});
    seeds.push_back({"mesh8-four-bones", mesh8File({mesh8FourBones(L"Four")})});
    seeds.push_back({"mesh8-extra-indices", mesh8File({mesh8ExtraIndices(L"Extra")})});
    seeds.push_back(
        {"mesh8-hierarchy", mesh8File({mesh8Quad(L"Top8", false),
                                       mesh8WithParent(mesh8Quad(L"Leaf8", true), L"Top8")})});
    return seeds;
}

} // namespace

std::vector<std::wstring> sceneBoneNames() {
    std::vector<std::wstring> names;
    names.push_back(L"Root");
    for (int b = 0; b < 4; ++b)
        names.push_back(L"Bone" + std::to_wstring(b));
    return names;
}

std::vector<SeedFile> formatSeeds() {
    std::vector<SeedFile> seeds = legacySeeds();
    std::vector<SeedFile> more = mesh8Seeds();
    seeds.insert(seeds.end(), more.begin(), more.end());
    return seeds;
}

} // namespace fuzzing
