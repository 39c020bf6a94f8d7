// The query dialect through real queries on real rows of a database file:
// each construct the engine and the scenario tables send, stored queries,
// and attempts to break out of names and values.
#include <cmath>

#include "dataaccess/dialect/sql_dialect.h"
#include "fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using Strings = std::vector<std::string>;

class DialectTest : public DbTest {
  protected:
    void SetUp() override {
        DbTest::SetUp();
        makeNamesTable("Sales", {{"Apple", 10.0},
                                 {"apricot", 20.0},
                                 {"Banana", Value()},
                                 {"cherry", 30.0},
                                 {"Avocado7", 40.0},
                                 {"apple", 50.0}});
    }
};

TEST_F(DialectTest, SelectWithBracketsDistinctrowAndNulls) {
    EXPECT_EQ(column("SELECT DISTINCTROW [Name] FROM [Sales] WHERE [Amount] Is Null;"),
              Strings{"Banana"});
    EXPECT_EQ(column("SELECT [Name] FROM [Sales] WHERE [Amount] Is Not Null And [Amount] "
                     "Between 20 And 40 ORDER BY [Amount] DESC"),
              (Strings{"Avocado7", "cherry", "apricot"}));
    EXPECT_EQ(column("SELECT DISTINCT [Name] FROM [Sales] WHERE [Name] = 'APPLE'").size(), 1u)
        << "'Apple' and 'apple' are one value when case is ignored";
    EXPECT_EQ(column("SELECT [Name] FROM [Sales] WHERE [Name] = \"cherry\""), Strings{"cherry"})
        << "double quotes hold text";
}

TEST_F(DialectTest, AggregatesIncludingSampleStandardDeviation) {
    auto rs = db.OpenRecordset(
        "SELECT Count(*), Count([Amount]), Sum([Amount]), MIN([Amount]), MAX([Amount]), "
        "StDev([Amount]) FROM [Sales]");
    ASSERT_TRUE(rs.ok()) << rs.error().description;
    EXPECT_EQ(rs->GetValue(0).asDouble(), 6);
    EXPECT_EQ(rs->GetValue(1).asDouble(), 5);
    EXPECT_EQ(rs->GetValue(2).asDouble(), 150);
    EXPECT_EQ(rs->GetValue(3).asDouble(), 10);
    EXPECT_EQ(rs->GetValue(4).asDouble(), 50);
    // Values 10..50 step 10: mean 30, squared deviations sum 1000, n-1 = 4.
    EXPECT_NEAR(rs->GetValue(5).asDouble(), std::sqrt(250.0), 1e-12);

    EXPECT_EQ(column("SELECT [Name], Sum([Amount]) FROM [Sales] WHERE [Name] Like 'ap*' GROUP "
                     "BY [Name]",
                     1),
              (Strings{"60", "20"}))
        << "grouping ignores case: Apple+apple";
}

TEST_F(DialectTest, LikeWildcards) {
    EXPECT_EQ(column("SELECT [Name] FROM [Sales] WHERE [Name] Like 'a*' ORDER BY [Amount]"),
              (Strings{"Apple", "apricot", "Avocado7", "apple"}));
    EXPECT_EQ(column("SELECT [Name] FROM [Sales] WHERE [Name] Like '?pple' ORDER BY [Amount]"),
              (Strings{"Apple", "apple"}));
    EXPECT_EQ(column("SELECT [Name] FROM [Sales] WHERE [Name] Like '*#'"), Strings{"Avocado7"});
    EXPECT_EQ(column("SELECT [Name] FROM [Sales] WHERE [Name] Like '[b-c]*' ORDER BY [Name]"),
              (Strings{"Banana", "cherry"}));
    EXPECT_EQ(column("SELECT [Name] FROM [Sales] WHERE [Name] Like '[!a]*' ORDER BY [Name]"),
              (Strings{"Banana", "cherry"}));
    EXPECT_EQ(column("SELECT [Name] FROM [Sales] WHERE [Name] Not Like '*a*' "), Strings{"cherry"});
}

TEST_F(DialectTest, FunctionsAndConstants) {
    EXPECT_EQ(column("SELECT IIf([Amount] > 25, 'big', 'small') FROM [Sales] WHERE [Amount] Is "
                     "Not Null ORDER BY [Amount]"),
              (Strings{"small", "small", "big", "big", "big"}));
    EXPECT_EQ(column("SELECT [Name] FROM [Sales] WHERE IsNull([Amount])"), Strings{"Banana"});
    EXPECT_EQ(column("SELECT Count(*) FROM [Sales] WHERE True"), Strings{"6"});
    EXPECT_EQ(column("SELECT Count(*) FROM [Sales] WHERE False"), Strings{"0"});
    EXPECT_EQ(column("SELECT Sum(IIf(IsNull([Amount]), 1, 0)) FROM [Sales]"), Strings{"1"});
}

TEST_F(DialectTest, DatesAsLiterals) {
    TableDef t = db.CreateTableDef("Days");
    t.AppendField(Field("D", dbDate));
    ASSERT_FALSE(db.AppendTableDef(t));
    ASSERT_TRUE(db.Execute("INSERT INTO [Days] ([D]) VALUES (#1/31/2020#)").ok());
    ASSERT_TRUE(db.Execute("INSERT INTO [Days] ([D]) VALUES (#2020-03-01 14:30:00#)").ok());
    EXPECT_EQ(column("SELECT [D] FROM [Days] WHERE [D] < #2/1/2020#"),
              Strings{"2020-01-31 00:00:00"});
    EXPECT_EQ(column("SELECT [D] FROM [Days] WHERE [D] Between #3/1/2020# And #3/2/2020#"),
              Strings{"2020-03-01 14:30:00"});
    auto rs = db.OpenRecordset("Days");
    EXPECT_EQ(rs->GetValue(0).kind(), ValueKind::Date);
    EXPECT_DOUBLE_EQ(rs->GetValue(0).asDouble(), 43861.0);  // 2020-01-31 as a serial day
}

TEST_F(DialectTest, ActionQueries) {
    makeNamesTable("Copy", {});
    auto ins = db.Execute(
        "INSERT INTO [Copy] ( [Name], [Amount] ) SELECT [Name], [Amount] FROM "
        "[Sales] WHERE [Amount] >= 30;");
    ASSERT_TRUE(ins.ok()) << ins.error().description;
    EXPECT_EQ(*ins, 3);
    auto del = db.Execute("DELETE * FROM [Copy] WHERE [Amount] = 30");
    ASSERT_TRUE(del.ok());
    EXPECT_EQ(*del, 1);
    auto delAll = db.Execute("DELETE DISTINCTROW * FROM [Copy];");
    ASSERT_TRUE(delAll.ok());
    EXPECT_EQ(*delAll, 2);
    EXPECT_EQ(db.Execute("SELECT * FROM [Copy]").error().number, 3065);
}

TEST_F(DialectTest, SourceClauseReadsAnotherFile) {
    const std::string other = dir.file("other.db");
    {
        auto o = DBEngine::Instance().CreateDatabase(other, dbLangGeneral);
        TableDef t = o->CreateTableDef("Remote");
        t.AppendField(Field("V", dbDouble));
        ASSERT_FALSE(o->AppendTableDef(t));
        ASSERT_TRUE(o->Execute("INSERT INTO [Remote] ([V]) VALUES (7.5)").ok());
        o->Close();
    }
    EXPECT_EQ(column("SELECT [V] FROM [Remote] IN '" + other + "'"), Strings{"7.5"});
    makeNamesTable("Local", {});
    ASSERT_TRUE(
        db.Execute("INSERT INTO [Local] ([Amount]) SELECT [V] FROM [Remote] IN '" + other + "'")
            .ok());
    EXPECT_EQ(column("SELECT [Amount] FROM [Local]"), Strings{"7.5"});
    auto missing = db.OpenRecordset("SELECT * FROM [Remote] IN '" + dir.file("nope.db") + "'");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().number, 3024);
}

TEST_F(DialectTest, StoredQueries) {
    ASSERT_FALSE(db.CreateQueryDef("qBig",
                                   "SELECT [Name], [Amount] FROM [Sales] WHERE [Amount] "
                                   "> 25;"));
    EXPECT_EQ(db.QueryDefNames(), Strings{"qBig"});
    EXPECT_EQ(db.GetQueryDef("QBIG")->SQL,
              "SELECT [Name], [Amount] FROM [Sales] WHERE [Amount] > 25;");
    EXPECT_EQ(db.GetTableDef("qBig").error().number, 3265) << "a query is not a table";
    EXPECT_EQ(column("SELECT [Name] FROM [qBig] ORDER BY [Amount]"),
              (Strings{"cherry", "Avocado7", "apple"}));
    auto byName = db.OpenRecordset("qBig");
    ASSERT_TRUE(byName.ok());
    EXPECT_EQ(byName->Type(), dbOpenDynaset);
    EXPECT_EQ(db.OpenRecordset("qBig", dbOpenTable).error().number, 3219);

    ASSERT_FALSE(db.CreateQueryDef("qParam",
                                   "SELECT [Name] FROM [Sales] WHERE [Amount] > "
                                   "[Minimum]"));
    auto p = db.OpenRecordset("qParam", dbOpenDynaset, dbReadOnly | dbSeeChanges);
    ASSERT_FALSE(p.ok());
    EXPECT_EQ(p.error().number, 3061);
    auto viaSql = db.OpenRecordset("SELECT [Name] FROM [qParam]");
    ASSERT_FALSE(viaSql.ok());
    EXPECT_EQ(viaSql.error().number, 3061);
    EXPECT_EQ(db.CreateQueryDef("qBig", "SELECT 1").number, 3012);
    ASSERT_FALSE(db.DeleteQueryDef("qBig"));
    EXPECT_EQ(db.OpenRecordset("SELECT * FROM [qBig]").error().number, 3078);
}

TEST_F(DialectTest, NamesAndValuesCannotBreakOut) {
    // A name holding a closing bracket, a quote and a statement stays a name.
    auto rs = db.OpenRecordset("SELECT * FROM [Sales]]; DROP TABLE Sales; --]");
    ASSERT_FALSE(rs.ok());
    EXPECT_EQ(rs.error().number, 3078);
    EXPECT_EQ(column("SELECT Count(*) FROM [Sales]"), Strings{"6"});

    auto ex = db.Execute("DELETE * FROM [Sales] WHERE [Name] = 'x'' OR ''1''=''1'");
    ASSERT_TRUE(ex.ok());
    EXPECT_EQ(*ex, 0) << "the quoted text is one value";
    EXPECT_EQ(db.Execute("DELETE * FROM [Sales]; DROP TABLE [Sales]").error().number, 3142);
    EXPECT_EQ(db.Execute("DELETE * FROM [Sales] WHERE [Name] = 'open").error().number / 100, 30);
    EXPECT_EQ(column("SELECT Count(*) FROM [Sales]"), Strings{"6"});

    auto misspelt = db.OpenRecordset("SELECT [Nmae] FROM [Sales]");
    ASSERT_FALSE(misspelt.ok()) << "a misspelt field must not read as text";
    EXPECT_EQ(misspelt.error().number, 3061);

    // Values written through a recordset are data, never SQL.
    auto w = db.OpenRecordset("Sales");
    w->AddNew();
    w->Collect("Name", "'); DROP TABLE [Sales]; --");
    ASSERT_FALSE(w->Update());
    EXPECT_EQ(column("SELECT Count(*) FROM [Sales]"), Strings{"7"});
    std::string tricky = bracketName("Sales]; DROP TABLE Sales; --");
    EXPECT_EQ(tricky, "[Sales]]; DROP TABLE Sales; --]");
}

}  // namespace
}  // namespace qrv::test
