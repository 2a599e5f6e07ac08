// The exporter's host-free decisions: file names, which influences a vertex keeps, the
// legacy bone table, the importer's weld order, and the loss report.

#include "exporter/ExportPaths.h"
#include "exporter/ExportReport.h"
#include "exporter/Influences.h"
#include "exporter/LegacySkinTable.h"
#include "exporter/WeldOrder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

TEST(ExportPaths, SiblingFilesLoseExactlyThreeCharacters) {
    EXPECT_EQ(L"C:\\m\\a.bn", bonePathFor(L"C:\\m\\a.msh"));
    EXPECT_EQ(L"C:\\m\\a.BBX", bbxPathFor(L"C:\\m\\a.msh"));
    EXPECT_EQ(L"C:\\m\\a.mebn", bonePathFor(L"C:\\m\\a.meshx"));
    EXPECT_EQ(L"D:\\art\\tree.bn", bonePathFor(L"D:\\art\\tree.MSH"));
    EXPECT_EQ(L"bn", bonePathFor(L"ab"));
}

TEST(ExportPaths, FileNameSplitsAtEitherSeparator) {
    EXPECT_EQ(L"a.BBX", fileNameOf(L"C:\\m\\a.BBX"));
    EXPECT_EQ(L"a.BBX", fileNameOf(L"C:/m/a.BBX"));
    EXPECT_EQ(L"a.BBX", fileNameOf(L"C:\\m/x\\a.BBX"));
    EXPECT_EQ(L"b.BBX", fileNameOf(L"C:/m\\x/b.BBX"));
    EXPECT_EQ(L"plain.BBX", fileNameOf(L"plain.BBX"));
    EXPECT_EQ(L"", fileNameOf(L"C:\\m\\"));
}

TEST(ExportPaths, BbxBaseNameDropsFolderAndFourCharacters) {
    EXPECT_EQ(L"tree", bbxBaseName(L"D:\\art\\tree.BBX"));
    EXPECT_EQ(L"tree", bbxBaseName(L"C:/one/tree.BBX"));
    EXPECT_EQ(L"a", bbxBaseName(L"C:\\m\\a.BBX"));
    EXPECT_EQ(L"", bbxBaseName(L"C:\\m\\.BBX"));
    EXPECT_EQ(L"", bbxBaseName(L"C:\\m\\BBX"));
}

std::vector<Influence> influences(const std::vector<float>& weights) {
    std::vector<Influence> list;
    for (size_t i = 0; i < weights.size(); ++i)
        list.push_back(Influence(static_cast<int>(i), weights[i]));
    return list;
}

float total(const std::vector<Influence>& list) {
    float sum = 0;
    for (const Influence& influence : list)
        sum += influence.weight;
    return sum;
}

TEST(Influences, FourOrFewerStayExactlyAsTheSkinGivesThem) {
    std::vector<Influence> list = influences({0.4f, 0.3f, 0.2f, 0.05f});
    EXPECT_FALSE(keepStrongestInfluences(list));
    ASSERT_EQ(4u, list.size());
    EXPECT_EQ(0.4f, list[0].weight);
    EXPECT_EQ(0.05f, list[3].weight);
    EXPECT_EQ(3, list[3].bone);
}

TEST(Influences, FiveKeepTheFourLargestInSkinOrderRescaledToTheTotal) {
    // The largest weight comes last; ties between the two 0.05 go to the earlier one.
    std::vector<Influence> list = influences({0.05f, 0.3f, 0.05f, 0.2f, 0.4f});
    EXPECT_TRUE(keepStrongestInfluences(list));
    ASSERT_EQ(4u, list.size());
    EXPECT_EQ(0, list[0].bone);
    EXPECT_EQ(1, list[1].bone);
    EXPECT_EQ(3, list[2].bone);
    EXPECT_EQ(4, list[3].bone);
    EXPECT_NEAR(1.0f, total(list), 1e-6f);
    EXPECT_NEAR(0.4f / 0.95f, list[3].weight, 1e-6f);
    EXPECT_NEAR(0.05f / 0.95f, list[0].weight, 1e-6f);
}

TEST(Influences, RescalingKeepsAnOriginalTotalOtherThanOne) {
    std::vector<Influence> list = influences({0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f});
    EXPECT_TRUE(keepStrongestInfluences(list));
    ASSERT_EQ(4u, list.size());
    EXPECT_NEAR(3.0f, total(list), 1e-5f);
    EXPECT_EQ(3, list[3].bone);
}

TEST(Influences, NonFiniteWeightsAreDroppedBeforeAnyChoice) {
    std::vector<Influence> list = influences({0.2f, std::numeric_limits<float>::quiet_NaN(), 0.3f,
                                              -std::numeric_limits<float>::infinity(), 0.2f, 0.2f});
    EXPECT_TRUE(dropNonFiniteWeights(list));
    ASSERT_EQ(4u, list.size());
    EXPECT_EQ(2, list[1].bone);
    EXPECT_FALSE(keepStrongestInfluences(list));
    EXPECT_FALSE(dropNonFiniteWeights(list));
}

TEST(Influences, SumsThatAreNotFiniteAndPositiveScaleNothing) {
    // The NaN is dropped by the ranking; before, it made every kept weight NaN.
    std::vector<Influence> withNan =
        influences({0.2f, std::numeric_limits<float>::quiet_NaN(), 0.2f, 0.2f, 0.2f});
    EXPECT_TRUE(keepStrongestInfluences(withNan));
    for (const Influence& influence : withNan) {
        EXPECT_NE(1, influence.bone);
        EXPECT_EQ(0.2f, influence.weight);
    }
    // A negative total: the kept weights stay as given instead of growing ten-thousand-fold
    // with their signs flipped.
    std::vector<Influence> negative = influences({1.0f, -0.9999f, 0.00005f, 0.00005f, -2.0f});
    EXPECT_TRUE(keepStrongestInfluences(negative));
    ASSERT_EQ(4u, negative.size());
    EXPECT_EQ(1.0f, negative[0].weight);
    EXPECT_EQ(-0.9999f, negative[1].weight);
    EXPECT_EQ(0.00005f, negative[3].weight);

    std::vector<Influence> zeros = influences({0, 0, 0, 0, 0});
    EXPECT_TRUE(keepStrongestInfluences(zeros));
    ASSERT_EQ(4u, zeros.size());
    EXPECT_EQ(0.0f, total(zeros));
    // Mixed signs whose kept sum is tiny but positive would scale past a float.
    std::vector<Influence> huge = influences({3e38f, -3e38f, 1e-30f, 0.0f, 1.0f});
    EXPECT_TRUE(keepStrongestInfluences(huge));
    for (const Influence& influence : huge)
        EXPECT_TRUE(std::isfinite(influence.weight)) << influence.weight;
}

SkinPoints points(const std::vector<std::vector<std::pair<int, float>>>& raw) {
    SkinPoints result;
    for (const auto& point : raw) {
        std::vector<Influence> list;
        for (const auto& pair : point)
            list.push_back(Influence(pair.first, pair.second));
        result.push_back(list);
    }
    return result;
}

TEST(LegacySkinTable, FirstFourBonesInUseGiveTheSkinsOwnNumbering) {
    LegacySkinTable table =
        buildLegacySkinTable(points({{{0, 0.5f}, {3, 0.5f}}, {{1, 0.25f}, {2, 0.75f}}}));
    ASSERT_EQ((std::vector<int>{0, 1, 2, 3}), table.bones);
    ASSERT_EQ(2u, table.entries.size());
    EXPECT_EQ(0, table.entries[0].vertex);
    EXPECT_EQ(2, table.entries[0].count);
    EXPECT_EQ(0, table.entries[0].bone[0]);
    EXPECT_EQ(3, table.entries[0].bone[1]);
    EXPECT_EQ(0, table.entries[0].bone[2]);
    EXPECT_EQ(0.0f, table.entries[0].weight[2]);
    EXPECT_EQ(1, table.entries[1].vertex);
    EXPECT_EQ(0.75f, table.entries[1].weight[1]);
    EXPECT_TRUE(table.droppedBones.empty());
    EXPECT_EQ(0, table.cappedPoints);
}

TEST(LegacySkinTable, BonesBeyondTheFourthAreRenumberedIntoTheTable) {
    // Six skin bones, of which only 0, 4 and 5 carry weight.
    LegacySkinTable table =
        buildLegacySkinTable(points({{{4, 1.0f}}, {{0, 0.5f}, {5, 0.5f}}, {{5, 0.2f}, {4, 0.8f}}}));
    ASSERT_EQ((std::vector<int>{0, 4, 5}), table.bones);
    EXPECT_EQ(1, table.entries[0].bone[0]);
    EXPECT_EQ(1.0f, table.entries[0].weight[0]);
    EXPECT_EQ(1, table.entries[2].bone[1]);
    EXPECT_EQ(0.8f, table.entries[2].weight[1]);
    EXPECT_EQ(2, table.entries[2].bone[0]);
    EXPECT_EQ(2, table.entries[1].bone[1]);
    EXPECT_EQ(0, table.entries[1].bone[0]);
    for (const MshSkinVertex& entry : table.entries)
        for (int slot = 0; slot < entry.count; ++slot)
            EXPECT_LT(entry.bone[slot], static_cast<int>(table.bones.size()));
}

TEST(LegacySkinTable, InfluencesOnBonesWithoutRoomAreDroppedAndCounted) {
    LegacySkinTable table = buildLegacySkinTable(points({{{0, 0.2f}, {1, 0.2f}, {2, 0.2f}},
                                                         {{3, 0.5f}, {4, 0.5f}},
                                                         {{5, 1.0f}},
                                                         {{5, 0.0f}, {0, 1.0f}}}));
    ASSERT_EQ((std::vector<int>{0, 1, 2, 3}), table.bones);
    EXPECT_EQ((std::vector<int>{4, 5}), table.droppedBones);
    EXPECT_EQ(2, table.pointsLosingBones);
    EXPECT_EQ(1, table.entries[1].count);
    EXPECT_EQ(3, table.entries[1].bone[0]);
    EXPECT_EQ(0.5f, table.entries[1].weight[0]);
    EXPECT_EQ(0, table.entries[2].count);
    // A zero weight on a bone without room loses nothing.
    EXPECT_EQ(1, table.entries[3].count);
    EXPECT_EQ(0, table.entries[3].bone[0]);
}

TEST(LegacySkinTable, ZeroWeightsTakeNoPlaceInTheTable) {
    LegacySkinTable table = buildLegacySkinTable(
        points({{{0, 0.0f}, {1, 0.0f}, {2, 0.0f}, {5, 1.0f}}, {{3, 0.5f}, {4, 0.5f}}}));
    ASSERT_EQ((std::vector<int>{3, 4, 5}), table.bones);
    EXPECT_TRUE(table.droppedBones.empty());
    EXPECT_EQ(1, table.entries[0].count);
    EXPECT_EQ(2, table.entries[0].bone[0]);
}

TEST(LegacySkinTable, FiveInfluencesKeepTheStrongestBeforeTheTableIsChosen) {
    LegacySkinTable table =
        buildLegacySkinTable(points({{{0, 0.05f}, {1, 0.05f}, {2, 0.2f}, {3, 0.3f}, {4, 0.4f}}}));
    EXPECT_EQ(1, table.cappedPoints);
    ASSERT_EQ((std::vector<int>{0, 2, 3, 4}), table.bones);
    ASSERT_EQ(4, table.entries[0].count);
    EXPECT_EQ(3, table.entries[0].bone[3]);
    EXPECT_NEAR(0.4f / 0.95f, table.entries[0].weight[3], 1e-6f);
}

Mesh8Vertex corner(float x, float y, float z, float nz = 1.0f) {
    Mesh8Vertex vertex;
    memset(&vertex, 0, sizeof vertex);
    vertex.position[0] = x;
    vertex.position[1] = y;
    vertex.position[2] = z;
    vertex.vertexNormal[2] = nz;
    return vertex;
}

// Unrolls faces over source positions, as the Mesh8 assembly does.
void unroll(const std::vector<Mesh8Vertex>& sources, const std::vector<int>& faceCorners,
            std::vector<Mesh8Vertex>& corners, std::vector<int>& cornerSource) {
    for (int v : faceCorners) {
        corners.push_back(sources[v]);
        cornerSource.push_back(v);
    }
}

TEST(WeldOrder, RecordsFollowFirstAppearanceThenUnusedVertices) {
    std::vector<Mesh8Vertex> sources = {corner(0, 0, 0), corner(1, 0, 0), corner(0, 1, 0),
                                        corner(1, 1, 0), corner(5, 5, 5)};
    std::vector<Mesh8Vertex> corners;
    std::vector<int> cornerSource;
    unroll(sources, {2, 0, 1, 1, 0, 3}, corners, cornerSource);
    std::vector<int> order;
    ASSERT_TRUE(boneRecordOrder(corners, cornerSource, 5, order));
    EXPECT_EQ((std::vector<int>{2, 0, 1, 3, 4}), order);
}

TEST(WeldOrder, IdenticalSourceVerticesWeldAndTheSecondGoesLast) {
    std::vector<Mesh8Vertex> sources = {corner(0, 0, 0), corner(1, 0, 0), corner(0, 1, 0),
                                        corner(1, 0, 0)};
    // -0.0 welds with 0.0, as Point3::operator== says.
    sources.push_back(corner(-0.0f, 1, 0));
    std::vector<Mesh8Vertex> corners;
    std::vector<int> cornerSource;
    unroll(sources, {0, 1, 2, 3, 4, 0}, corners, cornerSource);
    std::vector<int> order;
    ASSERT_TRUE(boneRecordOrder(corners, cornerSource, 5, order));
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4}), order);

    std::vector<Mesh8Vertex> swapped;
    std::vector<int> swappedSource;
    unroll(sources, {3, 4, 0, 1, 2, 0}, swapped, swappedSource);
    ASSERT_TRUE(boneRecordOrder(swapped, swappedSource, 5, order));
    EXPECT_EQ((std::vector<int>{3, 4, 0, 1, 2}), order);
}

TEST(WeldOrder, ANormalDifferingInOneBitKeepsVerticesApart) {
    float nz = std::nextafter(1.0f, 2.0f);
    std::vector<Mesh8Vertex> sources = {corner(0, 0, 0), corner(0, 0, 0, nz), corner(0, 1, 0)};
    std::vector<Mesh8Vertex> corners;
    std::vector<int> cornerSource;
    unroll(sources, {1, 0, 2}, corners, cornerSource);
    std::vector<int> order;
    ASSERT_TRUE(boneRecordOrder(corners, cornerSource, 3, order));
    EXPECT_EQ((std::vector<int>{1, 0, 2}), order);
}

TEST(WeldOrder, AVertexThatWouldWeldTwiceIsRefused) {
    std::vector<Mesh8Vertex> sources = {corner(std::numeric_limits<float>::quiet_NaN(), 0, 0),
                                        corner(1, 0, 0), corner(0, 1, 0)};
    std::vector<Mesh8Vertex> corners;
    std::vector<int> cornerSource;
    unroll(sources, {0, 1, 2}, corners, cornerSource);
    std::vector<int> order;
    EXPECT_TRUE(boneRecordOrder(corners, cornerSource, 3, order));
    unroll(sources, {2, 1, 0}, corners, cornerSource);
    EXPECT_FALSE(boneRecordOrder(corners, cornerSource, 3, order));
    EXPECT_TRUE(order.empty());
}

TEST(ExportReport, ItemsAreListedOnceAndLongListsShortened) {
    ExportReport report;
    for (int i = 0; i < 25; ++i)
        report.add(L"item " + countText(i));
    report.add(L"item 3");
    EXPECT_EQ(25u, report.size());
    std::wstring text = report.messageText(20);
    EXPECT_NE(std::wstring::npos, text.find(L"\n- item 19"));
    EXPECT_EQ(std::wstring::npos, text.find(L"item 20"));
    EXPECT_NE(std::wstring::npos, text.find(L"\n... and 5 more"));
    EXPECT_EQ(std::wstring::npos, report.messageText(25).find(L"more"));
}

TEST(ExportReport, CutTextIsStoredAsFarAsItFitsAndReported) {
    ExportReport report;
    char field[100];
    storeReportedText(field, sizeof field, L"Arm", L"name of node", report);
    EXPECT_TRUE(report.empty());
    EXPECT_STREQ("Arm", field);

    storeReportedText(field, sizeof field, L"Ko\u0141o", L"name of node", report);
    EXPECT_STREQ("Ko", field);
    ASSERT_EQ(1u, report.size());
    EXPECT_NE(std::wstring::npos, report.entries()[0].find(L"U+0141"));
    EXPECT_NE(std::wstring::npos, report.entries()[0].find(L"\"Ko\u0141o\""));

    std::wstring longName(120, L'x');
    storeReportedText(field, sizeof field, longName, L"name of node", report);
    EXPECT_EQ(0, memcmp(field, std::string(100, 'x').data(), 100));
    ASSERT_EQ(2u, report.size());
    EXPECT_NE(std::wstring::npos, report.entries()[1].find(L"100 characters"));

    std::wstring exact(100, L'y');
    storeReportedText(field, sizeof field, exact, L"name of node", report);
    EXPECT_EQ(2u, report.size());
}

TEST(ExportReport, CountsCarryThousandsSeparators) {
    EXPECT_EQ(L"0", countText(0));
    EXPECT_EQ(L"999", countText(999));
    EXPECT_EQ(L"65,535", countText(65535));
    EXPECT_EQ(L"1,000,000", countText(1000000));
}

} // namespace
