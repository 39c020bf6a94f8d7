// Stored queries that read another file through IN 'path': stored, read back
// after the file is opened again, found beside the file that holds them,
// refused or failing with the reason when the other file is missing or
// needs a password, and never read as an empty table.
#include <filesystem>

#include "fixture.h"
#include "support/raw_sqlite.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class OtherFileQueryTest : public DbTest {
  protected:
    void SetUp() override {
        DbTest::SetUp();
        other = dir.file("data.db");
        auto made = DBEngine::Instance().CreateDatabase(other, dbLangGeneral);
        ASSERT_TRUE(made.ok());
        Database data = *made;
        ASSERT_TRUE(data.Execute("CREATE TABLE [Raw] ([Site] TEXT(10), [Amount] DOUBLE)").ok());
        for (const char* row : {"('a', 1.5)", "('b', 2.5)", "('a', 4)"})
            ASSERT_TRUE(
                data.Execute(std::string("INSERT INTO [Raw] ([Site], [Amount]) VALUES ") + row)
                    .ok());
        ASSERT_FALSE(data.Close());
    }
    // Count and sum of a query's Amount, "n/sum", or the error's text.
    std::string summary(Database& d, const std::string& query) {
        auto rs = d.OpenRecordset("SELECT Count(*), Sum([Amount]) FROM [" + query + "]");
        if (!rs) return rs.error().description;
        return rs->GetValue(0).toText() + "/" + rs->GetValue(1).toText();
    }
    int errorNumber(Database& d, const std::string& source) {
        auto rs = d.OpenRecordset(source);
        return rs ? 0 : rs.error().number;
    }
    Result<Database> open(const std::string& file, const std::string& connect = {},
                          bool readOnly = false) {
        return DBEngine::Instance().OpenDatabase(file, false, readOnly, connect);
    }
    std::string other;
};

// Three rows, Amount 1.5 + 2.5 + 4 = 8; the two of site a, 1.5 + 4 = 5.5.
TEST_F(OtherFileQueryTest, ReadsTheOtherFileNowAndAfterReopening) {
    const std::string text = "SELECT [Site], [Amount] FROM [Raw] IN '" + other + "'";
    Error e = db.CreateQueryDef("qRaw", text);
    ASSERT_FALSE(e) << e.description;
    ASSERT_FALSE(db.CreateQueryDef("qSiteA", "SELECT * FROM [qRaw] WHERE [Site] = 'a'"));
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "as stored" : "reopened");
        EXPECT_EQ(summary(db, "qRaw"), "3/8");
        EXPECT_EQ(summary(db, "qSiteA"), "2/5.5");
        EXPECT_EQ(column("qRaw", 1), (std::vector<std::string>{"1.5", "2.5", "4"}));
        auto def = db.GetQueryDef("qraw");
        ASSERT_TRUE(def.ok());
        EXPECT_EQ(def->SQL, text) << "the text as written";
        EXPECT_EQ(db.QueryDefNames(), (std::vector<std::string>{"qRaw", "qSiteA"}));
        reopen();
    }
    // Read only, as a run reads its source.
    db.Close();
    auto reader = open(path, {}, true);
    ASSERT_TRUE(reader.ok());
    EXPECT_EQ(summary(*reader, "qSiteA"), "2/5.5");
}

TEST_F(OtherFileQueryTest, ARelativePathIsFoundBesideTheFileThatHoldsTheQuery) {
    // The tests run elsewhere: only the holder's folder has data.db.
    ASSERT_NE(std::filesystem::current_path(), std::filesystem::path(dir.path()));
    ASSERT_FALSE(db.CreateQueryDef("qRaw", "SELECT * FROM [Raw] IN 'data.db'"));
    EXPECT_EQ(summary(db, "qRaw"), "3/8");
    reopen();
    EXPECT_EQ(summary(db, "qRaw"), "3/8");
    // Where the holder is not beside the data, the query is refused.
    Error e = db.CreateQueryDef("qSub", "SELECT * FROM [Raw] IN 'sub/data.db'");
    EXPECT_EQ(e.number, err::kFileNotFound);
    EXPECT_EQ(e.description, "Could not find file '" + dir.file("sub/data.db") + "'.");
}

TEST_F(OtherFileQueryTest, AMissingFileFailsItsReadersWithTheReason) {
    ASSERT_FALSE(db.CreateQueryDef("qRaw", "SELECT * FROM [Raw] IN '" + other + "'"));
    ASSERT_FALSE(db.CreateQueryDef("qSiteA", "SELECT * FROM [qRaw] WHERE [Site] = 'a'"));
    makeNamesTable("Local", {{"x", 1.0}});
    db.Close();
    std::filesystem::rename(other, dir.file("moved.db"));
    auto r = open(path);
    ASSERT_TRUE(r.ok()) << "the file opens all the same: " << r.error().description;
    db = *r;
    const std::string why = "The query 'qRaw' cannot be read: Could not find file '" + other + "'.";
    for (const std::string source :
         {"qRaw", "qSiteA", "SELECT [Amount] FROM [qRaw]", "SELECT Count(*) FROM [qRaw]"}) {
        SCOPED_TRACE(source);
        auto rs = db.OpenRecordset(source);
        ASSERT_FALSE(rs.ok()) << "never read as an empty table";
        EXPECT_EQ(rs.error().number, err::kFileNotFound);
        EXPECT_EQ(rs.error().description, why);
    }
    EXPECT_EQ(column("SELECT [Name] FROM [Local]"), std::vector<std::string>{"x"});
    // Storing it again over the moved file makes it read.
    ASSERT_FALSE(db.DeleteQueryDef("qRaw"));
    ASSERT_FALSE(db.CreateQueryDef("qRaw", "SELECT * FROM [Raw] IN 'moved.db'"));
    EXPECT_EQ(summary(db, "qRaw"), "3/8");
}

TEST_F(OtherFileQueryTest, AFileWithAPasswordNeedsItToo) {
    {
        auto data = open(other);
        ASSERT_TRUE(data.ok());
        ASSERT_FALSE(data->NewPassword("", "pw"));
        ASSERT_FALSE(data->Close());
    }
    const std::string text = "SELECT * FROM [Raw] IN '" + other + "'";
    // The holder is opened without it: refused, nothing stored.
    Error refused = db.CreateQueryDef("qRaw", text);
    EXPECT_EQ(refused.number, 3031);
    EXPECT_EQ(refused.description, "Not a valid password (file '" + other + "').");
    EXPECT_TRUE(db.QueryDefNames().empty());
    // With it (a file without one opens with any): stored and read.
    db.Close();
    auto with = open(path, ";pwd=pw");
    ASSERT_TRUE(with.ok());
    ASSERT_FALSE(with->CreateQueryDef("qRaw", text));
    EXPECT_EQ(summary(*with, "qRaw"), "3/8");
    with->Close();
    // Opened again without it, the holder opens, and the query says why not.
    auto without = open(path);
    ASSERT_TRUE(without.ok());
    auto rs = without->OpenRecordset("qRaw");
    ASSERT_FALSE(rs.ok());
    EXPECT_EQ(rs.error().number, 3031);
    EXPECT_EQ(rs.error().description,
              "The query 'qRaw' cannot be read: Not a valid password (file '" + other + "').");
}

TEST_F(OtherFileQueryTest, QueriesStoredBeforeOneReadAnotherFileAreToldToBeStoredAgain) {
    makeNamesTable("Local", {{"a", 10.0}});
    ASSERT_FALSE(db.CreateQueryDef("qIn", "SELECT [Name] AS [Site], [Amount] FROM [Local]"));
    ASSERT_FALSE(db.CreateQueryDef("qOver", "SELECT * FROM [qIn]"));
    EXPECT_EQ(summary(db, "qOver"), "1/10");
    // qIn now reads the other file; qOver was stored as a view of this one.
    ASSERT_FALSE(db.DeleteQueryDef("qIn"));
    ASSERT_FALSE(db.CreateQueryDef("qIn", "SELECT * FROM [Raw] IN '" + other + "'"));
    EXPECT_EQ(summary(db, "qIn"), "3/8");
    auto rs = db.OpenRecordset("qOver");
    ASSERT_FALSE(rs.ok());
    EXPECT_EQ(rs.error().description,
              "The query 'qIn' reads another database file, and a query that reads it was "
              "stored before it did; store that query again.");
    ASSERT_FALSE(db.DeleteQueryDef("qOver"));
    ASSERT_FALSE(db.CreateQueryDef("qOver", "SELECT * FROM [qIn]"));
    EXPECT_EQ(summary(db, "qOver"), "3/8");
    // A deleted query is gone, temporary view and all.
    ASSERT_FALSE(db.DeleteQueryDef("qOver"));
    EXPECT_EQ(errorNumber(db, "qOver"), err::kInputTableNotFound);
    EXPECT_EQ(errorNumber(db, "SELECT * FROM [qOver]"), err::kInputTableNotFound);
    EXPECT_EQ(count("DROP VIEW [qIn]"), 0);
    EXPECT_EQ(errorNumber(db, "SELECT * FROM [qIn]"), err::kInputTableNotFound);
    EXPECT_TRUE(db.QueryDefNames().empty());
}

TEST_F(OtherFileQueryTest, AnotherClientGetsAnErrorNotAnEmptyTable) {
    ASSERT_FALSE(db.CreateQueryDef("qRaw", "SELECT * FROM [Raw] IN '" + other + "'"));
    db.Close();
    EXPECT_NE(rawExec(path, "SELECT * FROM qRaw"), "");
    EXPECT_NE(rawExec(path, "SELECT count(*) FROM qRaw"), "");
}

TEST_F(OtherFileQueryTest, OnlySelectQueriesOfFilesThatExistAreStored) {
    const struct {
        const char* name;
        std::string sql;
        int number;
    } cases[] = {
        {"q1", "SELECT * FROM [Raw] IN '" + dir.file("none.db") + "'", err::kFileNotFound},
        {"q2", "SELECT * FROM [Gone] IN '" + other + "'", err::kInputTableNotFound},
        {"q3", "DELETE * FROM [Raw] IN '" + other + "'", err::kInvalidOperation},
        {"q4", "SELECT * INTO [Copy] FROM [Raw] IN '" + other + "'", err::kInvalidOperation},
        {"q5", "SELECT * FROM [Raw] IN '" + dir.path() + "'", err::kNotValidPath},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(db.CreateQueryDef(c.name, c.sql).number, c.number);
    }
    EXPECT_TRUE(db.QueryDefNames().empty());
    // Naming its own file, a query reads this file as any other does.
    ASSERT_TRUE(db.Execute("CREATE TABLE [Raw] ([Amount] DOUBLE)").ok());
    ASSERT_TRUE(db.Execute("INSERT INTO [Raw] ([Amount]) VALUES (9)").ok());
    ASSERT_FALSE(db.CreateQueryDef("qSelf", "SELECT * FROM [Raw] IN '" + path + "'"));
    EXPECT_EQ(summary(db, "qSelf"), "1/9");
    db.Close();
    EXPECT_EQ(rawExec(path, "SELECT * FROM qSelf"), "") << "an ordinary view";
}

}  // namespace
}  // namespace qrv::test
