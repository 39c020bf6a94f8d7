// Hostile names and values stay names and values, a second statement is
// refused, and malformed input gets the desktop engine's error numbers.
#include <string>
#include <utility>
#include <vector>

#include "sqldialect/dialect_db.h"

namespace qrv::dao::testing {
namespace {

using Strings = std::vector<std::string>;

class SafetyTest : public DialectDb {
  protected:
    void SetUp() override {
        DialectDb::SetUp();
        exec(R"(CREATE TABLE t (v TEXT);
                INSERT INTO t VALUES ('plain'), ('x'' OR 1=1 --'), ('x" OR "1"="1'), ('a]b');
                CREATE TABLE "a]; DROP TABLE t; --" ("we""ird]" TEXT);
                INSERT INTO "a]; DROP TABLE t; --" VALUES ('inside');)");
    }
    bool tableTExists() {
        return query("SELECT count(*) FROM sqlite_master WHERE name = 't'") == Rows{{"1"}};
    }
};

TEST_F(SafetyTest, NamesCannotBreakOutOfTheirBrackets) {
    EXPECT_EQ(column("SELECT [we\"ird]]] FROM [a]]; DROP TABLE t; --]"), (Strings{"inside"}));
    EXPECT_TRUE(tableTExists());
    // The same name built with the helper.
    EXPECT_EQ(column("SELECT " + bracketName("we\"ird]") + " FROM " +
                     bracketName("a]; DROP TABLE t; --")),
              (Strings{"inside"}));
    EXPECT_EQ(run("SELECT [v] AS [x]]; DELETE FROM t; --] FROM [t] WHERE [v] = 'plain'"),
              (Rows{{"plain"}}));
    EXPECT_EQ(column("SELECT count(*) FROM t"), (Strings{"4"}));
}

TEST_F(SafetyTest, ValuesCannotBreakOutOfTheirQuotes) {
    EXPECT_EQ(column("SELECT [v] FROM [t] WHERE [v] = 'x'' OR 1=1 --'"), (Strings{"x' OR 1=1 --"}));
    EXPECT_EQ(column("SELECT [v] FROM [t] WHERE [v] = \"x\"\" OR \"\"1\"\"=\"\"1\""),
              (Strings{"x\" OR \"1\"=\"1"}));
    EXPECT_EQ(column("SELECT [v] FROM [t] WHERE [v] = " + quoteLiteral("x' OR 1=1 --")),
              (Strings{"x' OR 1=1 --"}));
    // Brackets, hashes and comment marks inside text are just text.
    EXPECT_EQ(column("SELECT [v] FROM [t] WHERE [v] = 'a]b' OR [v] = '[v]' OR [v] = '#1/1/2000#' "
                     "OR [v] = '/*'"),
              (Strings{"a]b"}));
    EXPECT_EQ(column("SELECT count(*) FROM [t] WHERE [v] Like '*'"), (Strings{"4"}));
}

TEST_F(SafetyTest, NothingMayFollowTheStatement) {
    EXPECT_EQ(errorOf("SELECT * FROM t; DROP TABLE t"), err::kCharsAfterEnd);
    EXPECT_EQ(errorOf("SELECT * FROM t;;"), err::kCharsAfterEnd);
    EXPECT_EQ(errorOf("DELETE * FROM t; SELECT 1"), err::kCharsAfterEnd);
    EXPECT_EQ(errorOf("DROP TABLE t; DROP TABLE u"), err::kCharsAfterEnd);
    Result<TranslatedSql> r = translateStatement("SELECT 1; x", attach);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().description, "Characters found after end of SQL statement.");
    // Blanks after the semicolon are fine; "--" is no comment but characters.
    EXPECT_EQ(errorOf("SELECT * FROM t;  \n "), 0);
    EXPECT_EQ(errorOf("SELECT * FROM t; -- done"), err::kCharsAfterEnd);
    EXPECT_TRUE(tableTExists());
}

TEST_F(SafetyTest, MalformedExpressionsAreError3075) {
    for (const char* bad : {
             "SELECT * FROM t WHERE v = 'abc",          // unterminated text
             "SELECT [v FROM t",                        // unterminated name
             "SELECT * FROM t WHERE d = #1/2/2003",     // unterminated date
             "SELECT * FROM t WHERE d = #13/45/2003#",  // no such date
             "SELECT * FROM t WHERE d = #2/29/2023#",   // not a leap year
             "SELECT * FROM t WHERE d = #25:00#",       // no such time
             "SELECT * FROM t WHERE v = 1 /* 2",        // no comments: "/" then "*"
             "SELECT * FROM t WHERE (v = 1",            // unbalanced
             "SELECT * FROM t WHERE v = 1)",
             "SELECT v w FROM t",  // missing operator
             "SELECT * FROM t WHERE v = ",
             "SELECT * FROM t WHERE v Is 3",
             "SELECT * FROM t WHERE v Between 1 Or 2",
             "SELECT * FROM t WHERE v In 'x'",
             "SELECT IsNull(v, 1) FROM t",  // IsNull takes one argument
             "SELECT Nz() FROM t",
             "SELECT [] FROM t",
             "SELECT * FROM t WHERE v = 1 +",
             "SELECT v FROM t ORDER BY *",
         }) {
        EXPECT_EQ(errorOf(bad), err::kSyntaxInExpression) << bad;
    }
}

TEST_F(SafetyTest, OnlyTheDialectsFunctionsAreCalled) {
    // SQLite's own functions and those of its extensions are no dialect
    // functions, wherever they stand in a statement or a criteria text.
    for (const char* bad : {
             "SELECT fts3_tokenizer('simple') FROM t",
             "SELECT sqlite_version()",
             "SELECT * FROM t WHERE load_extension('x') = 1",
             "SELECT v FROM t ORDER BY readfile('/etc/passwd')",
             "UPDATE t SET v = typeof(v)",
             "INSERT INTO t (v) VALUES (printf('%s', 'x'))",
             "DELETE * FROM t WHERE v IN (SELECT upper(v) FROM t)",
             "SELECT Left(v, 1) FROM t",
         }) {
        auto r = translateStatement(bad, attach);
        ASSERT_FALSE(r.ok()) << bad;
        EXPECT_EQ(r.error().number, 3085) << bad;
    }
    auto e = translateExpression("[v] = sqlite_version()");
    ASSERT_FALSE(e.ok());
    EXPECT_EQ(e.error().description, "Undefined function 'sqlite_version' in expression.");
    EXPECT_EQ(scalar("SELECT Abs(-2.5) + Len('abc')"), "5.5");
}

TEST_F(SafetyTest, InternalTablesAreNeitherReadNorWritten) {
    // 3112 read, 3107 insert, 3108 update, 3109 delete: permission refusals
    // that name the table, for SQLite's tables, its table-valued functions and
    // the layer's property catalog, in any letter case and any clause.
    const std::pair<const char*, int> cases[] = {
        {"SELECT * FROM sqlite_master", 3112},
        {"SELECT * FROM [SQLITE_SCHEMA]", 3112},
        {"SELECT * FROM t WHERE v IN (SELECT name FROM sqlite_master)", 3112},
        {"SELECT * FROM t INNER JOIN [sqlite_stat1] AS s ON t.v = s.tbl", 3112},
        {"SELECT * FROM dbstat", 3112},
        {"SELECT * FROM pragma_table_list", 3112},
        {"SELECT * FROM (SELECT * FROM json_each)", 3112},
        {"SELECT * FROM [qrv_properties]", 3112},
        {"SELECT * INTO x FROM Qrv_Properties", 3112},
        {"INSERT INTO sqlite_sequence (name, seq) VALUES ('t', 9)", 3107},
        {"INSERT INTO t SELECT name FROM sqlite_master", 3112},
        {"UPDATE sqlite_sequence SET seq = 0", 3108},
        {"DELETE * FROM qrv_properties", 3109},
        {"DELETE DISTINCTROW q.* FROM qrv_properties AS q INNER JOIN t ON q.ObjectId = t.v", 3109},
        {"DELETE * FROM MSysPassword", 3109},
    };
    for (const auto& [statement, number] : cases)
        EXPECT_EQ(errorOf(statement), number) << statement;
    auto r = translateStatement("DELETE * FROM qrv_properties", attach);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().description,
              "Record(s) can't be deleted; no delete data permission on 'qrv_properties'.");
}

TEST_F(SafetyTest, ErrorTextQuotesTheExpression) {
    Result<TranslatedSql> r = translateStatement("SELECT [a] FROM t WHERE [a] = 1 2", attach);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().description, "Syntax error in query expression '[a] = 1 2'.");
}

TEST_F(SafetyTest, MalformedStatementsAreError3134) {
    for (const char* bad : {
             "",
             "INSERT t VALUES (1)",
             "INSERT INTO [t] [a]",
             "INSERT INTO t (v, ) VALUES (1)",
             "DELETE [t]",
             "DELETE * t",
             "UPDATE SET v = 1",
             "UPDATE t",
             "UPDATE t WHERE v = 1",
             "SELECT SELECT 1",
             "SELECT 1 VALUES (2)",
             "SELECT v FROM t SET v = 1",
             "SELECT v FROM t ON v = 1",
             "SELECT v DESC FROM t",
             "SELECT v FROM t HAVING v = 1",
             "SELECT v FROM t ORDER BY v WHERE v = 1",
             "SELECT v FROM t INNER t",
             "SELECT v FROM t INNER JOIN u",
             "INSERT INTO t VALUES 1",
             "SELECT FROM t",
             "SELECT * FROM",
             "SELECT * FROM t WHERE",
             "SELECT * FROM t ORDER v",
             "SELECT TOP x v FROM t",
             "SELECT TOP 10 PERCENT PERCENT v FROM t",
             "SELECT TOP 1.5 PERCENT v FROM t",
             "SELECT v INTO FROM t",
             "SELECT v INTO u",
             "SELECT v FROM t INTO u",
             "SELECT v FROM t WHERE v IN (SELECT v INTO u FROM t)",
             "SELECT v FROM t UNION SELECT v INTO u FROM t",
             "SELECT * FROM t UNION",
             "SELECT * FROM t x y",
         }) {
        EXPECT_EQ(errorOf(bad), err::kSyntaxError) << bad;
    }
    Result<TranslatedSql> r = translateStatement("INSERT INTO [t] [a]", attach);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().description, "Syntax error in INSERT INTO statement.");
}

TEST(QuotingHelpers, DoubleTheirClosingCharacter) {
    EXPECT_EQ(bracketName("Sales Data"), "[Sales Data]");
    EXPECT_EQ(bracketName("a]b]]"), "[a]]b]]]]]");
    EXPECT_EQ(quoteIdentifier("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(quoteLiteral("it's"), "'it''s'");
    EXPECT_EQ(quoteLiteral(""), "''");
}

}  // namespace
}  // namespace qrv::dao::testing

namespace qrv::dao::testing {
namespace {

// Nesting is bounded: absurdly deep input is a syntax error, never a stack
// overflow (a long run of minus signs reads as nested negations, as "--" is
// no comment).
class NestingTest : public DialectDb {};

TEST_F(NestingTest, DeepInputIsAnErrorAndModerateDepthWorks) {
    auto nested = [](const std::string& open, const std::string& close, int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += open;
        s += "1";
        for (int i = 0; i < n; ++i) s += close;
        return s;
    };
    for (const auto& [open, close] :
         {std::pair<std::string, std::string>{"(", ")"}, {"Not ", ""}, {"-", ""}, {"-(", ")"}}) {
        Result<std::string> deep = translateExpression(nested(open, close, 5000));
        ASSERT_FALSE(deep.ok()) << open;
        EXPECT_EQ(deep.error().number, err::kSyntaxInExpression) << open;
        EXPECT_TRUE(translateExpression(nested(open, close, 300)).ok()) << open;
    }
    // Minus signs cancel in pairs (SQLite's own parser takes a few dozen levels).
    EXPECT_EQ(scalar("SELECT " + nested("-", "", 40) + " = 1"), "1");
    EXPECT_EQ(scalar("SELECT " + nested("-", "", 41) + " = -1"), "1");
}

}  // namespace
}  // namespace qrv::dao::testing
