// Recordset behaviour callers rely on: record counts, navigation at both
// ends, bookmarks, finds, edits, deletes and transactions.
#include "fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class RecordsetTest : public DbTest {
  protected:
    void SetUp() override {
        DbTest::SetUp();
        makeNamesTable(
            "P", {{"alpha", 1.0}, {"beta", 2.0}, {"gamma", 3.0}, {"delta", 4.0}, {"epsilon", 5.0}});
    }
    std::string name(Recordset& rs) { return rs.GetValue(0).toText(); }
};

TEST_F(RecordsetTest, RecordCountIsZeroOnlyWhenEmptyAndExactAfterMoveLast) {
    for (int type : {dbOpenDynaset, dbOpenSnapshot}) {
        auto rs = db.OpenRecordset("SELECT * FROM [P] WHERE [Amount] > 1", type);
        ASSERT_TRUE(rs.ok());
        EXPECT_GE(rs->RecordCount(), 1) << "non-empty shows at least 1";
        EXPECT_FALSE(rs->Eof());
        ASSERT_FALSE(rs->MoveLast());
        EXPECT_EQ(rs->RecordCount(), 4);
        EXPECT_EQ(name(*rs), "epsilon");
        ASSERT_FALSE(rs->MoveFirst());
        EXPECT_EQ(name(*rs), "beta");

        auto none = db.OpenRecordset("SELECT * FROM [P] WHERE [Amount] > 100", type);
        ASSERT_TRUE(none.ok());
        EXPECT_EQ(none->RecordCount(), 0);
        EXPECT_TRUE(none->Eof());
        EXPECT_TRUE(none->Bof());
        EXPECT_EQ(none->MoveFirst().number, 3021);
        EXPECT_EQ(none->MoveLast().number, 3021);
        EXPECT_EQ(none->MoveNext().number, 3021);
    }
    auto table = db.OpenRecordset("P", dbOpenTable);
    EXPECT_EQ(table->RecordCount(), 5) << "table type counts exactly";
}

TEST_F(RecordsetTest, AMissingTableOrQueryNameIsNotFound) {
    for (const char* name : {"Nowhere", "[Nowhere]", "Select_Results", "No Such Table"}) {
        auto rs = db.OpenRecordset(name);
        ASSERT_FALSE(rs.ok()) << name;
        EXPECT_EQ(rs.error().number, 3078) << name;
    }
    // A statement stays a statement, however wrong.
    EXPECT_NE(db.OpenRecordset("SELECT FROM").error().number, 3078);
    EXPECT_NE(db.OpenRecordset("DELETE").error().number, 3078);
}

TEST_F(RecordsetTest, WalkingForwardAndBackward) {
    auto rs = db.OpenRecordset("SELECT [Name] FROM [P] ORDER BY [Amount]");
    ASSERT_TRUE(rs.ok());
    std::vector<std::string> seen;
    while (!rs->Eof()) {
        seen.push_back(name(*rs));
        ASSERT_FALSE(rs->MoveNext());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"alpha", "beta", "gamma", "delta", "epsilon"}));
    EXPECT_EQ(rs->MoveNext().number, 3021) << "past the end";
    EXPECT_TRUE(rs->GetValue(0).isNull());
    EXPECT_EQ(rs->GetValue("Name").error().number, 3021);

    ASSERT_FALSE(rs->MoveLast());
    ASSERT_FALSE(rs->Move(-2));
    EXPECT_EQ(name(*rs), "gamma");
    ASSERT_FALSE(rs->MovePrevious());
    EXPECT_EQ(name(*rs), "beta");
    ASSERT_FALSE(rs->Move(-5));
    EXPECT_TRUE(rs->Bof());
    EXPECT_EQ(rs->MovePrevious().number, 3021);
    ASSERT_FALSE(rs->MoveNext());
    EXPECT_EQ(name(*rs), "alpha");
    ASSERT_FALSE(rs->Move(3));
    EXPECT_EQ(name(*rs), "delta");
    ASSERT_FALSE(rs->Move(10));
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(rs->Move(1).number, 3021);
}

TEST_F(RecordsetTest, MoveLastThenFirstRereadsWithoutLosingRows) {
    auto rs = db.OpenRecordset("P", dbOpenDynaset);
    ASSERT_FALSE(rs->MoveLast());
    EXPECT_EQ(rs->RecordCount(), 5);
    ASSERT_FALSE(rs->MoveNext());
    EXPECT_TRUE(rs->Eof());
    ASSERT_FALSE(rs->MoveFirst());
    int n = 0;
    for (; !rs->Eof(); rs->MoveNext()) ++n;
    EXPECT_EQ(n, 5);
}

TEST_F(RecordsetTest, BookmarksAndLastModified) {
    auto rs = db.OpenRecordset("P", dbOpenDynaset);
    ASSERT_TRUE(rs->Bookmarkable());
    rs->MoveNext();
    rs->MoveNext();
    auto mark = rs->GetBookmark();
    ASSERT_TRUE(mark.ok());
    rs->MoveLast();
    ASSERT_FALSE(rs->SetBookmark(*mark));
    EXPECT_EQ(name(*rs), "gamma");
    EXPECT_EQ(rs->SetBookmark(987654).number, 3159);

    ASSERT_FALSE(rs->AddNew());
    rs->Collect("Name", "zeta");
    rs->Collect("Amount", 6.0);
    ASSERT_FALSE(rs->Update());
    EXPECT_EQ(name(*rs), "gamma") << "the current row stays after AddNew";
    ASSERT_FALSE(rs->SetBookmark(rs->LastModified()));
    EXPECT_EQ(name(*rs), "zeta");

    auto sqlRs = db.OpenRecordset("SELECT [Name] FROM [P] ORDER BY [Name] DESC");
    sqlRs->MoveNext();
    auto m2 = sqlRs->GetBookmark();
    ASSERT_TRUE(m2.ok());
    sqlRs->MoveLast();
    ASSERT_FALSE(sqlRs->SetBookmark(*m2));
    EXPECT_EQ(name(*sqlRs), "gamma");
}

TEST_F(RecordsetTest, FindWithDialectCriteria) {
    auto rs = db.OpenRecordset("SELECT * FROM [P] ORDER BY [Amount]");
    ASSERT_FALSE(rs->FindFirst("[Amount] > 2"));
    EXPECT_FALSE(rs->NoMatch());
    EXPECT_EQ(name(*rs), "gamma");
    ASSERT_FALSE(rs->FindNext("[Amount] > 2"));
    EXPECT_EQ(name(*rs), "delta");
    ASSERT_FALSE(rs->FindFirst("[Name] = 'BETA'"));
    EXPECT_EQ(name(*rs), "beta") << "text compares without regard to case";
    ASSERT_FALSE(rs->FindFirst("[Name] Like 'e*'"));
    EXPECT_EQ(name(*rs), "epsilon");
    ASSERT_FALSE(rs->FindLast("[Name] Like '*a'"));
    EXPECT_EQ(name(*rs), "delta");
    ASSERT_FALSE(rs->FindPrevious("[Name] Like '*a'"));
    EXPECT_EQ(name(*rs), "gamma");
    ASSERT_FALSE(rs->FindNext("[Amount] > 100"));
    EXPECT_TRUE(rs->NoMatch());
    EXPECT_EQ(name(*rs), "gamma") << "no match leaves the position";
    EXPECT_NE(rs->FindFirst("[Amount] >").number, 0) << "bad criteria is an error";
}

TEST_F(RecordsetTest, EditAndDelete) {
    auto rs = db.OpenRecordset("P", dbOpenDynaset);
    EXPECT_EQ(rs->Update().number, 3020) << "Update without AddNew or Edit";
    EXPECT_EQ(rs->Collect("Name", "x").number, 3020);
    rs->MoveNext();
    ASSERT_FALSE(rs->Edit());
    ASSERT_FALSE(rs->Collect("Amount", 20.0));
    EXPECT_EQ(rs->GetValue("Amount")->asDouble(), 20.0) << "the edit buffer shows";
    ASSERT_FALSE(rs->Update());
    EXPECT_EQ(rs->GetValue("Amount")->asDouble(), 20.0);
    EXPECT_EQ(rs->Collect("Nope", 1.0).number, 3265);

    ASSERT_FALSE(rs->Delete());
    EXPECT_EQ(rs->GetValue("Name").error().number, 3167);
    ASSERT_FALSE(rs->MoveNext());
    EXPECT_EQ(name(*rs), "gamma");
    EXPECT_EQ(rs->RecordCount(), 4);
    EXPECT_EQ(column("SELECT [Name] FROM [P] WHERE [Amount] = 20").size(), 0u);
    EXPECT_EQ(column("SELECT Count(*) FROM [P]"), std::vector<std::string>{"4"});

    // Deleting every row one by one, as emptying a small scratch table does.
    auto all = db.OpenRecordset("P", dbOpenTable);
    ASSERT_FALSE(db.BeginTrans());
    for (; !all->Eof(); all->MoveNext()) ASSERT_FALSE(all->Delete());
    ASSERT_FALSE(db.CommitTrans());
    EXPECT_EQ(column("SELECT Count(*) FROM [P]"), std::vector<std::string>{"0"});

    auto ro = db.OpenRecordset("P", dbOpenDynaset, dbReadOnly | dbSeeChanges);
    EXPECT_EQ(ro->AddNew().number, 3027);
    auto snap = db.OpenRecordset("P", dbOpenSnapshot);
    EXPECT_EQ(snap->AddNew().number, 3027);
    auto grouped = db.OpenRecordset("SELECT [Name], Count(*) FROM [P] GROUP BY [Name]");
    EXPECT_EQ(grouped->AddNew().number, 3027) << "a grouped query cannot be written";
    auto joined =
        db.OpenRecordset("SELECT [P].[Name] FROM [P] INNER JOIN [P] AS Q ON [P].[Name] = Q.[Name]");
    EXPECT_EQ(joined->AddNew().number, 3027);
}

TEST_F(RecordsetTest, OneTableQueryCanBeWritten) {
    auto rs = db.OpenRecordset(
        "SELECT [Amount] AS Money, [Name] FROM [P] WHERE [Amount] >= 4 ORDER BY [Amount]");
    ASSERT_TRUE(rs.ok());
    EXPECT_TRUE(rs->Updatable());
    ASSERT_FALSE(rs->Edit());
    ASSERT_FALSE(rs->Collect("Money", 40.0));
    ASSERT_FALSE(rs->Update());
    ASSERT_FALSE(rs->AddNew());
    rs->Collect("Name", "zeta");
    rs->Collect("Money", 6.0);
    ASSERT_FALSE(rs->Update());
    rs->MoveNext();
    ASSERT_FALSE(rs->Delete());  // epsilon
    EXPECT_EQ(column("SELECT [Name] FROM [P] WHERE [Amount] >= 4 ORDER BY [Amount]"),
              (std::vector<std::string>{"zeta", "delta"}));
    EXPECT_EQ(column("SELECT [Amount] FROM [P] WHERE [Name] = 'delta'"),
              std::vector<std::string>{"40"});
    auto ro = db.OpenRecordset("SELECT [Name] FROM [P]", dbOpenDynaset, dbReadOnly);
    EXPECT_EQ(ro->Edit().number, 3027);
}

TEST_F(RecordsetTest, TransactionsCommitRollbackAndNest) {
    auto count = [&] { return column("SELECT Count(*) FROM [P]").at(0); };
    ASSERT_FALSE(db.BeginTrans());
    ASSERT_TRUE(db.Execute("DELETE * FROM [P] WHERE [Amount] = 1").ok());
    ASSERT_FALSE(db.BeginTrans());
    ASSERT_TRUE(db.Execute("DELETE * FROM [P] WHERE [Amount] = 2").ok());
    ASSERT_FALSE(db.Rollback());  // undoes only the inner delete
    ASSERT_FALSE(db.CommitTrans());
    EXPECT_EQ(count(), "4");
    EXPECT_EQ(db.CommitTrans().number, 3034);

    ASSERT_FALSE(DBEngine::Instance().BeginTrans());
    ASSERT_TRUE(db.Execute("DELETE * FROM [P]").ok());
    ASSERT_FALSE(DBEngine::Instance().Rollback());
    EXPECT_EQ(count(), "4");

    ASSERT_FALSE(DBEngine::Instance().BeginTrans());
    auto rs = db.OpenRecordset("P");
    rs->AddNew();
    rs->Collect("Name", "added");
    ASSERT_FALSE(rs->Update());
    ASSERT_FALSE(DBEngine::Instance().CommitTrans());
    DBEngine::Instance().Idle(dbRefreshCache);
    reopen();
    EXPECT_EQ(count(), "5");
}

TEST_F(RecordsetTest, ValuesOfEveryKindRoundTrip) {
    TableDef t = db.CreateTableDef("K");
    for (Field f : {Field("B", dbBoolean), Field("I", dbInteger), Field("L", dbLong),
                    Field("D", dbDouble), Field("T", dbDate), Field("S", dbText, 200)})
        t.AppendField(f);
    ASSERT_FALSE(db.AppendTableDef(t));
    auto rs = db.OpenRecordset("K");
    rs->AddNew();
    rs->Collect("B", true);
    rs->Collect("I", -32768);
    rs->Collect("L", 2147483647);
    rs->Collect("D", 0.1 + 0.2);
    rs->Collect("T", Value::date(36526.75));  // 2000-01-01 18:00
    rs->Collect("S", "it's a \"quote\" ] [ -- ;");
    ASSERT_FALSE(rs->Update());
    reopen();
    auto back = db.OpenRecordset("K");
    EXPECT_TRUE(back->GetValue("B")->asBool());
    EXPECT_EQ(back->GetValue("I")->kind(), ValueKind::Int16);
    EXPECT_EQ(back->GetValue("I")->asDouble(), -32768);
    EXPECT_EQ(back->GetValue("L")->asDouble(), 2147483647.0);
    EXPECT_EQ(back->GetValue("D")->asDouble(), 0.1 + 0.2) << "doubles are stored bit for bit";
    EXPECT_EQ(back->GetValue("T")->kind(), ValueKind::Date);
    EXPECT_DOUBLE_EQ(back->GetValue("T")->asDouble(), 36526.75);
    EXPECT_EQ(back->GetValue("T")->toText(), "2000-01-01 18:00:00");
    EXPECT_EQ(back->GetValue("S")->toText(), "it's a \"quote\" ] [ -- ;");
    EXPECT_EQ(back->FieldAt(3).Type, dbDouble);
    EXPECT_EQ(back->FieldIndex("s"), 5);
    EXPECT_EQ(back->FieldIndex("nope"), -1);
}

}  // namespace
}  // namespace qrv::test
