// Names of tables, queries, fields and indexes: their length limit counts
// characters, and names that differ only in letter case (in any script) are
// one name for creating, finding and reading.
#include <sqlite3.h>

#include "fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class NamesTest : public DbTest {
  protected:
    Error makeTable(const std::string& name, std::vector<std::string> fields = {"A"}) {
        TableDef t = db.CreateTableDef(name);
        for (const std::string& f : fields)
            if (Error e = t.AppendField(Field(f, dbLong))) return e;
        return db.AppendTableDef(t);
    }
    std::string repeat(const std::string& s, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += s;
        return out;
    }
};

TEST_F(NamesTest, SixtyFourCharactersNotBytes) {
    const std::string ok = repeat("ä", 64);  // 128 bytes
    const std::string tooLong = repeat("ä", 65);
    EXPECT_FALSE(makeTable(ok));
    EXPECT_EQ(makeTable(tooLong).number, 3125);
    EXPECT_FALSE(makeTable("Fields", {repeat("€", 64)})) << "192 bytes";
    EXPECT_EQ(makeTable("Fields2", {repeat("€", 65)}).number, 3125);
    EXPECT_FALSE(db.CreateQueryDef(repeat("ö", 63) + "q", "SELECT 1 AS [x]"));
    TableDef t = db.CreateTableDef("Indexed");
    ASSERT_FALSE(t.AppendField(Field("A", dbLong)));
    EXPECT_FALSE(t.AppendIndex(Index(repeat("ü", 64))));
    EXPECT_EQ(t.AppendIndex(Index(repeat("ü", 65))).number, 3125);
    // Not UTF-8 at all is not a name either.
    EXPECT_EQ(makeTable("bad\xFFname").number, 3125);
    EXPECT_EQ(makeTable("cut\xC3").number, 3125);

    reopen();
    auto back = db.GetTableDef(ok);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->Name, ok);
}

TEST_F(NamesTest, TablesAndQueriesDifferingOnlyInCaseAreOne) {
    ASSERT_FALSE(makeTable("ÄB"));
    Error dup = makeTable("äb");
    EXPECT_EQ(dup.number, err::kTableExists);
    EXPECT_NE(dup.description.find("already exists"), std::string::npos);
    ASSERT_FALSE(makeTable("Straße"));
    EXPECT_EQ(makeTable("STRASSE").number, err::kTableExists) << "full folding";
    EXPECT_EQ(db.CreateQueryDef("äB", "SELECT 1 AS [x]").number, err::kObjectExists);
    ASSERT_FALSE(db.CreateQueryDef("Größe", "SELECT 1 AS [x]"));
    EXPECT_EQ(makeTable("GRÖSSE").number, err::kTableExists) << "a query holds the name";

    auto def = db.GetTableDef("äb");
    ASSERT_TRUE(def.ok());
    EXPECT_EQ(def->Name, "ÄB") << "the stored spelling";
    EXPECT_TRUE(db.OpenRecordset("äB").ok());
    EXPECT_EQ(db.GetQueryDef("grösse")->Name, "Größe");
    EXPECT_FALSE(db.RenameTableDef("äb", "Ab2"));
    EXPECT_EQ(db.RenameTableDef("strasse", "ab2").number, err::kTableExists);
    EXPECT_FALSE(db.DeleteTableDef("STRASSE"));
    EXPECT_EQ(db.TableDefNames(), std::vector<std::string>{"Ab2"});
    EXPECT_FALSE(db.DeleteQueryDef("GRÖSSE"));
}

TEST_F(NamesTest, AnotherClientsTableBlocksItsFoldedName) {
    db.Close();
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    // SQLite itself keeps these apart: it ignores the case of ASCII letters only.
    ASSERT_EQ(sqlite3_exec(raw, "CREATE TABLE \"ÖL\" (a); CREATE TABLE \"öl2\" (a);", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    reopen();
    EXPECT_EQ(makeTable("öl").number, err::kTableExists);
    EXPECT_EQ(makeTable("ÖL2").number, err::kTableExists);
    EXPECT_EQ(db.GetTableDef("öL")->Name, "ÖL");
}

TEST_F(NamesTest, FieldAndIndexNamesFoldAlike) {
    TableDef t = db.CreateTableDef("Measures");
    ASSERT_FALSE(t.AppendField(Field("Größe", dbDouble)));
    EXPECT_EQ(t.AppendField(Field("GRÖSSE", dbDouble)).number, 3191);
    EXPECT_EQ(t.AppendField(Field("größe", dbText)).number, 3191);
    ASSERT_FALSE(t.AppendField(Field("Länge", dbDouble)));
    ASSERT_NE(t.FindField("LÄNGE"), nullptr);
    EXPECT_EQ(t.FindField("LÄNGE")->Name, "Länge");
    Index ix = t.CreateIndex("Nach_Länge");
    ix.AppendField("LÄNGE");
    ASSERT_FALSE(t.AppendIndex(ix));
    EXPECT_EQ(t.AppendIndex(Index("NACH_LÄNGE")).number, 3367);
    ASSERT_FALSE(db.AppendTableDef(t)) << "the index names its field in another case";

    reopen();
    auto back = db.GetTableDef("measures");
    ASSERT_TRUE(back.ok());
    ASSERT_NE(back->FindIndex("nach_LÄNGE"), nullptr);
    EXPECT_EQ(back->FindIndex("nach_LÄNGE")->Fields, std::vector<std::string>{"Länge"});

    auto rs = db.OpenRecordset("Measures");
    ASSERT_TRUE(rs.ok());
    ASSERT_FALSE(rs->AddNew());
    ASSERT_FALSE(rs->Collect("GRÖSSE", 1.5));
    ASSERT_FALSE(rs->Collect("länge", 2.5));
    ASSERT_FALSE(rs->Update());
    auto read = db.OpenRecordset("Measures");
    EXPECT_EQ(read->GetValue("grösse")->asDouble(), 1.5);
    EXPECT_EQ(read->FieldIndex("LÄNGE"), 1);
}

TEST_F(NamesTest, ManyFieldsAreFoundByFoldToo) {
    // Past sixteen fields the recordset looks names up in a map of folds.
    std::vector<std::string> names;
    for (int i = 0; i < 20; ++i) names.push_back("Feld_" + std::to_string(i) + "_Größe");
    ASSERT_FALSE(makeTable("Wide", names));
    auto rs = db.OpenRecordset("Wide");
    ASSERT_TRUE(rs.ok());
    ASSERT_EQ(rs->FieldCount(), 20);
    EXPECT_EQ(rs->FieldIndex("FELD_17_GRÖSSE"), 17);
    EXPECT_EQ(rs->FieldIndex("feld_3_grösse"), 3);
    EXPECT_EQ(rs->FieldIndex("feld_3_grose"), -1);
}

// Every connection the layer opens orders by QRV_FOLD on request: rows whose
// names differ only in case come together, identical ones together within.
TEST_F(NamesTest, ConnectionsOrderByTheFold) {
    makeNamesTable("Groups",
                   {{"b", 1.0}, {"Ä", 2.0}, {"a", 3.0}, {"ä", 4.0}, {"A", 5.0}, {"ä", 6.0}});
    // By hand: folds a, b, ä (C3 A4); within a: "A" (41) < "a" (61); within ä:
    // "Ä" (C3 84) < "ä" (C3 A4); the two "ä" rows by Amount.
    EXPECT_EQ(column("SELECT [Amount] FROM [Groups] ORDER BY [Name] COLLATE QRV_FOLD, [Amount]"),
              (std::vector<std::string>{"5", "3", "1", "2", "4", "6"}));
    reopen();
    EXPECT_EQ(column("SELECT [Name] FROM [Groups] ORDER BY [Name] COLLATE QRV_FOLD DESC, [Amount]")
                  .front(),
              "ä");
}

}  // namespace
}  // namespace qrv::test
