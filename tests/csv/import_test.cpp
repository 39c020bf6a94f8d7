// Importing files into tables: the types and values that arrive, and the
// files refused, each leaving no table behind.
#include <cmath>

#include "csv/importer.h"
#include "csv_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class Import : public CsvTest {};

TEST_F(Import, TypesValuesAndNulls) {
    auto r = import("People",
                    "Name,Age,Height,Born,Member,Note\r\n"
                    "\"Smith, Jo\",41,1.75,1983-05-17,Yes,\"said \"\"hi\"\"\"\r\n"
                    "Lee,,1.6,2/29/2024 13:45,no,\r\n"
                    ",7,,,,plain\r\n");
    ASSERT_TRUE(r) << r.error().description;
    EXPECT_EQ(r->plan.rows, 3);
    EXPECT_EQ(r->plan.delimiter, ',');
    EXPECT_EQ(field("People", 0).Type, dbText);
    EXPECT_EQ(field("People", 0).Size, 9);  // "Smith, Jo"
    EXPECT_EQ(field("People", 1).Type, dbLong);
    EXPECT_EQ(field("People", 2).Type, dbDouble);
    EXPECT_EQ(field("People", 3).Type, dbDate);
    EXPECT_EQ(field("People", 4).Type, dbBoolean);
    EXPECT_EQ(field("People", 5).Type, dbText);
    EXPECT_EQ(field("People", 5).Size, 9);  // said "hi"
    const auto t = rows("People");
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0][0].toText(), "Smith, Jo");
    EXPECT_EQ(t[0][1].asDouble(), 41.0);
    EXPECT_EQ(t[0][2].asDouble(), 1.75);
    // Python: (date(1983, 5, 17) - date(1899, 12, 30)).days
    EXPECT_EQ(t[0][3].asDouble(), 30453.0);
    EXPECT_TRUE(t[0][4].asBool());
    EXPECT_EQ(t[0][5].toText(), "said \"hi\"");
    EXPECT_TRUE(t[1][1].isNull());
    // 2024-02-29 is serial 45351; 13:45 is 49500 s of 86400.
    EXPECT_NEAR(t[1][3].asDouble(), 45351.0 + 49500.0 / 86400.0, 1e-9);
    EXPECT_EQ(t[1][4].kind(), ValueKind::Bool);
    EXPECT_FALSE(t[1][4].asBool());
    EXPECT_TRUE(t[1][5].isNull());
    for (int c : {0, 2, 3, 4}) EXPECT_TRUE(t[2][static_cast<size_t>(c)].isNull()) << c;
}

TEST_F(Import, EmbeddedLineBreaksAndQuotes) {
    auto r = import("Notes", "Id,Text\r\n1,\"first line\r\nsecond, with comma\"\r\n2,\"a\nb\"\r\n");
    ASSERT_TRUE(r) << r.error().description;
    const auto t = rows("Notes");
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0][1].toText(), "first line\r\nsecond, with comma");
    EXPECT_EQ(t[1][1].toText(), "a\nb");
}

TEST_F(Import, SemicolonsWithDecimalCommas) {
    auto r = import("Prices", "Item;Price;Qty\r\nTea;3,5;2\r\nCake;4,25;1\r\n");
    ASSERT_TRUE(r) << r.error().description;
    EXPECT_EQ(r->plan.delimiter, ';');
    EXPECT_EQ(field("Prices", 1).Type, dbDouble);
    const auto t = rows("Prices");
    EXPECT_EQ(t[0][1].asDouble(), 3.5);
    EXPECT_EQ(t[1][1].asDouble(), 4.25);
    EXPECT_EQ(t[1][2].asDouble(), 1.0);
}

TEST_F(Import, TabsAndAForcedDelimiter) {
    auto tabs = import("Tabs", "a\tb\n1\tx y\n");
    ASSERT_TRUE(tabs) << tabs.error().description;
    EXPECT_EQ(rows("Tabs")[0][1].toText(), "x y");
    csv::ImportOptions pipe;
    pipe.delimiter = '|';
    auto p = import("Pipes", "a|b\n1,5|2\n", pipe);
    ASSERT_TRUE(p) << p.error().description;
    // A pipe is not a comma, so "1,5" is a decimal comma.
    EXPECT_EQ(rows("Pipes")[0][0].asDouble(), 1.5);
}

// 01/02/2026 is never taken month-first unasked: the column settles it, the
// caller does, or it stays text with the cell that left it in doubt.
TEST_F(Import, SlashedDatesAreNeverGuessedBlindly) {
    auto doubt = import("Doubt", "Day,N\r\n01/02/2026,1\r\n03/04/2026,2\r\n");
    ASSERT_TRUE(doubt) << doubt.error().description;
    EXPECT_EQ(field("Doubt", 0).Type, dbText);
    EXPECT_EQ(doubt->plan.columns[0].ambiguousDate, "01/02/2026");
    EXPECT_EQ(rows("Doubt")[0][0].toText(), "01/02/2026");
    // 2026-02-01 is serial 46054 (Python: (date(2026,2,1) - date(1899,12,30)).days).
    csv::ImportOptions dmy;
    dmy.dates = csv::DateOrder::DMY;
    auto asked = import("Asked", "Day\r\n01/02/2026\r\n", dmy);
    ASSERT_TRUE(asked) << asked.error().description;
    EXPECT_EQ(field("Asked", 0).Type, dbDate);
    EXPECT_EQ(rows("Asked")[0][0].asDouble(), 46054.0);
    auto settled = import("Settled", "Day\r\n01/02/2026\r\n13/02/2026\r\n");
    ASSERT_TRUE(settled) << settled.error().description;
    EXPECT_EQ(field("Settled", 0).Type, dbDate);
    EXPECT_TRUE(settled->plan.columns[0].ambiguousDate.empty());
    EXPECT_EQ(rows("Settled")[0][0].asDouble(), 46054.0);
}

TEST_F(Import, WholeNumbersBeyond32Bits) {
    auto r = import("Big",
                    "Small,Big,Huge\n2147483647,2147483648,9007199254740993\n"
                    "-2147483648,-9007199254740992,1\n");
    ASSERT_TRUE(r) << r.error().description;
    EXPECT_EQ(field("Big", 0).Type, dbLong);
    EXPECT_EQ(field("Big", 1).Type, dbDouble);
    EXPECT_EQ(field("Big", 2).Type, dbText);
    const auto t = rows("Big");
    EXPECT_EQ(t[0][0].asDouble(), 2147483647.0);
    EXPECT_EQ(t[1][0].asDouble(), -2147483648.0);
    EXPECT_EQ(t[0][1].asDouble(), 2147483648.0);
    EXPECT_EQ(t[1][1].asDouble(), -9007199254740992.0);
    EXPECT_EQ(t[0][2].toText(), "9007199254740993");
}

TEST_F(Import, EncodingsAndTheByteOrderMark) {
    // "café" as Windows-1252 writes it: 0x63 0x61 0x66 0xE9.
    auto w = import("Cafe", std::string("Name\n\x63\x61\x66\xE9\n"));
    ASSERT_TRUE(w) << w.error().description;
    EXPECT_EQ(w->encoding, csv::Encoding::Windows1252);
    EXPECT_EQ(rows("Cafe")[0][0].toText(), "caf\xC3\xA9");
    EXPECT_EQ(field("Cafe", 0).Size, 4);
    // A UTF-8 byte-order mark is not part of the first column's name.
    auto b = import("Bom", "\xEF\xBB\xBFName,N\ncaf\xC3\xA9,1\n");
    ASSERT_TRUE(b) << b.error().description;
    EXPECT_EQ(b->encoding, csv::Encoding::Utf8);
    EXPECT_EQ(field("Bom", 0).Name, "Name");
    EXPECT_EQ(rows("Bom")[0][0].toText(), "caf\xC3\xA9");
    // Forced UTF-8 on Windows-1252 bytes is refused.
    csv::ImportOptions utf8;
    utf8.encoding = csv::Encoding::Utf8;
    EXPECT_FALSE(import("Forced", "Name\ncaf\xE9\n", utf8));
    EXPECT_FALSE(hasTable("Forced"));
}

TEST_F(Import, RaggedRowIsReportedWithItsLineAndNothingIsImported) {
    auto r = import("Ragged", "a,b,c\n1,2,3\n\"x\ny\",5,6\n7,8\n9,10,11\n");
    ASSERT_FALSE(r);
    // The header is line 1; the record "x\ny" spans lines 3 and 4; "7,8" is line 5.
    EXPECT_NE(r.error().description.find("Line 5 has 2 fields; the header row has 3"),
              std::string::npos)
        << r.error().description;
    EXPECT_FALSE(hasTable("Ragged"));
}

TEST_F(Import, HeaderNamesAreCheckedNotChanged) {
    auto bad = import("BadName", "ok,a[1]\n1,2\n");
    ASSERT_FALSE(bad);
    EXPECT_NE(bad.error().description.find("Column 2"), std::string::npos);
    EXPECT_NE(bad.error().description.find("isn't a valid name"), std::string::npos);
    auto dup = import("Dup", "Name,x,NAME\n1,2,3\n");
    ASSERT_FALSE(dup);
    EXPECT_NE(dup.error().description.find("Column 3"), std::string::npos)
        << dup.error().description;
    auto empty = import("Empty", "a,,c\n1,2,3\n");
    ASSERT_FALSE(empty);
    EXPECT_NE(empty.error().description.find("Column 2"), std::string::npos);
    EXPECT_FALSE(import("NoHeader", ""));
    for (const char* t : {"BadName", "Dup", "Empty", "NoHeader"}) EXPECT_FALSE(hasTable(t)) << t;
    // A period may stand in a field name.
    EXPECT_TRUE(import("Period", "v.1\n2\n"));
}

TEST_F(Import, HeaderOnlyGivesAnEmptyTable) {
    auto r = import("Shape", "a,b\r\n");
    ASSERT_TRUE(r) << r.error().description;
    EXPECT_EQ(r->plan.rows, 0);
    EXPECT_TRUE(rows("Shape").empty());
    EXPECT_EQ(field("Shape", 1).Type, dbText);
}

TEST_F(Import, ExistingTablesAndQueries) {
    ASSERT_TRUE(import("T", "a\n1\n"));
    auto again = import("T", "b\nx\n");
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error().number, err::kTableExists);
    EXPECT_EQ(rows("T")[0][0].asDouble(), 1.0);  // untouched
    csv::ImportOptions replace;
    replace.replace = true;
    auto r = import("t", "b\nx\n", replace);
    ASSERT_TRUE(r) << r.error().description;
    EXPECT_EQ(field("T", 0).Name, "b");
    EXPECT_EQ(rows("T")[0][0].toText(), "x");
    // A replacement that fails keeps the old table as it was.
    EXPECT_FALSE(import("T", "c,d\n1\n", replace));
    EXPECT_EQ(rows("T")[0][0].toText(), "x");
    // A stored query is never replaced.
    ASSERT_FALSE(db.CreateQueryDef("Q", "SELECT * FROM [T]"));
    EXPECT_FALSE(import("Q", "a\n1\n", replace));
    EXPECT_TRUE(db.GetQueryDef("Q"));
}

TEST_F(Import, NamesTheSystemKeepsAreRefused) {
    csv::ImportOptions replace;
    replace.replace = true;
    for (const char* name : {"~work", "usysQuorvaneScenarios", "USYSQUORVANEfields"}) {
        auto r = import(name, "a\n1\n", replace);
        ASSERT_FALSE(r) << name;
        EXPECT_NE(r.error().description.find("keeps for its own"), std::string::npos);
        EXPECT_FALSE(hasTable(name));
    }
    EXPECT_TRUE(import("usysOther", "a\n1\n"));
}

TEST_F(Import, InterruptedImportLeavesNoTable) {
    std::string text = "n\n";
    for (int i = 0; i < 20000; ++i) text += std::to_string(i) + "\n";
    int polls = 0;
    csv::ImportOptions options;
    // Interrupted in the second walk, after the table was made and rows were written.
    options.cancelled = [&] { return ++polls > 6; };
    auto r = import("Stopped", text, options);
    ASSERT_FALSE(r);
    EXPECT_GT(polls, 6);
    EXPECT_FALSE(hasTable("Stopped"));
    // The database is still usable afterwards.
    EXPECT_TRUE(import("After", "n\n1\n"));
    // A replacement interrupted after the old table was dropped in its
    // transaction brings the old table back whole.
    polls = 0;
    options.replace = true;
    ASSERT_FALSE(import("After", text, options));
    const auto kept = rows("After");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0][0].asDouble(), 1.0);
}

TEST_F(Import, MissingFileAndBadQuoting) {
    auto missing = csv::importCsv(db, "M", dir.file("none.csv"), {});
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().number, err::kFileNotFound);
    auto quote = import("Quote", "a,b\n1,x\"y\n");
    ASSERT_FALSE(quote);
    EXPECT_NE(quote.error().description.find("Line 2"), std::string::npos);
    EXPECT_FALSE(hasTable("Quote"));
}

}  // namespace
}  // namespace qrv::test
