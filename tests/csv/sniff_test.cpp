// Guessing the delimiter from the first records.
#include <gtest/gtest.h>

#include "csv/sniff.h"

namespace qrv::csv {
namespace {

TEST(Sniff, TheDelimiterThatSplitsEveryRecordAlike) {
    EXPECT_EQ(sniffDelimiter("a,b,c\n1,2,3\n"), ',');
    EXPECT_EQ(sniffDelimiter("a;b;c\n1;2;3\n"), ';');
    EXPECT_EQ(sniffDelimiter("a\tb\n1\t2\n"), '\t');
}

TEST(Sniff, DecimalCommasDoNotMisleadIt) {
    // Commas split the rows in two but the header not at all.
    EXPECT_EQ(sniffDelimiter("Name;Price\nTea;3,5\nCake;4,25\n"), ';');
    // Commas split the header not at all and the row in three; semicolons both in three.
    EXPECT_EQ(sniffDelimiter("a;b;c\n1,5;2,5;x\n"), ';');
}

TEST(Sniff, QuotedDelimitersDoNotCount) {
    EXPECT_EQ(sniffDelimiter("\"a;b;c\",d\n\"1;2;3\",4\n"), ',');
    EXPECT_EQ(sniffDelimiter("name;note\nx;\"1,2,3,4\"\n"), ';');
}

TEST(Sniff, TiesGoToTheWiderSplitThenTheComma) {
    // Both split alike in two; the comma comes first.
    EXPECT_EQ(sniffDelimiter("a,b;c\n1,2;3\n"), ',');
    // Both consistent; the semicolon gives more fields.
    EXPECT_EQ(sniffDelimiter("a;b,c;d\n1;2,3;4\n"), ';');
}

TEST(Sniff, RaggedOrSingleColumnFiles) {
    // No candidate is consistent: the header's delimiter, so the ragged row is reported.
    EXPECT_EQ(sniffDelimiter("a;b;c\n1;2\n"), ';');
    EXPECT_EQ(sniffDelimiter("value\n1\n2\n"), ',');
    EXPECT_EQ(sniffDelimiter(""), ',');
}

}  // namespace
}  // namespace qrv::csv
