#include "gltf/core/UriText.h"
#include "scene/FileNames.h"

#include <gtest/gtest.h>

using namespace mshgltf;

TEST(UriText, TextureNamesArePercentEncodedAndDecodedBack) {
    EXPECT_EQ(percentEncode("hero.png"), "hero.png");
    EXPECT_EQ(percentEncode("my tex #1.tga"), "my%20tex%20%231.tga");
    EXPECT_EQ(percentEncode("caf\xC3\xA9.png"), "caf%C3%A9.png");
    EXPECT_EQ(percentEncode("100%.png"), "100%25.png");
    for (const char* name : {"my tex #1.tga", "caf\xC3\xA9.png", "100%.png", "a+b&c.dds"})
        EXPECT_EQ(percentDecode(percentEncode(name)), name);
    // A broken escape is kept, never read past the end.
    EXPECT_EQ(percentDecode("50%"), "50%");
    EXPECT_EQ(percentDecode("%G1x"), "%G1x");
    EXPECT_EQ(percentDecode("a%2"), "a%2");
}

TEST(UriText, LastComponentSplitsAtBothSeparators) {
    EXPECT_EQ(lastPathComponent(std::string("C:\\art\\tex\\skin.tga")), "skin.tga");
    EXPECT_EQ(lastPathComponent(std::string("models/hero.png")), "hero.png");
    EXPECT_EQ(lastPathComponent(std::string("plain.png")), "plain.png");
    EXPECT_EQ(lastPathComponent(std::wstring(L"D:\\a/b\\c.bmp")), L"c.bmp");
    EXPECT_EQ(lastPathComponent(std::string("dir\\")), "");
}
