// The aligned printer: widths from the sample rows, later rows cut to them,
// numbers right-aligned and never cut. Expected lines are written out by hand.
#include "cli/table_printer.h"

#include <gtest/gtest.h>

#include <sstream>

namespace qrv::cli {
namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

TEST(AlignedPrinter, TextLeftNumbersRight) {
    std::ostringstream out;
    AlignedPrinter p(out, {{"Store"}, {"Units"}});
    p.addRow({{"Mill Lane"}, {"12", true}});
    p.addRow({{"Park"}, {"3", true}});
    p.finish();
    EXPECT_EQ(lines(out.str()), (std::vector<std::string>{"Store      Units", "---------  -----",
                                                          "Mill Lane     12", "Park           3"}));
    EXPECT_EQ(p.rows(), 2);
}

TEST(AlignedPrinter, WideAndCombiningCharactersLineUp) {
    std::ostringstream out;
    AlignedPrinter p(out, {{"City"}, {"n"}});
    p.addRow({{"東京"}, {"1", true}});        // 4 columns in 6 bytes
    p.addRow({{"Cafe\u0301"}, {"2", true}});  // 4 columns in 6 bytes
    p.addRow({{"Oslo"}, {"3", true}});
    p.finish();
    EXPECT_EQ(lines(out.str()), (std::vector<std::string>{"City  n", "----  -", "東京  1",
                                                          "Cafe\u0301  2", "Oslo  3"}));
}

TEST(AlignedPrinter, RowsAfterTheSampleAreCutToItsWidths) {
    std::ostringstream out;
    AlignedPrinter p(out, {{"Name"}, {"Value"}}, 2);
    p.addRow({{"ab"}, {"1", true}});
    p.addRow({{"abcd"}, {"22", true}});
    // The sample is printed as soon as it is full, before any later row.
    EXPECT_EQ(lines(out.str()).size(), 4u);
    p.addRow({{"abcdefgh"}, {"123456", true}});
    p.addRow({{"東京都"}, {"", false}});
    p.finish();
    EXPECT_EQ(lines(out.str()),
              (std::vector<std::string>{"Name  Value", "----  -----", "ab        1", "abcd     22",
                                        "abc…  123456", "東…"}));
}

TEST(AlignedPrinter, MaxWidthCutsTextButNotNumbersOrHeaders) {
    std::ostringstream out;
    AlignedPrinter p(out, {{"Description", Align::Left, 6}, {"Big", Align::Auto, 3}});
    p.addRow({{"Yield and temperature"}, {"123456789", true}});
    p.finish();
    // A header is aligned as its column.
    EXPECT_EQ(lines(out.str()),
              (std::vector<std::string>{"Description        Big", "-----------  ---------",
                                        "Yield and …  123456789"}));
}

TEST(AlignedPrinter, ExplicitAlignmentAndEmptyTable) {
    std::ostringstream out;
    AlignedPrinter p(out, {{"No", Align::Right}, {"Code", Align::Left}});
    p.finish();
    EXPECT_EQ(lines(out.str()), (std::vector<std::string>{"No  Code", "--  ----"}));
    std::ostringstream out2;
    AlignedPrinter q(out2, {{"No", Align::Right}, {"Code", Align::Left}});
    q.addRow({{"7"}, {"12", true}});
    q.finish();
    EXPECT_EQ(lines(out2.str())[2], " 7  12");
}

TEST(AlignedPrinter, ColumnWithTextIsLeftAligned) {
    std::ostringstream out;
    AlignedPrinter p(out, {{"Mixed"}});
    p.addRow({{"10", true}});
    p.addRow({{"n/a"}});
    p.finish();
    EXPECT_EQ(lines(out.str())[2], "10");
}

}  // namespace
}  // namespace qrv::cli
