// Table definitions: every type and property reads back after the file is
// closed and reopened; the rules they carry are enforced on write; tables
// made by another SQLite client are understood.
#include <sqlite3.h>

#include "fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class TableDefTest : public DbTest {};

TEST_F(TableDefTest, TypesAndPropertiesSurviveReopen) {
    TableDef t = db.CreateTableDef("Props");
    Field id("Id", dbLong);
    id.Attributes = dbAutoIncrField;
    Field flag("Flag", dbBoolean);
    flag.DefaultValue = "True";
    Field small("Small", dbInteger);
    small.DefaultValue = "10";
    Field amount("Amount", dbDouble);
    amount.ValidationRule = "Is Null Or >0";
    amount.ValidationText = "Amount must be positive";
    Field when("When", dbDate);
    Field name("Name", dbText, 30);
    name.AllowZeroLength = true;
    name.Required = true;
    name.DefaultValue = "N-1";
    Field code("Code", dbText, 5);
    code.AllowZeroLength = false;
    code.CollatingOrder = dbSortNeutral;
    for (Field* f : {&id, &flag, &small, &amount, &when, &name, &code})
        ASSERT_FALSE(t.AppendField(*f));
    Index pk = t.CreateIndex("PrimaryKey");
    pk.AppendField("Id");
    pk.Primary = true;
    ASSERT_FALSE(t.AppendIndex(pk));
    Index byName = t.CreateIndex("ByName");
    byName.AppendField("Name");
    byName.AppendField("Code");
    ASSERT_FALSE(t.AppendIndex(byName));
    ASSERT_FALSE(db.AppendTableDef(t));
    ASSERT_FALSE(t.Fields()[3].AppendProperty({"Description", dbText, Value("How much")}));
    ASSERT_FALSE(t.AppendProperty({"Description", dbText, Value("All the properties")}));

    reopen();
    auto back = db.GetTableDef("props");  // names ignore case
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->Name, "Props");
    ASSERT_EQ(back->Fields().size(), 7u);
    struct Expect {
        const char* name;
        int type;
        long size;
        int ordinal;
    } expect[] = {{"Id", 4, 4, 0},   {"Flag", 1, 1, 1},   {"Small", 3, 2, 2}, {"Amount", 7, 8, 3},
                  {"When", 8, 8, 4}, {"Name", 10, 30, 5}, {"Code", 10, 5, 6}};
    for (const Expect& e : expect) {
        const Field* f = back->FindField(e.name);
        ASSERT_NE(f, nullptr) << e.name;
        EXPECT_EQ(f->Type, e.type) << e.name;
        EXPECT_EQ(f->Size, e.size) << e.name;
        EXPECT_EQ(f->OrdinalPosition, e.ordinal) << e.name;
    }
    const Field* f = back->FindField("Id");
    EXPECT_TRUE(f->Attributes & dbAutoIncrField);
    EXPECT_FALSE(back->FindField("Small")->Attributes & dbAutoIncrField);
    EXPECT_EQ(back->FindField("Flag")->DefaultValue, "True");
    EXPECT_EQ(back->FindField("Small")->DefaultValue, "10");
    EXPECT_EQ(back->FindField("Amount")->ValidationRule, "Is Null Or >0");
    EXPECT_EQ(back->FindField("Amount")->ValidationText, "Amount must be positive");
    EXPECT_EQ(back->FindField("Amount")->GetProperty("Description")->toText(), "How much");
    EXPECT_EQ(back->GetProperty("Description")->toText(), "All the properties");
    EXPECT_TRUE(back->FindField("Name")->AllowZeroLength);
    EXPECT_TRUE(back->FindField("Name")->Required);
    EXPECT_FALSE(back->FindField("Code")->AllowZeroLength);
    EXPECT_FALSE(back->FindField("Code")->Required);
    EXPECT_EQ(back->FindField("Name")->CollatingOrder, dbSortGeneral);
    EXPECT_EQ(back->FindField("Code")->CollatingOrder, dbSortNeutral);
    EXPECT_EQ(back->FindField("Amount")->GetProperty("Nonexistent").error().number, 3270);

    const Index* p = back->FindIndex("PrimaryKey");
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->Primary);
    EXPECT_EQ(p->Fields, std::vector<std::string>{"Id"});
    const Index* n = back->FindIndex("ByName");
    ASSERT_NE(n, nullptr);
    EXPECT_FALSE(n->Primary);
    EXPECT_EQ(n->Fields, (std::vector<std::string>{"Name", "Code"}));
}

TEST_F(TableDefTest, NewRowTakesDefaultsAndCounter) {
    TableDef t = db.CreateTableDef("D");
    Field id("Id", dbLong);
    id.Attributes = dbAutoIncrField;
    Field flag("Flag", dbBoolean);
    flag.DefaultValue = "False";
    Field n("N", dbInteger);
    n.DefaultValue = "10";
    Field s("S", dbText, 3);
    s.DefaultValue = "N-1";
    Field none("None", dbDouble);
    for (Field* f : {&id, &flag, &n, &s, &none}) ASSERT_FALSE(t.AppendField(*f));
    Index pk = t.CreateIndex("PrimaryKey");
    pk.AppendField("Id");
    pk.Primary = true;
    t.AppendIndex(pk);
    ASSERT_FALSE(db.AppendTableDef(t));

    auto rs = db.OpenRecordset("D", dbOpenDynaset);
    for (int expectedId = 1; expectedId <= 3; ++expectedId) {
        ASSERT_FALSE(rs->AddNew());
        EXPECT_EQ(rs->GetValue("Id")->asDouble(), expectedId) << "counter visible before Update";
        ASSERT_FALSE(rs->Update());
    }
    // Another client's insert uses the same defaults.
    ASSERT_TRUE(db.Execute("INSERT INTO [D] ([None]) VALUES (1.5)").ok());
    auto all = db.OpenRecordset("SELECT * FROM [D] ORDER BY [Id]");
    ASSERT_TRUE(all.ok());
    ASSERT_FALSE(all->MoveLast());
    EXPECT_EQ(all->RecordCount(), 4);
    EXPECT_EQ(all->GetValue("Id")->asDouble(), 4);
    EXPECT_EQ(all->GetValue("Flag")->kind(), ValueKind::Bool);
    EXPECT_FALSE(all->GetValue("Flag")->asBool());
    EXPECT_EQ(all->GetValue("N")->asDouble(), 10);
    EXPECT_EQ(all->GetValue("S")->toText(), "N-1");
    EXPECT_EQ(all->GetValue("None")->asDouble(), 1.5);
    ASSERT_FALSE(all->MoveFirst());
    EXPECT_TRUE(all->GetValue("None")->isNull());
}

TEST_F(TableDefTest, RulesAreEnforcedWithTheirTexts) {
    TableDef t = db.CreateTableDef("R");
    Field width("FreqWidth", dbDouble);
    width.ValidationRule = "Is Null Or >0";
    width.ValidationText = "Interval Width must be greater than zero";
    Field code("Code", dbText, 4);
    code.AllowZeroLength = false;
    Field req("Req", dbLong);
    req.Required = true;
    Field small("Small", dbInteger);
    for (Field* f : {&width, &code, &req, &small}) ASSERT_FALSE(t.AppendField(*f));
    Index pk = t.CreateIndex("PrimaryKey");
    pk.AppendField("Code");
    pk.Primary = true;
    t.AppendIndex(pk);
    ASSERT_FALSE(db.AppendTableDef(t));
    auto rs = db.OpenRecordset("R");
    ASSERT_TRUE(rs.ok());

    auto attempt = [&](Value w, Value c, Value r, Value s = Value()) {
        EXPECT_FALSE(rs->AddNew());
        rs->Collect("FreqWidth", w);
        rs->Collect("Code", c);
        rs->Collect("Req", r);
        rs->Collect("Small", s);
        Error e = rs->Update();
        if (e) rs->CancelUpdate();
        return e;
    };
    EXPECT_FALSE(attempt(Value(), "a", 1)) << "Null width is allowed";
    EXPECT_FALSE(attempt(0.25, "b", 1));
    Error zero = attempt(0.0, "c", 1);
    EXPECT_EQ(zero.number, 3317);
    EXPECT_EQ(zero.description, "Interval Width must be greater than zero");
    EXPECT_EQ(attempt(-3.0, "c", 1).description, "Interval Width must be greater than zero");
    EXPECT_EQ(attempt(1.0, "", 1).number, 3315) << "zero-length text";
    EXPECT_EQ(attempt(1.0, "toolong", 1).number, 3163) << "text longer than its size";
    EXPECT_EQ(attempt(1.0, "d", Value()).number, 3314) << "required field";
    EXPECT_EQ(attempt(1.0, "A", 1).number, 3022) << "key 'A' duplicates 'a' (case ignored)";
    EXPECT_EQ(attempt(1.0, "e", 1, 40000).number, 3349) << "Integer overflow";
    EXPECT_EQ(attempt("wide", "f", 1).number, 3421) << "text into a Double";
    EXPECT_FALSE(attempt("2.5", "g", 1)) << "numeric text converts";
    // The same rules hold for SQL and for another client.
    auto ex = db.Execute("UPDATE [R] SET [FreqWidth] = 0 WHERE [Code] = 'a'");
    ASSERT_FALSE(ex.ok());
    EXPECT_EQ(ex.error().description, "Interval Width must be greater than zero");
    EXPECT_EQ(column("SELECT [Code] FROM [R] ORDER BY [Code]"),
              (std::vector<std::string>{"a", "b", "g"}));
}

TEST_F(TableDefTest, DefinitionErrors) {
    makeNamesTable("Existing", {});
    TableDef dup = db.CreateTableDef("existing");
    dup.AppendField(Field("X", dbLong));
    Error e = db.AppendTableDef(dup);
    EXPECT_EQ(e.number, 3010);
    EXPECT_NE(e.description.find("already exists"), std::string::npos);

    EXPECT_EQ(db.GetTableDef("Missing").error().number, 3265);
    EXPECT_EQ(db.DeleteTableDef("Missing").number, 3265);
    EXPECT_EQ(db.GetQueryDef("Missing").error().number, 3265);

    TableDef empty = db.CreateTableDef("Empty");
    EXPECT_EQ(db.AppendTableDef(empty).number, 3264);

    TableDef twice = db.CreateTableDef("Twice");
    ASSERT_FALSE(twice.AppendField(Field("A", dbLong)));
    EXPECT_EQ(twice.AppendField(Field("a", dbText)).number, 3191);

    for (const char* bad : {"a]b", "a.b", "a[b", "", " lead", "qrv_properties", "sqlite_x"}) {
        TableDef t = db.CreateTableDef(bad);
        t.AppendField(Field("A", dbLong));
        EXPECT_EQ(db.AppendTableDef(t).number, 3125) << "name '" << bad << "'";
    }
    TableDef badField = db.CreateTableDef("BadField");
    EXPECT_EQ(badField.AppendField(Field("x]y", dbLong)).number, 3125);

    TableDef badType = db.CreateTableDef("BadType");
    badType.AppendField(Field("A", 99));
    EXPECT_EQ(db.AppendTableDef(badType).number, 3259);
    EXPECT_EQ(db.TableDefNames(), std::vector<std::string>{"Existing"}) << "nothing half made";
}

TEST_F(TableDefTest, DeleteAndRenameTables) {
    makeNamesTable("Old", {{"x", 1.0}});
    ASSERT_FALSE(db.RenameTableDef("Old", "New"));
    EXPECT_EQ(db.GetTableDef("Old").error().number, 3265);
    EXPECT_EQ(column("SELECT [Name] FROM [New]"), std::vector<std::string>{"x"});
    makeNamesTable("Other", {});
    EXPECT_EQ(db.RenameTableDef("New", "Other").number, 3010);
    ASSERT_FALSE(db.DeleteTableDef("new"));
    EXPECT_EQ(db.TableDefNames(), std::vector<std::string>{"Other"});
}

TEST_F(TableDefTest, TablesMadeByAnotherClient) {
    db.Close();
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    const char* sql =
        "CREATE TABLE Foreign1 (b BYTE, s SINGLE, c CURRENCY, m MEMO, t TEXT, v VARCHAR(12), "
        "r REAL, i INTEGER, d DATE, y YESNO, x);"
        "INSERT INTO Foreign1 VALUES (7, 1.5, 2.25, 'long text', 'abc', 'def', 3.75, 42, "
        "'2024-02-29 13:45:00', 1, 'anything');"
        "INSERT INTO Foreign1 (r, t) VALUES ('not a number', NULL);";
    ASSERT_EQ(sqlite3_exec(raw, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);
    reopen();
    auto t = db.GetTableDef("Foreign1");
    ASSERT_TRUE(t.ok());
    std::vector<std::pair<const char*, int>> types = {
        {"b", dbByte}, {"s", dbSingle}, {"c", dbCurrency}, {"m", dbMemo}, {"t", dbMemo},
        {"v", dbText}, {"r", dbDouble}, {"i", dbLong},     {"d", dbDate}, {"y", dbBoolean}};
    for (auto& [name, type] : types) EXPECT_EQ(t->FindField(name)->Type, type) << name;
    EXPECT_EQ(t->FindField("v")->Size, 12);
    EXPECT_EQ(t->FindField("t")->CollatingOrder, dbSortNeutral) << "binary collation";

    auto rs = db.OpenRecordset("Foreign1");
    ASSERT_TRUE(rs.ok());
    EXPECT_EQ(rs->GetValue("b")->asDouble(), 7);
    EXPECT_EQ(rs->GetValue("c")->asDouble(), 2.25);
    EXPECT_EQ(rs->GetValue("i")->kind(), ValueKind::Int32);
    EXPECT_TRUE(rs->GetValue("y")->asBool());
    Value d = *rs->GetValue("d");
    ASSERT_EQ(d.kind(), ValueKind::Date);
    // 2024-02-29 is 45351 days after 1899-12-30; 13:45 is 0.5729166...
    EXPECT_NEAR(d.asDouble(), 45351 + (13 * 60 + 45) / 1440.0, 1e-9);
    ASSERT_FALSE(rs->MoveNext());
    Value text = *rs->GetValue("r");
    EXPECT_TRUE(text.isText()) << "a text where a number belongs stays visible as text";
    EXPECT_EQ(text.toText(), "not a number");
}

TEST_F(TableDefTest, DescriptionsOnDetachedFieldsAreStoredWithTheTable) {
    TableDef t = db.CreateTableDef("Described");
    Field f("A", dbLong);
    ASSERT_FALSE(f.AppendProperty(f.CreateProperty("Description", dbText, "first")));
    EXPECT_EQ(f.AppendProperty(f.CreateProperty("description", dbText, "again")).number, 3367);
    t.AppendField(f);
    ASSERT_FALSE(db.AppendTableDef(t));
    reopen();
    EXPECT_EQ(db.GetTableDef("Described")->FindField("A")->GetProperty("Description")->toText(),
              "first");
    // A dropped table takes its properties with it.
    ASSERT_FALSE(db.DeleteTableDef("Described"));
    TableDef again = db.CreateTableDef("Described");
    again.AppendField(Field("A", dbLong));
    ASSERT_FALSE(db.AppendTableDef(again));
    EXPECT_EQ(
        db.GetTableDef("Described")->FindField("A")->GetProperty("Description").error().number,
        3270);
}

}  // namespace
}  // namespace qrv::test
