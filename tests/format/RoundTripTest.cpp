#include "RecordBuilders.h"

#include <gtest/gtest.h>

using namespace testrecords;

namespace {

LegacyRecord readBackLegacy(const std::string& bytes) {
    MshFileReader reader;
    MshError error;
    EXPECT_TRUE(reader.openMemory(bytes.data(), bytes.size(), L"rt.msh", error));
    LegacyRecord record;
    EXPECT_TRUE(reader.readNextLegacy(record, error)) << error.describe();
    return record;
}

} // namespace

TEST(RoundTrip, LegacyRecordsComeBackByteForByte) {
    LegacyRecord skinned = legacyTriangle(L"Body", 3);
    skinned.skinVertices[1].count = 3;
    skinned.skinVertices[1].bone[1] = 2;
    skinned.skinVertices[1].bone[2] = 1;
    skinned.skinVertices[1].weight[1] = 0.25f;
    skinned.header.twoSided = 1;
    storeTextField(skinned.header.texturePath, MSH_TEXT_FIELD_SIZE, L"C:\\art\\skin.dds");
    std::string once = legacyFile({skinned, legacyTriangle(L"Plain")});

    MshFileReader reader;
    MshError error;
    ASSERT_TRUE(reader.openMemory(once.data(), once.size(), L"rt.msh", error));
    std::vector<LegacyRecord> back(2);
    ASSERT_TRUE(reader.readNextLegacy(back[0], error)) << error.describe();
    ASSERT_TRUE(reader.readNextLegacy(back[1], error)) << error.describe();
    EXPECT_EQ(reader.bytesRemaining(), 0u);
    EXPECT_EQ(std::memcmp(&back[0].header, &skinned.header, sizeof skinned.header), 0);
    EXPECT_EQ(back[0].numBones, 3);
    EXPECT_EQ(readTextField(back[0].boneNames[2], MSH_TEXT_FIELD_SIZE), "Bone2");
    EXPECT_EQ(back[0].skinVertices[1].bone[1], 2);
    EXPECT_FLOAT_EQ(back[0].skinVertices[1].weight[1], 0.25f);
    EXPECT_EQ(legacyFile(back), once);
}

TEST(RoundTrip, Mesh8RecordsComeBackByteForByte) {
    Mesh8Record skinned = mesh8Quad(L"Quad", true);
    skinned.indices[4] = 0; // indices other than the identity are kept as they are
    std::string once = mesh8File({skinned, mesh8Quad(L"Plain", false)});
    MshFileReader reader;
    MshError error;
    ASSERT_TRUE(reader.openMemory(once.data(), once.size(), L"rt.msh", error));
    std::vector<Mesh8Record> back(2);
    ASSERT_TRUE(reader.readNextMesh8(back[0], error)) << error.describe();
    ASSERT_TRUE(reader.readNextMesh8(back[1], error)) << error.describe();
    EXPECT_EQ(back[0].indices[4], 0);
    EXPECT_EQ(back[0].boneRecords.size(), 4u);
    EXPECT_EQ(readTextField(back[0].boneRecords[3].boneNames[0], MSH_TEXT_FIELD_SIZE), "Root");
    EXPECT_TRUE(back[1].boneRecords.empty());
    EXPECT_EQ(mesh8File(back), once);
}

TEST(RoundTrip, RecordWithoutSkinBlockSkipsItsVertexExtras) {
    LegacyRecord r = legacyTriangle(L"Old");
    r.header.hasSkinBlock = 0;
    r.header.numSkinVerts = 2;
    MemoryOutput out;
    writeContainerStart(out, MshLayoutLegacy, 2);
    out.write(&r.header, sizeof r.header);
    out.write(&r.vertices[0], 3 * sizeof(MshVertex));
    out.write(&r.faces[0], sizeof(MshFace));
    out.write(std::string(848, '\x7f').data(), 848); // two 424-byte entries, skipped
    MshError error;
    ASSERT_TRUE(writeLegacyRecord(out, legacyTriangle(L"Next"), error));
    std::string bytes = out.bytes();

    MshFileReader reader;
    ASSERT_TRUE(reader.openMemory(bytes.data(), bytes.size(), L"old.msh", error));
    LegacyRecord first, second;
    ASSERT_TRUE(reader.readNextLegacy(first, error)) << error.describe();
    EXPECT_EQ(first.numBones, 0);
    EXPECT_TRUE(first.skinVertices.empty());
    ASSERT_TRUE(reader.readNextLegacy(second, error)) << error.describe();
    EXPECT_EQ(readTextField(second.header.name, MSH_TEXT_FIELD_SIZE), "Next");

    // Written back, the record would lack the 848 bytes its header promises: refused whole.
    MemoryOutput again;
    EXPECT_FALSE(writeLegacyRecord(again, first, error));
    EXPECT_EQ(error.field, "numSkinVerts");
    EXPECT_EQ(error.offset, offsetof(MshObjectHeader, numSkinVerts));
    EXPECT_TRUE(again.bytes().empty());
}

TEST(RoundTrip, EmptyObjectsAreValid) {
    LegacyRecord empty;
    MemoryOutput out;
    MshError error;
    ASSERT_TRUE(writeLegacyRecord(out, empty, error));
    LegacyRecord back = readBackLegacy(std::string("\x01\x00", 2) + out.bytes());
    EXPECT_EQ(back.header.numVerts, 0);
    EXPECT_TRUE(back.vertices.empty());
}

TEST(Writer, RefusesWhatTheLayoutCannotHoldBeforeWritingAnything) {
    MshError error;
    LegacyRecord badCount = legacyTriangle(L"x");
    badCount.header.numVerts = 4; // the array holds 3
    MemoryOutput out1;
    EXPECT_FALSE(writeLegacyRecord(out1, badCount, error));
    EXPECT_EQ(error.field, "numVerts");
    EXPECT_TRUE(out1.bytes().empty());

    LegacyRecord badIndex = legacyTriangle(L"x");
    badIndex.faces[0].vertex[2] = 3;
    MemoryOutput out2;
    EXPECT_FALSE(writeLegacyRecord(out2, badIndex, error));
    EXPECT_EQ(error.kind, MshErrorIndex);
    EXPECT_TRUE(out2.bytes().empty());

    Mesh8Record tooMany = mesh8Quad(L"big", false);
    tooMany.vertices.resize(32768);
    MemoryOutput out3;
    EXPECT_FALSE(writeMesh8Record(out3, tooMany, error));
    EXPECT_EQ(error.kind, MshErrorTooLarge);
    EXPECT_EQ(error.field, "numCornerVerts");
    EXPECT_TRUE(out3.bytes().empty());
}
