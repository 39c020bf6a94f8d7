// Memory tables: rows added out of order come back in order, narrowed by the
// first column, through ordinary SQL; deletes, drops and name clashes behave
// as for any table.
#include "fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using Strings = std::vector<std::string>;

class MemoryTableTest : public DbTest {
  protected:
    void SetUp() override {
        DbTest::SetUp();
        auto t = db.CreateMemoryTable("statTemp1", {"Field", "Data", "Weight"});
        ASSERT_TRUE(t.ok()) << t.error().description;
        table = *t;
        for (auto [f, d, w] : {std::tuple{2.0, 5.0, 1.0},
                               {1.0, 3.0, 2.0},
                               {2.0, -1.0, 1.0},
                               {1.0, 3.0, 1.0},
                               {2.0, 4.5, 3.0},
                               {1.0, 0.25, 1.0}})
            table.Append({f, d, w});
    }
    MemoryTable table;
};

TEST_F(MemoryTableTest, ReadsComeInOrderOfTheColumns) {
    EXPECT_EQ(table.Rows(), 6);
    EXPECT_EQ(column("SELECT [Data] FROM statTemp1 WHERE (([Field] = 2 AND [Data] Is Not Null)) "
                     "ORDER BY [Data];"),
              (Strings{"-1", "4.5", "5"}));
    EXPECT_EQ(column("SELECT [Data] FROM [statTemp1] WHERE [Field] = 1 ORDER BY [Data] DESC"),
              (Strings{"3", "3", "0.25"}));
    EXPECT_EQ(column("SELECT [Field] FROM [statTemp1]"), (Strings{"1", "1", "1", "2", "2", "2"}));
    EXPECT_EQ(column("SELECT Sum([Weight]) FROM [statTemp1] WHERE [Field] = 1 AND [Data] = 3"),
              Strings{"3"});
    EXPECT_TRUE(column("SELECT [Data] FROM [statTemp1] WHERE [Field] = 7").empty());
    // The mode query: the highest weighted count per field first.
    auto rs = db.OpenRecordset(
        "SELECT DISTINCTROW [Field], [Data], Sum([Weight]) as Lumvar_Count FROM statTemp1 IN '" +
        path + "' GROUP BY [Field], [Data] ORDER BY [Field], Sum([Weight]) DESC;");
    ASSERT_TRUE(rs.ok()) << rs.error().description;
    EXPECT_EQ(rs->GetValue(1).asDouble(), 3);
    EXPECT_EQ(rs->GetValue(2).asDouble(), 3);
    // Rows added after a read join the order.
    table.Append({1.0, -7.0, 1.0});
    EXPECT_EQ(column("SELECT [Data] FROM [statTemp1] WHERE [Field] = 1 ORDER BY [Data]"),
              (Strings{"-7", "0.25", "3", "3"}));
}

TEST_F(MemoryTableTest, DeletesAndDrops) {
    // Row by row, as a small scratch table is emptied.
    auto rs = db.OpenRecordset("statTemp1", dbOpenTable);
    ASSERT_TRUE(rs.ok());
    ASSERT_FALSE(rs->Delete());
    ASSERT_FALSE(rs->MoveNext());
    ASSERT_FALSE(rs->Delete());
    rs->Close();
    EXPECT_EQ(table.Rows(), 4);
    EXPECT_EQ(column("SELECT Count(*) FROM [statTemp1]"), Strings{"4"});
    ASSERT_TRUE(db.Execute("DELETE DISTINCTROW * FROM statTemp1").ok());
    EXPECT_EQ(table.Rows(), 0);
    ASSERT_TRUE(
        db.Execute("INSERT INTO [statTemp1] ([Field], [Data], [Weight]) VALUES (1, 9, 1)").ok());
    EXPECT_EQ(column("SELECT [Data] FROM [statTemp1]"), Strings{"9"});

    EXPECT_EQ(db.CreateMemoryTable("STATTEMP1", {"A"}).error().number, 3010);
    ASSERT_FALSE(db.DeleteTableDef("statTemp1"));
    EXPECT_EQ(db.OpenRecordset("SELECT * FROM [statTemp1]").error().number, 3078);
    auto again = db.CreateMemoryTable("statTemp1", {"Field", "Data", "Weight"});
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->Rows(), 0) << "a new table starts empty";
    EXPECT_EQ(db.CreateMemoryTable("Bad]Name", {"A"}).error().number, 3125);
}

}  // namespace
}  // namespace qrv::test
