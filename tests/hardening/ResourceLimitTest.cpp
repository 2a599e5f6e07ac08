// Resource limits of an import: counts that promise far more than the file holds are
// rejected from the file's size before anything large is allocated, and an import's peak
// heap stays within a small multiple of the file size plus the scene it builds.
#include "HeapUse.h"
#include "ImportRun.h"
#include "TestFolder.h"

#include "fuzz/ImportChecks.h"
#include "tests/format/RecordBuilders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

using namespace hardening;
using namespace testrecords;

namespace {

const size_t smallFileSize = 2048;
// What an import needs whatever the file: paths, messages, the stream buffer.
const size_t fixedAllowance = 64 * 1024;

template <typename T> void put(std::string& bytes, size_t offset, T value) {
    std::memcpy(&bytes[offset], &value, sizeof value);
}

// 65,535 objects of 65,535 vertices, faces and skin entries, in 2 KB.
std::string lyingLegacyFile() {
    std::string bytes(smallFileSize, '\0');
    put(bytes, 0, uint16_t(0xFFFF));
    size_t header = 2;
    put(bytes, header + offsetof(MshObjectHeader, numVerts), uint16_t(0xFFFF));
    put(bytes, header + offsetof(MshObjectHeader, numFaces), uint16_t(0xFFFF));
    put(bytes, header + offsetof(MshObjectHeader, numSkinVerts), uint16_t(0xFFFF));
    put(bytes, header + offsetof(MshObjectHeader, hasSkinBlock), uint32_t(1));
    return bytes;
}

// The same promise in the Mesh8 layout: the largest i16 block counts.
std::string lyingMesh8File() {
    std::string bytes(smallFileSize, '\0');
    std::memcpy(&bytes[0], "MESH08", 6);
    put(bytes, 6, uint16_t(0xFFFF));
    size_t header = 8;
    put(bytes, header + offsetof(MshObjectHeader, numFaces), uint16_t(0x2AAA));
    put(bytes, header + sizeof(MshObjectHeader), int16_t(0x7FFF));
    return bytes;
}

// A legacy grid of n x n vertices skinned across two bones, for imports of some size.
LegacyRecord gridRecord(const std::wstring& name, int n) {
    LegacyRecord r = legacyTriangle(name, 2);
    r.vertices.clear();
    r.faces.clear();
    r.skinVertices.clear();
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            MshVertex v;
            std::memset(&v, 0, sizeof v);
            v.position[0] = float(x);
            v.position[1] = float(y);
            v.position[2] = std::sin(float(x + y));
            v.w = 1.0f;
            v.normal[2] = 1.0f;
            r.vertices.push_back(v);
            MshSkinVertex s;
            std::memset(&s, 0, sizeof s);
            s.vertex = y * n + x;
            s.count = 2;
            s.bone[1] = 1;
            s.weight[0] = float(x) / float(n);
            s.weight[1] = 1.0f - s.weight[0];
            r.skinVertices.push_back(s);
        }
    for (int y = 0; y + 1 < n; ++y)
        for (int x = 0; x + 1 < n; ++x)
            for (int half = 0; half < 2; ++half) {
                MshFace f;
                std::memset(&f, 0, sizeof f);
                uint32_t a = uint32_t(y * n + x), b = a + 1, c = a + uint32_t(n), d = c + 1;
                uint32_t corners[2][3] = {{a, b, d}, {a, d, c}};
                for (int k = 0; k < 3; ++k) {
                    f.vertex[k] = corners[half][k];
                    f.uvw[k][0] = float(f.vertex[k] % uint32_t(n)) / float(n);
                    f.uvw[k][1] = float(f.vertex[k] / uint32_t(n)) / float(n);
                }
                r.faces.push_back(f);
            }
    r.header.numVerts = uint16_t(r.vertices.size());
    r.header.numFaces = uint16_t(r.faces.size());
    r.header.numSkinVerts = uint16_t(r.skinVertices.size());
    return r;
}

// A Mesh8 record unrolled from the same grid: one corner per face corner.
Mesh8Record mesh8Grid(const std::wstring& name, int n) {
    LegacyRecord grid = gridRecord(name, n);
    Mesh8Record r = mesh8Quad(name, true);
    r.vertices.clear();
    r.indices.clear();
    for (const MshFace& f : grid.faces)
        for (int k = 0; k < 3; ++k) {
            Mesh8Vertex v;
            std::memset(&v, 0, sizeof v);
            std::memcpy(v.position, grid.vertices[f.vertex[k]].position, sizeof v.position);
            v.weight[0] = 1.0f;
            v.vertexNormal[2] = 1.0f;
            v.cornerNormal[2] = 1.0f;
            v.uv[0] = f.uvw[k][0];
            v.uv[1] = f.uvw[k][1];
            r.indices.push_back(uint16_t(r.vertices.size()));
            r.vertices.push_back(v);
        }
    r.header.numVerts = uint16_t(grid.vertices.size());
    r.header.numFaces = uint16_t(grid.faces.size());
    r.header.numSkinVerts = uint16_t(grid.vertices.size());
    r.boneRecords.resize(grid.vertices.size(), r.boneRecords[0]);
    return r;
}

class ResourceLimits : public ::testing::Test {
protected:
    void SetUp() override {
        if (!heapUseAvailable())
            GTEST_SKIP() << "heap use is counted only in sanitizer builds";
        fuzzing::resetBoneScene();
    }
    void TearDown() override { resetScene(); }

    // Imports and returns the peak heap above the start, and what the scene kept.
    ImportRun measuredImport(const std::string& name, const std::string& bytes, size_t& peak,
                             size_t& kept) {
        std::filesystem::path file = folder.path() / name;
        writeFile(file, bytes);
        HeapWatch watch;
        ImportRun run = importFile(file);
        peak = watch.peakAbove();
        kept = watch.nowAbove();
        return run;
    }

    TestFolder folder{"limits"};
};

TEST_F(ResourceLimits, CountsBeyondTheFileSizeAreRejectedBeforeAllocating) {
    const std::pair<const char*, std::string> files[] = {{"lying.msh", lyingLegacyFile()},
                                                         {"lying.bn", lyingLegacyFile()},
                                                         {"lying8.msh", lyingMesh8File()}};
    for (const auto& file : files) {
        size_t peak = 0, kept = 0;
        ImportRun run = measuredImport(file.first, file.second, peak, kept);
        EXPECT_EQ(run.result, IMPEXP_FAIL) << file.first;
        EXPECT_TRUE(someMessageHas(run, {L"record 0", L"the file ends early"})) << file.first;
        EXPECT_TRUE(run.misuse.empty()) << file.first;
        EXPECT_LT(peak, fixedAllowance + 4 * smallFileSize)
            << file.first << ": " << peak << " bytes at the peak for a 2 KB file";
        std::cout << "resource limit " << file.first << ": peak " << peak << " bytes" << std::endl;
    }
}

TEST_F(ResourceLimits, PeakHeapIsASmallMultipleOfFileAndScene) {
    const std::pair<const char*, std::string> files[] = {
        {"grid.msh", legacyFile({gridRecord(L"Grid", 120)})},
        {"grids.msh", legacyFile({gridRecord(L"GridA", 60), gridRecord(L"GridB", 60),
                                  gridRecord(L"GridC", 60)})},
        {"grid8.msh", mesh8File({mesh8Grid(L"Grid8", 40)})}};
    for (const auto& file : files) {
        size_t peak = 0, kept = 0;
        ImportRun run = measuredImport(file.first, file.second, peak, kept);
        ASSERT_EQ(run.result, IMPEXP_SUCCESS) << file.first;
        size_t size = file.second.size();
        std::cout << "resource limit " << file.first << ": " << size << " bytes, peak " << peak
                  << ", scene " << kept << std::endl;
        EXPECT_LE(peak, 4 * size + 2 * kept + fixedAllowance)
            << file.first << ": peak " << peak << " for a file of " << size
            << " bytes and a scene of " << kept;
        resetScene();
        fuzzing::resetBoneScene();
    }
}

} // namespace
