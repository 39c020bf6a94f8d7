// Encodings: UTF-8 validity, the Windows-1252 fallback and its conversion,
// byte-order marks. Expected UTF-8 bytes are the code points' standard
// encodings (U+00E9 is C3 A9, U+20AC is E2 82 AC, U+2019 is E2 80 99).
#include <gtest/gtest.h>

#include "csv/encoding.h"

namespace qrv::csv {
namespace {

TEST(Encoding, ValidUtf8IsFoundValid) {
    EXPECT_EQ(firstInvalidUtf8(""), std::string_view::npos);
    EXPECT_EQ(firstInvalidUtf8("plain ascii\r\n"), std::string_view::npos);
    EXPECT_EQ(firstInvalidUtf8("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"),
              std::string_view::npos);
}

TEST(Encoding, InvalidUtf8IsFoundAtItsFirstBadByte) {
    EXPECT_EQ(firstInvalidUtf8("caf\xE9"), 3u);             // Windows-1252 é
    EXPECT_EQ(firstInvalidUtf8("ab\xC3"), 2u);              // cut short
    EXPECT_EQ(firstInvalidUtf8("a\xC0\x80"), 1u);           // overlong NUL
    EXPECT_EQ(firstInvalidUtf8("ab\xED\xA0\x80"), 2u);      // a UTF-16 surrogate
    EXPECT_EQ(firstInvalidUtf8("\x80"), 0u);                // a lone continuation byte
    EXPECT_EQ(firstInvalidUtf8("ok\xF4\x90\x80\x80"), 2u);  // beyond U+10FFFF
}

TEST(Encoding, Utf8TextIsTakenAsItIsWithoutItsBom) {
    auto d = decodeText("\xEF\xBB\xBFName\ncaf\xC3\xA9\n", Encoding::Auto);
    ASSERT_TRUE(d) << d.error().description;
    EXPECT_EQ(d->encoding, Encoding::Utf8);
    EXPECT_EQ(d->text(), "Name\ncaf\xC3\xA9\n");
}

TEST(Encoding, InvalidUtf8FallsBackToWindows1252) {
    // c a f 0xE9: "café" as Windows-1252 saves it.
    auto d = decodeText("Name\n\x63\x61\x66\xE9\n", Encoding::Auto);
    ASSERT_TRUE(d) << d.error().description;
    EXPECT_EQ(d->encoding, Encoding::Windows1252);
    EXPECT_EQ(d->text(), "Name\ncaf\xC3\xA9\n");
    // 0x80 is the euro sign and 0x92 the right single quote in Windows-1252,
    // where Latin-1 would have control characters.
    auto e = decodeText("\x80 5, it\x92s", Encoding::Auto);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->text(), "\xE2\x82\xAC 5, it\xE2\x80\x99s");
}

TEST(Encoding, ForcedEncodings) {
    // Valid UTF-8 read as Windows-1252 on request: each byte is one character.
    auto d = decodeText("caf\xC3\xA9", Encoding::Windows1252);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->text(), "caf\xC3\x83\xC2\xA9");
    // Forcing UTF-8 on Windows-1252 bytes names the line of the first bad byte.
    auto bad = decodeText("Name\nok\ncaf\xE9\n", Encoding::Utf8);
    ASSERT_FALSE(bad);
    EXPECT_NE(bad.error().description.find("Line 3"), std::string::npos) << bad.error().description;
}

TEST(Encoding, MixedEncodingsAreRefusedUnlessForced) {
    // Line 2 has UTF-8 "é" (C3 A9), line 3 a Windows-1252 one (E9).
    const std::string_view mixed = "Name\ncaf\xC3\xA9\ncaf\xE9\n";
    EXPECT_EQ(firstMultibyteUtf8(mixed), 8u);
    EXPECT_EQ(firstMultibyteUtf8("caf\xE9 only"), std::string_view::npos);
    auto d = decodeText(mixed, Encoding::Auto);
    ASSERT_FALSE(d);
    EXPECT_NE(d.error().description.find("Line 3 is not valid UTF-8, but line 2"),
              std::string::npos)
        << d.error().description;
    auto forced = decodeText(mixed, Encoding::Windows1252);
    ASSERT_TRUE(forced);
    EXPECT_EQ(forced->text(), "Name\ncaf\xC3\x83\xC2\xA9\ncaf\xC3\xA9\n");
}

TEST(Encoding, Utf16IsRefused) {
    EXPECT_FALSE(decodeText(std::string_view("\xFF\xFEN\0a\0", 6), Encoding::Auto));
    EXPECT_FALSE(decodeText(std::string_view("\xFE\xFF\0N\0a", 6), Encoding::Auto));
}

TEST(Encoding, Names) {
    EXPECT_EQ(*parseEncodingName("UTF-8"), Encoding::Utf8);
    EXPECT_EQ(*parseEncodingName("utf8"), Encoding::Utf8);
    EXPECT_EQ(*parseEncodingName("Windows-1252"), Encoding::Windows1252);
    EXPECT_EQ(*parseEncodingName("cp1252"), Encoding::Windows1252);
    EXPECT_FALSE(parseEncodingName("latin9"));
    EXPECT_EQ(lineAt("a\nb\nc", 0), 1);
    EXPECT_EQ(lineAt("a\nb\nc", 2), 2);
    EXPECT_EQ(lineAt("a\nb\nc", 4), 3);
}

}  // namespace
}  // namespace qrv::csv
