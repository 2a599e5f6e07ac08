#include "gltf/UriText.h"

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

TEST(UriText, Utf8ConversionKeepsEveryCharacter) {
    std::wstring text = L"Bone \u00e9\u00ff \u20ac";
    text += wchar_t(0x1F600);
    EXPECT_EQ(wideFromUtf8(utf8FromWide(text)), text);
    EXPECT_EQ(utf8FromWide(L"\u00e9"), "\xC3\xA9");
    // Malformed input becomes replacement characters, and a cut sequence is not read past.
    EXPECT_EQ(wideFromUtf8("a\xFF"), L"a\uFFFD");
    EXPECT_EQ(wideFromUtf8("\xE2\x82"), L"\uFFFD\uFFFD");
}
