// Reading single cells: which texts are numbers, dates and yes/no values,
// and the values they give. Serial dates were computed with Python's
// datetime as (date - date(1899, 12, 30)).days; doubles are compared with the
// compiler's reading of the same literal.
#include <gtest/gtest.h>

#include <cmath>

#include "csv/cells.h"

namespace qrv::csv {
namespace {

std::optional<double> mdy(std::string_view s) {
    return readDate(s, DateOrder::MDY);
}

TEST(Cells, WholeNumbersWithin32BitsAreLong) {
    for (auto [text, value] : {std::pair{"0", 0.0},
                               {"42", 42.0},
                               {"-17", -17.0},
                               {"+5", 5.0},
                               {"2147483647", 2147483647.0},
                               {"-2147483648", -2147483648.0}}) {
        const NumberCell c = readNumber(text, '.');
        EXPECT_EQ(c.kind, NumberKind::Long) << text;
        EXPECT_EQ(c.value, value) << text;
    }
}

TEST(Cells, WholeNumbersBeyond32BitsAreWideUpTo2To53) {
    EXPECT_EQ(readNumber("2147483648", '.').kind, NumberKind::WideInteger);
    EXPECT_EQ(readNumber("-2147483649", '.').kind, NumberKind::WideInteger);
    // 2^53 = 9007199254740992 is the last whole number before doubles skip some.
    const NumberCell top = readNumber("9007199254740992", '.');
    EXPECT_EQ(top.kind, NumberKind::WideInteger);
    EXPECT_EQ(top.value, 9007199254740992.0);
    EXPECT_EQ(readNumber("9007199254740993", '.').kind, NumberKind::None);
    EXPECT_EQ(readNumber("12345678901234567890", '.').kind, NumberKind::None);
}

TEST(Cells, LeadingZerosAndMalformedNumbersAreNotNumbers) {
    for (const char* text : {"007", "-01", "00.5", "", "-", "+", ".", "1.2.3", "1e", "1e+", "12a",
                             " 12", "1,5", "0x10", "inf", "nan", "1 000", "e5"})
        EXPECT_EQ(readNumber(text, '.').kind, NumberKind::None) << "'" << text << "'";
}

TEST(Cells, DecimalsReadToTheNearestDouble) {
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"0.1", 0.1},
        {"1e-300", 1e-300},
        {"123456789.123456789", 123456789.123456789},
        {"-3.5", -3.5},
        {".5", 0.5},
        {"5.", 5.0},
        {"1E5", 1e5},
        {"2.5e+3", 2500.0},
        {"1.7976931348623157e308", 1.7976931348623157e308},
        {"4.9406564584124654e-324", 4.9406564584124654e-324},
        {"+0.25", 0.25},
    };
    for (const Case& c : cases) {
        const NumberCell n = readNumber(c.text, '.');
        EXPECT_EQ(n.kind, NumberKind::Decimal) << c.text;
        EXPECT_EQ(n.value, c.value) << c.text;
    }
    // The sign of zero survives.
    EXPECT_TRUE(std::signbit(readNumber("-0.0", '.').value));
    // Beyond the largest double the cell stays text rather than becoming infinity.
    EXPECT_EQ(readNumber("1e400", '.').kind, NumberKind::None);
}

TEST(Cells, DecimalCommaOnlyWhenAskedFor) {
    const NumberCell c = readNumber("3,5", ',');
    EXPECT_EQ(c.kind, NumberKind::Decimal);
    EXPECT_EQ(c.value, 3.5);
    EXPECT_EQ(readNumber("-0,125", ',').value, -0.125);
    EXPECT_EQ(readNumber("1,5e3", ',').value, 1500.0);
    EXPECT_EQ(readNumber("3.5", ',').kind, NumberKind::None);
    EXPECT_EQ(readNumber("3,5", '.').kind, NumberKind::None);
    EXPECT_EQ(readNumber("12", ',').kind, NumberKind::Long);
}

TEST(Cells, IsoAndUsDatesGiveSerialDays) {
    EXPECT_EQ(mdy("2024-02-29"), 45351.0);
    EXPECT_EQ(mdy("2024-03-01"), 45352.0);
    EXPECT_EQ(mdy("1899-12-30"), 0.0);
    EXPECT_EQ(mdy("1900-01-01"), 2.0);
    EXPECT_EQ(mdy("1970-01-01"), 25569.0);
    EXPECT_EQ(mdy("0100-01-01"), -657434.0);
    EXPECT_EQ(mdy("9999-12-31"), 2958465.0);
    EXPECT_EQ(mdy("2/29/2024"), 45351.0);
    EXPECT_EQ(mdy("03/01/2024"), 45352.0);
    EXPECT_EQ(mdy("2024-3-1"), 45352.0);
}

TEST(Cells, DatesWithTimes) {
    // 13:45:00 is 49500 of the day's 86400 seconds.
    EXPECT_DOUBLE_EQ(*mdy("2024-03-01 13:45:00"), 45352.0 + 49500.0 / 86400.0);
    EXPECT_DOUBLE_EQ(*mdy("2024-03-01T13:45"), 45352.0 + 49500.0 / 86400.0);
    EXPECT_DOUBLE_EQ(*mdy("3/1/2024 13:45"), 45352.0 + 49500.0 / 86400.0);
    EXPECT_DOUBLE_EQ(*mdy("1899-12-30 06:00:00"), 0.25);
    EXPECT_DOUBLE_EQ(*mdy("2024-03-01 23:59:59"), 45352.0 + 86399.0 / 86400.0);
}

TEST(Cells, ImpossibleDatesAreNotDates) {
    for (const char* text :
         {"2023-02-29",    "2024-02-30",       "2024-13-01",       "2024-00-10",
          "2024-04-31",    "1900-02-29",       "13/1/2024",        "2/30/2024",
          "0099-12-31",    "2024-03-01 24:00", "2024-03-01 12:60", "2024-03-01 12:30:60",
          "2024-03-01 12", "2024-03-01x",      "24-03-01",         "2024/03/01",
          "3/1/24",        "2024-03-01T",      "3/1/2024T12:00",   ""})
        EXPECT_FALSE(mdy(text)) << text;
    // 2000 was a leap year (divisible by 400), 1900 was not.
    EXPECT_TRUE(mdy("2000-02-29"));
}

TEST(Cells, SlashedDatesInTheOrderAsked) {
    // 2026-02-01 is serial 46054, 2026-01-02 is 46024.
    const struct {
        const char* text;
        DateOrder order;
        double serial;  // 0: not a date in that order
    } cases[] = {
        {"01/02/2026", DateOrder::DMY, 46054},   {"01/02/2026", DateOrder::MDY, 46024},
        {"13/02/2026", DateOrder::DMY, 46066},   {"13/02/2026", DateOrder::MDY, 0},
        {"2026/02/01", DateOrder::YMD, 46054},   {"2026/02/01", DateOrder::DMY, 0},
        {"01/02/2026", DateOrder::YMD, 0},       {"2026-02-01", DateOrder::DMY, 46054},
        {"2026-02-01", DateOrder::Auto, 46054},  {"01/02/2026", DateOrder::Auto, 0},
        {"2026/02/01T10:00", DateOrder::YMD, 0},
    };
    for (const auto& c : cases) {
        const auto d = readDate(c.text, c.order);
        if (c.serial == 0)
            EXPECT_FALSE(d) << c.text << " order " << static_cast<int>(c.order);
        else
            EXPECT_EQ(d, c.serial) << c.text << " order " << static_cast<int>(c.order);
    }
}

TEST(Cells, YesNoWords) {
    for (const char* yes : {"Yes", "yes", "YES", "True", "true", "TRUE"})
        EXPECT_EQ(readYesNo(yes), std::optional<bool>(true)) << yes;
    for (const char* no : {"No", "no", "False", "FALSE"})
        EXPECT_EQ(readYesNo(no), std::optional<bool>(false)) << no;
    for (const char* other : {"Y", "N", "1", "0", "-1", "on", "off", "yess", "Ja", ""})
        EXPECT_FALSE(readYesNo(other)) << other;
}

TEST(Cells, CharCountCountsCodePoints) {
    EXPECT_EQ(charCount(""), 0u);
    EXPECT_EQ(charCount("abc"), 3u);
    EXPECT_EQ(charCount("caf\xC3\xA9"), 4u);  // é is two bytes
    EXPECT_EQ(charCount("\xE2\x82\xAC"
                        "5"),
              2u);                                 // € is three
    EXPECT_EQ(charCount("\xF0\x9F\x98\x80"), 1u);  // an emoji is four
}

}  // namespace
}  // namespace qrv::csv
