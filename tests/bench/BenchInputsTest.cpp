// The generated benchmark inputs are sound records of both layouts, describe the same bodies,
// and fill the files to the size asked for.

#include "bench/BenchModels.h"
#include "bench/FileBytes.h"
#include "format/MshFile.h"
#include "format/TextField.h"
#include "importer/Welding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <unistd.h>

namespace {

bench::TubeShape shape(int rings, int segments) {
    bench::TubeShape s;
    s.rings = rings;
    s.segments = segments;
    return s;
}

TEST(BenchInputs, BodiesAndBonesPassTheWritersChecks) {
    MshError error;
    for (const LegacyRecord& bone : bench::boneRecords(3))
        EXPECT_TRUE(validateLegacyRecord(bone, 0, error)) << error.describe();
    EXPECT_TRUE(validateLegacyRecord(bench::legacyBody(3, shape(6, 5)), 0, error))
        << error.describe();
    EXPECT_TRUE(validateMesh8Record(bench::mesh8Body(3, shape(6, 5)), 0, error))
        << error.describe();
    // The largest body a Mesh8 record holds: 10,922 faces in 32,766 corners.
    Mesh8Record largest = bench::mesh8Body(0, shape(43, 127));
    EXPECT_EQ(10922, largest.header.numFaces);
    EXPECT_TRUE(validateMesh8Record(largest, 0, error)) << error.describe();
}

TEST(BenchInputs, Mesh8BodyKeepsTheExportersInvariants) {
    Mesh8Record body = bench::mesh8Body(1, shape(7, 9));
    ASSERT_EQ(2 * 7 * 9, body.header.numFaces);
    EXPECT_EQ(8 * 9, body.header.numVerts);
    EXPECT_EQ(3u * body.header.numFaces, body.vertices.size());
    EXPECT_EQ(body.vertices.size(), body.indices.size());
    EXPECT_EQ(body.header.numVerts, body.header.numSkinVerts);
    EXPECT_EQ(body.header.numSkinVerts, body.boneRecords.size());
    // Every source vertex is one (position, normal) pair: welding gives back numVerts vertices.
    WeldResult weld;
    weldMesh8Corners(body, weld);
    EXPECT_EQ(body.header.numVerts, weld.weldList.size());
}

TEST(BenchInputs, BothLayoutsDescribeTheSameSkinnedBody) {
    LegacyRecord legacy = bench::legacyBody(2, shape(5, 6));
    Mesh8Record mesh8 = bench::mesh8Body(2, shape(5, 6));
    ASSERT_EQ(legacy.header.numFaces, mesh8.header.numFaces);
    ASSERT_EQ(legacy.header.numVerts, mesh8.header.numVerts);
    std::set<std::string> chain;
    for (const LegacyRecord& bone : bench::boneRecords(2))
        chain.insert(readTextField(bone.header.name, MSH_TEXT_FIELD_SIZE));
    for (int b = 0; b < legacy.numBones; ++b)
        EXPECT_EQ(1u, chain.count(readTextField(legacy.boneNames[b], MSH_TEXT_FIELD_SIZE)));

    for (size_t f = 0; f < legacy.faces.size(); ++f) {
        for (int k = 0; k < 3; ++k) {
            const MshFace& face = legacy.faces[f];
            const MshVertex& v = legacy.vertices[face.vertex[k]];
            const Mesh8Vertex& corner = mesh8.vertices[mesh8.indices[3 * f + k]];
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(v.position[c], corner.position[c]) << "face " << f << " corner " << k;
            EXPECT_EQ(face.uvw[k][0], corner.uv[0]);
            EXPECT_EQ(face.uvw[k][1], corner.uv[1]);
            // The legacy skin entry of this vertex and the Mesh8 corner agree on the weights,
            // and the Mesh8 bone record names the same bones.
            const MshSkinVertex& skin = legacy.skinVertices[face.vertex[k]];
            const Mesh8BoneRecord& bones = mesh8.boneRecords[face.vertex[k]];
            ASSERT_EQ(skin.count, bones.numBones);
            float sum = 0;
            for (int s = 0; s < skin.count; ++s) {
                EXPECT_EQ(skin.weight[s], corner.weight[s]);
                EXPECT_EQ(readTextField(legacy.boneNames[skin.bone[s]], MSH_TEXT_FIELD_SIZE),
                          readTextField(bones.boneNames[s], MSH_TEXT_FIELD_SIZE));
                sum += skin.weight[s];
            }
            EXPECT_NEAR(1.0f, sum, 1e-6f);
        }
    }
}

TEST(BenchInputs, FilesHoldAsManyBodiesAsFitAndReadBackWhole) {
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("bench-inputs-test-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const uint64_t target = 3000000;
    bench::ModelFiles files;
    ASSERT_TRUE(bench::writeModelFiles(dir.string(), target, shape(10, 10), files));

    struct Expect {
        std::string path;
        int objects;
        uint64_t recordSize;
    };
    uint64_t legacySize = legacyRecordSize(bench::legacyBody(0, shape(10, 10)));
    uint64_t mesh8Size = mesh8RecordSize(bench::mesh8Body(0, shape(10, 10)));
    const Expect expected[] = {{files.legacyPath, files.legacyModels, legacySize},
                               {files.mesh8Path, files.mesh8Models, mesh8Size}};
    for (const Expect& e : expected) {
        int64_t size = bench::fileSize(e.path);
        EXPECT_LE(uint64_t(size), target) << e.path;
        EXPECT_GT(uint64_t(size) + e.recordSize, target) << e.path << ": one more body would fit";
        MshFileReader reader;
        MshError error;
        ASSERT_TRUE(reader.open(fromUtf8(e.path), error)) << error.describe();
        EXPECT_EQ(unsigned(e.objects), reader.objectCount());
        LegacyRecord legacy;
        Mesh8Record mesh8;
        while (reader.hasNext()) {
            bool ok = reader.layout() == MshLayoutLegacy ? reader.readNextLegacy(legacy, error)
                                                         : reader.readNextMesh8(mesh8, error);
            ASSERT_TRUE(ok) << error.describe();
        }
        EXPECT_EQ(0u, reader.bytesRemaining());
    }
    // The bone file covers the bones of every body in either file.
    MshFileReader bones;
    MshError error;
    ASSERT_TRUE(bones.open(fromUtf8(files.bonePath), error));
    EXPECT_EQ(unsigned(std::max(files.legacyModels, files.mesh8Models) * bench::bonesPerModel),
              bones.objectCount());
    std::filesystem::remove_all(dir);
}

TEST(BenchInputs, FileHelpersCopyWholeFilesAndReportShortOnes) {
    std::string path =
        (std::filesystem::temp_directory_path() / ("bench-bytes-" + std::to_string(getpid())))
            .string();
    std::string bytes(100000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    ASSERT_TRUE(bench::writeWithOneCall(path, bytes.data(), bytes.size()));
    EXPECT_EQ(int64_t(bytes.size()), bench::fileSize(path));
    std::string back;
    ASSERT_TRUE(bench::readWholeFile(path, back));
    EXPECT_EQ(bytes, back);
    std::string tooMuch(bytes.size() + 1, '\0');
    EXPECT_FALSE(bench::readInto(path, &tooMuch[0], tooMuch.size())) << "the file is shorter";
    std::filesystem::remove(path);
    EXPECT_EQ(-1, bench::fileSize(path));
    EXPECT_FALSE(bench::readWholeFile(path, back));
}

} // namespace
