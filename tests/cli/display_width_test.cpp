// Display widths. The expected widths follow the Unicode character data
// (EastAsianWidth.txt: W and F take two columns; general categories Mn, Me
// and Cf none), checked by hand with Python's unicodedata module.
#include "cli/display_width.h"

#include <gtest/gtest.h>

namespace qrv::cli {
namespace {

TEST(DisplayWidth, CodePointsByClass) {
    EXPECT_EQ(codePointWidth(U'a'), 1);
    EXPECT_EQ(codePointWidth(U'\u00E9'), 1);      // é, ambiguous: one column outside East Asia
    EXPECT_EQ(codePointWidth(U'\u4E2D'), 2);      // 中, wide
    EXPECT_EQ(codePointWidth(U'\uAC00'), 2);      // 가, wide Hangul syllable
    EXPECT_EQ(codePointWidth(U'\uFF21'), 2);      // Ａ, fullwidth
    EXPECT_EQ(codePointWidth(U'\uFF71'), 1);      // ｱ, halfwidth katakana
    EXPECT_EQ(codePointWidth(U'\U0001F600'), 2);  // emoji, wide
    EXPECT_EQ(codePointWidth(U'\u0301'), 0);      // combining acute accent (Mn)
    EXPECT_EQ(codePointWidth(U'\u20DD'), 0);      // combining enclosing circle (Me)
    EXPECT_EQ(codePointWidth(U'\u200D'), 0);      // zero-width joiner (Cf)
    EXPECT_EQ(codePointWidth(U'\u1161'), 0);      // Hangul medial vowel, joins the syllable
    EXPECT_EQ(codePointWidth(U'\u00AD'), 1);      // soft hyphen: terminals show it
}

TEST(DisplayWidth, WholeTexts) {
    EXPECT_EQ(displayWidth(""), 0);
    EXPECT_EQ(displayWidth("Region"), 6);
    EXPECT_EQ(displayWidth("東京都"), 6);
    EXPECT_EQ(displayWidth("Cafe\u0301"), 4);  // "Café" with a combining accent
    EXPECT_EQ(displayWidth("Café"), 4);        // the same, precomposed
    EXPECT_EQ(displayWidth("a\tb\r\nc"), 6);   // control characters shown as blanks
    EXPECT_EQ(displayWidth("ab\xFF"), 3);      // an invalid byte takes one column
}

TEST(DisplayWidth, PrintableReplacesControlsAndInvalidBytes) {
    EXPECT_EQ(printable("one\r\ntwo\tthree"), "one  two three");
    EXPECT_EQ(printable("x\xC3"), "x\xEF\xBF\xBD");  // a cut-off sequence becomes U+FFFD
    EXPECT_EQ(printable("東京"), "東京");
}

TEST(DisplayWidth, FitLeavesShortTextsAlone) {
    EXPECT_EQ(fitWidth("Harbour", 7), "Harbour");
    EXPECT_EQ(fitWidth("東京", 4), "東京");
    EXPECT_EQ(fitWidth("", 3), "");
}

TEST(DisplayWidth, FitCutsWithEllipsis) {
    EXPECT_EQ(fitWidth("Harbour Street", 8), "Harbour…");
    EXPECT_EQ(fitWidth("abc", 1), "…");
    EXPECT_EQ(fitWidth("abc", 0), "");
    // A wide character that would straddle the edge is left out whole: four
    // columns leave three before the ellipsis, room for one wide character.
    EXPECT_EQ(fitWidth("東京都庁", 4), "東…");
    EXPECT_EQ(displayWidth(fitWidth("東京都庁", 4)), 3);
    EXPECT_EQ(fitWidth("東京都庁", 5), "東京…");
}

TEST(DisplayWidth, FitKeepsMarksWithTheirBase) {
    // The accent belongs to the e that fits...
    EXPECT_EQ(fitWidth("Cafe\u0301 Royal", 5), "Cafe\u0301…");
    // ...and goes with a base character that does not.
    EXPECT_EQ(fitWidth("abe\u0301cd", 3), "ab…");
}

TEST(DisplayWidth, PadToExactWidth) {
    EXPECT_EQ(padWidth("ab", 4), "ab  ");
    EXPECT_EQ(padWidth("ab", 4, true), "  ab");
    EXPECT_EQ(padWidth("東", 3), "東 ");
    EXPECT_EQ(padWidth("Cafe\u0301", 6), "Cafe\u0301  ");
    // Cut to an odd width, a wide text gets one blank after the ellipsis.
    EXPECT_EQ(padWidth("東京都", 4), "東… ");
    for (int w = 0; w < 8; ++w) EXPECT_EQ(displayWidth(padWidth("東京都庁ab", w)), w) << w;
}

}  // namespace
}  // namespace qrv::cli
