// SELECT ... INTO through Database::Execute: the new table's fields, types
// and rows, the row count, and what happens when it cannot be made.
#include <string>
#include <vector>

#include "fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using Strings = std::vector<std::string>;

class SelectIntoTest : public DbTest {
  protected:
    void SetUp() override {
        DbTest::SetUp();
        makeNamesTable("Sales", {{"Apple", 10.0},
                                 {"apricot", 20.0},
                                 {"Banana", Value()},
                                 {"cherry", 30.0},
                                 {"apple", 50.0}});
    }
    // Name, type and size of each field of a table, in order.
    std::vector<std::string> shape(const std::string& table) {
        std::vector<std::string> out;
        auto def = db.GetTableDef(table);
        EXPECT_TRUE(def.ok()) << table;
        if (!def.ok()) return out;
        for (const Field& f : def->Fields())
            out.push_back(f.Name + ":" + std::to_string(f.Type) + ":" + std::to_string(f.Size));
        return out;
    }
};

TEST_F(SelectIntoTest, MakesTheTableAndReturnsTheRowCount) {
    auto n = db.Execute(
        "SELECT [Name], [Amount] * 2 AS Twice INTO [Doubled] FROM [Sales] WHERE [Amount] Is "
        "Not Null ORDER BY [Amount] DESC;");
    ASSERT_TRUE(n.ok()) << n.error().description;
    EXPECT_EQ(*n, 4);
    EXPECT_EQ(column("SELECT [Name] FROM [Doubled] ORDER BY [Twice]"),
              (Strings{"Apple", "apricot", "cherry", "apple"}));
    EXPECT_EQ(column("SELECT [Twice] FROM [Doubled] ORDER BY [Twice]"),
              (Strings{"20", "40", "60", "100"}));
}

TEST_F(SelectIntoTest, FieldsKeepTheSourceTypeOrTakeTheFirstRowsType) {
    ASSERT_TRUE(db.Execute("SELECT [Name], [Amount], [Amount] + 1, Len([Name]) AS L, "
                           "#1/2/2000# + 1 AS D, 'x' & [Name] AS T INTO [Shapes] FROM [Sales] "
                           "WHERE [Name] = 'cherry'")
                    .ok());
    // Name keeps Text 50 and Amount Double from their table; the expressions
    // are a Double (31.0), a Long (6), a Date and a Text; unnamed expressions
    // are called Expr1000, Expr1001, ... in order.
    EXPECT_EQ(shape("Shapes"),
              (Strings{"Name:10:50", "Amount:7:8", "Expr1000:7:8", "L:4:4", "D:8:8", "T:10:255"}));
    auto rs = db.OpenRecordset("SELECT [D], [L], [Expr1000] FROM [Shapes]");
    ASSERT_TRUE(rs.ok());
    // 2000-01-03 is serial 36528 (Python: (date(2000,1,3) - date(1899,12,30)).days).
    EXPECT_EQ(rs->GetValue(0).kind(), ValueKind::Date);
    EXPECT_DOUBLE_EQ(rs->GetValue(0).asDouble(), 36528.0);
    EXPECT_EQ(rs->GetValue(1).asDouble(), 6.0);
    EXPECT_EQ(rs->GetValue(2).asDouble(), 31.0);
}

TEST_F(SelectIntoTest, AnEmptyResultStillMakesTheTable) {
    auto n = db.Execute("SELECT * INTO [Nothing] FROM [Sales] WHERE [Amount] > 1000");
    ASSERT_TRUE(n.ok()) << n.error().description;
    EXPECT_EQ(*n, 0);
    EXPECT_EQ(shape("Nothing"), (Strings{"Name:10:50", "Amount:7:8"}));
}

TEST_F(SelectIntoTest, AnExistingTableIsError3010AndStaysAsItWas) {
    makeNamesTable("Target", {{"kept", 1.0}});
    auto n = db.Execute("SELECT [Name] INTO [TARGET] FROM [Sales]");
    ASSERT_FALSE(n.ok());
    EXPECT_EQ(n.error().number, 3010);
    EXPECT_EQ(n.error().description, "Table 'TARGET' already exists.");
    EXPECT_EQ(column("SELECT [Name] FROM [Target]"), Strings{"kept"});
}

TEST_F(SelectIntoTest, AFailureHalfWayLeavesNoTable) {
    // abs() of the smallest 64-bit integer is an SQLite error: 1 - (2^63 - 1) - 2
    // is -2^63, reached on the second row only, after the table has been made.
    makeNamesTable("Big", {{"bb", 0.0}, {"c", 0.0}});
    auto n = db.Execute(
        "SELECT abs(Len([Name]) - 9223372036854775807 - 2) AS x INTO [Broken] FROM [Big] "
        "ORDER BY [Name]");
    ASSERT_FALSE(n.ok());
    EXPECT_NE(n.error().description.find("overflow"), std::string::npos) << n.error().description;
    EXPECT_FALSE(db.GetTableDef("Broken").ok());
}

TEST_F(SelectIntoTest, RefusedWhereItCannotWork) {
    // A query whose own text is wrong: nothing is made.
    auto bad = db.Execute("SELECT [NoSuchField] INTO [X] FROM [Sales]");
    ASSERT_FALSE(bad.ok());
    EXPECT_FALSE(db.GetTableDef("X").ok());
    // As a recordset source it is no query.
    auto rs = db.OpenRecordset("SELECT [Name] INTO [Y] FROM [Sales]");
    ASSERT_FALSE(rs.ok());
    EXPECT_EQ(rs.error().number, err::kInvalidOperation);
    EXPECT_FALSE(db.GetTableDef("Y").ok());
    // Another database file as the target is not supported; that file is
    // left without the table.
    const std::string otherPath = dir.file("other.db");
    {
        auto other = DBEngine::Instance().CreateDatabase(otherPath, dbLangGeneral);
        ASSERT_TRUE(other.ok());
        other->Close();
    }
    auto other = db.Execute("SELECT [Name] INTO [Z] IN '" + otherPath + "' FROM [Sales]");
    ASSERT_FALSE(other.ok());
    EXPECT_EQ(other.error().number, err::kInvalidOperation);
    auto reopened = DBEngine::Instance().OpenDatabase(otherPath);
    ASSERT_TRUE(reopened.ok());
    EXPECT_FALSE(reopened->GetTableDef("Z").ok());
    reopened->Close();
}

}  // namespace
}  // namespace qrv::test
