// Definition statements sent through Execute make the tables a TableDef of
// the same fields makes: the same stored text (types, sizes, rules), the same
// catalog rows, the same refusals. Expected types, sizes and stored values
// are worked out by hand from the type table and the rounding rules, never
// read from the code under test.
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dataaccess/dialect/sql_definition.h"
#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/fixture.h"
#include "support/raw_sqlite.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class DefinitionExecTest : public DbTest {
  protected:
    void SetUp() override {
        DbTest::SetUp();
        makeNamesTable("Sales", {{"ann", 10.0}, {"bob", 20.0}});
    }
    void run(const std::string& sql) {
        auto r = db.Execute(sql);
        ASSERT_TRUE(r.ok()) << sql << ": " << r.error().number << " " << r.error().description;
        EXPECT_EQ(*r, 0) << sql;
    }
    // A statement that changes rows, whatever their count.
    void change(const std::string& sql) {
        auto r = db.Execute(sql);
        ASSERT_TRUE(r.ok()) << sql << ": " << r.error().number << " " << r.error().description;
    }
    int errorOf(const std::string& sql) {
        auto r = db.Execute(sql);
        return r.ok() ? 0 : r.error().number;
    }
    // One new row through a table recordset, counters numbered by AddNew.
    Error put(const std::string& table, const std::string& field, Value v) {
        auto rs = db.OpenRecordset(table, dbOpenTable);
        if (!rs) return rs.error();
        if (Error e = rs->AddNew()) return e;
        if (Error e = rs->Collect(field, std::move(v))) return e;
        return rs->Update();
    }
    // A query's values as another SQLite client reads them, one row a line.
    std::string raw(const std::string& sql) {
        sqlite3* h = nullptr;
        EXPECT_EQ(sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        std::string out;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(h, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW) {
                for (int c = 0; c < sqlite3_column_count(st); ++c) {
                    const unsigned char* t = sqlite3_column_text(st, c);
                    if (c) out += '|';
                    out += t ? reinterpret_cast<const char*>(t) : "~";
                }
                out += "\n";
            }
        } else {
            ADD_FAILURE() << sqlite3_errmsg(h) << " in " << sql;
        }
        sqlite3_finalize(st);
        sqlite3_close(h);
        return out;
    }
    // Schema, header and catalog, all that a definition could change.
    std::string fileState() {
        return raw("SELECT type, name, sql FROM sqlite_master ORDER BY name") +
               raw("SELECT user_version FROM pragma_user_version") +
               raw("SELECT * FROM qrv_properties ORDER BY 1, 3, 5") + raw("SELECT * FROM Sales");
    }
};

// How a type written in SQL reads back, worked out from the dialect's type
// table: Text without a size holds 255 characters; sizes of fixed types are
// their storage bytes; memo and binary fields report no size.
struct TypeCase {
    const char* sql;
    int type;
    long size;
    bool counter;
};
const TypeCase kTypes[] = {
    {"TEXT", dbText, 255, false},       {"TEXT(5)", dbText, 5, false},
    {"CHAR (12)", dbText, 12, false},   {"VARCHAR", dbText, 255, false},
    {"MEMO", dbMemo, 0, false},         {"LONGTEXT", dbMemo, 0, false},
    {"BYTE", dbByte, 1, false},         {"SHORT", dbInteger, 2, false},
    {"SMALLINT", dbInteger, 2, false},  {"INTEGER2", dbInteger, 2, false},
    {"LONG", dbLong, 4, false},         {"INT", dbLong, 4, false},
    {"INTEGER", dbLong, 4, false},      {"INTEGER4", dbLong, 4, false},
    {"SINGLE", dbSingle, 4, false},     {"REAL", dbSingle, 4, false},
    {"FLOAT4", dbSingle, 4, false},     {"DOUBLE", dbDouble, 8, false},
    {"FLOAT", dbDouble, 8, false},      {"FLOAT8", dbDouble, 8, false},
    {"NUMBER", dbDouble, 8, false},     {"NUMERIC", dbDouble, 8, false},
    {"CURRENCY", dbCurrency, 8, false}, {"MONEY", dbCurrency, 8, false},
    {"DATETIME", dbDate, 8, false},     {"DATE", dbDate, 8, false},
    {"TIME", dbDate, 8, false},         {"YESNO", dbBoolean, 1, false},
    {"BIT", dbBoolean, 1, false},       {"LOGICAL", dbBoolean, 1, false},
    {"COUNTER", dbLong, 4, true},       {"AUTOINCREMENT", dbLong, 4, true},
    {"BINARY", dbBinary, 0, false},     {"LONGBINARY", dbLongBinary, 0, false},
    {"IMAGE", dbLongBinary, 0, false},  {"OLEOBJECT", dbLongBinary, 0, false},
};

TableDef expectedTable(const std::string& name, const TypeCase& c) {
    TableDef def(name);
    def.EnforceTypes = true;
    Field f("F", c.type, c.type == dbText ? c.size : 0);
    if (c.counter) f.Attributes = dbAutoIncrField;
    def.AppendField(f);
    return def;
}

TEST_F(DefinitionExecTest, EveryTypeMakesTheTableATableDefMakes) {
    const std::vector<Value> probes = {Value("abc"),
                                       Value(""),
                                       Value("123456"),
                                       Value(2.5),
                                       Value(40000),
                                       Value(-1),
                                       Value(300),
                                       Value(3e9),
                                       Value(true),
                                       Value("2024-02-29"),
                                       Value::date(45351.5),
                                       Value(1.23456),
                                       Value(std::string(256, 'x'))};
    int n = 0;
    for (const TypeCase& c : kTypes) {
        SCOPED_TRACE(c.sql);
        const std::string byDef = "D" + std::to_string(n), bySql = "S" + std::to_string(n);
        ++n;
        TableDef def = expectedTable(byDef, c);
        ASSERT_FALSE(db.AppendTableDef(def));
        run("CREATE TABLE [" + bySql + "] ([F] " + c.sql + ")");
        auto s = db.GetTableDef(bySql);
        ASSERT_TRUE(s.ok());
        const Field& f = s->Fields().at(0);
        EXPECT_EQ(f.Type, c.type);
        EXPECT_EQ(f.Size, c.size);
        EXPECT_EQ((f.Attributes & dbAutoIncrField) != 0, c.counter);
        EXPECT_FALSE(f.Required);
        auto d = db.GetTableDef(byDef);
        ASSERT_TRUE(d.ok());
        const Field& g = d->Fields().at(0);
        EXPECT_EQ(s->EnforceTypes, d->EnforceTypes);
        EXPECT_EQ(f.Attributes, g.Attributes);
        EXPECT_EQ(f.AllowZeroLength, g.AllowZeroLength);
        EXPECT_EQ(f.CollatingOrder, g.CollatingOrder);
        // The very same stored text: every rule the TableDef's table has.
        EXPECT_TRUE(db.SameDefinition(expectedTable(bySql, c)));
        for (const Value& v : probes) {
            SCOPED_TRACE(v.toText());
            EXPECT_EQ(put(bySql, "F", v).number, put(byDef, "F", v).number);
            // Straight SQL meets the table's own checks rather than the recordset's conversions.
            const std::string literal =
                v.isText() ? quoteLiteral(v.textRef()) : numberToText(v.asDouble());
            EXPECT_EQ(errorOf("INSERT INTO [" + bySql + "] ([F]) VALUES (" + literal + ")"),
                      errorOf("INSERT INTO [" + byDef + "] ([F]) VALUES (" + literal + ")"));
        }
        EXPECT_EQ(raw("SELECT typeof(F), F FROM \"" + bySql + "\" ORDER BY rowid"),
                  raw("SELECT typeof(F), F FROM \"" + byDef + "\" ORDER BY rowid"));
    }
}

TEST_F(DefinitionExecTest, RangesAndSizesAreRefusedAsTheFieldTypesSay) {
    run("CREATE TABLE [N] ([a] TEXT(5), [id] COUNTER, [b] BYTE, [s] SHORT, [l] LONG, [t] TEXT)");
    EXPECT_FALSE(put("N", "a", "abcde"));
    EXPECT_FALSE(put("N", "a", "ääääö")) << "five characters in ten bytes";
    EXPECT_EQ(put("N", "a", "abcdef").number, err::kFieldTooSmall);
    EXPECT_EQ(errorOf("INSERT INTO [N] ([a]) VALUES ('abcdef')"), err::kFieldTooSmall);
    EXPECT_EQ(put("N", "a", "").number, err::kZeroLength);
    EXPECT_FALSE(put("N", "t", std::string(255, 'x')));
    EXPECT_EQ(put("N", "t", std::string(256, 'x')).number, err::kFieldTooSmall);
    EXPECT_FALSE(put("N", "b", 255));
    EXPECT_EQ(put("N", "b", 256).number, err::kOverflow);
    EXPECT_EQ(put("N", "b", -1).number, err::kOverflow);
    EXPECT_FALSE(put("N", "s", -32768));
    EXPECT_EQ(put("N", "s", 32768).number, err::kOverflow);
    EXPECT_EQ(put("N", "l", 2147483648.0).number, err::kOverflow);
    EXPECT_EQ(errorOf("INSERT INTO [N] ([l]) VALUES ('abc')"), err::kTypeConversion);
    EXPECT_EQ(errorOf("INSERT INTO [N] ([s]) VALUES (2.5)"), err::kTypeConversion);
    EXPECT_EQ(raw("SELECT count(*) FROM N"), "5\n");
}

TEST_F(DefinitionExecTest, CountersNumberRowsAsTheLayersCounterDoes) {
    run("CREATE TABLE [C] ([Id] COUNTER, [Name] TEXT(10))");
    TableDef def("D");
    Field id("Id", dbLong);
    id.Attributes = dbAutoIncrField;
    def.AppendField(id);
    def.AppendField(Field("Name", dbText, 10));
    ASSERT_FALSE(db.AppendTableDef(def));
    auto ids = [&](const std::string& t) { return column("SELECT [Id] FROM [" + t + "]"); };
    auto deleteId = [&](const std::string& t, int i) {
        change("DELETE * FROM [" + t + "] WHERE [Id] = " + std::to_string(i));
    };
    for (const std::string t : {"C", "D"}) {
        for (const char* name : {"a", "b", "c"}) ASSERT_FALSE(put(t, "Name", name));
        deleteId(t, 2);
        ASSERT_FALSE(put(t, "Name", "d"));
        deleteId(t, 4);
        ASSERT_FALSE(put(t, "Name", "e"));
    }
    const std::vector<std::string> c = ids("C");
    EXPECT_EQ(c, ids("D"));
    ASSERT_GE(c.size(), 2u);
    EXPECT_EQ(c[0], "1");
    EXPECT_EQ(c[1], "3");

    // A counter that is the key is numbered by the table itself, also for
    // rows written as SQL, and a number once given is never given again.
    run("CREATE TABLE [K] ([Id] COUNTER CONSTRAINT [PrimaryKey] PRIMARY KEY, [Name] TEXT(10))");
    for (const char* name : {"a", "b", "c"})
        change(std::string("INSERT INTO [K] ([Name]) VALUES ('") + name + "')");
    deleteId("K", 3);
    ASSERT_FALSE(put("K", "Name", "d"));
    EXPECT_EQ(ids("K"), (std::vector<std::string>{"1", "2", "4"}));
    auto k = db.GetTableDef("K");
    ASSERT_TRUE(k.ok());
    EXPECT_TRUE(k->FindField("Id")->Attributes & dbAutoIncrField);
    ASSERT_NE(k->FindIndex("PrimaryKey"), nullptr);
    EXPECT_TRUE(k->FindIndex("PrimaryKey")->Primary);
}

TEST_F(DefinitionExecTest, YesNoAndCurrencyStoreAsTableDefFieldsDo) {
    run("CREATE TABLE [Y] ([F] YESNO, [M] CURRENCY)");
    TableDef def("D");
    def.EnforceTypes = true;
    def.AppendField(Field("F", dbBoolean));
    def.AppendField(Field("M", dbCurrency));
    ASSERT_FALSE(db.AppendTableDef(def));
    // Rounded to four places, half to even: Python's round(x * 10000) / 10000.
    const std::pair<double, double> money[] = {
        {1.23456, 1.2346}, {-1.23456, -1.2346}, {0.00025, 0.0002}, {0.00075, 0.0008}};
    for (const std::string t : {"Y", "D"}) {
        for (bool b : {true, false}) ASSERT_FALSE(put(t, "F", b));
        EXPECT_EQ(put(t, "F", "maybe").number, err::kTypeConversion);
        for (const auto& [in, out] : money) ASSERT_FALSE(put(t, "M", in));
        auto rs = db.OpenRecordset("SELECT [F], [M] FROM [" + t + "]");
        ASSERT_TRUE(rs.ok());
        EXPECT_EQ(rs->GetValue(0).toDouble(), -1.0) << "True is -1";
        rs->MoveNext();
        EXPECT_EQ(rs->GetValue(0).toDouble(), 0.0);
        for (const auto& [in, out] : money) {
            rs->MoveNext();
            EXPECT_DOUBLE_EQ(rs->GetValue(1).asDouble(), out) << in;
        }
        EXPECT_NE(rawExec(path, "INSERT INTO \"" + t + "\" (F) VALUES (2)"), "")
            << "another client cannot store 2 in a Yes/No field";
    }
    EXPECT_EQ(raw("SELECT typeof(F), F, M FROM Y"), raw("SELECT typeof(F), F, M FROM D"));
}

TEST_F(DefinitionExecTest, DroppedTablesTakeTheirPropertiesAlong) {
    run("CREATE TABLE [P] ([a] LONG NOT NULL, [b] TEXT(5))");
    auto p = db.GetTableDef("P");
    ASSERT_TRUE(p.ok());
    ASSERT_FALSE(p->AppendProperty({"Description", dbText, Value("made by SQL")}));
    ASSERT_FALSE(p->FindField("a")->AppendProperty({"Description", dbText, Value("key")}));
    EXPECT_TRUE(p->FindField("a")->Required);
    EXPECT_NE(raw("SELECT count(*) FROM qrv_properties WHERE ObjectName = 'P'"), "0\n");
    run("DROP TABLE [p];");
    EXPECT_EQ(raw("SELECT count(*) FROM qrv_properties WHERE ObjectName = 'P'"), "0\n");
    EXPECT_EQ(db.GetTableDef("P").error().number, err::kItemNotFound);
    run("CREATE TABLE [P] ([a] LONG)");
    EXPECT_EQ(db.GetTableDef("P")->GetProperty("Description").error().number, 3270);
    EXPECT_EQ(errorOf("DROP TABLE [Nowhere]"), err::kItemNotFound);
}

TEST_F(DefinitionExecTest, AlteredTablesKeepRowsPropertiesAndTheRulesOfTheirFields) {
    run("CREATE TABLE [A] ([Id] COUNTER CONSTRAINT [pk] PRIMARY KEY, [Name] TEXT(10))");
    for (const char* name : {"ann", "bob"}) ASSERT_FALSE(put("A", "Name", name));
    ASSERT_FALSE(db.GetTableDef("A")->AppendProperty({"Description", dbText, Value("kept")}));
    const std::string rows = raw("SELECT rowid, * FROM A");

    EXPECT_EQ(errorOf("ALTER TABLE [A] ADD COLUMN [Code] TEXT(3) NOT NULL"), err::kRequired);
    EXPECT_EQ(db.GetTableDef("A")->Fields().size(), 2u) << "a refused change changes nothing";
    run("ALTER TABLE [A] ADD COLUMN [Code] TEXT(3)");
    TableDef want("A");
    want.EnforceTypes = true;
    Field id("Id", dbLong);
    id.Attributes = dbAutoIncrField;
    want.AppendField(id);
    want.AppendField(Field("Name", dbText, 10));
    want.AppendField(Field("Code", dbText, 3));
    Index pk("pk");
    pk.AppendField("Id");
    pk.Primary = true;
    want.AppendIndex(pk);
    EXPECT_TRUE(db.SameDefinition(want));
    EXPECT_EQ(put("A", "Code", "abcd").number, err::kFieldTooSmall);
    EXPECT_EQ(raw("SELECT rowid, Id, Name FROM A"), rows);
    EXPECT_EQ(db.GetTableDef("A")->GetProperty("Description")->toText(), "kept");
    EXPECT_EQ(errorOf("ALTER TABLE [A] ADD [name] LONG"), 3191);

    // A counter added later numbers the rows already there, in row order.
    run("ALTER TABLE [A] ADD [Seq] COUNTER");
    EXPECT_EQ(column("SELECT [Seq] FROM [A] ORDER BY [Id]"), (std::vector<std::string>{"1", "2"}));
    ASSERT_FALSE(put("A", "Name", "cid"));
    EXPECT_EQ(column("SELECT [Seq] FROM [A] WHERE [Name] = 'cid'"), std::vector<std::string>{"3"});

    EXPECT_EQ(errorOf("ALTER TABLE [A] ALTER COLUMN [Name] TEXT(2)"), err::kFieldTooSmall);
    EXPECT_EQ(db.GetTableDef("A")->FindField("Name")->Size, 10);
    run("ALTER TABLE [A] ALTER [Name] TEXT(3) NOT NULL");
    EXPECT_EQ(db.GetTableDef("A")->FindField("Name")->Size, 3);
    EXPECT_TRUE(db.GetTableDef("A")->FindField("Name")->Required);

    ASSERT_FALSE(db.GetTableDef("A")->FindField("Code")->AppendProperty(
        {"Description", dbText, Value("to go")}));
    run("ALTER TABLE [A] DROP COLUMN [Code]");
    EXPECT_EQ(db.GetTableDef("A")->FindField("Code"), nullptr);
    EXPECT_EQ(raw("SELECT count(*) FROM qrv_properties WHERE ItemKey = 'code'"), "0\n");
    EXPECT_EQ(errorOf("ALTER TABLE [A] DROP COLUMN [Id]"), err::kFieldInIndex);
    EXPECT_EQ(errorOf("ALTER TABLE [A] DROP COLUMN [Nothing]"), err::kItemNotFound);

    run("ALTER TABLE [A] ADD CONSTRAINT [OneName] UNIQUE ([Name])");
    EXPECT_EQ(put("A", "Name", "ann").number, err::kDuplicateKey);
    run("ALTER TABLE [A] DROP CONSTRAINT [OneName]");
    EXPECT_FALSE(put("A", "Name", "ann"));
    EXPECT_EQ(errorOf("ALTER TABLE [A] ADD CONSTRAINT [pk2] PRIMARY KEY ([Name])"), 3283);
    run("ALTER TABLE [A] DROP CONSTRAINT [pk]");
    EXPECT_EQ(db.GetTableDef("A")->FindIndex("pk"), nullptr);
    EXPECT_EQ(db.GetTableDef("A")->GetProperty("Description")->toText(), "kept");
}

TEST_F(DefinitionExecTest, TablesThatQueriesAndRulesReadCanStillBeAltered) {
    TableDef def("R");
    def.ValidationRule = "[a] < [b]";
    def.AppendField(Field("a", dbLong));
    def.AppendField(Field("b", dbLong));
    def.AppendField(Field("c", dbLong));
    ASSERT_FALSE(db.AppendTableDef(def));
    change("INSERT INTO [R] VALUES (1, 2, 3)");
    ASSERT_FALSE(db.CreateQueryDef("Q", "SELECT [a] + [c] AS s FROM [R]"));
    run("ALTER TABLE [R] ADD COLUMN [d] DATETIME");
    run("ALTER TABLE [R] ALTER COLUMN [c] TEXT(3)");
    EXPECT_EQ(column("SELECT [s] FROM [Q]"), std::vector<std::string>{"4"});
    EXPECT_EQ(errorOf("INSERT INTO [R] ([a], [b]) VALUES (5, 4)"), err::kValidationRule);
    const std::string before = fileState();
    EXPECT_EQ(errorOf("ALTER TABLE [R] DROP COLUMN [b]"), err::kInvalidOperation) << "the rule";
    EXPECT_EQ(errorOf("ALTER TABLE [R] DROP COLUMN [c]"), err::kInvalidOperation) << "the query";
    EXPECT_EQ(fileState(), before);
    run("ALTER TABLE [R] DROP [d]");
    EXPECT_EQ(db.GetTableDef("R")->Fields().size(), 3u);
}

TEST_F(DefinitionExecTest, IndexesHoldWhatTheySay) {
    run("CREATE TABLE [I] ([a] LONG, [b] TEXT(5))");
    ASSERT_FALSE(put("I", "a", 1));
    run("CREATE UNIQUE INDEX [ua] ON [I] ([a] DESC)");
    auto t = db.GetTableDef("I");
    ASSERT_NE(t->FindIndex("ua"), nullptr);
    EXPECT_TRUE(t->FindIndex("ua")->Unique);
    EXPECT_EQ(t->FindIndex("ua")->Fields, std::vector<std::string>{"a"});
    EXPECT_EQ(put("I", "a", 1).number, err::kDuplicateKey);
    EXPECT_EQ(errorOf("CREATE INDEX [UA] ON [I] ([b])"), 3367);
    run("DROP INDEX [ua] ON [I]");
    ASSERT_FALSE(put("I", "a", 1));
    EXPECT_EQ(errorOf("CREATE UNIQUE INDEX [ua] ON [I] ([a])"), err::kDuplicateKey);
    EXPECT_EQ(db.GetTableDef("I")->FindIndex("ua"), nullptr);
    EXPECT_EQ(errorOf("CREATE INDEX [x] ON [I] ([nothing])"), err::kItemNotFound);

    change("DELETE * FROM [I]");
    run("CREATE INDEX [Key] ON [I] ([b]) WITH PRIMARY");
    EXPECT_TRUE(db.GetTableDef("I")->FindIndex("Key")->Primary);
    EXPECT_EQ(errorOf("CREATE INDEX [Key2] ON [I] ([a]) WITH PRIMARY"), 3283);
    EXPECT_EQ(put("I", "a", 5).number, err::kNullInKey);
    run("CREATE INDEX [NoNull] ON [I] ([a]) WITH DISALLOW NULL");
    EXPECT_EQ(put("I", "b", "x").number, err::kRequired);
    run("CREATE INDEX [Loose] ON [I] ([a], [b]) WITH IGNORE NULL");
    EXPECT_FALSE(db.GetTableDef("I")->FindIndex("Loose")->Unique);
    run("DROP INDEX [Key] ON [I]");
    EXPECT_EQ(db.GetTableDef("I")->FindIndex("Key"), nullptr);
    EXPECT_EQ(errorOf("DROP INDEX [Key] ON [I]"), err::kItemNotFound);

    // Without ON the index's table is the one table that has an index of that name.
    run("CREATE INDEX [Loose] ON [Sales] ([Name])");
    EXPECT_EQ(errorOf("DROP INDEX [Loose]"), err::kInvalidOperation);
    run("DROP INDEX [Loose] ON [Sales]");
    run("DROP INDEX [loose]");
    EXPECT_EQ(db.GetTableDef("I")->FindIndex("Loose"), nullptr);
    EXPECT_EQ(errorOf("DROP INDEX [Loose]"), err::kItemNotFound);
}

TEST_F(DefinitionExecTest, ConstraintsOfATableBecomeItsIndexesAndRequiredFields) {
    run("CREATE TABLE [G] ([a] LONG UNIQUE, [b] LONG CONSTRAINT [Index1] UNIQUE, [c] TEXT(4) "
        "PRIMARY KEY, [d] LONG, CONSTRAINT [Both] UNIQUE ([a], [d]), CONSTRAINT [Must] NOT NULL "
        "([a], [d]))");
    auto g = db.GetTableDef("G");
    ASSERT_TRUE(g.ok());
    // Unnamed ones take the first free name; the key its usual one.
    ASSERT_NE(g->FindIndex("Index2"), nullptr);
    EXPECT_EQ(g->FindIndex("Index2")->Fields, std::vector<std::string>{"a"});
    EXPECT_EQ(g->FindIndex("Index1")->Fields, std::vector<std::string>{"b"});
    EXPECT_EQ(g->FindIndex("Both")->Fields, (std::vector<std::string>{"a", "d"}));
    ASSERT_NE(g->FindIndex("PrimaryKey"), nullptr);
    EXPECT_TRUE(g->FindIndex("PrimaryKey")->Primary);
    EXPECT_TRUE(g->FindField("a")->Required);
    EXPECT_FALSE(g->FindField("b")->Required);
    EXPECT_TRUE(g->FindField("d")->Required);
    change("INSERT INTO [G] VALUES (1, 1, 'k1', 1)");
    EXPECT_EQ(errorOf("INSERT INTO [G] VALUES (1, 2, 'k2', 2)"), err::kDuplicateKey);
    EXPECT_EQ(errorOf("INSERT INTO [G] VALUES (2, 1, 'k2', 2)"), err::kDuplicateKey);
    EXPECT_EQ(errorOf("INSERT INTO [G] VALUES (2, 2, 'K1', 2)"), err::kDuplicateKey)
        << "keys compare without regard to case";
    EXPECT_EQ(errorOf("INSERT INTO [G] VALUES (2, 2, 'k2', Null)"), err::kRequired);
    EXPECT_EQ(errorOf("INSERT INTO [G] VALUES (2, 2, Null, 2)"), err::kNullInKey);
    change("INSERT INTO [G] VALUES (2, Null, 'k2', 2)");
}

TEST_F(DefinitionExecTest, HostileNamesFollowTheNamingRule) {
    const std::string before = fileState();
    for (const std::string& bad : std::vector<std::string>{
             "CREATE TABLE [a]]b] ([x] LONG)", "CREATE TABLE [x!y] ([x] LONG)",
             "CREATE TABLE [ lead] ([x] LONG)", "CREATE TABLE [a.b] ([x] LONG)",
             "CREATE TABLE [" + std::string(65, 'n') + "] ([x] LONG)",
             "CREATE TABLE [ok] ([x`y] LONG)", "CREATE INDEX [i.j] ON [Sales] ([Name])",
             "ALTER TABLE [Sales] ADD [q[r] TEXT", "DROP TABLE [qrv_properties]",
             "ALTER TABLE [sqlite_master] ADD [x] LONG",
             "CREATE INDEX [i] ON [QRV_PROPERTIES] ([a])",
             "ALTER TABLE [Sales] RENAME TO [SQLITE_x]"})
        EXPECT_EQ(errorOf(bad), 3125) << bad;
    EXPECT_EQ(fileState(), before);

    // Quotes, semicolons and words of SQL in a name are only a name.
    const std::string evil = "it's \"q\"; DROP TABLE Sales; --";
    const std::string field = "x'); DELETE FROM Sales; --";
    run("CREATE TABLE [" + evil + "] ([" + field + "] TEXT(40), [0.5<=N<1] DOUBLE)");
    auto t = db.GetTableDef(evil);
    ASSERT_TRUE(t.ok());
    EXPECT_EQ(t->Fields().at(0).Name, field);
    EXPECT_EQ(t->Fields().at(1).Name, "0.5<=N<1");
    EXPECT_EQ(column("SELECT Count(*) FROM [Sales]"), std::vector<std::string>{"2"});
    run("CREATE TABLE [" + std::string(64, 'n') + "] ([x] LONG)");
    // The length limit counts characters: 64 of two bytes each are a name, 65 are not.
    std::string wide;
    for (int i = 0; i < 64; ++i) wide += "ä";
    run("CREATE TABLE [" + wide + "] ([x] LONG)");
    EXPECT_EQ(errorOf("CREATE TABLE [" + wide + "ä] ([x] LONG)"), 3125);
    // Names are one name whatever their case, in every script.
    run("CREATE TABLE [Größe] ([Ärger] TEXT(3))");
    EXPECT_EQ(errorOf("CREATE TABLE [GRÖSSE] ([x] LONG)"), err::kTableExists);
    run("ALTER TABLE [grösse] ADD [Öl] LONG");
    EXPECT_EQ(db.GetTableDef("Größe")->Fields().size(), 2u);
    run("DROP TABLE [GRÖSSE]");
    EXPECT_FALSE(db.GetTableDef("Größe").ok());
}

TEST_F(DefinitionExecTest, StatementsOutsideTheDialectAreRefusedBeforeAnythingRuns) {
    const std::string other = dir.file("other.db");
    const std::string copy = dir.file("copy.db");
    const std::string before = fileState();
    struct Case {
        std::string sql;
        int number;
    };
    for (const Case& c : std::vector<Case>{
             {"PRAGMA writable_schema = 1", err::kInvalidStatement},
             {"VACUUM INTO '" + copy + "'", err::kInvalidStatement},
             {"ATTACH DATABASE '" + other + "' AS o", err::kInvalidStatement},
             {"DETACH DATABASE main", err::kInvalidStatement},
             {"CREATE TABLE [Copy] AS SELECT * FROM [Sales]", err::kCreateTableSyntax},
             {"CREATE TABLE IF NOT EXISTS [Copy] ([x] LONG)", err::kCreateTableSyntax},
             {"CREATE TABLE [Copy] ([x] LONG); DROP TABLE [Sales]", err::kCharsAfterEnd},
             {"DROP TABLE [Sales]; DROP TABLE [Sales]", err::kCharsAfterEnd},
             {"ALTER TABLE [Sales] ADD [x] LONG; VACUUM", err::kCharsAfterEnd},
             {"CREATE TEMP TABLE [Copy] ([x] LONG)", err::kInvalidStatement},
             {"CREATE VIEW [v] AS SELECT * FROM [Sales]", err::kInvalidStatement},
             // Well-formed, and still nothing may be left of it.
             {"CREATE TABLE [Copy] ([x] LONG, CONSTRAINT [f] FOREIGN KEY ([x]) REFERENCES "
              "[Sales] ([Amount]))",
              err::kInvalidOperation},
             {"CREATE TABLE [Copy] ([x] LONG REFERENCES [Sales])", err::kInvalidOperation},
             {"CREATE TABLE [Copy] ([x] LONG PRIMARY KEY, [y] LONG PRIMARY KEY)", 3283},
             {"CREATE TABLE [Copy] ([x] LONG, [X] TEXT)", 3191},
             {"CREATE TABLE [Copy] ([x] LONG, CONSTRAINT [k] UNIQUE ([y]))", err::kItemNotFound},
             {"CREATE TABLE [sales] ([x] LONG)", err::kTableExists},
             {"ALTER TABLE [Sales] ADD COLUMN [amount] DOUBLE", 3191},
             {"ALTER TABLE [Sales] ADD [n] LONG NOT NULL", err::kRequired},
             {"ALTER TABLE [Sales] ALTER COLUMN [Name] TEXT(2)", err::kFieldTooSmall},
             {"CREATE UNIQUE INDEX [u] ON [Nowhere] ([x])", err::kItemNotFound},
         }) {
        EXPECT_EQ(errorOf(c.sql), c.number) << c.sql;
    }
    EXPECT_EQ(fileState(), before);
    EXPECT_FALSE(std::filesystem::exists(other));
    EXPECT_FALSE(std::filesystem::exists(copy));
}

TEST_F(DefinitionExecTest, ReadOnlyFilesAndTransactions) {
    // Inside the caller's transaction a definition is undone with it.
    ASSERT_FALSE(db.BeginTrans());
    run("CREATE TABLE [Tx] ([a] LONG)");
    run("CREATE INDEX [ia] ON [Tx] ([a])");
    ASSERT_FALSE(db.Rollback());
    EXPECT_FALSE(db.GetTableDef("Tx").ok());
    ASSERT_FALSE(db.BeginTrans());
    run("CREATE TABLE [Tx] ([a] LONG)");
    ASSERT_FALSE(db.CommitTrans());
    EXPECT_TRUE(db.GetTableDef("Tx").ok());

    const std::string before = fileState();
    db.Close();
    auto ro = DBEngine::Instance().OpenDatabase(path, false, true);
    ASSERT_TRUE(ro.ok());
    db = *ro;
    for (const char* sql :
         {"CREATE TABLE [New] ([a] LONG)", "DROP TABLE [Tx]", "ALTER TABLE [Sales] ADD [x] LONG",
          "CREATE INDEX [i] ON [Sales] ([Name])", "DROP INDEX [ia] ON [Tx]"})
        EXPECT_EQ(errorOf(sql), err::kReadOnly) << sql;
    EXPECT_EQ(errorOf("CREATE TABLE [New] ([a] LONG DEFAULT 1)"), err::kCreateTableSyntax);
    db.Close();
    EXPECT_EQ(fileState(), before);
}

}  // namespace
}  // namespace qrv::test
