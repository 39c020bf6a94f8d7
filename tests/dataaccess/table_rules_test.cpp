// Rules a table keeps in its own CREATE text, for every SQLite client: keys
// are never Null and a lone Long key is not SQLite's row id; a table that
// enforces types refuses values not of a field's type; a table-level rule
// over the fields of a row, with its text.
#include <sqlite3.h>

#include "fixture.h"
#include "support/raw_sqlite.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class TableRulesTest : public DbTest {
  protected:
    // "" when another client's statement succeeded, else SQLite's message.
    std::string other(const std::string& sql) { return rawExec(path, sql); }
};

TEST_F(TableRulesTest, KeysAreNeverNullNorRowIds) {
    TableDef t = db.CreateTableDef("Keyed");
    ASSERT_FALSE(t.AppendField(Field("Id", dbLong)));
    ASSERT_FALSE(t.AppendField(Field("Note", dbText, 10)));
    Index pk = t.CreateIndex("PrimaryKey");
    pk.AppendField("Id");
    pk.Primary = true;
    ASSERT_FALSE(t.AppendIndex(pk));
    ASSERT_FALSE(db.AppendTableDef(t));
    EXPECT_NE(other("INSERT INTO \"Keyed\" (\"Note\") VALUES ('no key')"), "")
        << "a lone Long key hands out no numbers";
    EXPECT_EQ(other("INSERT INTO \"Keyed\" VALUES (7, 'seven')"), "");
    auto rs = db.OpenRecordset("Keyed");
    ASSERT_FALSE(rs->AddNew());
    ASSERT_FALSE(rs->Collect("Note", "none"));
    Error e = rs->Update();
    EXPECT_EQ(e.number, err::kNullInKey);
    EXPECT_NE(e.description.find("'Id'"), std::string::npos);
    rs->Close();  // its read must not outlast the other client's writes below
    EXPECT_EQ(db.GetTableDef("Keyed")->FindField("Id")->Type, dbLong) << "still a Long";

    TableDef pair = db.CreateTableDef("Pair");
    ASSERT_FALSE(pair.AppendField(Field("A", dbLong)));
    ASSERT_FALSE(pair.AppendField(Field("B", dbText, 5)));
    Index both = pair.CreateIndex("PrimaryKey");
    both.AppendField("A");
    both.AppendField("B");
    both.Primary = true;
    ASSERT_FALSE(pair.AppendIndex(both));
    ASSERT_FALSE(db.AppendTableDef(pair));
    EXPECT_NE(other("INSERT INTO \"Pair\" VALUES (1, NULL)"), "");
    EXPECT_NE(other("INSERT INTO \"Pair\" VALUES (NULL, 'b')"), "");
    EXPECT_EQ(other("INSERT INTO \"Pair\" VALUES (1, 'b')"), "");

    // A counter key still counts.
    TableDef counted = db.CreateTableDef("Counted");
    Field id("Id", dbLong);
    id.Attributes = dbAutoIncrField;
    ASSERT_FALSE(counted.AppendField(id));
    ASSERT_FALSE(counted.AppendField(Field("V", dbDouble)));
    ASSERT_FALSE(counted.AppendIndex(pk));
    ASSERT_FALSE(db.AppendTableDef(counted));
    EXPECT_EQ(other("INSERT INTO \"Counted\" (\"V\") VALUES (1.5)"), "");
    EXPECT_EQ(column("SELECT [Id] FROM [Counted]"), std::vector<std::string>{"1"});
}

TEST_F(TableRulesTest, EnforcedTypesHoldForEveryClient) {
    TableDef t = db.CreateTableDef("Typed");
    t.EnforceTypes = true;
    const std::pair<const char*, int> fields[] = {
        {"Flag", dbBoolean},   {"Small", dbByte},   {"Int", dbInteger}, {"Big", dbLong},
        {"Money", dbCurrency}, {"Float", dbSingle}, {"Real", dbDouble}, {"When", dbDate},
        {"Code", dbText},      {"Notes", dbMemo}};
    for (auto& [name, type] : fields) {
        Field f(name, type, type == dbText ? 4 : 0);
        f.AllowZeroLength = true;
        ASSERT_FALSE(t.AppendField(f));
    }
    ASSERT_FALSE(db.AppendTableDef(t));

    // What the layer writes is accepted, Null everywhere too.
    auto rs = db.OpenRecordset("Typed");
    ASSERT_FALSE(rs->AddNew());
    const Value values[] = {Value(true),        Value::byte(200),
                            Value::int16(-300), Value(2000000000),
                            Value(12.5),        Value(0.25),
                            Value(-1e-300),     Value::date(1.5),
                            Value("äöüß"),      Value(std::string(1000, 'n'))};
    for (size_t i = 0; i < std::size(fields); ++i)
        ASSERT_FALSE(rs->Collect(fields[i].first, values[i]));
    Error e = rs->Update();
    ASSERT_FALSE(e) << e.description;
    ASSERT_FALSE(rs->AddNew());
    e = rs->Update();
    ASSERT_FALSE(e) << e.description;

    struct Case {
        const char* column;
        const char* literal;
        bool accepted;
    } cases[] = {
        {"Flag", "1", true},
        {"Flag", "-1", false},
        {"Flag", "'x'", false},
        {"Small", "255", true},
        {"Small", "256", false},
        {"Small", "-1", false},
        {"Small", "1.5", false},
        {"Int", "-32768", true},
        {"Int", "32768", false},
        {"Big", "2147483647", true},
        {"Big", "2147483648", false},
        {"Big", "'7'", true},
        {"Big", "'seven'", false},
        {"Money", "'1.50'", true},
        {"Money", "'cash'", false},
        {"Float", "x'00'", false},
        {"Real", "1e308", true},
        {"Real", "'inf'", false},
        {"When", "'2001-02-03'", true},
        {"When", "'03.02.2001'", false},
        {"When", "36925", false},
        {"Code", "1234", true},
        {"Code", "x'41'", false},
        {"Notes", "x'41'", false},
        {"Notes", "'plain'", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            other("UPDATE \"Typed\" SET \"" + std::string(c.column) + "\" = " + c.literal).empty(),
            c.accepted)
            << c.column << " = " << c.literal;

    reopen();
    EXPECT_TRUE(db.GetTableDef("Typed")->EnforceTypes);
    makeNamesTable("Loose", {});
    EXPECT_FALSE(db.GetTableDef("Loose")->EnforceTypes);
    EXPECT_EQ(other("INSERT INTO \"Loose\" (\"Amount\") VALUES ('any text')"), "")
        << "tables that do not ask for it take what SQLite stores";
}

TEST_F(TableRulesTest, ATableRuleKeepsItsTextAndHoldsEverywhere) {
    TableDef t = db.CreateTableDef("Range");
    ASSERT_FALSE(t.AppendField(Field("Low", dbDouble)));
    ASSERT_FALSE(t.AppendField(Field("High", dbDouble)));
    t.ValidationRule = "[Low] Is Null Or [High] Is Null Or [Low] <= [High]";
    t.ValidationText = "Low may not exceed High";
    ASSERT_FALSE(db.AppendTableDef(t));
    reopen();
    auto back = db.GetTableDef("Range");
    EXPECT_EQ(back->ValidationRule, "[Low] Is Null Or [High] Is Null Or [Low] <= [High]");
    EXPECT_EQ(back->GetProperty("ValidationText")->toText(), "Low may not exceed High");

    auto rs = db.OpenRecordset("Range");
    ASSERT_FALSE(rs->AddNew());
    rs->Collect("Low", 5.0);
    rs->Collect("High", 4.0);
    Error e = rs->Update();
    EXPECT_EQ(e.number, err::kValidationRule);
    EXPECT_EQ(e.description, "Low may not exceed High");
    rs->CancelUpdate();
    EXPECT_NE(other("INSERT INTO \"Range\" VALUES (2, 1)").find("Low may not exceed High"),
              std::string::npos);
    EXPECT_EQ(other("INSERT INTO \"Range\" VALUES (1, 2)"), "");

    TableDef plain = db.CreateTableDef("NoText");
    ASSERT_FALSE(plain.AppendField(Field("N", dbLong)));
    plain.ValidationRule = "[N] > 0";
    ASSERT_FALSE(db.AppendTableDef(plain));
    auto ex = db.Execute("INSERT INTO [NoText] ([N]) VALUES (0)");
    ASSERT_FALSE(ex.ok());
    EXPECT_EQ(ex.error().number, err::kValidationRule);
    EXPECT_NE(ex.error().description.find("'NoText'"), std::string::npos);

    TableDef bad = db.CreateTableDef("BadRule");
    ASSERT_FALSE(bad.AppendField(Field("N", dbLong)));
    bad.ValidationRule = "[N] >";
    EXPECT_EQ(db.AppendTableDef(bad).number, err::kSyntaxInExpression);
    EXPECT_FALSE(db.GetTableDef("BadRule").ok()) << "nothing half made";
}

// Remaking a table under stricter rules keeps its rows, row ids, the
// indexes another program added and the properties users gave it; a row
// that breaks a new rule, a field the new definition lacks or a trigger
// leaves the table exactly as it was.
TEST_F(TableRulesTest, RemakingATableKeepsWhatItHolds) {
    ASSERT_EQ(other("CREATE TABLE \"Readings\" (\"Site\" VARCHAR(8), \"Value\" DOUBLE);"
                    "INSERT INTO \"Readings\" (_rowid_, \"Site\", \"Value\") VALUES (4, "
                    "'north', 1.5), (9, 'south', 'n/a');"
                    "CREATE INDEX \"BySite\" ON \"Readings\" (\"Site\");"),
              "");
    auto loaded = db.GetTableDef("Readings");
    ASSERT_FALSE(loaded->AppendProperty({"Description", dbText, Value("field readings")}));
    TableDef strict = db.CreateTableDef("readings");
    strict.EnforceTypes = true;
    ASSERT_FALSE(strict.AppendField(Field("Site", dbText, 8)));
    ASSERT_FALSE(strict.AppendField(Field("Value", dbDouble)));
    ASSERT_FALSE(strict.AppendField(Field("Checked", dbBoolean)));
    EXPECT_FALSE(db.SameDefinition(strict));

    Error e = db.RebuildTableDef(strict);
    EXPECT_EQ(e.number, err::kTypeConversion) << "'n/a' is no Double";
    EXPECT_FALSE(db.GetTableDef("Readings")->EnforceTypes) << "left as it was";
    ASSERT_TRUE(db.Execute("UPDATE [Readings] SET [Value] = Null WHERE [Site] = 'south'").ok());

    ASSERT_FALSE(db.RebuildTableDef(strict));
    EXPECT_TRUE(db.SameDefinition(strict));
    EXPECT_EQ(strict.Name, "Readings") << "the stored spelling";
    EXPECT_EQ(column("SELECT [Site] FROM [Readings] WHERE [Checked] Is Null ORDER BY [Site]"),
              (std::vector<std::string>{"north", "south"}))
        << "the new field starts Null";
    EXPECT_EQ(column("SELECT [Value] FROM [Readings] WHERE [Value] Is Not Null"),
              std::vector<std::string>{"1.5"});
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(
        sqlite3_prepare_v2(raw, "SELECT group_concat(_rowid_) FROM \"Readings\"", -1, &st, nullptr),
        SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "4,9");
    sqlite3_finalize(st);
    sqlite3_close(raw);
    auto back = db.GetTableDef("Readings");
    EXPECT_EQ(back->GetProperty("Description")->toText(), "field readings");
    ASSERT_NE(back->FindIndex("BySite"), nullptr);
    EXPECT_NE(other("INSERT INTO \"Readings\" (\"Value\") VALUES ('text')"), "");

    TableDef narrower = db.CreateTableDef("Readings");
    narrower.EnforceTypes = true;
    ASSERT_FALSE(narrower.AppendField(Field("Site", dbText, 8)));
    EXPECT_EQ(db.RebuildTableDef(narrower).number, err::kInvalidOperation);
    ASSERT_EQ(other("CREATE TRIGGER \"Stamp\" AFTER INSERT ON \"Readings\" BEGIN SELECT 1; "
                    "END;"),
              "");
    Error trig = db.RebuildTableDef(strict);
    EXPECT_EQ(trig.number, err::kInvalidOperation);
    EXPECT_NE(trig.description.find("trigger"), std::string::npos);
}

}  // namespace
}  // namespace qrv::test
