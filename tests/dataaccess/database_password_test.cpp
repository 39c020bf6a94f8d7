// The database password: set, checked on every open and attach, changed and
// cleared; kept as a salted slow hash in a table that no statement of a
// user's reaches. Hashes are slow on purpose, so each test makes few.
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>

#include "fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

Result<Database> open(const std::string& path, std::string_view connect = {},
                      bool readOnly = false) {
    return DBEngine::Instance().OpenDatabase(path, false, readOnly, connect);
}

// What another SQLite client reads from the file: every PasswordHash value.
std::vector<std::string> storedHashes(const std::string& path) {
    std::vector<std::string> out;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT PasswordHash FROM MSysPassword", -1, &st, nullptr) ==
            SQLITE_OK)
            while (sqlite3_step(st) == SQLITE_ROW)
                out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

void expectRefused(const Result<Database>& r, const std::string& what) {
    ASSERT_FALSE(r.ok()) << what << " opened";
    EXPECT_EQ(r.error().number, 3031) << what;
    EXPECT_EQ(r.error().description, "Not a valid password.") << what;
}

class DatabasePassword : public DbTest {
  protected:
    // The fixture's file with a password and a table T(A Long) of one row.
    void protect(const std::string& password) {
        TableDef t = db.CreateTableDef("T");
        ASSERT_FALSE(t.AppendField(Field("A", dbLong)));
        ASSERT_FALSE(db.AppendTableDef(t));
        ASSERT_TRUE(db.Execute("INSERT INTO [T] ([A]) VALUES (7)").ok());
        Error e = db.NewPassword("", password);
        ASSERT_FALSE(e) << e.description;
        db.Close();
    }
};

TEST_F(DatabasePassword, SetCheckedChangedAndCleared) {
    protect("tulip 42");
    const std::string before = readBytes(path);
    // Checked on open: none, wrong, a different letter case, the right one.
    expectRefused(open(path), "no connect text");
    expectRefused(open(path, ";pwd="), "empty password");
    expectRefused(open(path, ";pwd=wrong"), "wrong password");
    expectRefused(open(path, ";pwd=TULIP 42"), "password in other letter case");
    expectRefused(open(path, {}, true), "read-only without password");
    // A refused open leaves the file as it was, with nothing beside it.
    EXPECT_EQ(readBytes(path), before);
    EXPECT_FALSE(std::filesystem::exists(path + "-wal"));
    // The key in any letter case, among other keys.
    auto ok = open(path, "DATABASE=x;PWD=tulip 42;");
    ASSERT_TRUE(ok.ok()) << ok.error().description;
    EXPECT_EQ(ok->Connect(), "DATABASE=x;PWD=tulip 42;");
    EXPECT_EQ(ok->OpenRecordset("SELECT [A] FROM [T]")->GetValue(0).toText(), "7");

    // Changing needs the present password.
    Error wrong = ok->NewPassword("tulip", "aster 7");
    EXPECT_EQ(wrong.number, 3031);
    EXPECT_FALSE(ok->NewPassword("tulip 42", "aster 7"));
    ok->Close();
    expectRefused(open(path, ";pwd=tulip 42"), "old password after a change");
    auto changed = open(path, ";pwd=aster 7");
    ASSERT_TRUE(changed.ok()) << changed.error().description;

    // Cleared: any connect text opens it, and the table is gone from the file.
    EXPECT_FALSE(changed->NewPassword("aster 7", ""));
    changed->Close();
    EXPECT_TRUE(storedHashes(path).empty());
    EXPECT_TRUE(open(path).ok());
    EXPECT_TRUE(open(path, ";pwd=anything").ok());
}

TEST_F(DatabasePassword, FileWithoutOneOpensWithAnyConnectText) {
    db.Close();
    for (const char* connect : {"", ";pwd=", ";pwd=whatever", "junk without keys"}) {
        auto r = open(path, connect);
        EXPECT_TRUE(r.ok()) << connect;
    }
    // Setting one on a file that has none takes an empty old password only.
    auto r = open(path);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r->NewPassword("guess", "new").number, 3031);
    EXPECT_TRUE(storedHashes(path).empty());
}

TEST_F(DatabasePassword, StoredAsSaltedSlowHashNotAsItself) {
    protect("tulip 42");
    TempDir other;
    const std::string second = other.file("second.db");
    {
        auto db2 = DBEngine::Instance().CreateDatabase(second, dbLangGeneral);
        ASSERT_TRUE(db2.ok());
        ASSERT_FALSE(db2->NewPassword("", "tulip 42"));
        db2->Close();
    }
    const auto first = storedHashes(path), other2 = storedHashes(second);
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(other2.size(), 1u);
    // Argon2id at libsodium's documented interactive cost: 2 passes over
    // 64 MiB (m is in KiB), one lane, version 0x13 = 19.
    EXPECT_EQ(first[0].rfind("$argon2id$v=19$m=65536,t=2,p=1$", 0), 0u) << first[0];
    EXPECT_EQ(first[0].find("tulip"), std::string::npos);
    // A salt of its own per file: the same password, two different texts.
    EXPECT_NE(first[0], other2[0]);
    // Both still open with it.
    EXPECT_TRUE(open(path, ";pwd=tulip 42").ok());
    EXPECT_TRUE(open(second, ";pwd=tulip 42").ok());
}

TEST_F(DatabasePassword, TableIsHiddenAndNoStatementReachesIt) {
    protect("pw");
    auto r = open(path, ";pwd=pw");
    ASSERT_TRUE(r.ok());
    Database d = *r;
    EXPECT_EQ(d.TableDefNames(), std::vector<std::string>{"T"});
    EXPECT_FALSE(d.GetTableDef("MSysPassword").ok());
    EXPECT_FALSE(d.GetTableDef("msyspassword").ok());

    auto read = d.OpenRecordset("SELECT * FROM [MSysPassword]");
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().number, 3112);
    EXPECT_EQ(read.error().description,
              "Record(s) can't be read; no read permission on 'MSysPassword'.");
    // Reached through a join or a subquery it is refused all the same.
    auto sub = d.OpenRecordset("SELECT [A] FROM [T] WHERE [A] IN (SELECT 7 FROM [msyspassword])");
    ASSERT_FALSE(sub.ok());
    EXPECT_EQ(sub.error().number, 3112);

    struct {
        const char* sql;
        int number;
    } writes[] = {{"DELETE * FROM [MSysPassword]", 3109},
                  {"UPDATE [MSysPassword] SET [PasswordHash] = 'x'", 3108},
                  {"INSERT INTO [MSysPassword] ([PasswordHash]) VALUES ('x')", 3107}};
    for (const auto& w : writes) {
        auto n = d.Execute(w.sql);
        ASSERT_FALSE(n.ok()) << w.sql;
        EXPECT_EQ(n.error().number, w.number) << w.sql;
    }
    EXPECT_FALSE(d.Execute("DROP TABLE [MSysPassword]").ok());
    EXPECT_TRUE(d.DeleteTableDef("MSysPassword"));
    // Nor is a stored query over it: it is refused as it is stored.
    const Error peek = d.CreateQueryDef("Peek", "SELECT * FROM [MSysPassword]");
    EXPECT_EQ(peek.number, 3112);
    EXPECT_FALSE(d.OpenRecordset("Peek").ok());
    d.Close();
    // Nothing of that changed the password.
    expectRefused(open(path), "after the refused statements");
    EXPECT_TRUE(open(path, ";pwd=pw").ok());
}

TEST_F(DatabasePassword, UsersCannotMakeOrRenameIntoTheTable) {
    TableDef t = db.CreateTableDef("MSysPassword");
    ASSERT_FALSE(t.AppendField(Field("PasswordHash", dbText, 255)));
    EXPECT_TRUE(db.AppendTableDef(t));
    EXPECT_FALSE(db.Execute("CREATE TABLE [msyspassword] ([PasswordHash] TEXT(255))").ok());
    TableDef u = db.CreateTableDef("U");
    ASSERT_FALSE(u.AppendField(Field("PasswordHash", dbText, 255)));
    ASSERT_FALSE(db.AppendTableDef(u));
    EXPECT_TRUE(db.RenameTableDef("U", "MSysPassword"));
    db.Close();
    // Still a file without a password.
    EXPECT_TRUE(open(path).ok());
}

TEST_F(DatabasePassword, SourceClauseNeedsThePasswordToo) {
    protect("pw");
    TempDir other;
    const std::string plain = other.file("plain.db");
    ASSERT_TRUE(DBEngine::Instance().CreateDatabase(plain, dbLangGeneral).ok());
    const std::string sql = "SELECT [A] FROM [T] IN '" + path + "'";
    // From a file opened without it, the source is refused and not attached.
    auto without = open(plain);
    ASSERT_TRUE(without.ok());
    auto refused = without->OpenRecordset(sql);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().number, 3031);
    // From one opened with the password, the source reads.
    auto with = open(plain, ";pwd=pw");
    ASSERT_TRUE(with.ok());
    auto rs = with->OpenRecordset(sql);
    ASSERT_TRUE(rs.ok()) << rs.error().description;
    EXPECT_EQ(rs->GetValue(0).toText(), "7");
}

TEST_F(DatabasePassword, ReadOnlyFileCannotChangeIt) {
    db.Close();
    auto r = open(path, {}, true);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r->NewPassword("", "pw").number, 3027);
    EXPECT_TRUE(storedHashes(path).empty());
}

}  // namespace
}  // namespace qrv::test
