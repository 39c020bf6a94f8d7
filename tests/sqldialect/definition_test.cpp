// Definition statements through the translator: the dialect's forms are
// known as definitions, everything else is refused before anything runs.
#include <string>
#include <vector>

#include "sqldialect/dialect_db.h"

namespace qrv::dao::testing {
namespace {

class DefinitionTest : public DialectDb {};

TEST_F(DefinitionTest, DefinitionsAreCheckedButNotWrittenForSqlite) {
    // The database makes them with its own table building; the translator
    // only says what they are.
    for (const char* ok : {"CREATE TABLE [Sales Data] ([Id] COUNTER CONSTRAINT [pk] PRIMARY KEY, "
                           "[Re]]gion] TEXT (50) NOT NULL, Units LONG UNIQUE);",
                           "create unique index [By Region] on [Sales Data] ([Re]]gion] ASC)",
                           "ALTER TABLE [Sales Data] ADD COLUMN [Note] MEMO",
                           "DROP INDEX [By Region] ON [Sales Data]", "DROP TABLE [Sales Data]"}) {
        Result<TranslatedSql> r = translateStatement(ok, attach);
        ASSERT_TRUE(r.ok()) << r.error().description << "\n  for: " << ok;
        EXPECT_EQ(r->kind, StatementKind::Other) << ok;
        EXPECT_EQ(r->sql, "") << ok;
    }
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
    // SQLite-only forms of the definitions: the syntax error of the
    // statement or clause they stand in (CREATE TABLE 3290, field definition
    // 3292, CREATE INDEX 3291, DROP 3295).
    const std::pair<const char*, int> refused[] = {
        {"CREATE TABLE t (a TEXT COLLATE NOCASE)", 3290},
        {"CREATE TABLE t (a INTEGER PRIMARY KEY AUTOINCREMENT)", 3290},
        {"CREATE TABLE t (a LONG CHECK (a > 0))", 3290},
        {"CREATE TABLE t (a LONG) WITHOUT ROWID", 3290},
        {"CREATE TABLE t (a TEXT ('x'))", 3292},
        {"CREATE TABLE t ()", 3290},
        {"CREATE TABLE t (a LONG,)", 3290},
        {"CREATE INDEX i ON t (a) WHERE a > 0", 3291},
        {"CREATE INDEX i ON t (lower(a))", 3291},
        {"DROP TABLE t u", 3295},
    };
    for (const auto& [bad, number] : refused) {
        Result<TranslatedSql> r = translateStatement(bad, attach);
        ASSERT_FALSE(r.ok()) << bad;
        EXPECT_EQ(r.error().number, number) << bad;
    }
    EXPECT_EQ(translateStatement("CREATE TABLE t (a TEXT DEFAULT 'x')", attach).error().description,
              "Syntax error in CREATE TABLE statement.");
    EXPECT_EQ(translateStatement("ALTER TABLE t RENAME a TO b", attach).error().description,
              "Syntax error in ALTER TABLE statement.");
}

}  // namespace
}  // namespace qrv::dao::testing
