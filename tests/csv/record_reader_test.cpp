// Splitting text into records: quoting as RFC 4180 has it, line numbers of
// records that span lines, and the errors for broken quoting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "csv/record_reader.h"

namespace qrv::csv {
namespace {

struct Read {
    std::vector<std::vector<std::string>> records;
    std::vector<long> lines;
    dao::Error error;
};

Read readAll(std::string_view text, char delimiter = ',') {
    Read out;
    out.error = readRecords(text, delimiter, [&](const Record& r) {
        std::vector<std::string> cells;
        for (std::size_t i = 0; i < r.size(); ++i) cells.emplace_back(r.cell(i));
        out.records.push_back(cells);
        out.lines.push_back(r.line);
        return true;
    });
    return out;
}

using Cells = std::vector<std::string>;

TEST(RecordReader, PlainAndQuotedFields) {
    const Read r = readAll("a,b,c\r\n1,\"two, too\",\"say \"\"hi\"\"\"\r\n");
    ASSERT_FALSE(r.error) << r.error.description;
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(r.records[0], (Cells{"a", "b", "c"}));
    EXPECT_EQ(r.records[1], (Cells{"1", "two, too", "say \"hi\""}));
}

TEST(RecordReader, EmptyFieldsAndMissingFinalLineBreak) {
    const Read r = readAll("a,,\"\"\n,x,");
    ASSERT_FALSE(r.error);
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(r.records[0], (Cells{"a", "", ""}));
    EXPECT_EQ(r.records[1], (Cells{"", "x", ""}));
    EXPECT_EQ(r.lines, (std::vector<long>{1, 2}));
}

TEST(RecordReader, EmbeddedLineBreaksKeepTheirBytesAndTheLineCount) {
    const Read r = readAll("h1,h2\r\n\"one\r\ntwo\",x\r\n\"a\nb\nc\",y\r\nlast,z\r\n");
    ASSERT_FALSE(r.error);
    ASSERT_EQ(r.records.size(), 4u);
    EXPECT_EQ(r.records[1][0], "one\r\ntwo");
    EXPECT_EQ(r.records[2][0], "a\nb\nc");
    // Records start on lines 1, 2, 4 and 7.
    EXPECT_EQ(r.lines, (std::vector<long>{1, 2, 4, 7}));
}

TEST(RecordReader, EmptyLinesAreSkippedButCounted) {
    const Read r = readAll("a\n\n\nb\r\n\r\nc\n");
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.records, (std::vector<Cells>{{"a"}, {"b"}, {"c"}}));
    EXPECT_EQ(r.lines, (std::vector<long>{1, 4, 6}));
}

TEST(RecordReader, SpacesAroundUnquotedFieldsGoQuotedOnesStay) {
    const Read r = readAll(" a , \" b \" ,c\t\n");
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.records[0], (Cells{"a", " b ", "c"}));
}

TEST(RecordReader, OtherDelimiters) {
    const Read semi = readAll("a;b,c;\"d;e\"\n", ';');
    ASSERT_FALSE(semi.error);
    EXPECT_EQ(semi.records[0], (Cells{"a", "b,c", "d;e"}));
    // With tabs as delimiters, an empty field between two tabs is still a field.
    const Read tab = readAll("a\t\tc\n x \ty\n", '\t');
    ASSERT_FALSE(tab.error);
    EXPECT_EQ(tab.records[0], (Cells{"a", "", "c"}));
    EXPECT_EQ(tab.records[1], (Cells{"x", "y"}));
}

TEST(RecordReader, MisplacedQuoteIsReportedWithItsLine) {
    const Read r = readAll("a,b\n1,2\n3,x\"y\n");
    ASSERT_TRUE(r.error);
    EXPECT_NE(r.error.description.find("Line 3"), std::string::npos) << r.error.description;
    const Read after = readAll("a,b\n\"1\"x,2\n");
    ASSERT_TRUE(after.error);
    EXPECT_NE(after.error.description.find("Line 2"), std::string::npos);
}

TEST(RecordReader, UnclosedQuoteAtTheEnd) {
    const Read r = readAll("a,b\n1,2\n3,\"open\nstill open\n");
    ASSERT_TRUE(r.error);
    EXPECT_NE(r.error.description.find("after line 2"), std::string::npos) << r.error.description;
}

TEST(RecordReader, StopsWhenAsked) {
    int seen = 0;
    const dao::Error e =
        readRecords("1\n2\n3\n4\n", ',', [&](const Record&) { return ++seen < 2; });
    EXPECT_FALSE(e);
    EXPECT_EQ(seen, 2);
}

}  // namespace
}  // namespace qrv::csv
