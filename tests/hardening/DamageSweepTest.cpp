// The importer under damage: windows of bytes in valid files of both layouts are overwritten
// (seeded, so every run sweeps the same damage) and each damaged file is imported into a
// scene that holds bones. Nothing may crash or misuse the host; every record the readers
// reject is reported with its record number and byte; and the records before the damage are
// built exactly as from the intact file.
#include "ImportRun.h"
#include "SceneSummary.h"
#include "TestFolder.h"

#include "format/MshFile.h"
#include "fuzz/ImportChecks.h"
#include "tests/format/RecordBuilders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <random>

using namespace hardening;
using namespace testrecords;

namespace {

struct Model {
    std::string name; ///< file name, whose extension decides bone file or not
    std::string bytes;
};

LegacyRecord named(LegacyRecord r, const std::wstring& parent, const std::wstring& texture) {
    storeTextField(r.header.parentName, sizeof r.header.parentName, parent);
    storeTextField(r.header.texturePath, sizeof r.header.texturePath, texture);
    return r;
}

LegacyRecord withoutSkinBlock(LegacyRecord r) {
    r.header.hasSkinBlock = 0;
    r.header.numSkinVerts = 0;
    return r;
}

Mesh8Record mesh8Child(Mesh8Record r, const std::wstring& parent) {
    storeTextField(r.header.parentName, sizeof r.header.parentName, parent);
    return r;
}

std::vector<Model> models() {
    std::vector<Model> list;
    list.push_back({"legacy.msh", legacyFile({legacyTriangle(L"Body", 2),
                                              named(legacyTriangle(L"Arm", 4), L"Body", L"arm.png"),
                                              withoutSkinBlock(legacyTriangle(L"Plain")),
                                              named(legacyTriangle(L"Hand", 3), L"Arm", L""),
                                              legacyTriangle(L"Tail", 1)})});
    list.push_back({"bones.bn", legacyFile({legacyTriangle(L"Pelvis"),
                                            named(legacyTriangle(L"Thigh"), L"Pelvis", L""),
                                            named(legacyTriangle(L"Shin"), L"Thigh", L"")})});
    list.push_back({"mesh8.msh", mesh8File({mesh8Quad(L"Quad8", true),
                                            mesh8Child(mesh8Quad(L"Child8", false), L"Quad8"),
                                            mesh8Child(mesh8Quad(L"Leaf8", true), L"Child8")})});
    return list;
}

// Where each record starts, its name, and the reader's first rejection (kind None when there
// is none).
struct Reading {
    std::vector<uint64_t> recordStarts;
    std::vector<std::string> names;
    MshError error;
};

Reading readAll(const std::string& bytes) {
    Reading reading;
    MshFileReader reader;
    if (!reader.openMemory(bytes.data(), bytes.size(), L"damaged", reading.error))
        return reading;
    while (reader.hasNext()) {
        reading.recordStarts.push_back(reader.fileSize() - reader.bytesRemaining());
        LegacyRecord legacy;
        Mesh8Record mesh8;
        bool ok = reader.layout() == MshLayoutMesh8 ? reader.readNextMesh8(mesh8, reading.error)
                                                    : reader.readNextLegacy(legacy, reading.error);
        if (!ok)
            break;
        const MshObjectHeader& h = reader.layout() == MshLayoutMesh8 ? mesh8.header : legacy.header;
        reading.names.push_back(readTextField(h.name, MSH_TEXT_FIELD_SIZE));
    }
    return reading;
}

// The descriptions of the nodes an intact import builds, one per record, in file order (the
// records of the test files have names of their own).
std::vector<std::string> intactRecords(const std::filesystem::path& file,
                                       const std::vector<std::string>& names) {
    fuzzing::resetBoneScene();
    size_t bones = describeScene().size();
    ImportRun run = importFile(file);
    EXPECT_EQ(run.result, IMPEXP_SUCCESS) << file << " must import cleanly";
    std::vector<std::string> scene = describeScene();
    EXPECT_EQ(scene.size(), bones + names.size());
    std::vector<std::string> records;
    for (const std::string& name : names)
        for (const std::string& node : scene)
            if (nodeNameOf(node) == name)
                records.push_back(node);
    EXPECT_EQ(records.size(), names.size());
    return records;
}

bool sceneHas(const std::vector<std::string>& scene, const std::string& node) {
    return std::find(scene.begin(), scene.end(), node) != scene.end();
}

void damage(std::string& bytes, size_t at, size_t length, std::mt19937& random) {
    unsigned pattern = random() % 4;
    for (size_t i = at; i < at + length && i < bytes.size(); ++i) {
        if (pattern == 0)
            bytes[i] = char(random());
        else if (pattern == 1)
            bytes[i] = '\xff';
        else if (pattern == 2)
            bytes[i] = '\0';
        else
            bytes[i] = char(bytes[i] ^ (1 << (random() % 8)));
    }
}

// The record that holds byte `at`: -1 for the container's own bytes.
int recordAt(const std::vector<uint64_t>& starts, size_t at) {
    int record = -1;
    for (size_t r = 0; r < starts.size(); ++r)
        if (starts[r] <= at)
            record = int(r);
    return record;
}

class DamageSweep : public ::testing::TestWithParam<Model> {};

TEST_P(DamageSweep, RecordsBeforeTheDamageAreBuiltAsFromTheIntactFile) {
    const Model& model = GetParam();
    TestFolder folder("damage");
    std::filesystem::path intactFile = folder.path() / model.name;
    writeFile(intactFile, model.bytes);
    Reading intactReading = readAll(model.bytes);
    ASSERT_TRUE(intactReading.error.ok()) << intactReading.error.describe();
    std::vector<std::string> intact = intactRecords(intactFile, intactReading.names);
    ASSERT_EQ(intact.size(), intactReading.recordStarts.size());

    std::mt19937 random(20261209);
    const size_t lengths[] = {1, 2, 3, 4, 8, 16, 40};
    std::filesystem::path damagedFile =
        folder.path() / ("damaged" + intactFile.extension().string());
    int imports = 0, rejected = 0;
    for (size_t at = 0; at < model.bytes.size(); at += 1 + random() % 5) {
        std::string bytes = model.bytes;
        size_t length = lengths[random() % (sizeof lengths / sizeof lengths[0])];
        damage(bytes, at, length, random);
        writeFile(damagedFile, bytes);
        Reading reading = readAll(bytes);

        fuzzing::resetBoneScene();
        ImportRun run = importFile(damagedFile);
        ++imports;
        std::string where =
            model.name + ": " + std::to_string(length) + " bytes at " + std::to_string(at);
        ASSERT_TRUE(run.misuse.empty()) << where << ": host misuse: " << run.misuse[0];
        if (!reading.error.ok()) {
            ++rejected;
            EXPECT_EQ(run.result, IMPEXP_FAIL) << where << ": rejected file imported as success";
            std::vector<std::wstring> parts = {L"Import stopped",
                                               L"at byte " + std::to_wstring(reading.error.offset)};
            if (reading.error.record >= 0)
                parts.push_back(L"record " + std::to_wstring(reading.error.record));
            EXPECT_TRUE(someMessageHas(run, parts))
                << where << ": no clear message for " << reading.error.describe();
        }
        std::vector<std::string> scene = describeScene();
        int firstDamaged = recordAt(intactReading.recordStarts, at);
        for (int r = 0; r < firstDamaged; ++r)
            EXPECT_TRUE(sceneHas(scene, intact[size_t(r)]))
                << where << ": record " << r << " (" << nodeNameOf(intact[size_t(r)])
                << ") before the damage was built differently";
    }
    std::cout << "damage sweep " << model.name << ": " << imports << " damaged imports, "
              << rejected << " rejected by the readers" << std::endl;
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, DamageSweep, ::testing::ValuesIn(models()),
                         [](const ::testing::TestParamInfo<Model>& param) {
                             std::string name = param.param.name;
                             name[name.find('.')] = '_';
                             return name;
                         });

} // namespace
