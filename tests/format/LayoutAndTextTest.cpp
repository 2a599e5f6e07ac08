#include "RecordBuilders.h"

#include <gtest/gtest.h>

using namespace testrecords;

TEST(RecordSizes, LegacyTriangleWithEmptySkinBlockIs869Bytes) {
    LegacyRecord r = legacyTriangle(L"tri");
    MemoryOutput out;
    MshError error;
    ASSERT_TRUE(writeLegacyRecord(out, r, error)) << error.describe();
    EXPECT_EQ(out.bytes().size(), 869u);
    EXPECT_EQ(legacyRecordSize(r), 869u);
    // The empty skin block is the four zero bytes of numBones.
    EXPECT_EQ(out.bytes().substr(865), std::string(4, '\0'));
}

TEST(RecordSizes, LegacyTriangleWithoutSkinBlockIs865Bytes) {
    LegacyRecord r = legacyTriangle(L"tri");
    r.header.hasSkinBlock = 0;
    MemoryOutput out;
    MshError error;
    ASSERT_TRUE(writeLegacyRecord(out, r, error)) << error.describe();
    EXPECT_EQ(out.bytes().size(), 865u);
}

TEST(RecordSizes, Mesh8RecordSizeFollowsItsBlocks) {
    Mesh8Record r = mesh8Quad(L"quad", true);
    MemoryOutput out;
    MshError error;
    ASSERT_TRUE(writeMesh8Record(out, r, error)) << error.describe();
    EXPECT_EQ(out.bytes().size(), 699u + 64 * 6 + 2 * 6 + 404 * 4);
    Mesh8Record empty;
    MemoryOutput emptyOut;
    ASSERT_TRUE(writeMesh8Record(emptyOut, empty, error));
    EXPECT_EQ(emptyOut.bytes().size(), 699u);
}

TEST(RecordSizes, HeaderFixedValuesSitAtTheirOffsets) {
    LegacyRecord r = legacyTriangle(L"tri");
    MemoryOutput out;
    MshError error;
    ASSERT_TRUE(writeLegacyRecord(out, r, error));
    const unsigned char* b = reinterpret_cast<const unsigned char*>(out.bytes().data());
    EXPECT_EQ(b[633], 0x00);
    EXPECT_EQ(b[634], 0x01); // 256, little-endian
    EXPECT_EQ(b[642], 0x01); // hasSkinBlock
    EXPECT_EQ(b[392], 3);    // numVerts
    EXPECT_EQ(b[394], 1);    // numFaces
}

TEST(TextFields, WriterZeroFillsAndReaderStopsAtZero) {
    char field[MSH_TEXT_FIELD_SIZE];
    std::memset(field, 'x', sizeof field);
    EXPECT_TRUE(storeTextField(field, sizeof field, L"Arm"));
    EXPECT_EQ(readTextField(field, sizeof field), "Arm");
    for (size_t i = 3; i < sizeof field; ++i)
        ASSERT_EQ(field[i], 0) << "byte " << i;
}

TEST(TextFields, HundredCharacterNameFillsTheFieldWithoutTerminator) {
    std::wstring name(100, L'n');
    char block[MSH_TEXT_FIELD_SIZE + 1];
    block[MSH_TEXT_FIELD_SIZE] = 'Z'; // the byte after the field must never be read
    EXPECT_TRUE(storeTextField(block, MSH_TEXT_FIELD_SIZE, name));
    EXPECT_EQ(readTextField(block, MSH_TEXT_FIELD_SIZE), std::string(100, 'n'));
    EXPECT_FALSE(storeTextField(block, MSH_TEXT_FIELD_SIZE, std::wstring(101, L'n')))
        << "a 101-character name is cut and must be reported as cut";
}

TEST(TextFields, CharacterAboveFFStopsTheText) {
    char field[MSH_TEXT_FIELD_SIZE];
    std::wstring name = L"Bo\u00e9ne\u0100tail";
    EXPECT_FALSE(storeTextField(field, sizeof field, name));
    EXPECT_EQ(readTextField(field, sizeof field), std::string("Bo\xe9ne"));
    EXPECT_EQ(field[5], 0);
}

TEST(TextFields, Utf8RoundTripKeepsEveryCharacter) {
    std::wstring text = L"C:\\mod\u00e8les\\\u4e2d \u20ac.msh";
    text += wchar_t(0x1F600);
    EXPECT_EQ(fromUtf8(toUtf8(text)), text);
    EXPECT_EQ(toUtf8(L"\u00e9"), std::string("\xc3\xa9"));
    // Malformed input becomes replacement characters, and a cut sequence is not read past.
    EXPECT_EQ(fromUtf8(std::string("a\xff")), std::wstring(L"a\ufffd"));
    EXPECT_EQ(fromUtf8(std::string("\xe2\x82")), std::wstring(L"\ufffd\ufffd"));
    if (sizeof(wchar_t) == 4) { // a value no Unicode character has
        EXPECT_EQ(toUtf8(std::wstring(1, wchar_t(0x110000))), toUtf8(L"\ufffd"));
    }
}

TEST(Magic, Mesh08InAnyLetterCaseIsMesh8) {
    EXPECT_TRUE(isMesh8Magic("MESH08", 6));
    EXPECT_TRUE(isMesh8Magic("Mesh08", 6));
    EXPECT_TRUE(isMesh8Magic("mesh08", 6));
    EXPECT_FALSE(isMesh8Magic("MESH09", 6));
    EXPECT_FALSE(isMesh8Magic("MESH0", 5));
    EXPECT_FALSE(isMesh8Magic("\x02\x00MESH", 6));
}

TEST(Container, CountIsReadAtOffsetSixAfterTheMagicAndAtZeroOtherwise) {
    std::string mesh8 = mesh8File({mesh8Quad(L"a", false), mesh8Quad(L"b", false)});
    mesh8[1] = 'e'; // "MeSH08": the case of the magic does not matter
    MshFileReader reader;
    MshError error;
    ASSERT_TRUE(reader.openMemory(mesh8.data(), mesh8.size(), L"hero.MSH", error));
    EXPECT_EQ(reader.layout(), MshLayoutMesh8);
    EXPECT_EQ(reader.objectCount(), 2u);

    std::string legacy = legacyFile({legacyTriangle(L"a")});
    ASSERT_TRUE(reader.openMemory(legacy.data(), legacy.size(), L"hero.msh", error));
    EXPECT_EQ(reader.layout(), MshLayoutLegacy);
    EXPECT_EQ(reader.objectCount(), 1u);
}

TEST(Container, ShortFilesAreLegacy) {
    MshFileReader reader;
    MshError error;
    const char zeroObjects[2] = {0, 0};
    ASSERT_TRUE(reader.openMemory(zeroObjects, 2, L"empty.msh", error));
    EXPECT_EQ(reader.layout(), MshLayoutLegacy);
    EXPECT_EQ(reader.objectCount(), 0u);
    EXPECT_FALSE(reader.hasNext());

    const char oneByte[1] = {5};
    EXPECT_FALSE(reader.openMemory(oneByte, 1, L"short.msh", error));
    EXPECT_EQ(error.kind, MshErrorTruncated);
    EXPECT_EQ(error.field, "objectCount");
    EXPECT_EQ(error.offset, 0u);

    EXPECT_FALSE(reader.openMemory("MESH08", 6, L"magic-only.msh", error));
    EXPECT_EQ(error.field, "objectCount");
    EXPECT_EQ(error.offset, 6u);
}
