// A stored query is checked when it is stored, and one that breaks later (a
// table it read dropped) fails only its own readers: schema changes to other
// tables go on as before.
#include "fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class StoredQueryTest : public DbTest {
  protected:
    void SetUp() override {
        DbTest::SetUp();
        makeNamesTable("T", {{"a", 1.0}, {"b", 5.0}});
    }
    bool stored(const std::string& name) {
        for (const std::string& q : db.QueryDefNames())
            if (q == name) return true;
        return false;
    }
};

TEST_F(StoredQueryTest, AQueryThatCannotBeReadIsNotStored) {
    ASSERT_FALSE(db.CreateQueryDef("qOld", "SELECT [Name] FROM [T]"));
    struct Case {
        const char* name;
        const char* sql;
        int number;  // 0: stored
    } cases[] = {
        {"q1", "SELECT * FROM [Tt]", err::kInputTableNotFound},
        {"q2", "SELECT * FROM [qOld] INNER JOIN [Tt] ON [qOld].[Name] = [Tt].[Name]",
         err::kInputTableNotFound},
        // Unknown names are parameters, which a reader gives when it opens the query.
        {"q3", "SELECT * FROM [T] WHERE [Amount] > [Enter a minimum]", 0},
        {"q4", "SELECT [Name] FROM [qOld]", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        Error e = db.CreateQueryDef(c.name, c.sql);
        EXPECT_EQ(e.number, c.number) << e.description;
        EXPECT_EQ(stored(c.name), c.number == 0);
    }
    EXPECT_EQ(db.CreateQueryDef("qTypo", "SELECT * FROM [Tt]").description,
              "The database engine cannot find the input table or query 'Tt'. Make sure it "
              "exists and that its name is spelled correctly.");
}

TEST_F(StoredQueryTest, ABrokenQueryBlocksNoChangeToOtherTables) {
    makeNamesTable("Gone", {{"x", 1.0}});
    makeNamesTable("U", {{"u", 2.0}});
    ASSERT_FALSE(db.CreateQueryDef("qGone", "SELECT [Name] FROM [Gone]"));
    ASSERT_FALSE(db.CreateQueryDef("qU", "SELECT [Name], [Amount] FROM [U]"));
    ASSERT_FALSE(db.DeleteTableDef("Gone"));
    ASSERT_EQ(db.OpenRecordset("qGone").error().number, err::kInputTableNotFound);

    // A run's swap: a table written under a working name takes its real one.
    makeNamesTable("~work", {{"w", 3.0}});
    Error e = db.RenameTableDef("~work", "Result");
    EXPECT_FALSE(e) << e.description;
    for (const char* sql : {"ALTER TABLE [U] ADD COLUMN [Extra] DOUBLE",
                            "ALTER TABLE [U] ALTER COLUMN [Name] TEXT(80)",
                            "ALTER TABLE [U] DROP COLUMN [Extra]", "DROP TABLE [Result]"}) {
        auto done = db.Execute(sql);
        EXPECT_TRUE(done.ok()) << sql << ": " << (done.ok() ? "" : done.error().description);
    }
    // A column that a readable query reads still cannot go.
    auto drop = db.Execute("ALTER TABLE [U] DROP COLUMN [Amount]");
    ASSERT_FALSE(drop.ok());
    EXPECT_EQ(drop.error().number, err::kInvalidOperation);
    EXPECT_EQ(column("qU", 1), std::vector<std::string>{"2"});
    EXPECT_EQ(column("SELECT [Amount] FROM [T] ORDER BY [Amount]"),
              (std::vector<std::string>{"1", "5"}));
}

}  // namespace
}  // namespace qrv::test
