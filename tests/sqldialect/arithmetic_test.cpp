// Dates and truth values in arithmetic: in the dialect a date is its serial
// day number (days since 1899-12-30, the time of day as the fraction) and
// True is -1, False 0. Day counts below come from Python's datetime
// ((date(2000,1,1) - date(1899,12,30)).days = 36526, etc.) or by hand.
#include <string>
#include <vector>

#include "sqldialect/dialect_db.h"

namespace qrv::dao::testing {
namespace {

class ArithmeticTest : public DialectDb {
  protected:
    void SetUp() override {
        DialectDb::SetUp();
        // Dates are stored as "YYYY-MM-DD HH:MM:SS" text, Yes/No as 1 and 0.
        exec(R"(CREATE TABLE Ev (k INTEGER, d TEXT, n REAL, flag INTEGER);
                INSERT INTO Ev VALUES (1, '2021-01-15 00:00:00', 45.25, 1),
                                      (2, '2021-03-10 00:00:00', -1, 0),
                                      (3, NULL, NULL, 1);)");
    }
};

TEST_F(ArithmeticTest, TheDifferenceOfTwoDatesIsDays) {
    EXPECT_EQ(scalar("SELECT #1/2/2000# - #1/1/2000#"), "1.0");
    EXPECT_EQ(scalar("SELECT #3/1/2000# - #2/1/2000#"), "29.0") << "2000 is a leap year";
    EXPECT_EQ(scalar("SELECT #3/1/1900# - #2/1/1900#"), "28.0") << "1900 is not";
    EXPECT_EQ(scalar("SELECT #1/1/2000 6:00 PM# - #1/1/2000#"), "0.75");
    EXPECT_EQ(scalar("SELECT #1/1/2000# - #1/2/2000#"), "-1.0");
}

TEST_F(ArithmeticTest, ADateMovedByDaysIsADate) {
    EXPECT_EQ(scalar("SELECT #1/1/2000# + 1"), "2000-01-02 00:00:00");
    EXPECT_EQ(scalar("SELECT 1 + #12/31/1999#"), "2000-01-01 00:00:00");
    EXPECT_EQ(scalar("SELECT #1/1/2000# - 1"), "1999-12-31 00:00:00");
    EXPECT_EQ(scalar("SELECT #2/28/2000# + 1"), "2000-02-29 00:00:00");
    EXPECT_EQ(scalar("SELECT #1/1/2000# + 0.5"), "2000-01-01 12:00:00");
    EXPECT_EQ(scalar("SELECT #1/1/2000# + 1 + 1"), "2000-01-03 00:00:00");
    // The result compares with dates like any date.
    EXPECT_EQ(scalar("SELECT #1/31/2000# + 1 = #2/1/2000#"), "1");
}

TEST_F(ArithmeticTest, ADateElsewhereInArithmeticIsItsSerialNumber) {
    EXPECT_EQ(scalar("SELECT #1/1/2000# * 1"), "36526.0");
    EXPECT_EQ(scalar("SELECT #12/30/1899# * 1"), "0.0");
    EXPECT_EQ(scalar("SELECT #12/31/1899 12:00 PM# * 2"), "3.0");
    EXPECT_EQ(scalar("SELECT -#1/1/2000#"), "-36526.0");
}

TEST_F(ArithmeticTest, DateFieldsNextToADate) {
    // 2021-01-15 and 2021-03-10 are 14 and 68 days after 2021-01-01.
    EXPECT_EQ(column("SELECT [d] - #1/1/2021# FROM [Ev] ORDER BY [k]"),
              (std::vector<std::string>{"14.0", "68.0", "NULL"}));
    // 2021-01-01 + 45.25 days is 2021-02-15 06:00.
    EXPECT_EQ(column("SELECT #1/1/2021# + [n] FROM [Ev] ORDER BY [k]"),
              (std::vector<std::string>{"2021-02-15 06:00:00", "2020-12-31 00:00:00", "NULL"}));
}

TEST_F(ArithmeticTest, SumsOfFieldsFollowTheValuesTheyHold) {
    using Strings = std::vector<std::string>;
    // A date field moved by days stays a date: 2021-01-15 + 1, 2021-03-10 - 1.
    EXPECT_EQ(column("SELECT [d] + 1 FROM [Ev] ORDER BY [k]"),
              (Strings{"2021-01-16 00:00:00", "2021-03-11 00:00:00", "NULL"}));
    EXPECT_EQ(column("SELECT [d] - 1 FROM [Ev] ORDER BY [k]"),
              (Strings{"2021-01-14 00:00:00", "2021-03-09 00:00:00", "NULL"}));
    // 2021-01-15 + 45.25 days is 2021-03-01 06:00; 2021-03-10 - 1 day is 2021-03-09.
    EXPECT_EQ(column("SELECT [d] + [n] FROM [Ev] ORDER BY [k]"),
              (Strings{"2021-03-01 06:00:00", "2021-03-09 00:00:00", "NULL"}));
    // Two date fields: 2021-03-10 is 54 days after 2021-01-15 (Python's datetime).
    EXPECT_EQ(scalar("SELECT b.[d] - a.[d] FROM [Ev] AS a, [Ev] AS b WHERE a.k = 1 AND b.k = 2"),
              "54.0");
    // Numbers stay numbers, whole ones whole; texts join with "+".
    EXPECT_EQ(column("SELECT [k] + 10 FROM [Ev] ORDER BY [k]"), (Strings{"11", "12", "13"}));
    EXPECT_EQ(column("SELECT [n] - 0.25 FROM [Ev] ORDER BY [k]"),
              (Strings{"45.0", "-1.25", "NULL"}));
    exec("CREATE TABLE Tx (a TEXT, b TEXT); INSERT INTO Tx VALUES ('ab', 'cd'), ('10', '5')");
    EXPECT_EQ(column("SELECT [a] + [b] FROM [Tx] ORDER BY [a] DESC"), (Strings{"abcd", "105"}));
    EXPECT_EQ(column("SELECT [a] + 1 FROM [Tx] WHERE [a] = '10'"), (Strings{"11"}))
        << "a numeric text and a number add up";
    EXPECT_EQ(column("SELECT [a] - [b] FROM [Tx] WHERE [a] = '10'"), (Strings{"5"}));
    EXPECT_EQ(column("SELECT [a] + 1 FROM [Tx] WHERE [a] = 'ab'"), (Strings{"NULL"}))
        << "a text that is no number has no sum";
    EXPECT_EQ(column("SELECT [a] + Null FROM [Tx]"), (Strings{"NULL", "NULL"}));
}

TEST_F(ArithmeticTest, TrueIsMinusOneInArithmetic) {
    EXPECT_EQ(scalar("SELECT True + 1"), "0");
    EXPECT_EQ(scalar("SELECT False + 1"), "1");
    EXPECT_EQ(scalar("SELECT True * 5"), "-5");
    EXPECT_EQ(scalar("SELECT -True"), "1");
    EXPECT_EQ(scalar("SELECT True - True"), "0");
    EXPECT_EQ(scalar("SELECT 2 ^ True"), "0.5");
    EXPECT_EQ(scalar("SELECT True = -1"), "1");
    EXPECT_EQ(scalar("SELECT (2 > 1) + 1"), "0") << "a comparison's truth is -1 as well";
    EXPECT_EQ(scalar("SELECT (2 > 1) * 3"), "-3");
    EXPECT_EQ(scalar("SELECT (2 < 1) * 3"), "0");
    EXPECT_EQ(scalar("SELECT ('a' Like 'A*') - 1"), "-2");
    EXPECT_EQ(column("SELECT ([n] Is Null) * 10 FROM [Ev] ORDER BY [k]"),
              (std::vector<std::string>{"0", "0", "-10"}));
}

TEST_F(ArithmeticTest, StoredYesNoValuesStillCompareWithTrue) {
    EXPECT_EQ(column("SELECT [k] FROM [Ev] WHERE [flag] = True ORDER BY [k]"),
              (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(column("SELECT [k] FROM [Ev] WHERE [flag] = False"), (std::vector<std::string>{"2"}));
    EXPECT_EQ(column("SELECT [k] FROM [Ev] WHERE [flag] <> True"), (std::vector<std::string>{"2"}));
}

}  // namespace
}  // namespace qrv::dao::testing
