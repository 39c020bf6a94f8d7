// Queries in the dialect, run on a small sales table: names, literals,
// conditions, grouping, joins, functions and operators give the rows a
// desktop-database user would expect, worked out by hand below.
#include <string>
#include <vector>

#include "sqldialect/dialect_db.h"

namespace qrv::dao::testing {
namespace {

using Strings = std::vector<std::string>;

class SelectTest : public DialectDb {
  protected:
    void SetUp() override {
        DialectDb::SetUp();
        exec(R"(CREATE TABLE "Sales Data" (Region TEXT, Rep TEXT, Amount REAL, Units INTEGER,
                                           Sold TEXT, Note TEXT);
                INSERT INTO "Sales Data" VALUES
                  ('North', 'Ann', 120.5, 3, '2021-01-15 00:00:00', 'ok'),
                  ('North', 'Bob', 80,    2, '2021-02-01 09:30:00', NULL),
                  ('South', 'Cid', 200,   5, '2021-03-10 00:00:00', 'big'),
                  ('South', 'Dee', NULL,  1, '2020-12-31 23:59:59', NULL),
                  ('East',  'Eve', 50,    4, '2021-01-15 14:00:00', 'Ok');
                CREATE TABLE Regions (Region TEXT, Manager TEXT);
                INSERT INTO Regions VALUES ('North', 'Kim'), ('South', 'Lee'), ('West', 'Max');)");
    }
};

TEST_F(SelectTest, BracketedAndBareNames) {
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] ORDER BY [Rep]"),
              (Strings{"Ann", "Bob", "Cid", "Dee", "Eve"}));
    EXPECT_EQ(column("select Manager from Regions where Region = 'West'"), (Strings{"Max"}));
    // Words reserved in SQLite alone are ordinary names in the dialect.
    exec("CREATE TABLE \"Limit\" (\"Offset\" INTEGER); INSERT INTO \"Limit\" VALUES (4)");
    EXPECT_EQ(column("SELECT Offset FROM Limit WHERE Offset > 3"), (Strings{"4"}));
    EXPECT_EQ(column("SELECT [Sales Data].[Rep] FROM [Sales Data] WHERE [Sales Data].Units = 5"),
              (Strings{"Cid"}));
    EXPECT_EQ(run("SELECT [Rep] AS [Sales Rep], [Units] AS n FROM [Sales Data] WHERE [Units] = 1"),
              (Rows{{"Dee", "1"}}));
}

TEST_F(SelectTest, TextComparisonsIgnoreCase) {
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Region] = 'NORTH' ORDER BY [Rep]"),
              (Strings{"Ann", "Bob"}));
    // Double quotes delimit text in the dialect, not names.
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Note] = \"OK\" ORDER BY [Rep]"),
              (Strings{"Ann", "Eve"}));
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Rep] > 'bz' ORDER BY [Rep]"),
              (Strings{"Cid", "Dee", "Eve"}));
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Region] In ('south', 'EAST') "
                     "ORDER BY [Rep]"),
              (Strings{"Cid", "Dee", "Eve"}));
}

TEST_F(SelectTest, NullTestsAndRanges) {
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Amount] Is Null"), (Strings{"Dee"}));
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Note] IS NOT NULL ORDER BY [Rep]"),
              (Strings{"Ann", "Cid", "Eve"}));
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Units] Between 2 And 4 ORDER BY [Rep]"),
              (Strings{"Ann", "Bob", "Eve"}));
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Units] Not Between 2 And 4 "
                     "ORDER BY [Rep]"),
              (Strings{"Cid", "Dee"}));
    // The And of Between is not the logical And around it.
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Units] Between 1 And 3 And "
                     "[Region] = 'North' ORDER BY [Rep]"),
              (Strings{"Ann", "Bob"}));
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Units] In (1, 5) ORDER BY [Rep]"),
              (Strings{"Cid", "Dee"}));
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Units] Not In (1, 5) AND Not "
                     "[Rep] = 'Bob' ORDER BY [Rep]"),
              (Strings{"Ann", "Eve"}));
}

TEST_F(SelectTest, DistinctAndDistinctrow) {
    EXPECT_EQ(column("SELECT DISTINCTROW [Rep] FROM [Sales Data]").size(), 5u);
    EXPECT_EQ(column("SELECT DISTINCT [Region] FROM [Sales Data] ORDER BY [Region]"),
              (Strings{"East", "North", "South"}));
}

TEST_F(SelectTest, GroupingWithTheStandardAggregates) {
    // North: units 3+2, amounts 120.5 and 80. South: units 5+1, one amount (200).
    EXPECT_EQ(run("SELECT [Region], Sum([Units]), Count([Amount]), MIN([Amount]), MAX([Amount]), "
                  "Avg([Units]), Count(*) FROM [Sales Data] WHERE [Region] <> 'East' "
                  "GROUP BY [Region] ORDER BY [Region] DESC"),
              (Rows{{"South", "6", "1", "200.0", "200.0", "3.0", "2"},
                    {"North", "5", "2", "80.0", "120.5", "2.5", "2"}}));
    EXPECT_EQ(run("SELECT [Region], Sum([Units]) AS Total FROM [Sales Data] GROUP BY [Region] "
                  "HAVING Sum([Units]) > 4 ORDER BY Sum([Units]) DESC"),
              (Rows{{"South", "6"}, {"North", "5"}}));
}

TEST_F(SelectTest, Joins) {
    EXPECT_EQ(run("SELECT [Rep], [Manager] FROM [Sales Data] INNER JOIN [Regions] ON "
                  "[Sales Data].[Region] = [Regions].[Region] ORDER BY [Rep]"),
              (Rows{{"Ann", "Kim"}, {"Bob", "Kim"}, {"Cid", "Lee"}, {"Dee", "Lee"}}));
    EXPECT_EQ(run("SELECT s.Rep, r.Manager FROM [Sales Data] AS s LEFT JOIN Regions r ON "
                  "s.Region = r.Region WHERE s.Units = 4"),
              (Rows{{"Eve", "NULL"}}));
    EXPECT_EQ(column("SELECT a.Rep FROM [Sales Data] a INNER JOIN Regions b ON a.Region = b.Region "
                     "INNER JOIN Regions c ON b.Manager = c.Manager WHERE c.Manager = 'Kim' "
                     "ORDER BY a.Rep"),
              (Strings{"Ann", "Bob"}));
    // Joins nested in parentheses, the way the desktop designer writes them.
    EXPECT_EQ(column("SELECT [a].[Rep] FROM (([Sales Data] AS a INNER JOIN Regions AS b ON "
                     "a.Region = b.Region) INNER JOIN Regions AS c ON (b.Manager = c.Manager)) "
                     "WHERE c.Manager = 'Lee' ORDER BY [a].[Rep]"),
              (Strings{"Cid", "Dee"}));
}

TEST_F(SelectTest, TopBecomesALimit) {
    EXPECT_EQ(column("SELECT TOP 2 [Rep] FROM [Sales Data] ORDER BY [Amount] DESC"),
              (Strings{"Cid", "Ann"}));
    EXPECT_EQ(column("SELECT DISTINCT TOP 1 [Region] FROM [Sales Data] ORDER BY [Region];"),
              (Strings{"East"}));
    // In a subquery the limit stays inside it.
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Units] IN (SELECT TOP 2 [Units] "
                     "FROM [Sales Data] ORDER BY [Units]) ORDER BY [Rep]"),
              (Strings{"Bob", "Dee"}));
}

TEST_F(SelectTest, TopPercentTakesThatShareOfTheRowsRoundedUp) {
    // Units: Cid 5, Eve 4, Ann 3, Bob 2, Dee 1. 40% of 5 rows is 2; 50% is
    // 2.5, so 3; 1% is 0.05, so 1.
    EXPECT_EQ(column("SELECT TOP 40 PERCENT [Rep] FROM [Sales Data] ORDER BY [Units] DESC"),
              (Strings{"Cid", "Eve"}));
    EXPECT_EQ(column("SELECT TOP 50 PERCENT [Rep] FROM [Sales Data] ORDER BY [Units] DESC"),
              (Strings{"Cid", "Eve", "Ann"}));
    EXPECT_EQ(column("SELECT TOP 1 PERCENT [Rep] FROM [Sales Data] ORDER BY [Units] DESC"),
              (Strings{"Cid"}));
    EXPECT_EQ(column("SELECT TOP 100 PERCENT [Rep] FROM [Sales Data]").size(), 5u);
    // The share is of the rows the WHERE clause keeps: 50% of North's 2 rows.
    EXPECT_EQ(column("SELECT TOP 50 PERCENT [Rep] FROM [Sales Data] WHERE [Region] = 'North' "
                     "ORDER BY [Units]"),
              (Strings{"Bob"}));
    EXPECT_TRUE(column("SELECT TOP 50 PERCENT [Rep] FROM [Sales Data] WHERE [Units] > 9").empty());
}

TEST_F(SelectTest, IIfIsNullAndNz) {
    EXPECT_EQ(run("SELECT [Rep], IIf(IsNull([Note]), 'none', [Note]) FROM [Sales Data] "
                  "WHERE [Region] = 'North' ORDER BY [Rep]"),
              (Rows{{"Ann", "ok"}, {"Bob", "none"}}));
    // The argument of IsNull is a whole expression with its own parentheses.
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE IsNull(IIf([Units] > (1 + 2), Null, "
                     "[Units])) ORDER BY [Rep]"),
              (Strings{"Cid", "Eve"}));
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE Not IsNull([Amount]) And [Units] < 3"),
              (Strings{"Bob"}));
    // 120.5 + 80 + 200 + 0 + 50
    EXPECT_EQ(scalar("SELECT Sum(Nz([Amount], 0)) FROM [Sales Data]"), "450.5");
    EXPECT_EQ(scalar("SELECT Nz([Note]) & '|' FROM [Sales Data] WHERE [Rep] = 'Bob'"), "|");
    // The counting idiom of the grouped summaries: every row counts, Null or not.
    EXPECT_EQ(scalar("SELECT Sum(IIF(IsNull([Note]), 1, 1)) FROM [Sales Data]"), "5");
}

TEST_F(SelectTest, ConcatenationAndItsPrecedence) {
    EXPECT_EQ(scalar("SELECT [Rep] & '-' & [Units] FROM [Sales Data] WHERE [Rep] = 'Ann'"),
              "Ann-3");
    // & binds more loosely than +: (3 + 1) & 'x'.
    EXPECT_EQ(scalar("SELECT [Units] + 1 & 'x' FROM [Sales Data] WHERE [Rep] = 'Ann'"), "4x");
}

TEST_F(SelectTest, ArithmeticFollowsTheDialectsPrecedence) {
    EXPECT_EQ(scalar("SELECT 10 Mod 4 * 2"), "2");  // Mod after *: 10 Mod 8
    EXPECT_EQ(scalar("SELECT 2 + 7 Mod 4"), "5");   // Mod before +
    EXPECT_EQ(scalar("SELECT 7 \\ 2"), "3");        // integer division
    EXPECT_EQ(scalar("SELECT -2 ^ 2"), "-4.0");     // power before negation
    EXPECT_EQ(scalar("SELECT 2 ^ 3 ^ 2"), "64.0");  // left to right
    EXPECT_EQ(scalar("SELECT 8 - 3 - 2"), "3");
    EXPECT_EQ(scalar("SELECT 8 - (3 - 2)"), "7");
    EXPECT_EQ(scalar("SELECT 5 - -1"), "6");
    EXPECT_EQ(run("SELECT 1. AS [x], .5 AS y, 2E1 AS z"), (Rows{{"1.0", "0.5", "20.0"}}));
    EXPECT_EQ(scalar("SELECT - -4"), "4");
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Units] Mod 2 = 0 ORDER BY [Rep]"),
              (Strings{"Bob", "Eve"}));
}

TEST_F(SelectTest, ComparisonsAndLogic) {
    // The dialect gives all comparisons one level, evaluated left to right:
    // (3 = 2) < 5 is False < 5, true; read as 3 = (2 < 5) it would be false.
    EXPECT_EQ(scalar("SELECT IIf(3 = 2 < 5, 'yes', 'no')"), "yes");
    // (2 < 1) = 0 is False = 0, true.
    EXPECT_EQ(scalar("SELECT IIf(2 < 1 = 0, 'yes', 'no')"), "yes");
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Region] = 'East' Or [Region] = "
                     "'South' And [Units] > 2 ORDER BY [Rep]"),
              (Strings{"Cid", "Eve"}));
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE ([Region] = 'East' Or [Region] = "
                     "'South') And [Units] < 5 ORDER BY [Rep]"),
              (Strings{"Dee", "Eve"}));
    EXPECT_EQ(scalar("SELECT IIf(True Xor False, 1, 0) + IIf(True Xor True, 10, 0)"), "1");
}

TEST_F(SelectTest, TrueAndFalse) {
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE ([Units] > 3) = True ORDER BY [Rep]"),
              (Strings{"Cid", "Eve"}));
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE ([Units] > 1) = False"),
              (Strings{"Dee"}));
}

TEST_F(SelectTest, DateLiteralsMatchTheStoredForm) {
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Sold] >= #1/15/2021# And "
                     "[Sold] < #2021-02-01# ORDER BY [Rep]"),
              (Strings{"Ann", "Eve"}));
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Sold] = #1/15/2021 2:00 PM#"),
              (Strings{"Eve"}));
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Sold] = #12/31/2020 11:59:59 PM#"),
              (Strings{"Dee"}));
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Sold] = #2021-02-01 9:30#"),
              (Strings{"Bob"}));
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Sold] Between #3/10/21# And "
                     "#3/10/21 11:59 PM#"),
              (Strings{"Cid"}));
    EXPECT_EQ(scalar("SELECT #12:00 AM#"), "1899-12-30 00:00:00");
    EXPECT_EQ(scalar("SELECT #2/29/2024 12:30:05 PM#"), "2024-02-29 12:30:05");
}

TEST_F(SelectTest, TrailingSemicolon) {
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data]\nWHERE [Units] = 3;"), (Strings{"Ann"}));
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Units] = 3 ; "), (Strings{"Ann"}));
}

TEST_F(SelectTest, SubqueriesAndUnions) {
    EXPECT_EQ(column("SELECT [Manager] FROM [Regions] WHERE EXISTS (SELECT * FROM [Sales Data] "
                     "AS s WHERE s.Region = Regions.Region AND s.Units > 4)"),
              (Strings{"Lee"}));
    EXPECT_EQ(column("SELECT [Region] FROM [Regions] WHERE [Region] Not In (SELECT [Region] FROM "
                     "[Sales Data])"),
              (Strings{"West"}));
    EXPECT_EQ(column("SELECT [Rep] FROM [Sales Data] WHERE [Units] = 1 UNION SELECT [Manager] FROM "
                     "[Regions] WHERE [Region] = 'West' ORDER BY 1"),
              (Strings{"Dee", "Max"}));
    EXPECT_EQ(run("SELECT q.n FROM (SELECT Count(*) AS n FROM [Sales Data]) AS q"), (Rows{{"5"}}));
}

TEST_F(SelectTest, StringFunctionsOfTheDialect) {
    EXPECT_EQ(run("SELECT Len([Rep]), UCase([Rep]), LCase([Region]), Mid([Region], 2, 3) "
                  "FROM [Sales Data] WHERE [Rep] = 'Ann'"),
              (Rows{{"3", "ANN", "north", "ort"}}));
}

TEST_F(SelectTest, ColumnsAreNamedAsTheDialectNamesThem) {
    // An alias, else a field's own name, else Expr1000, Expr1001, ... in order
    // of the unnamed expressions, in the query and in those it reads from.
    auto names = [this](std::string_view dialect) {
        Strings out;
        sqlite3_stmt* st = nullptr;
        const std::string sql = translate(dialect);
        EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sql;
        for (int c = 0; st != nullptr && c < sqlite3_column_count(st); ++c)
            out.emplace_back(sqlite3_column_name(st, c));
        sqlite3_finalize(st);
        return out;
    };
    EXPECT_EQ(names("SELECT [Rep] & 'a', Units * 2 AS Twice, [Sales Data].[Amount], Sum(Units), "
                    "1 + 1 FROM [Sales Data] GROUP BY [Rep], [Units], [Amount]"),
              (Strings{"Expr1000", "Twice", "Amount", "Expr1001", "Expr1002"}));
    EXPECT_EQ(names("SELECT * FROM (SELECT Region & '!', Count(*) FROM [Sales Data] GROUP BY "
                    "Region)"),
              (Strings{"Expr1000", "Expr1001"}));
    EXPECT_EQ(names("SELECT Region & 'x' FROM Regions UNION SELECT Rep FROM [Sales Data]"),
              (Strings{"Expr1000"}));
}

TEST_F(SelectTest, StatementKindComesFromTheFirstKeyword) {
    const AttachFn none;
    EXPECT_EQ(translateStatement("select 1", none)->kind, StatementKind::Select);
    EXPECT_EQ(translateStatement("Insert Into t Values (1)", none)->kind, StatementKind::Insert);
    EXPECT_EQ(translateStatement("UPDATE t SET a = 1", none)->kind, StatementKind::Update);
    EXPECT_EQ(translateStatement("delete * from t", none)->kind, StatementKind::Delete);
    EXPECT_EQ(translateStatement("DROP TABLE [t]", none)->kind, StatementKind::Other);
}

}  // namespace
}  // namespace qrv::dao::testing
