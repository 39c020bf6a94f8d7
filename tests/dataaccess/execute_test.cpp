// Execute: only the dialect's statements reach the file, definitions follow
// the naming rule, and the count returned is the records this statement
// changed.
#include <sqlite3.h>

#include <filesystem>

#include "dataaccess/dialect/sql_definition.h"
#include "fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class ExecuteTest : public DbTest {
  protected:
    void SetUp() override {
        DbTest::SetUp();
        makeNamesTable("Sales", {{"ann", 10.0}, {"bob", 20.0}, {"cid", 30.0}, {"dee", 40.0}});
    }
    // The schema and header fields as another program sees them.
    std::string fileState() {
        sqlite3* raw = nullptr;
        EXPECT_EQ(sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        std::string out;
        sqlite3_stmt* st = nullptr;
        const char* sql =
            "SELECT type || ' ' || name || ' ' || ifnull(sql, '') FROM sqlite_master UNION ALL "
            "SELECT 'user_version ' || user_version FROM pragma_user_version UNION ALL "
            "SELECT 'rows ' || count(*) FROM \"Sales\"";
        if (sqlite3_prepare_v2(raw, sql, -1, &st, nullptr) == SQLITE_OK)
            while (sqlite3_step(st) == SQLITE_ROW)
                out +=
                    std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) + "\n";
        else
            ADD_FAILURE() << sqlite3_errmsg(raw);
        sqlite3_finalize(st);
        sqlite3_close(raw);
        return out;
    }
};

TEST_F(ExecuteTest, CountsAreThoseOfTheStatementItself) {
    makeNamesTable("Copy", {});
    EXPECT_EQ(count("INSERT INTO [Copy] SELECT * FROM [Sales] WHERE [Amount] > 15"), 3);
    EXPECT_EQ(count("CREATE TABLE [Made] ([Id] LONG NOT NULL, [Label] TEXT (20))"), 0);
    EXPECT_EQ(count("CREATE UNIQUE INDEX [ByLabel] ON [Made] ([Label] DESC)"), 0);
    EXPECT_EQ(count("ALTER TABLE [Made] ADD COLUMN [Extra] DOUBLE"), 0);
    EXPECT_EQ(count("UPDATE [Copy] SET [Amount] = [Amount] + 1 WHERE [Name] <> 'bob'"), 2);
    EXPECT_EQ(count("DROP INDEX [ByLabel]"), 0);
    EXPECT_EQ(count("DROP TABLE [Made]"), 0);
    EXPECT_EQ(count("DELETE * FROM [Copy]"), 3);
    EXPECT_FALSE(db.GetTableDef("Made").ok());
    EXPECT_EQ(column("SELECT Sum([Amount]) FROM [Sales]"), std::vector<std::string>{"100"});
}

TEST_F(ExecuteTest, StatementsOutsideTheDialectChangeNothing) {
    const std::string attached = dir.file("attached.db");
    const std::string vacuumed = dir.file("vacuumed.db");
    const std::string before = fileState();
    struct Case {
        std::string sql;
        int number;
    };
    for (const Case& c : std::vector<Case>{
             {"PRAGMA user_version = 7", err::kInvalidStatement},
             {"VACUUM", err::kInvalidStatement},
             {"VACUUM INTO '" + vacuumed + "'", err::kInvalidStatement},
             {"ATTACH DATABASE '" + attached + "' AS other", err::kInvalidStatement},
             {"DETACH DATABASE main", err::kInvalidStatement},
             {"CREATE TRIGGER [t] AFTER INSERT ON [Sales] BEGIN DELETE FROM [Sales]; END",
              err::kCharsAfterEnd},
             {"CREATE TRIGGER [t] AFTER INSERT ON [Sales] BEGIN SELECT 1 END",
              err::kInvalidStatement},
             {"CREATE VIEW [v] AS SELECT * FROM [Sales]", err::kInvalidStatement},
             {"REPLACE INTO [Sales] VALUES ('eve', 5)", err::kInvalidStatement},
             {"SELECT 1; DROP TABLE [Sales]", err::kCharsAfterEnd},
             {"DROP TABLE [Sales]; PRAGMA user_version = 7", err::kCharsAfterEnd},
             {"INSERT OR REPLACE INTO [Sales] VALUES ('eve', 5)", err::kSyntaxError},
             {"DELETE * FROM [Sales] LIMIT 1", err::kSyntaxError},
             {"SELECT [Name] FROM [Sales] LIMIT 1", err::kSyntaxError},
             {"CREATE TABLE [Copy] AS SELECT * FROM [Sales]", err::kCreateTableSyntax},
             {"CREATE TABLE IF NOT EXISTS [Copy] ([x] LONG)", err::kCreateTableSyntax},
             {"CREATE TABLE [Copy] ([x] LONG DEFAULT 1)", err::kCreateTableSyntax},
             {"CREATE TEMP TABLE [Copy] ([x] LONG)", err::kInvalidStatement},
             {"CREATE TABLE [main].[Copy] ([x] LONG)", err::kCreateTableSyntax},
             {"DROP TABLE IF EXISTS [Sales]", err::kDropSyntax},
             {"ALTER TABLE [Sales] RENAME COLUMN [Name] TO [N]", err::kAlterTableSyntax},
         }) {
        EXPECT_EQ(errorOf(c.sql), c.number) << c.sql;
    }
    EXPECT_EQ(fileState(), before);
    EXPECT_FALSE(std::filesystem::exists(attached));
    EXPECT_FALSE(std::filesystem::exists(vacuumed));
}

TEST_F(ExecuteTest, DefinitionsFollowTheNamingRule) {
    const std::string before = fileState();
    EXPECT_EQ(errorOf("CREATE TABLE [a]]b] ([x] LONG)"), 3125);
    EXPECT_EQ(errorOf("CREATE TABLE [ok] ([x]]y] LONG)"), 3125);
    EXPECT_EQ(errorOf("CREATE TABLE [ok] ([x] LONG, CONSTRAINT [k]]] PRIMARY KEY ([x]))"), 3125);
    EXPECT_EQ(errorOf("CREATE INDEX [i!] ON [Sales] ([Name])"), 3125);
    EXPECT_EQ(errorOf("ALTER TABLE [Sales] RENAME TO [x.y]"), 3125);
    EXPECT_EQ(errorOf("ALTER TABLE [Sales] ADD [q[r] TEXT"), 3125);
    EXPECT_EQ(errorOf("DROP TABLE [qrv_properties]"), 3125);
    EXPECT_EQ(errorOf("ALTER TABLE [SQLITE_sequence] RENAME TO [s]"), 3125);
    EXPECT_EQ(fileState(), before);
    // A field name may hold a period, as scaled frequency columns do.
    EXPECT_EQ(count("CREATE TABLE [Bands] ([0.25<=N<0.5] DOUBLE, CONSTRAINT [pk] PRIMARY KEY "
                    "([0.25<=N<0.5]))"),
              0);
    auto t = db.GetTableDef("Bands");
    ASSERT_TRUE(t.ok());
    ASSERT_EQ(t->Fields().size(), 1u);
    EXPECT_EQ(t->Fields()[0].Name, "0.25<=N<0.5");
}

}  // namespace
}  // namespace qrv::test
