// The file's internals stay out of the user's statements: SQLite's tables and
// the property catalog are neither read nor written through Execute, SQL
// recordsets or stored queries; working-table names cannot be made; and the
// scenario tables keep their design while their rows stay editable.
#include <sqlite3.h>

#include <string>
#include <utility>

#include "fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class InternalsTest : public DbTest {
  protected:
    void SetUp() override {
        DbTest::SetUp();
        makeNamesTable("Sales", {{"ann", 10.0}, {"bob", 20.0}});
        // Rows in the catalog and in sqlite_sequence to lose.
        ASSERT_FALSE(db.SetProperty("Description", Value(std::string("kept"))));
        for (const char* t :
             {"usysQuorvaneScenarios", "usysQuorvaneOptions", "usysQuorvaneFields"}) {
            TableDef def = db.CreateTableDef(t);
            Field id("Scenario_ID", dbLong);
            id.Attributes = dbAutoIncrField;
            ASSERT_FALSE(def.AppendField(id));
            ASSERT_FALSE(def.AppendField(Field("Note", dbText, 20)));
            Index key("PrimaryKey");
            key.Fields = {"Scenario_ID"};
            key.Primary = key.Unique = true;
            ASSERT_FALSE(def.AppendIndex(key));
            if (std::string(t) == "usysQuorvaneFields") {
                Index byNote("IX_Note");
                byNote.Fields = {"Note"};
                ASSERT_FALSE(def.AppendIndex(byNote));
            }
            ASSERT_FALSE(db.AppendTableDef(def)) << t;
        }
        ASSERT_TRUE(db.Execute("INSERT INTO usysQuorvaneScenarios (Note) VALUES ('one')").ok());
    }
    // The file as another program sees it: schema, catalog and sequence rows.
    std::string fileState() {
        sqlite3* raw = nullptr;
        EXPECT_EQ(sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        std::string out;
        for (const char* sql :
             {"SELECT name || ifnull(sql, '') FROM sqlite_master",
              "SELECT ObjectId || ItemKey || PropertyKey || ifnull(PropertyValue, "
              "'') FROM qrv_properties",
              "SELECT name || seq FROM sqlite_sequence"}) {
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(raw, sql, -1, &st, nullptr) != SQLITE_OK) {
                ADD_FAILURE() << sqlite3_errmsg(raw);
                continue;
            }
            while (sqlite3_step(st) == SQLITE_ROW)
                out +=
                    std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) + "\n";
            sqlite3_finalize(st);
        }
        sqlite3_close(raw);
        return out;
    }
};

TEST_F(InternalsTest, StatementsOnInternalTablesAreRefusedAndChangeNothing) {
    const std::string before = fileState();
    const std::pair<const char*, int> cases[] = {
        {"DELETE * FROM qrv_properties", 3109},
        {"UPDATE sqlite_sequence SET seq = 100", 3108},
        {"DELETE * FROM sqlite_sequence", 3109},
        {"INSERT INTO sqlite_sequence (name, seq) VALUES ('Sales', 5)", 3107},
        {"SELECT * INTO Copy FROM sqlite_master", 3112},
        {"INSERT INTO Sales (Name) SELECT name FROM sqlite_master", 3112},
        {"UPDATE Sales SET Name = (SELECT Max(PropertyValue) FROM qrv_properties)", 3112},
        {"DROP TABLE qrv_properties", 3125},
        {"ALTER TABLE sqlite_sequence ADD COLUMN x LONG", 3125},
    };
    for (const auto& [statement, number] : cases)
        EXPECT_EQ(errorOf(statement), number) << statement;
    for (const char* query :
         {"SELECT * FROM sqlite_master", "SELECT * FROM dbstat",
          "SELECT * FROM pragma_database_list", "SELECT * FROM qrv_properties"}) {
        auto rs = db.OpenRecordset(query);
        ASSERT_FALSE(rs.ok()) << query;
        EXPECT_EQ(rs.error().number, 3112) << query;
    }
    EXPECT_EQ(fileState(), before);
}

TEST_F(InternalsTest, StoredQueriesAndTriggersReachNoInternalTable) {
    // Views and a trigger another SQLite client made in the file.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw,
                           "CREATE VIEW qProps AS SELECT * FROM qrv_properties;"
                           "CREATE VIEW qSchema AS SELECT name FROM sqlite_master;"
                           "CREATE TRIGGER wipe AFTER DELETE ON Sales BEGIN DELETE FROM "
                           "qrv_properties; END;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    reopen();
    const std::string before = fileState();
    for (const char* source : {"qProps", "qSchema", "SELECT * FROM qSchema"}) {
        auto rs = db.OpenRecordset(source);
        ASSERT_FALSE(rs.ok()) << source;
        EXPECT_EQ(rs.error().number, 3112) << source;
    }
    EXPECT_EQ(errorOf("DELETE * FROM Sales"), 3109);
    EXPECT_EQ(fileState(), before);
}

TEST_F(InternalsTest, WorkingTableNamesCannotBeMadeBySql) {
    const std::string before = fileState();
    for (const char* statement :
         {"CREATE TABLE [~qrvwork_x] (a LONG)", "CREATE TABLE [~QRVWORK_host_1_1_1] (a LONG)",
          "SELECT * INTO [~qrvwork_copy] FROM Sales",
          "ALTER TABLE Sales RENAME TO [~qrvwork_Sales]"})
        EXPECT_EQ(errorOf(statement), 3125) << statement;
    EXPECT_EQ(fileState(), before);
    // A name that merely contains the prefix is the user's.
    EXPECT_EQ(errorOf("CREATE TABLE [my~qrvwork] (a LONG)"), 0);
}

TEST_F(InternalsTest, ScenarioTablesKeepTheirDesignButNotTheirRows) {
    const std::string before = fileState();
    for (const char* statement : {
             "DROP TABLE usysQuorvaneScenarios",
             "DROP TABLE [USYSQUORVANEFIELDS]",
             "ALTER TABLE usysQuorvaneOptions RENAME TO x",
             "ALTER TABLE usysQuorvaneOptions ADD COLUMN y LONG",
             "ALTER TABLE usysQuorvaneScenarios DROP COLUMN Note",
             "ALTER TABLE usysQuorvaneScenarios ALTER COLUMN Note TEXT (5)",
             "ALTER TABLE usysQuorvaneFields DROP CONSTRAINT PrimaryKey",
             "DROP INDEX PrimaryKey ON usysQuorvaneScenarios",
             "CREATE UNIQUE INDEX n ON usysQuorvaneFields (Note)",
             "ALTER TABLE Sales RENAME TO usysQuorvaneScenarios",
             "SELECT * INTO usysquorvanefields FROM Sales",
         }) {
        auto r = db.Execute(statement);
        ASSERT_FALSE(r.ok()) << statement;
        EXPECT_EQ(r.error().number, 3111) << statement;
        EXPECT_NE(r.error().description.find("quorvane delete"), std::string::npos) << statement;
    }
    EXPECT_EQ(fileState(), before);
    // An index named without its table is found to be a scenario table's.
    EXPECT_EQ(errorOf("DROP INDEX IX_Note"), 3111);
    EXPECT_EQ(fileState(), before);
    // Rows are the user's to write.
    EXPECT_EQ(errorOf("UPDATE usysQuorvaneScenarios SET Note = 'two'"), 0);
    EXPECT_EQ(errorOf("DELETE * FROM usysQuorvaneScenarios"), 0);
}

}  // namespace
}  // namespace qrv::test
