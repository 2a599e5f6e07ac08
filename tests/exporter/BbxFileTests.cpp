// The BBX file: the bones' box with an empty start, and its 280 bytes.

#include "exporter/BbxFile.h"
#include "format/MshOutput.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>

namespace {

MshObject boneWithBox(float minX, float minY, float minZ, float maxX, float maxY, float maxZ) {
    MshObject record;
    record.header.boundsMin[0] = minX;
    record.header.boundsMin[1] = minY;
    record.header.boundsMin[2] = minZ;
    record.header.boundsMax[0] = maxX;
    record.header.boundsMax[1] = maxY;
    record.header.boundsMax[2] = maxZ;
    return record;
}

std::string fileBytes(const std::wstring& bbxPath, const std::vector<MshObject>& records,
                      ExportReport& report) {
    MemoryOutput output;
    EXPECT_TRUE(writeBbxFile(output, makeBbxFile(bbxPath, records, report)));
    return output.bytes();
}

void expectFloats(const std::string& bytes, size_t offset, float x, float y, float z) {
    float values[3];
    memcpy(values, bytes.data() + offset, sizeof values);
    EXPECT_EQ(x, values[0]);
    EXPECT_EQ(y, values[1]);
    EXPECT_EQ(z, values[2]);
}

TEST(BbxFile, NoBonesGiveAnEmptyBoxWithTheMinimumAboveTheMaximum) {
    ExportReport report;
    std::string bytes = fileBytes(L"C:\\m\\a.BBX", std::vector<MshObject>(), report);
    ASSERT_EQ(280u, bytes.size());
    expectFloats(bytes, 256, -FLT_MAX, -FLT_MAX, -FLT_MAX);
    expectFloats(bytes, 268, FLT_MAX, FLT_MAX, FLT_MAX);
    uint32_t maxBits;
    memcpy(&maxBits, bytes.data() + 256, 4);
    EXPECT_EQ(0xFF7FFFFFu, maxBits);
}

TEST(BbxFile, ABoneBelowZeroKeepsItsOwnMaximum) {
    ExportReport report;
    std::vector<MshObject> bones(1, boneWithBox(-1, -2, -3, -0.5f, 4, 5));
    std::string bytes = fileBytes(L"C:\\m\\a.BBX", bones, report);
    expectFloats(bytes, 256, -0.5f, 4, 5);
    expectFloats(bytes, 268, -1, -2, -3);
}

TEST(BbxFile, AxesCombineIndependently) {
    ExportReport report;
    std::vector<MshObject> bones;
    bones.push_back(boneWithBox(0, 0, 0, 1, 1, 1));
    bones.push_back(boneWithBox(-2, 0.5f, 0, 0, 3, 1));
    std::string bytes = fileBytes(L"C:\\m\\a.BBX", bones, report);
    expectFloats(bytes, 256, 1, 3, 1);
    expectFloats(bytes, 268, -2, 0, 0);
}

TEST(BbxFile, NameFieldHoldsTheFileNameWithoutFolderOrExtension) {
    ExportReport report;
    std::string bytes = fileBytes(L"C:\\m\\a.BBX", std::vector<MshObject>(), report);
    EXPECT_EQ('a', bytes[0]);
    EXPECT_EQ(std::string(255, '\0'), bytes.substr(1, 255));
    EXPECT_TRUE(report.empty());

    std::string one = fileBytes(L"C:\\one\\tree.BBX", std::vector<MshObject>(), report);
    std::string two = fileBytes(L"D:/two/tree.BBX", std::vector<MshObject>(), report);
    EXPECT_EQ(one, two);
    EXPECT_EQ(std::string("tree\0", 5), one.substr(0, 5));
}

TEST(BbxFile, ANameCutAtAWideCharacterIsReported) {
    ExportReport report;
    std::string bytes = fileBytes(L"C:\\m\\tr\u20ACe.BBX", std::vector<MshObject>(), report);
    EXPECT_EQ(std::string("tr\0", 3), bytes.substr(0, 3));
    EXPECT_EQ(std::string(253, '\0'), bytes.substr(3, 253));
    ASSERT_EQ(1u, report.size());
    EXPECT_NE(std::wstring::npos, report.entries()[0].find(L"U+20AC"));
}

TEST(BbxFile, ANameOfTheFieldsLengthHasNoTerminator) {
    ExportReport report;
    std::wstring name(256, L'n');
    std::string bytes = fileBytes(L"C:\\m\\" + name + L".BBX", std::vector<MshObject>(), report);
    EXPECT_EQ(std::string(256, 'n'), bytes.substr(0, 256));
    EXPECT_TRUE(report.empty());
    fileBytes(L"C:\\m\\" + name + L"x.BBX", std::vector<MshObject>(), report);
    EXPECT_EQ(1u, report.size());
}

} // namespace
