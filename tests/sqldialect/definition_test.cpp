// Definition statements: the forms the dialect has are written out for
// SQLite with every name quoted, and the names they use are reported so the
// database can apply its naming rule.
#include <string>
#include <vector>

#include "tests/sqldialect/dialect_db.h"

namespace qrv::dao::testing {
namespace {

using Strings = std::vector<std::string>;

class DefinitionTest : public DialectDb {
  protected:
    // "name" for a name the statement only uses, "+name" for one it makes,
    // "+name:f" for a field it makes.
    Strings namesOf(std::string_view dialect) {
        Strings out;
        Result<TranslatedSql> r = translateStatement(dialect, attach);
        if (!r) {
            ADD_FAILURE() << r.error().description << "\n  for: " << dialect;
            return out;
        }
        EXPECT_EQ(r->kind, StatementKind::Other);
        for (const DefinedName& n : r->names)
            out.push_back((n.created ? "+" : "") + n.name + (n.field ? ":f" : ""));
        return out;
    }
};

TEST_F(DefinitionTest, TablesAndIndexesAreMadeWithTheNamesAsWritten) {
    EXPECT_EQ(namesOf("CREATE TABLE [Sales Data] ([Id] COUNTER CONSTRAINT [pk] PRIMARY KEY, "
                      "[Re]]gion] TEXT (50) NOT NULL, Units LONG UNIQUE, [Ref] LONG, "
                      "CONSTRAINT [fk] FOREIGN KEY ([Ref]) REFERENCES [Sales Data] ([Id]));"),
              (Strings{"+Sales Data", "+Id:f", "+pk", "+Re]gion:f", "+Units:f", "+Ref:f", "+fk",
                       "Ref:f", "Sales Data", "Id:f"}));
    exec(
        translate("CREATE TABLE [Sales Data] ([Id] COUNTER CONSTRAINT [pk] PRIMARY KEY, "
                  "[Re]]gion] TEXT (50) NOT NULL, Units LONG UNIQUE)"));
    EXPECT_EQ(namesOf("create unique index [By Region] on [Sales Data] ([Re]]gion] ASC, Units)"),
              (Strings{"+By Region", "Sales Data", "Re]gion:f", "Units:f"}));
    exec(translate("create unique index [By Region] on [Sales Data] ([Re]]gion] ASC, Units)"));
    exec(R"(INSERT INTO "Sales Data" ("Re]gion", Units) VALUES ('North', 1))");
    Rows rows;
    std::string error;
    EXPECT_FALSE(
        tryQuery(R"(INSERT INTO "Sales Data" ("Re]gion", Units) VALUES ('North', 1))", rows, error))
        << "the unique index holds";
    EXPECT_FALSE(tryQuery(R"(INSERT INTO "Sales Data" (Units) VALUES (2))", rows, error))
        << "NOT NULL holds";
    EXPECT_EQ(namesOf("ALTER TABLE [Sales Data] ADD COLUMN [Note] MEMO"),
              (Strings{"Sales Data", "+Note:f"}));
    EXPECT_EQ(namesOf("ALTER TABLE [Sales Data] DROP [Note]"), (Strings{"Sales Data", "Note:f"}));
    EXPECT_EQ(namesOf("DROP INDEX [By Region]"), (Strings{"By Region"}));
    exec(translate("DROP TABLE [Sales Data];"));
    EXPECT_EQ(query("SELECT count(*) FROM sqlite_master"), (Rows{{"0"}}));
}

TEST_F(DefinitionTest, OtherStatementsAndSqliteOnlyFormsAreRefused) {
    for (const char* bad :
         {"PRAGMA writable_schema = 1", "VACUUM", "ANALYZE", "REINDEX", "SAVEPOINT a", "BEGIN",
          "COMMIT", "WITH x AS (SELECT 1) SELECT * FROM x", "CREATE VIRTUAL TABLE v USING fts5(a)",
          "EXPLAIN SELECT 1", "[PRAGMA] user_version"}) {
        Result<TranslatedSql> r = translateStatement(bad, attach);
        ASSERT_FALSE(r.ok()) << bad;
        EXPECT_EQ(r.error().number, err::kInvalidStatement) << bad;
        EXPECT_EQ(r.error().description,
                  "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or "
                  "'UPDATE'.");
    }
    for (const char* bad : {
             "CREATE TABLE t (a TEXT COLLATE NOCASE)",
             "CREATE TABLE t (a INTEGER PRIMARY KEY AUTOINCREMENT)",
             "CREATE TABLE t (a LONG CHECK (a > 0))",
             "CREATE TABLE t (a LONG) WITHOUT ROWID",
             "CREATE TABLE t (a TEXT ('x'))",
             "CREATE TABLE t ()",
             "CREATE TABLE t (a LONG,)",
             "CREATE INDEX i ON t (a) WHERE a > 0",
             "CREATE INDEX i ON t (lower(a))",
             "DROP TABLE t u",
             "ALTER TABLE t ADD CONSTRAINT c UNIQUE (a)",
         }) {
        Result<TranslatedSql> r = translateStatement(bad, attach);
        ASSERT_FALSE(r.ok()) << bad;
        EXPECT_EQ(r.error().number, err::kSyntaxError) << bad;
    }
    EXPECT_EQ(translateStatement("CREATE TABLE t (a TEXT DEFAULT 'x')", attach).error().description,
              "Syntax error in CREATE TABLE statement.");
    EXPECT_EQ(translateStatement("ALTER TABLE t RENAME a TO b", attach).error().description,
              "Syntax error in ALTER TABLE statement.");
}

}  // namespace
}  // namespace qrv::dao::testing
