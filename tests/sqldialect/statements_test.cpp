// Row-changing statements and source clauses: the dialect's DELETE forms,
// INSERT INTO with SELECT or VALUES, UPDATE, and tables read from or written
// to another database file named with IN 'path'.
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "sqldialect/dialect_db.h"

namespace qrv::dao::testing {
namespace {

using Strings = std::vector<std::string>;

class StatementTest : public DialectDb {
  protected:
    void SetUp() override {
        DialectDb::SetUp();
        exec(R"(CREATE TABLE T (id INTEGER, name TEXT, score REAL, seen TEXT);
                INSERT INTO T VALUES (1, 'ann', 10, NULL), (2, 'Bob', 20, NULL),
                                     (3, 'cid', 30, NULL), (4, 'Dee', NULL, NULL);
                CREATE TABLE Copy (id INTEGER, name TEXT, score REAL, seen TEXT);)");
    }
    Strings names(const std::string& table) {
        Strings out;
        for (const Row& r : query("SELECT name FROM " + table + " ORDER BY id"))
            out.push_back(r[0]);
        return out;
    }
};

TEST_F(StatementTest, DeleteStarFrom) {
    run("DELETE * FROM [T] WHERE [score] >= 20");
    EXPECT_EQ(names("T"), (Strings{"ann", "Dee"}));
}

TEST_F(StatementTest, DeleteDistinctrowStarFrom) {
    run("DELETE DISTINCTROW * FROM T;");
    EXPECT_TRUE(names("T").empty());
}

TEST_F(StatementTest, DeleteTableStarFrom) {
    run("DELETE [T].* FROM [T] WHERE [T].[name] = 'BOB'");
    EXPECT_EQ(names("T"), (Strings{"ann", "cid", "Dee"}));
    run("delete from T where score is null");
    EXPECT_EQ(names("T"), (Strings{"ann", "cid"}));
}

TEST_F(StatementTest, InsertSelect) {
    run("INSERT INTO [Copy] ( id, [name], score ) SELECT [id] + 10 AS Expr1, [name], [score] "
        "FROM [T] WHERE [score] Is Not Null AND [name] <> 'CID';");
    EXPECT_EQ(query("SELECT id, name, score FROM Copy ORDER BY id"),
              (Rows{{"11", "ann", "10.0"}, {"12", "Bob", "20.0"}}));
    run("INSERT INTO Copy SELECT TOP 1 * FROM T ORDER BY score DESC");
    EXPECT_EQ(names("Copy"), (Strings{"cid", "ann", "Bob"}));
}

TEST_F(StatementTest, InsertValuesWithDialectLiterals) {
    run("INSERT INTO [Copy] ([id], [name], [seen]) VALUES (7, \"O'Neil \"\"Jr\"\"\", #3/4/2021 "
        "6:05 PM#)");
    EXPECT_EQ(query("SELECT id, name, seen FROM Copy"),
              (Rows{{"7", "O'Neil \"Jr\"", "2021-03-04 18:05:00"}}));
}

TEST_F(StatementTest, Update) {
    run("UPDATE [T] SET [score] = Nz([score], 0) + 1, [seen] = #2020-01-02# WHERE [name] In "
        "('ANN', 'dee')");
    EXPECT_EQ(query("SELECT id, score, seen FROM T WHERE seen IS NOT NULL ORDER BY id"),
              (Rows{{"1", "11.0", "2020-01-02 00:00:00"}, {"4", "1.0", "2020-01-02 00:00:00"}}));
}

// A second database file, reached through source clauses.
class SourceClauseTest : public StatementTest {
  protected:
    void SetUp() override {
        StatementTest::SetUp();
        path_ = (std::filesystem::temp_directory_path() /
                 ("qrv dialect o'hara " + std::to_string(::getpid()) + ".db"))
                    .string();
        std::filesystem::remove(path_);
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(path_.c_str(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other,
                               "CREATE TABLE statTemp1 (Field INTEGER, Data REAL, Weight REAL);"
                               "INSERT INTO statTemp1 VALUES (1, 5, 1), (1, 5, 2), (1, 6, 4),"
                               "(2, 7, 1), (3, 8, 1);",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(other);
        attach = [this](const std::string& path) -> Result<std::string> {
            requested_.push_back(path);
            if (path != path_) return makeError(err::kFileNotFound, "Could not find file.");
            auto it = schemas_.find(path);
            if (it != schemas_.end()) return it->second;
            const std::string schema = "aux" + std::to_string(schemas_.size() + 1);
            exec("ATTACH DATABASE " + quoteLiteral(path) + " AS " + schema);
            schemas_[path] = schema;
            return schema;
        };
    }
    void TearDown() override {
        StatementTest::TearDown();
        std::filesystem::remove(path_);
    }
    // The path as a dialect literal: its quote doubled.
    std::string in() const { return " IN " + quoteLiteral(path_) + " "; }

    std::string path_;
    Strings requested_;
    std::map<std::string, std::string> schemas_;
};

TEST_F(SourceClauseTest, ModeQueryOnTheScratchTable) {
    // Field 1: value 5 weighs 1 + 2 = 3, value 6 weighs 4.
    EXPECT_EQ(
        run("SELECT DISTINCTROW [Field], [Data], Sum([Weight]) as Lumvar_Count FROM "
            "statTemp1" +
            in() +
            "GROUP BY [Field], [Data] ORDER BY [Field], "
            "Sum([Weight]) DESC;"),
        (Rows{{"1", "6.0", "4.0"}, {"1", "5.0", "3.0"}, {"2", "7.0", "1.0"}, {"3", "8.0", "1.0"}}));
    EXPECT_EQ(requested_, (Strings{path_}));
}

TEST_F(SourceClauseTest, SourceClauseBesideAnInList) {
    EXPECT_EQ(column("SELECT [Data] FROM statTemp1" + in() +
                     "where (([Field] In (2, 3) AND "
                     "[Data] Is Not Null)) ORDER BY [Data];"),
              (Strings{"7.0", "8.0"}));
}

TEST_F(SourceClauseTest, InsertIntoAndDeleteFromAnotherFile) {
    run("INSERT INTO statTemp1" + in() +
        "( Field, Data, Weight ) SELECT [id] + 100, [score], 1 "
        "FROM [T] WHERE [score] Is Not Null");
    EXPECT_EQ(column("SELECT Count(*) FROM statTemp1" + in() + "WHERE [Field] > 100"),
              (Strings{"3"}));
    run("DELETE DISTINCTROW * FROM statTemp1" + in() + "WHERE [Field] < 100");
    EXPECT_EQ(column("SELECT Sum([Data]) FROM statTemp1" + in()), (Strings{"60.0"}));
    // The main database's tables are untouched.
    EXPECT_EQ(names("T").size(), 4u);
}

TEST_F(SourceClauseTest, FailureOfTheAttachIsReported) {
    Result<TranslatedSql> r = translateStatement("SELECT * FROM x IN 'nowhere.db'", attach);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().number, err::kFileNotFound);
}

TEST_F(SourceClauseTest, WithoutAnAttachFunctionTheClauseIsRefused) {
    Result<TranslatedSql> r = translateStatement("SELECT * FROM x IN 'a.db'", AttachFn{});
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().number, err::kNotValidPath);
}

}  // namespace
}  // namespace qrv::dao::testing
