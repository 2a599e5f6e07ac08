// The structure-aware fuzzer is only as good as its framing and its edits: every seed must
// come apart and go back together byte for byte, and the edits must reach both files the
// readers accept (deep paths) and files they reject.
#include "format/MshFile.h"
#include "fuzz/ModelImage.h"
#include "fuzz/ModelMutator.h"
#include "fuzz/SeedModels.h"

#include <gtest/gtest.h>

using namespace fuzzing;

namespace {

bool readersAcceptAll(const std::string& bytes) {
    MshFileReader reader;
    MshError error;
    if (!reader.openMemory(bytes.data(), bytes.size(), L"mutated", error))
        return false;
    while (reader.hasNext()) {
        LegacyRecord legacy;
        Mesh8Record mesh8;
        bool ok = reader.layout() == MshLayoutMesh8 ? reader.readNextMesh8(mesh8, error)
                                                    : reader.readNextLegacy(legacy, error);
        if (!ok)
            return false;
    }
    return true;
}

const uint8_t* bytesOf(const std::string& text) {
    return reinterpret_cast<const uint8_t*>(text.data());
}

TEST(ModelImage, EverySeedFramesAndWritesBackByteForByte) {
    for (const SeedFile& seed : formatSeeds()) {
        ModelImage image;
        if (seed.bytes.size() < 2) {
            EXPECT_FALSE(parseModelImage(bytesOf(seed.bytes), seed.bytes.size(), image));
            continue;
        }
        bool framed = parseModelImage(bytesOf(seed.bytes), seed.bytes.size(), image);
        // The short seed promises a record it does not hold.
        if (seed.name == "legacy-short") {
            EXPECT_FALSE(framed);
            continue;
        }
        ASSERT_TRUE(framed) << seed.name;
        EXPECT_EQ(serializeModelImage(image), seed.bytes) << seed.name;
    }
}

TEST(ModelMutator, EditsReachAcceptedAndRejectedFilesAndKeepTheirFraming) {
    std::mt19937 random(7);
    int accepted = 0, rejected = 0, unframed = 0;
    for (const SeedFile& seed : formatSeeds()) {
        ModelImage image;
        if (!parseModelImage(bytesOf(seed.bytes), seed.bytes.size(), image))
            continue;
        for (int round = 0; round < 200; ++round) {
            ModelImage edited = image;
            mutateModelImage(edited, random);
            std::string bytes = serializeModelImage(edited);
            ModelImage again;
            if (parseModelImage(bytesOf(bytes), bytes.size(), again))
                EXPECT_EQ(serializeModelImage(again), bytes) << seed.name << " round " << round;
            else
                ++unframed;
            (readersAcceptAll(bytes) ? accepted : rejected)++;
        }
    }
    // Both kinds in fair numbers; neither may starve.
    EXPECT_GT(accepted, 500);
    EXPECT_GT(rejected, 500);
    EXPECT_GT(unframed, 0);
    std::cout << "structured edits: " << accepted << " accepted, " << rejected << " rejected, "
              << unframed << " no longer framed" << std::endl;
}

} // namespace
