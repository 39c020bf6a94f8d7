// Names in SQL find their table or field whatever the letter case, in any
// script: SQLite alone matches ASCII letters only, so [ÉMILE] would miss a
// field émile and [ΑΒΓ] a field αβγ.
#include <string>
#include <vector>

#include "fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using Strings = std::vector<std::string>;

class NameCaseTest : public DbTest {
  protected:
    void SetUp() override {
        DbTest::SetUp();
        TableDef def = db.CreateTableDef("Café");
        ASSERT_FALSE(def.AppendField(Field("émile", dbText, 20)));
        ASSERT_FALSE(def.AppendField(Field("αβγ", dbDouble)));
        ASSERT_FALSE(def.AppendField(Field("Größe", dbDouble)));
        ASSERT_FALSE(db.AppendTableDef(def));
        for (const char* row : {"('a', 1, 10)", "('b', 2, 20)"}) {
            auto n = db.Execute(std::string("INSERT INTO [Café] VALUES ") + row);
            ASSERT_TRUE(n.ok()) << n.error().description;
        }
    }
};

TEST_F(NameCaseTest, QueriesFindFieldsAndTablesInOtherCase) {
    EXPECT_EQ(column("SELECT [ÉMILE] FROM [CAFÉ] WHERE [ΑΒΓ] = 2"), Strings{"b"});
    EXPECT_EQ(column("SELECT [CAFÉ].[Émile] FROM [café] ORDER BY [Αβγ] DESC"), (Strings{"b", "a"}));
    // Full case folding: "ß" folds to "ss".
    EXPECT_EQ(column("SELECT [GRÖSSE] FROM [Café] WHERE [émile] = 'a'"), Strings{"10"});
    // An alias is found in other case too.
    EXPECT_EQ(column("SELECT [émile] AS [Été] FROM [Café] ORDER BY [ÉTÉ] DESC"),
              (Strings{"b", "a"}));
    EXPECT_EQ(column("SELECT [c].[ΑΒΓ] FROM [Café] AS [c] WHERE [c].[ÉMILE] = 'a'"), Strings{"1"});
}

TEST_F(NameCaseTest, RowChangesFindThemToo) {
    auto up = db.Execute("UPDATE [CAFÉ] SET [ΑΒΓ] = [ΑΒΓ] + 1 WHERE [ÉMILE] = 'a'");
    ASSERT_TRUE(up.ok()) << up.error().description;
    EXPECT_EQ(*up, 1);
    auto ins = db.Execute("INSERT INTO [CAFÉ] ([ÉMILE], [ΑΒΓ]) VALUES ('c', 3)");
    ASSERT_TRUE(ins.ok()) << ins.error().description;
    EXPECT_EQ(column("SELECT [αβγ] FROM [Café] ORDER BY [émile]"), (Strings{"2", "2", "3"}));
    auto del = db.Execute("DELETE * FROM [CAFÉ] WHERE [ΑΒΓ] > 2");
    ASSERT_TRUE(del.ok()) << del.error().description;
    EXPECT_EQ(*del, 1);
    auto into = db.Execute("SELECT [ÉMILE], [GRÖSSE] INTO [Copy] FROM [CAFÉ]");
    ASSERT_TRUE(into.ok()) << into.error().description;
    EXPECT_EQ(column("SELECT [émile] FROM [Copy] ORDER BY [émile]"), (Strings{"a", "b"}));
}

TEST_F(NameCaseTest, AnUnknownNameIsStillAnError) {
    EXPECT_FALSE(db.OpenRecordset("SELECT [ÉMILIA] FROM [Café]").ok());
    EXPECT_FALSE(db.Execute("UPDATE [Cafe] SET [αβγ] = 0").ok()) << "an accent is no case";
}

}  // namespace
}  // namespace qrv::test
