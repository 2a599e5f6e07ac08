// Files that are not what a command expects are named for what they are; text from files is
// shown with its control bytes escaped; BBX files are shown and checked.
#include "tests/cli/CliTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

using clitest::mshtool;
namespace fs = std::filesystem;

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

void writeText(const std::string& path, const std::string& text) {
    clitest::writeBytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

} // namespace

TEST(FileKind, WrongFilesAreNamedForWhatTheyAre) {
    std::string dir = clitest::makeSample("file-kinds");
    writeText(dir + "/photo.msh", std::string("\xFF\xD8\xFF\xE0", 4) + std::string(2000, 'j'));
    writeText(dir + "/scene.glb", std::string("glTF\x02\0\0\0", 8) + std::string(100, '\0'));
    writeText(dir + "/empty.msh", "");
    std::string source = "// notes\n" + std::string(291, 'x');
    writeText(dir + "/notes.msh", source);
    fs::create_directories(dir + "/folder.msh");
    clitest::Run run =
        mshtool({"info", dir + "/hero.png", dir + "/photo.msh", dir + "/scene.glb",
                 dir + "/empty.msh", dir + "/folder.msh", dir + "/notes.msh", dir + "/hero.bn"});
    EXPECT_EQ(run.exitCode, 1);
    for (const std::string& line :
         {dir + "/hero.png is a PNG image, not a model file",
          dir + "/photo.msh is a JPEG image, not a model file",
          dir + "/scene.glb is a binary glTF file (GLB), not a model file",
          dir + "/empty.msh is an empty file, not a model file",
          dir + "/folder.msh: no model files in this folder",
          // "//" counts 0x2F2F objects of at least 693 bytes each.
          dir + "/notes.msh: not an MSH or BN file: its first two bytes count 12079 objects, "
                "which take at least 8370749 bytes, but the file has 300"})
        EXPECT_TRUE(contains(run.err, "mshtool: " + line + "\n")) << line << "\n" << run.err;
    EXPECT_TRUE(contains(run.out, "hero.bn: legacy, 5 objects")) << "the others are still shown";

    run = mshtool({"to-gltf", dir + "/hero.png", "-o", dir + "/png.glb"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "mshtool: " + dir + "/hero.png is a PNG image, not a model file\n");
    EXPECT_FALSE(fs::exists(dir + "/png.glb"));
    run = mshtool({"from-gltf", dir + "/hero.msh", "-o", dir + "/back.msh"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "mshtool: " + dir +
                           "/hero.msh is an MSH file (legacy layout), not a glTF "
                           "file\n");
    run = mshtool(
        {"convert", dir + "/hero.msh", "--bones", dir + "/hero_mesh8.msh", "-o", dir + "/c.msh"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(contains(run.err, "hero_mesh8.msh is an MSH file (Mesh8 layout), not a BN file"));
}

TEST(FileKind, ControlBytesFromFilesAreShownEscaped) {
    std::string dir = clitest::makeSample("escaped");
    std::vector<unsigned char> bytes = clitest::bytesOf(dir + "/hero.bn");
    const char name[] = "Root\x1b[31m\x07\x81";
    std::memcpy(&bytes[2], name, sizeof name);
    clitest::writeBytes(dir + "/odd.bn", bytes);
    clitest::Run run = mshtool({"info", dir + "/odd.bn"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // 0x81 has no character in Windows-1252: it decodes to the control character U+0081.
    EXPECT_TRUE(contains(run.out, "[0] \"Root\\x1B[31m\\x07\\u0081\" parent \"NULL\"")) << run.out;
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
}

TEST(FileKind, BbxInfoAndCheck) {
    std::string dir = clitest::makeSample("bbx");
    clitest::Run run = mshtool({"info", dir + "/hero.BBX"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, dir + "/hero.BBX: bbx, model \"hero\"\n"
                             "  bounds: (-0.1, -0.1, -0.4) .. (0.1, 0.1, 4.4)\n");
    run = mshtool({"check", dir + "/hero.BBX"});
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out, dir + "/hero.BBX: ok (bbx; bones from " + dir + "/hero.bn)\n");

    // Renamed, with a control byte in its name and the box turned inside out on x.
    std::vector<unsigned char> bytes = clitest::bytesOf(dir + "/hero.BBX");
    bytes[1] = 0x01;
    std::swap_ranges(bytes.begin() + 256, bytes.begin() + 260, bytes.begin() + 268);
    clitest::writeBytes(dir + "/other.BBX", bytes);
    run = mshtool({"check", dir + "/other.BBX", "--bones", dir + "/hero.bn"});
    EXPECT_EQ(run.exitCode, 1);
    for (const std::string& problem : std::vector<std::string>{
             "basePath at byte 1: control byte 0x01 in the model name",
             "basePath at byte 0: the model name \"h\\x01ro\" is not the file's name less its last "
             "four characters, \"other\"",
             "boundsMin at byte 268: the minimum lies above the maximum on x: 0.1 > -0.1",
             "boundsMin at byte 268: expected (-0.1, -0.1, -0.4) .. (0.1, 0.1, 4.4), the union of "
             "the boxes of the 5 records of " +
                 dir + "/hero.bn, found (0.1, -0.1, -0.4) .. (-0.1, 0.1, 4.4)"})
        EXPECT_TRUE(contains(run.out, "  " + problem + "\n")) << problem << "\n" << run.out;
    bytes.resize(279);
    clitest::writeBytes(dir + "/short.bbx", bytes);
    run = mshtool({"check", dir + "/short.bbx"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(contains(run.out, "not a BBX file: expected 280 bytes, found 279")) << run.out;

    // An export with no bone in the scene writes the empty box, and its BN file no records.
    run = mshtool(
        {"convert", dir + "/hero.msh", "--no-bones", "-o", dir + "/none.msh", "--export-bones"});
    ASSERT_TRUE(fs::exists(dir + "/none.BBX")) << run.err;
    run = mshtool({"check", dir + "/none.BBX", "--no-bones"});
    EXPECT_EQ(run.out, dir + "/none.BBX: ok (bbx)\n");
    run = mshtool({"check", dir + "/none.BBX"});
    EXPECT_EQ(run.out, dir + "/none.BBX: ok (bbx; bones from " + dir + "/none.bn)\n");
    run = mshtool({"info", dir + "/none.BBX"});
    EXPECT_TRUE(contains(run.out, "  bounds: empty (exported without bones)\n")) << run.out;
}
