// The dialect's operators where SQLite's own would give another value:
// real division, no comments, "&" and "+" with Null and texts, "\" and Mod
// on operands rounded half to even, numbers against numeric-looking texts,
// and DISTINCTROW across joins. Every expected value is worked out by hand.
#include <string>
#include <vector>

#include "sqldialect/dialect_db.h"

namespace qrv::dao::testing {
namespace {

using Strings = std::vector<std::string>;

class OperatorTest : public DialectDb {
  protected:
    void SetUp() override {
        DialectDb::SetUp();
        exec(R"(CREATE TABLE Items (Name TEXT, Units INTEGER, Amount REAL, Code TEXT, Note TEXT);
                INSERT INTO Items VALUES ('a', 2, 80, '10', NULL),
                                         ('b', 7, 2.5, '8', 'x'),
                                         ('c', -1, NULL, 'ten', NULL);)");
    }
    // The value of one expression, with Null as "NULL".
    std::string value(const std::string& expr) { return scalar("SELECT " + expr); }
};

TEST_F(OperatorTest, SlashIsAlwaysRealDivision) {
    EXPECT_EQ(scalar("SELECT [Units] / 4 FROM [Items] WHERE [Name] = 'a'"), "0.5");
    EXPECT_EQ(value("7 / 2"), "3.5");
    EXPECT_EQ(value("6 / 3"), "2.0");
    EXPECT_EQ(value("8 / 2 / 2"), "2.0");
    EXPECT_EQ(value("2 * 3 / 4"), "1.5");
    EXPECT_EQ(value("3 / 4 * 2"), "1.5");
    EXPECT_EQ(value("1 / (2 * 4)"), "0.125");
    EXPECT_EQ(value("1 + 3 / 2"), "2.5");
    EXPECT_EQ(value("'9' / 2"), "4.5");
    EXPECT_EQ(value("Null / 2"), "NULL");
    EXPECT_EQ(value("5 / 0"), "NULL");  // a zero divisor gives Null, for "\" and Mod too
    EXPECT_EQ(column("SELECT [Name] FROM [Items] WHERE [Units] / 4 > 0.25 ORDER BY [Name]"),
              (Strings{"a", "b"}));
}

TEST_F(OperatorTest, DoubleMinusIsNoComment) {
    EXPECT_EQ(value("5--1"), "6");
    EXPECT_EQ(value("5 --1\n+ 1"), "7");
    EXPECT_EQ(value("1 = ---1"), "0");  // 1 = -1
    EXPECT_EQ(value("-1 = ---1"), "1");
    EXPECT_EQ(column("SELECT [Name] FROM [Items] WHERE [Units] = ---1"), (Strings{"c"}));
    EXPECT_EQ(errorOf("SELECT 10 /* 2 */"), err::kSyntaxInExpression);
}

TEST_F(OperatorTest, AmpersandJoinsNullAsEmptyText) {
    EXPECT_EQ(value("'a' & Null"), "a");
    EXPECT_EQ(value("Null & 'b'"), "b");
    EXPECT_EQ(value("'' & Null"), "");
    EXPECT_EQ(value("Null & Null"), "NULL");
    EXPECT_EQ(value("'a' & Null & 'c'"), "ac");
    EXPECT_EQ(column("SELECT [Name] & '=' & [Note] FROM [Items] ORDER BY [Name]"),
              (Strings{"a=", "b=x", "c="}));
    // Numbers join in the dialect's own form: a whole double shows no ".0".
    EXPECT_EQ(scalar("SELECT [Amount] & '' FROM [Items] WHERE [Name] = 'a'"), "80");
    EXPECT_EQ(value("1.5 & 'x'"), "1.5x");
    EXPECT_EQ(value("3 / 4 & ''"), "0.75");
    EXPECT_EQ(value("-0.5 * 0 & ''"), "0");  // no "-0"
    // Joined texts still compare ignoring case.
    EXPECT_EQ(value("('a' & 'b') = ('A' & 'B')"), "1");
    EXPECT_EQ(value("('a' + 'b') = ('A' + 'B')"), "1");
}

TEST_F(OperatorTest, PlusJoinsTwoTextsAndKeepsNull) {
    EXPECT_EQ(value("'a' + 'b'"), "ab");
    EXPECT_EQ(value("'1' + '2'"), "12");
    EXPECT_EQ(value("'1' + '2' + '3'"), "123");
    EXPECT_EQ(value("'1' + 2"), "3");  // one number: addition
    EXPECT_EQ(value("'a' + Null"), "NULL");
    EXPECT_EQ(value("Null + Null"), "NULL");
    EXPECT_EQ(value("('1' + '2') * 2"), "24");
}

TEST_F(OperatorTest, BackslashRoundsHalfToEvenThenTruncates) {
    EXPECT_EQ(value("11.6 \\ 4"), "3");   // 12 \ 4
    EXPECT_EQ(value("11.4 \\ 4"), "2");   // 11 \ 4
    EXPECT_EQ(value("10.5 \\ 1"), "10");  // half to even: 10
    EXPECT_EQ(value("11.5 \\ 1"), "12");  // half to even: 12
    EXPECT_EQ(value("-7 \\ 2"), "-3");    // toward zero
    EXPECT_EQ(value("-7.5 \\ 2"), "-4");  // -8 \ 2
    EXPECT_EQ(value("7 \\ -2"), "-3");
    EXPECT_EQ(value("7 \\ 2.5"), "3");  // 7 \ 2
    EXPECT_EQ(value("'11.6' \\ 4"), "3");
    EXPECT_EQ(value("Null \\ 2"), "NULL");
    EXPECT_EQ(value("5 \\ 0"), "NULL");
    EXPECT_EQ(value("5 \\ 0.4"), "NULL");     // 0.4 rounds to 0
    EXPECT_EQ(value("2 + 9 \\ 2 * 2"), "4");  // "*" before "\" before "+": 2 + 9 \ 4
}

TEST_F(OperatorTest, ModRoundsHalfToEvenAndKeepsTheDividendsSign) {
    EXPECT_EQ(value("10.5 Mod 3"), "1");  // 10 Mod 3
    EXPECT_EQ(value("11.5 Mod 3"), "0");  // 12 Mod 3
    EXPECT_EQ(value("2.5 Mod 2"), "0");   // 2 Mod 2
    EXPECT_EQ(value("3.5 Mod 3"), "1");   // 4 Mod 3
    EXPECT_EQ(value("5 Mod 2.5"), "1");   // 5 Mod 2
    EXPECT_EQ(value("-7 Mod 3"), "-1");
    EXPECT_EQ(value("7 Mod -3"), "1");
    EXPECT_EQ(value("5 Mod 0"), "NULL");
    EXPECT_EQ(value("Null Mod 2"), "NULL");
    Rows rows;
    std::string error;
    EXPECT_FALSE(tryQuery(translate("SELECT 'x' Mod 2"), rows, error));  // no number
}

TEST_F(OperatorTest, NumbersCompareWithNumericLookingTextsAsNumbers) {
    EXPECT_EQ(value("'10' > 9"), "1");
    EXPECT_EQ(value("'8' > 9"), "0");
    EXPECT_EQ(value("9 < '10'"), "1");
    EXPECT_EQ(value("'10' = 10"), "1");
    EXPECT_EQ(value("'2.50' = 2.5"), "1");
    // A text that is no number sorts after every number.
    EXPECT_EQ(value("'abc' > 9"), "1");
    EXPECT_EQ(value("'' < 9"), "0");
    // Two texts compare as texts.
    EXPECT_EQ(value("'10' > '9'"), "0");
    // A text field against a number: "10" and "8" as numbers, "ten" after them.
    EXPECT_EQ(column("SELECT [Name] FROM [Items] WHERE [Code] > 9 ORDER BY [Name]"),
              (Strings{"a", "c"}));
    EXPECT_EQ(column("SELECT [Name] FROM [Items] WHERE [Code] < 9"), (Strings{"b"}));
    // An assignment is no comparison: the field keeps the text it is given.
    run("UPDATE [Items] SET [Code] = '007' WHERE [Name] = 'b'");
    EXPECT_EQ(query("SELECT Code FROM Items WHERE Name = 'b'"), (Rows{{"007"}}));
}

class DistinctRowTest : public DialectDb {
  protected:
    void SetUp() override {
        DialectDb::SetUp();
        exec(R"(CREATE TABLE P (id INTEGER, name TEXT);
                INSERT INTO P VALUES (1, 'a'), (2, 'a'), (3, 'b');
                CREATE TABLE C (pid INTEGER, v TEXT);
                INSERT INTO C VALUES (1, 'x'), (1, 'y'), (2, 'z');)");
    }
};

TEST_F(DistinctRowTest, OneRowPerParentRowThatHasAMatch) {
    EXPECT_EQ(run("SELECT DISTINCTROW [P].* FROM [P] INNER JOIN [C] ON [P].[id] = [C].[pid] "
                  "ORDER BY [P].[id]"),
              (Rows{{"1", "a"}, {"2", "a"}}));
    // Rows, not values: two parents named "a" stay two rows, where DISTINCT gives one.
    EXPECT_EQ(column("SELECT DISTINCTROW [P].[name] FROM [P] INNER JOIN [C] ON [P].[id] = "
                     "[C].[pid]"),
              (Strings{"a", "a"}));
    EXPECT_EQ(column("SELECT DISTINCT [P].[name] FROM [P] INNER JOIN [C] ON [P].[id] = [C].[pid]"),
              (Strings{"a"}));
    EXPECT_EQ(run("SELECT DISTINCTROW [x].[id] AS [n] FROM [P] AS [x] INNER JOIN [C] ON [x].[id] = "
                  "[C].[pid] WHERE [C].[v] <> 'z' ORDER BY [x].[id]"),
              (Rows{{"1"}}));
}

TEST_F(DistinctRowTest, FieldsOfEveryJoinedTableKeepEveryCombination) {
    EXPECT_EQ(run("SELECT DISTINCTROW [P].[id], [C].[v] FROM [P] INNER JOIN [C] ON [P].[id] = "
                  "[C].[pid] ORDER BY [C].[v]"),
              (Rows{{"1", "x"}, {"1", "y"}, {"2", "z"}}));
    // A totals query is distinct by its groups already.
    EXPECT_EQ(run("SELECT DISTINCTROW [P].[id], Count(*) FROM [P] INNER JOIN [C] ON [P].[id] = "
                  "[C].[pid] GROUP BY [P].[id] ORDER BY [P].[id]"),
              (Rows{{"1", "2"}, {"2", "1"}}));
}

TEST_F(DistinctRowTest, OnOneTableItChangesNothing) {
    EXPECT_EQ(column("SELECT DISTINCTROW [name] FROM [P] ORDER BY [name]"),
              (Strings{"a", "a", "b"}));
    EXPECT_EQ(column("SELECT DISTINCTROW [P].[name] FROM [P] ORDER BY [P].[name]"),
              (Strings{"a", "a", "b"}));
}

TEST_F(DistinctRowTest, DeleteOverAJoinDeletesMatchingRowsOfTheFirstTable) {
    run("DELETE DISTINCTROW [P].* FROM [P] INNER JOIN [C] ON [P].[id] = [C].[pid] WHERE [C].[v] = "
        "'z'");
    EXPECT_EQ(query("SELECT id FROM P ORDER BY id"), (Rows{{"1"}, {"3"}}));
    EXPECT_EQ(query("SELECT count(*) FROM C"), (Rows{{"3"}}));
    run("DELETE DISTINCTROW * FROM [P] AS [p1] INNER JOIN [C] ON [p1].[id] = [C].[pid]");
    EXPECT_EQ(query("SELECT id FROM P ORDER BY id"), (Rows{{"3"}}));
    EXPECT_EQ(query("SELECT count(*) FROM C"), (Rows{{"3"}}));
    // Only the first table's rows can go.
    EXPECT_EQ(errorOf("DELETE DISTINCTROW [C].* FROM [P] INNER JOIN [C] ON [P].[id] = [C].[pid]"),
              err::kSyntaxError);
}

}  // namespace
}  // namespace qrv::dao::testing

namespace qrv::dao::testing {
namespace {

// Rules are stored in the schema, so they must work on a connection that
// has none of the dialect's functions, with the same rounding and Null rules.
TEST(StoredRuleTest, RulesComputeTheDialectsValuesWithSqlitesOwnFunctions) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE N (v REAL); INSERT INTO N VALUES (10.5), (11.5), (2.5), "
                           "(3.5), (-2.5), (NULL); CREATE TABLE T (t TEXT); INSERT INTO T VALUES "
                           "(NULL), (''), ('a')",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    auto accepted = [db](const std::string& table, Result<std::string> rule) {
        std::string got;
        EXPECT_TRUE(rule.ok());
        if (!rule) return got;
        sqlite3_stmt* stmt = nullptr;
        const std::string sql = "SELECT * FROM " + table + " WHERE " + *rule;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK) << sql;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(stmt, 0);
            got += std::string(text ? reinterpret_cast<const char*>(text) : "NULL") + ";";
        }
        sqlite3_finalize(stmt);
        return got;
    };
    // 10.5 -> 10, 11.5 -> 12, 2.5 -> 2, 3.5 -> 4, -2.5 -> -2.
    EXPECT_EQ(accepted("N", translateFieldRule("[v] Mod 3 = 1", "v")), "10.5;3.5;");
    EXPECT_EQ(accepted("N", translateFieldRule("[v] Mod 3 = -2 Or [v] \\ 2 = 6", "v")),
              "11.5;-2.5;");
    EXPECT_EQ(accepted("N", translateTableRule("[v] \\ 2 = 1")), "2.5;");
    EXPECT_EQ(accepted("N", translateTableRule("[v] / 4 = 0.625")), "2.5;");
    EXPECT_EQ(accepted("T", translateTableRule("[t] & 'x' = 'x'")), "NULL;;");
    EXPECT_EQ(accepted("T", translateTableRule("([t] & Null) Is Null")), "NULL;");
    sqlite3_close(db);
}

}  // namespace
}  // namespace qrv::dao::testing
