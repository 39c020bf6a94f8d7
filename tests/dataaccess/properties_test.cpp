// Properties kept beside SQLite's schema belong to one table, not to a name:
// they follow the table through renames by any program and never reach a
// later table of the same name, however the old one went. Another program
// is played by a plain SQLite connection on the same file.
#include <sqlite3.h>

#include "fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class PropertiesTest : public DbTest {
  protected:
    // Runs SQL through a connection of its own, as another program would.
    void other(const std::string& sql) {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
        char* msg = nullptr;
        const int rc = sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, &msg);
        EXPECT_EQ(rc, SQLITE_OK) << (msg ? msg : "") << " in: " << sql;
        sqlite3_free(msg);
        sqlite3_close(raw);
    }
    long long otherCount(const std::string& sql) {
        sqlite3* raw = nullptr;
        EXPECT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        long long n = -1;
        if (sqlite3_prepare_v2(raw, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int64(st, 0);
        else
            ADD_FAILURE() << sqlite3_errmsg(raw) << " in: " << sql;
        sqlite3_finalize(st);
        sqlite3_close(raw);
        return n;
    }

    // A table with a description, a described and ruled field and a named primary key.
    void makeDescribed(const std::string& name, const std::string& description) {
        TableDef t = db.CreateTableDef(name);
        Field id("Id", dbLong);
        ASSERT_FALSE(id.AppendProperty({"Description", dbText, Value("key of " + description)}));
        Field width("Width", dbDouble);
        width.ValidationRule = "Is Null Or >0";
        width.ValidationText = "Width must be positive";
        ASSERT_FALSE(t.AppendField(id));
        ASSERT_FALSE(t.AppendField(width));
        Index pk = t.CreateIndex("Key_" + name);
        pk.AppendField("Id");
        pk.Primary = true;
        ASSERT_FALSE(t.AppendIndex(pk));
        ASSERT_FALSE(t.AppendProperty({"Description", dbText, Value(description)}));
        ASSERT_FALSE(db.AppendTableDef(t));
    }

    // The properties a table shows: "" when it has none of them.
    struct Shown {
        std::string description, idDescription, widthRule, widthText, primaryName;
    };
    Shown shown(const std::string& name) {
        auto t = db.GetTableDef(name);
        EXPECT_TRUE(t.ok()) << name;
        Shown s;
        if (!t.ok()) return s;
        if (auto d = t->GetProperty("Description"); d.ok()) s.description = d->toText();
        if (const Field* f = t->FindField("Id"))
            if (auto d = f->GetProperty("Description"); d.ok()) s.idDescription = d->toText();
        if (const Field* f = t->FindField("Width")) {
            s.widthRule = f->ValidationRule;
            s.widthText = f->ValidationText;
        }
        for (const Index& ix : t->Indexes())
            if (ix.Primary) s.primaryName = ix.Name;
        return s;
    }
};

TEST_F(PropertiesTest, ATableDroppedElsewhereLeavesNothingToInherit) {
    makeDescribed("Out", "old output");
    other("DROP TABLE \"Out\"; CREATE TABLE \"Out\" (\"Id\" INTEGER, \"Width\" DOUBLE);");
    Shown s = shown("Out");
    EXPECT_EQ(s.description, "");
    EXPECT_EQ(s.idDescription, "");
    EXPECT_EQ(s.widthRule, "");
    EXPECT_EQ(s.widthText, "");

    // A table of ours taking the name over gets exactly its own properties;
    // the stale rows neither block the rename nor mix in.
    other("DROP TABLE \"Out\"");
    makeDescribed("Work", "new output");
    ASSERT_FALSE(db.RenameTableDef("Work", "Out"));
    s = shown("Out");
    EXPECT_EQ(s.description, "new output");
    EXPECT_EQ(s.idDescription, "key of new output");
    EXPECT_EQ(s.primaryName, "Key_Work");
    EXPECT_EQ(s.widthText, "Width must be positive");
    EXPECT_EQ(otherCount("SELECT count(*) FROM qrv_properties WHERE PropertyValue = 'old output'"),
              0)
        << "the write removed the rows of the dropped table";
    // And again after the stale rows are gone: a plain create under the name.
    other("DROP TABLE \"Out\"");
    makeDescribed("Out", "third");
    EXPECT_EQ(shown("Out").description, "third");
}

TEST_F(PropertiesTest, ATableRenamedElsewhereKeepsItsProperties) {
    makeDescribed("Out", "kept");
    other(
        "ALTER TABLE \"Out\" RENAME TO \"Moved\";"
        "ALTER TABLE \"Moved\" ADD COLUMN \"Extra\" TEXT;"
        "ALTER TABLE \"Moved\" DROP COLUMN \"Extra\";"
        "ALTER TABLE \"Moved\" RENAME COLUMN \"Width\" TO \"Breadth\";");
    EXPECT_EQ(db.GetTableDef("Out").error().number, err::kItemNotFound);
    auto t = db.GetTableDef("Moved");
    ASSERT_TRUE(t.ok());
    EXPECT_EQ(t->GetProperty("Description")->toText(), "kept");
    EXPECT_EQ(t->FindField("Id")->GetProperty("Description")->toText(), "key of kept");
    EXPECT_EQ(t->FindIndex("Key_Out") != nullptr, true);
    // Renamed back and forth through the layer too.
    ASSERT_FALSE(db.RenameTableDef("Moved", "Final"));
    reopen();
    EXPECT_EQ(shown("Final").description, "kept");
    // A new table under the old name has nothing of it.
    makeNamesTable("Moved", {});
    EXPECT_EQ(db.GetTableDef("Moved")->GetProperty("Description").error().number, 3270);
}

TEST_F(PropertiesTest, StatementsSentAsSqlLeaveNothingBehind) {
    makeDescribed("T", "by sql");
    ASSERT_TRUE(db.Execute("ALTER TABLE [T] RENAME TO [U]").ok());
    EXPECT_EQ(shown("U").description, "by sql");
    EXPECT_EQ(otherCount("SELECT count(*) FROM qrv_properties WHERE ObjectName = 'U'"), 5)
        << "the rows name the table as it is called now";
    ASSERT_TRUE(db.Execute("DROP TABLE [U]").ok());
    EXPECT_EQ(otherCount("SELECT count(*) FROM qrv_properties WHERE ObjectId <> ''"), 0);
    makeNamesTable("U", {});
    EXPECT_EQ(db.GetTableDef("U")->GetProperty("Description").error().number, 3270);

    // A stored query dropped as SQL and made again by another program shows
    // the new program's text, not the old query's.
    ASSERT_FALSE(db.CreateQueryDef("Q", "SELECT [Name] FROM [U] WHERE [Amount] > 1"));
    EXPECT_EQ(db.GetQueryDef("Q")->SQL, "SELECT [Name] FROM [U] WHERE [Amount] > 1");
    ASSERT_TRUE(db.Execute("DROP VIEW [Q]").ok());
    other("CREATE VIEW \"Q\" AS SELECT 2 AS two");
    EXPECT_EQ(db.GetQueryDef("Q")->SQL, "CREATE VIEW \"Q\" AS SELECT 2 AS two");
}

TEST_F(PropertiesTest, AnotherProgramsTableIsMarkedOnItsFirstProperty) {
    other("CREATE TABLE \"F\" (a DOUBLE, b TEXT); INSERT INTO \"F\" VALUES (1.5, 'x');");
    auto t = db.GetTableDef("F");
    ASSERT_TRUE(t.ok());
    ASSERT_FALSE(t->AppendProperty({"Description", dbText, Value("foreign")}));
    ASSERT_FALSE(t->FindField("a")->AppendProperty({"Description", dbText, Value("col a")}));
    EXPECT_EQ(otherCount("SELECT count(*) FROM sqlite_master WHERE name = 'F' AND sql LIKE "
                         "'%/*qrv:%*/%'"),
              1);
    EXPECT_EQ(otherCount("SELECT count(*) FROM pragma_integrity_check WHERE integrity_check "
                         "= 'ok'"),
              1);
    other("INSERT INTO \"F\" VALUES (2.5, 'y')");
    EXPECT_EQ(column("SELECT [b] FROM [F] ORDER BY [a]"), (std::vector<std::string>{"x", "y"}));
    reopen();
    EXPECT_EQ(db.GetTableDef("F")->GetProperty("Description")->toText(), "foreign");
    EXPECT_EQ(db.GetTableDef("F")->FindField("A")->GetProperty("Description")->toText(), "col a");

    // The same text made again, word for word, is another table.
    other("DROP TABLE \"F\"; CREATE TABLE \"F\" (a DOUBLE, b TEXT);");
    EXPECT_EQ(db.GetTableDef("F")->GetProperty("Description").error().number, 3270);
}

TEST_F(PropertiesTest, ACopiedDefinitionTextSharesNothing) {
    makeDescribed("Orig", "original");
    // A program that copies the stored text to make a second table copies the token too.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw, "SELECT sql FROM sqlite_master WHERE name = 'Orig'", -1, &st,
                                 nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    std::string text = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    sqlite3_finalize(st);
    sqlite3_close(raw);
    text.replace(text.find("\"Orig\""), 6, "\"Copy\"");
    other(text);
    EXPECT_EQ(shown("Copy").description, "");
    EXPECT_EQ(shown("Orig").description, "original");
    auto copy = db.GetTableDef("Copy");
    ASSERT_FALSE(copy->AppendProperty({"Description", dbText, Value("the copy")}));
    EXPECT_EQ(shown("Copy").description, "the copy");
    EXPECT_EQ(shown("Orig").description, "original");
    EXPECT_EQ(shown("Orig").idDescription, "key of original");
}

TEST_F(PropertiesTest, ADefinitionReadBeforeItsTableWentTakesNoProperty) {
    makeDescribed("T", "first");
    auto before = db.GetTableDef("T");
    ASSERT_TRUE(before.ok());
    other("DROP TABLE \"T\"; CREATE TABLE \"T\" (\"Id\" INTEGER);");
    EXPECT_EQ(before->AppendProperty({"Note", dbText, Value("late")}).number, err::kObjectClosed);
    EXPECT_EQ(db.GetTableDef("T")->GetProperty("Note").error().number, 3270);
    // Renamed elsewhere instead, it still takes one.
    makeDescribed("R", "second");
    auto r = db.GetTableDef("R");
    other("ALTER TABLE \"R\" RENAME TO \"R2\"");
    ASSERT_FALSE(r->AppendProperty({"Note", dbText, Value("follows")}));
    EXPECT_EQ(db.GetTableDef("R2")->GetProperty("Note")->toText(), "follows");
}

// The engine writes an output under a working name, records the scenario
// that wrote it, and swaps it in under its real name; the record must hold
// for that table only, whatever another program does afterwards.
TEST_F(PropertiesTest, AnOutputsWriterFollowsTheTableOnly) {
    auto output = [&](const std::string& working, const std::string& scenario) {
        TableDef t = db.CreateTableDef(working);
        ASSERT_FALSE(t.AppendField(Field("Mean", dbDouble)));
        ASSERT_FALSE(t.AppendProperty({"QuorvaneScenario", dbLong, Value(scenario)}));
        ASSERT_FALSE(db.AppendTableDef(t));
    };
    auto writer = [&](const std::string& table) -> std::string {
        auto t = db.GetTableDef(table);
        if (!t) return "no table";
        auto p = t->GetProperty("QuorvaneScenario");
        return p ? p->toText() : "none";
    };
    output("~work_1", "7");
    ASSERT_FALSE(db.BeginTrans());
    ASSERT_FALSE(db.RenameTableDef("~work_1", "Result"));
    ASSERT_FALSE(db.CommitTrans());
    EXPECT_EQ(writer("Result"), "7");

    // Run again: the old output is replaced inside one transaction.
    output("~work_2", "8");
    ASSERT_FALSE(db.BeginTrans());
    ASSERT_FALSE(db.DeleteTableDef("Result"));
    ASSERT_FALSE(db.RenameTableDef("~work_2", "Result"));
    ASSERT_FALSE(db.CommitTrans());
    EXPECT_EQ(writer("Result"), "8");

    other("ALTER TABLE \"Result\" RENAME TO \"Kept\"");
    EXPECT_EQ(writer("Kept"), "8");
    EXPECT_EQ(writer("Result"), "no table");
    other("CREATE TABLE \"Result\" (\"Mean\" DOUBLE)");
    EXPECT_EQ(writer("Result"), "none");
    other("DROP TABLE \"Kept\"; CREATE TABLE \"Kept\" (\"Mean\" DOUBLE)");
    EXPECT_EQ(writer("Kept"), "none");
    output("~work_3", "9");
    other("DROP TABLE \"Result\"");
    ASSERT_FALSE(db.RenameTableDef("~work_3", "Result"));
    EXPECT_EQ(writer("Result"), "9");
}

// A file whose catalog files rows by name (earlier versions) reads as it is,
// and moves its rows onto the tables they belong to at the first write.
TEST_F(PropertiesTest, AnEarlierCatalogMovesOnTheFirstWrite) {
    db.Close();
    std::remove(path.c_str());
    other(R"(CREATE TABLE qrv_properties (ObjectName TEXT NOT NULL COLLATE NOCASE, ItemName TEXT
               NOT NULL COLLATE NOCASE, PropertyName TEXT NOT NULL COLLATE NOCASE, PropertyType
               INTEGER, PropertyValue, PRIMARY KEY (ObjectName, ItemName, PropertyName));
             CREATE TABLE "Sales" ("Id" INTEGER, "Amount" DOUBLE, PRIMARY KEY ("Id"));
             CREATE TABLE "Other" ("x" DOUBLE);
             INSERT INTO qrv_properties VALUES ('', '', 'Locale', 10, ';LANGID=0x0409'),
               ('sales', '', 'Description', 10, 'Monthly sales'),
               ('Sales', 'amount', 'Description', 10, 'Net amount'),
               ('Sales', '', 'PrimaryIndexName', 10, 'SalesKey'),
               ('Gone', '', 'Description', 10, 'stale'),
               ('Gone', '', 'PrimaryIndexName', 10, 'GoneKey');)");
    reopen();
    EXPECT_EQ(db.GetTableDef("Sales")->GetProperty("Description")->toText(), "Monthly sales");
    EXPECT_EQ(db.GetProperty("Locale")->toText(), ";LANGID=0x0409");

    ASSERT_FALSE(db.SetProperty("Owner", Value(std::string("analyst"))));
    EXPECT_EQ(otherCount("SELECT count(*) FROM pragma_table_info('qrv_properties') WHERE name = "
                         "'ObjectId'"),
              1);
    EXPECT_EQ(otherCount("SELECT count(*) FROM qrv_properties WHERE ObjectName = 'Gone'"), 0);
    reopen();
    auto sales = db.GetTableDef("SALES");
    ASSERT_TRUE(sales.ok());
    EXPECT_EQ(sales->GetProperty("Description")->toText(), "Monthly sales");
    EXPECT_EQ(sales->FindField("Amount")->GetProperty("Description")->toText(), "Net amount");
    EXPECT_EQ(sales->FindIndex("SalesKey") != nullptr, true);
    EXPECT_EQ(db.GetProperty("Locale")->toText(), ";LANGID=0x0409");
    EXPECT_EQ(db.GetProperty("Owner")->toText(), "analyst");
    EXPECT_EQ(column("SELECT [x] FROM [Other]").size(), 0u);

    // The name of the dropped table is free of its rows.
    makeDescribed("Gone", "fresh");
    EXPECT_EQ(shown("Gone").description, "fresh");
    EXPECT_EQ(shown("Gone").primaryName, "Key_Gone");
    other("ALTER TABLE \"Sales\" RENAME TO \"Revenue\"");
    EXPECT_EQ(db.GetTableDef("Revenue")->GetProperty("Description")->toText(), "Monthly sales");
}

TEST_F(PropertiesTest, AnEarlierCatalogReadOnlyStaysAsItIs) {
    db.Close();
    std::remove(path.c_str());
    other(R"(CREATE TABLE qrv_properties (ObjectName TEXT NOT NULL COLLATE NOCASE, ItemName TEXT
               NOT NULL COLLATE NOCASE, PropertyName TEXT NOT NULL COLLATE NOCASE, PropertyType
               INTEGER, PropertyValue, PRIMARY KEY (ObjectName, ItemName, PropertyName));
             CREATE TABLE "Sales" ("Id" INTEGER);
             INSERT INTO qrv_properties VALUES ('Sales', '', 'Description', 10, 'Monthly');)");
    auto r = DBEngine::Instance().OpenDatabase(path, false, true);
    ASSERT_TRUE(r.ok());
    db = *r;
    EXPECT_EQ(db.GetTableDef("Sales")->GetProperty("Description")->toText(), "Monthly");
    EXPECT_EQ(db.SetProperty("X", Value(1.0)).number, err::kReadOnly);
    db.Close();
    EXPECT_EQ(otherCount("SELECT count(*) FROM pragma_table_info('qrv_properties') WHERE name = "
                         "'ObjectId'"),
              0);
}

}  // namespace
}  // namespace qrv::test
