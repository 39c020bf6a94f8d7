// Column types from whole columns of cells, and the values cells give once
// the type is chosen.
#include <gtest/gtest.h>

#include <initializer_list>

#include "csv/infer.h"
#include "dataaccess/types.h"

namespace qrv::csv {
namespace {

using namespace qrv::dao;

ColumnType guess(std::initializer_list<const char*> cells, bool commaDecimals = false) {
    ColumnGuess g(commaDecimals);
    for (const char* c : cells) g.add(c);
    return g.result();
}

TEST(Infer, NumbersWholeAndDecimal) {
    EXPECT_EQ(guess({"1", "", "-20", "2147483647"}).type, dbLong);
    // One whole number beyond 32 bits makes the column Double.
    EXPECT_EQ(guess({"1", "2147483648"}).type, dbDouble);
    EXPECT_EQ(guess({"1", "2.5"}).type, dbDouble);
    EXPECT_EQ(guess({"1e3", "4"}).type, dbDouble);
    // Past 2^53 not every whole number has a double: the digits are kept as text.
    const ColumnType big = guess({"1", "9007199254740993"});
    EXPECT_EQ(big.type, dbText);
    EXPECT_EQ(big.size, 16);
    // Codes with leading zeros keep them.
    EXPECT_EQ(guess({"01234", "98765"}).type, dbText);
}

TEST(Infer, DecimalCommaPerColumn) {
    const ColumnType c = guess({"3,5", "4", "-0,25"}, true);
    EXPECT_EQ(c.type, dbDouble);
    EXPECT_EQ(c.decimalMark, ',');
    EXPECT_EQ(guess({"3.5", "4"}, true).decimalMark, '.');
    // Both marks in one column: neither reading covers every cell.
    EXPECT_EQ(guess({"3,5", "3.5"}, true).type, dbText);
    // Not where commas delimit.
    EXPECT_EQ(guess({"3,5"}, false).type, dbText);
    // Whole numbers need no mark at all.
    EXPECT_EQ(guess({"3", "4"}, true).type, dbLong);
}

TEST(Infer, DatesYesNoAndText) {
    EXPECT_EQ(guess({"2024-02-29", "3/31/2024 13:45", ""}).type, dbDate);
    EXPECT_EQ(guess({"2024-02-29", "2023-02-29"}).type, dbText);
    EXPECT_EQ(guess({"Yes", "no", "TRUE", ""}).type, dbBoolean);
    EXPECT_EQ(guess({"Yes", "1"}).type, dbText);
    const ColumnType t = guess({"caf\xC3\xA9", "ab", ""});
    EXPECT_EQ(t.type, dbText);
    EXPECT_EQ(t.size, 4);  // characters, not bytes
}

// Slashed dates: the column settles the order, or it stays text and says why.
TEST(Infer, DayOrMonthFirstFromTheWholeColumn) {
    const struct {
        std::initializer_list<const char*> cells;
        DateOrder asked;
        int type;
        DateOrder read;         // for dbDate
        const char* ambiguous;  // the cell reported, or ""
    } cases[] = {
        {{"01/02/2026", ""}, DateOrder::Auto, dbText, {}, "01/02/2026"},
        {{"01/02/2026", "13/02/2026"}, DateOrder::Auto, dbDate, DateOrder::DMY, ""},
        {{"01/02/2026", "02/13/2026"}, DateOrder::Auto, dbDate, DateOrder::MDY, ""},
        // Read alike either way: nothing to settle.
        {{"05/05/2026", "2026-01-31"}, DateOrder::Auto, dbDate, DateOrder::MDY, ""},
        {{"13/02/2026", "02/13/2026"}, DateOrder::Auto, dbText, {}, ""},
        {{"2026/02/01", "2026-02-13"}, DateOrder::Auto, dbDate, DateOrder::YMD, ""},
        {{"01/02/2026", "x"}, DateOrder::Auto, dbText, {}, ""},
        {{"01/02/2026"}, DateOrder::DMY, dbDate, DateOrder::DMY, ""},
        {{"01/02/2026"}, DateOrder::MDY, dbDate, DateOrder::MDY, ""},
        {{"13/02/2026"}, DateOrder::MDY, dbText, {}, ""},
        {{"2026/02/01"}, DateOrder::DMY, dbText, {}, ""},
    };
    int n = 0;
    for (const auto& c : cases) {
        ColumnGuess g(false, c.asked);
        for (const char* cell : c.cells) g.add(cell);
        const ColumnType t = g.result();
        EXPECT_EQ(t.type, c.type) << "case " << n;
        if (c.type == dbDate) {
            EXPECT_EQ(t.dateOrder, c.read) << "case " << n;
        }
        EXPECT_EQ(g.ambiguousDate(), c.ambiguous) << "case " << n;
        ++n;
    }
    // 2026-02-01 is serial 46054 (Python: (date(2026,2,1) - date(1899,12,30)).days).
    EXPECT_EQ(typedValue("01/02/2026", {dbDate, 0, '.', DateOrder::DMY}).rawDouble(), 46054.0);
    EXPECT_EQ(typedValue("02/01/2026", {dbDate, 0, '.', DateOrder::MDY}).rawDouble(), 46054.0);
}

TEST(Infer, LongTextAndEmptyColumns) {
    const std::string s255(255, 'x'), s256(256, 'x');
    EXPECT_EQ(guess({s255.c_str()}).type, dbText);
    EXPECT_EQ(guess({s255.c_str()}).size, 255);
    EXPECT_EQ(guess({s256.c_str(), "1"}).type, dbMemo);
    const ColumnType empty = guess({"", ""});
    EXPECT_EQ(empty.type, dbText);
    EXPECT_EQ(empty.size, 255);
}

TEST(Infer, TypedValues) {
    EXPECT_TRUE(typedValue("", {dbLong, 0, '.'}).isNull());
    EXPECT_TRUE(typedValue("", {dbText, 10, '.'}).isNull());
    const Value l = typedValue("-2147483648", {dbLong, 0, '.'});
    EXPECT_EQ(l.kind(), ValueKind::Int32);
    EXPECT_EQ(l.asDouble(), -2147483648.0);
    const Value d = typedValue("3,5", {dbDouble, 0, ','});
    EXPECT_EQ(d.kind(), ValueKind::Double);
    EXPECT_EQ(d.rawDouble(), 3.5);
    EXPECT_EQ(typedValue("5000000000", {dbDouble, 0, '.'}).rawDouble(), 5e9);
    const Value day = typedValue("2/29/2024", {dbDate, 0, '.'});
    EXPECT_EQ(day.kind(), ValueKind::Date);
    EXPECT_EQ(day.rawDouble(), 45351.0);  // Python: (date(2024,2,29) - date(1899,12,30)).days
    const Value b = typedValue("false", {dbBoolean, 0, '.'});
    EXPECT_EQ(b.kind(), ValueKind::Bool);
    EXPECT_FALSE(b.asBool());
    EXPECT_EQ(typedValue("a \"b\"", {dbText, 10, '.'}).textRef(), "a \"b\"");
}

}  // namespace
}  // namespace qrv::csv
