#include "RecordBuilders.h"

#include <gtest/gtest.h>

#include <memory>

using namespace testrecords;

namespace {

// Reads every record of a file; returns the first error (kind None when all were read).
MshError readAll(const std::string& bytes, unsigned* recordsRead = nullptr) {
    MshFileReader reader;
    MshError error;
    unsigned count = 0;
    if (reader.openMemory(bytes.data(), bytes.size(), L"bad.msh", error)) {
        LegacyRecord legacy;
        Mesh8Record mesh8;
        while (reader.hasNext()) {
            bool ok = reader.layout() == MshLayoutMesh8 ? reader.readNextMesh8(mesh8, error)
                                                        : reader.readNextLegacy(legacy, error);
            if (!ok)
                break;
            ++count;
        }
    }
    if (recordsRead)
        *recordsRead = count;
    return error;
}

template <typename T> void poke(std::string& bytes, size_t offset, T value) {
    std::memcpy(&bytes[offset], &value, sizeof value);
}

const size_t firstRecord = 2;                               // legacy: after the u16 count
const size_t mesh8First = 8;                                // Mesh8: after magic and count
const size_t legacySkinBlock = firstRecord + 693 + 84 + 88; // numBones of the first record

} // namespace

TEST(BadLegacyInput, EachBreachIsRejectedWithFieldAndOffset) {
    struct Case {
        const char* what;
        size_t offset;
        int32_t value;
        MshErrorKind kind;
        const char* field;
    };
    const size_t skinEntries = legacySkinBlock + 4 + 2 * 100;
    const Case cases[] = {
        {"numBones 5", legacySkinBlock, 5, MshErrorCount, "numBones"},
        {"numBones -1", legacySkinBlock, -1, MshErrorCount, "numBones"},
        {"face index at numVerts", firstRecord + 693 + 84 + 4, 3, MshErrorIndex,
         "faces[0].vertex[1]"},
        {"skin count 5", skinEntries + 40 + 4, 5, MshErrorCount, "skinVertices[1].count"},
        {"skin bone at numBones", skinEntries + 8, 2, MshErrorIndex, "skinVertices[0].bone[0]"},
    };
    for (const Case& c : cases) {
        std::string bytes = legacyFile({legacyTriangle(L"Body", 2), legacyTriangle(L"After")});
        poke(bytes, c.offset, c.value);
        unsigned read = 99;
        MshError error = readAll(bytes, &read);
        EXPECT_EQ(error.kind, c.kind) << c.what << ": " << error.describe();
        EXPECT_EQ(error.field, c.field) << c.what;
        EXPECT_EQ(error.offset, c.offset) << c.what;
        EXPECT_EQ(error.record, 0) << c.what;
        EXPECT_EQ(error.recordName, "Body") << c.what;
        EXPECT_EQ(read, 0u) << c.what << ": reading must stop at the bad record";
    }
}

// Such an entry damages only its own weights: the reader keeps it for the importer to skip,
// and the writer refuses it rather than write a damaged record.
TEST(BadLegacyInput, SkinVertexOutsideTheRecordIsReadButNotWritten) {
    const size_t skinEntries = legacySkinBlock + 4 + 2 * 100;
    for (int32_t vertex : {3, -1}) {
        std::string bytes = legacyFile({legacyTriangle(L"Body", 2), legacyTriangle(L"After")});
        poke(bytes, skinEntries + 80, vertex);
        unsigned read = 0;
        EXPECT_EQ(readAll(bytes, &read).kind, MshErrorNone) << vertex;
        EXPECT_EQ(read, 2u);

        MshFileReader reader;
        MshError error;
        ASSERT_TRUE(reader.openMemory(bytes.data(), bytes.size(), L"bad.msh", error));
        LegacyRecord record;
        ASSERT_TRUE(reader.readNextLegacy(record, error));
        EXPECT_FALSE(skinVertexInRecord(record, 2));
        EXPECT_TRUE(skinVertexInRecord(record, 1));
        failSkinVertexOutside(record, 2, firstRecord, error);
        EXPECT_EQ(error.kind, MshErrorIndex);
        EXPECT_EQ(error.field, "skinVertices[2].vertex");
        EXPECT_EQ(error.offset, skinEntries + 80);

        MemoryOutput out;
        EXPECT_FALSE(writeLegacyRecord(out, record, error));
        EXPECT_EQ(error.field, "skinVertices[2].vertex");
        EXPECT_TRUE(out.bytes().empty());
    }
}

TEST(BadLegacyInput, RecordsBeforeTheBadOneStayGood) {
    LegacyRecord bad = legacyTriangle(L"Bad");
    std::string bytes = legacyFile({legacyTriangle(L"Good"), bad});
    size_t secondFace = firstRecord + 869 + 693 + 84;
    poke(bytes, secondFace, uint32_t(77));
    unsigned read = 0;
    MshError error = readAll(bytes, &read);
    EXPECT_EQ(read, 1u);
    EXPECT_EQ(error.record, 1);
    EXPECT_EQ(error.offset, secondFace);
    EXPECT_NE(error.describe().find("record 1 \"Bad\""), std::string::npos) << error.describe();
    EXPECT_NE(error.describe().find("faces[0].vertex[0]"), std::string::npos);
}

TEST(BadMesh8Input, EachBreachIsRejectedWithFieldAndOffset) {
    const size_t cornerCount = mesh8First + 693;
    const size_t indexCount = cornerCount + 2 + 6 * 64;
    const size_t boneCount = indexCount + 2 + 6 * 2;
    struct Case {
        const char* what;
        size_t offset;
        int size;
        int32_t value;
        MshErrorKind kind;
        const char* field;
    };
    const Case cases[] = {
        {"negative corner count", cornerCount, 2, -1, MshErrorCount, "numCornerVerts"},
        {"too few indices", mesh8First + 394, 2, 3, MshErrorCount, "numIndices"},
        {"index at numCornerVerts", indexCount + 2 + 2 * 3, 2, 6, MshErrorIndex, "indices[3]"},
        {"negative bone-record count", boneCount, 2, -2, MshErrorCount, "numBoneRecords"},
        {"fewer bone records than numSkinVerts", mesh8First + 396, 2, 5, MshErrorCount,
         "numBoneRecords"},
        {"numBones above 4", boneCount + 2 + 404, 4, 5, MshErrorCount, "boneRecords[1].numBones"},
    };
    for (const Case& c : cases) {
        std::string bytes = mesh8File({mesh8Quad(L"Quad", true)});
        if (c.size == 2)
            poke(bytes, c.offset, int16_t(c.value));
        else
            poke(bytes, c.offset, c.value);
        MshError error = readAll(bytes);
        EXPECT_EQ(error.kind, c.kind) << c.what << ": " << error.describe();
        EXPECT_EQ(error.field, c.field) << c.what;
        EXPECT_EQ(error.record, 0) << c.what;
    }
}

TEST(BadMesh8Input, FewerCornersThanThreePerFaceIsValidWhenIndicesShareThem) {
    Mesh8Record r = mesh8Quad(L"Shared", false);
    r.vertices.resize(4);
    const uint16_t shared[6] = {0, 1, 2, 0, 2, 3};
    r.indices.assign(shared, shared + 6);
    EXPECT_EQ(readAll(mesh8File({r})).kind, MshErrorNone);
}

// Every prefix of a valid file, copied into its own allocation so AddressSanitizer catches
// any read past the end, must give a clean error and never a record built from missing bytes.
TEST(Truncation, EveryPrefixOfEveryLayoutFailsCleanly) {
    const std::string files[] = {
        legacyFile({legacyTriangle(L"A", 2), legacyTriangle(L"B", 4)}),
        mesh8File({mesh8Quad(L"A", true), mesh8Quad(L"B", false)}),
    };
    for (const std::string& whole : files) {
        unsigned all = 0;
        ASSERT_EQ(readAll(whole, &all).kind, MshErrorNone);
        for (size_t cut = 0; cut < whole.size(); ++cut) {
            std::unique_ptr<char[]> prefix(new char[cut ? cut : 1]);
            std::memcpy(prefix.get(), whole.data(), cut);
            MshFileReader reader;
            MshError error;
            unsigned read = 0;
            if (reader.openMemory(prefix.get(), cut, L"cut.msh", error)) {
                LegacyRecord legacy;
                Mesh8Record mesh8;
                while (reader.hasNext()) {
                    bool ok = reader.layout() == MshLayoutMesh8
                                  ? reader.readNextMesh8(mesh8, error)
                                  : reader.readNextLegacy(legacy, error);
                    if (!ok)
                        break;
                    ++read;
                }
            }
            ASSERT_EQ(error.kind, MshErrorTruncated)
                << "cut at " << cut << ": " << error.describe();
            ASSERT_LT(read, all) << "cut at " << cut;
            ASSERT_LE(error.offset, cut) << "cut at " << cut;
        }
    }
}

TEST(ResourceLimits, CountsPromisingMoreThanTheFileAreRejectedBeforeAllocating) {
    // 65535 objects of 65535 vertices and faces in a file of about 1 KB.
    std::string bytes = legacyFile({legacyTriangle(L"Huge")});
    poke(bytes, 0, uint16_t(65535));
    poke(bytes, firstRecord + 392, uint16_t(65535));
    poke(bytes, firstRecord + 394, uint16_t(65535));
    MshError error = readAll(bytes);
    EXPECT_EQ(error.kind, MshErrorTruncated);
    EXPECT_EQ(error.field, "vertices");
    EXPECT_EQ(error.expected, std::to_string(65535 * 28) + " bytes");

    std::string mesh8 = mesh8File({mesh8Quad(L"Huge", false)});
    poke(mesh8, mesh8First + 693, int16_t(32767));
    error = readAll(mesh8);
    EXPECT_EQ(error.kind, MshErrorTruncated);
    EXPECT_EQ(error.field, "vertices");
}
