// Workgroup files and the log-on of a workspace: the default account, users
// added and their passwords changed, and every way a log-on fails.
#include "dataaccess/security/workgroup.h"

#include "fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

void expectNotValidAccount(const Result<std::string>& r, const std::string& what) {
    ASSERT_FALSE(r.ok()) << what << " logged on";
    EXPECT_EQ(r.error().number, 3029) << what;
    EXPECT_EQ(r.error().description, "Not a valid account name or password.") << what;
}

// The engine's system database is process-wide: each test puts back what it found.
class Workgroup : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = DBEngine::Instance().SystemDB();
        wg = dir.file("system.mdw");
    }
    void TearDown() override { DBEngine::Instance().SetSystemDB(saved_); }
    TempDir dir;
    std::string wg;

  private:
    std::string saved_;
};

TEST_F(Workgroup, NewFileHoldsAdminWithEmptyPassword) {
    ASSERT_FALSE(CreateWorkgroupFile(wg));
    auto admin = CheckWorkgroupLogon(wg, "Admin", "");
    ASSERT_TRUE(admin.ok()) << admin.error().description;
    EXPECT_EQ(*admin, "Admin");
    // Names compare in any letter case and come back as the file spells them.
    auto lower = CheckWorkgroupLogon(wg, "aDMIN", "");
    ASSERT_TRUE(lower.ok());
    EXPECT_EQ(*lower, "Admin");
    expectNotValidAccount(CheckWorkgroupLogon(wg, "Admin", "x"), "Admin with a password");
    expectNotValidAccount(CheckWorkgroupLogon(wg, "Nobody", ""), "unknown user");
    expectNotValidAccount(CheckWorkgroupLogon(wg, "", ""), "empty user name");
    // Made once: a second time over it fails and keeps it.
    EXPECT_EQ(CreateWorkgroupFile(wg).number, 3204);
    EXPECT_TRUE(CheckWorkgroupLogon(wg, "Admin", "").ok());
}

TEST_F(Workgroup, UsersAddedAndPasswordsChanged) {
    ASSERT_FALSE(CreateWorkgroupFile(wg));
    ASSERT_FALSE(AddWorkgroupUser(wg, "Ann Lee", "s3cret"));
    EXPECT_EQ(AddWorkgroupUser(wg, "ANN LEE", "other").number, 3390);
    EXPECT_EQ(AddWorkgroupUser(wg, "", "x").number, 3001);
    EXPECT_EQ(AddWorkgroupUser(wg, std::string(21, 'n'), "x").number, 3001);

    auto ann = CheckWorkgroupLogon(wg, "ann lee", "s3cret");
    ASSERT_TRUE(ann.ok());
    EXPECT_EQ(*ann, "Ann Lee");
    // Passwords, unlike names, keep their letter case.
    expectNotValidAccount(CheckWorkgroupLogon(wg, "Ann Lee", "S3CRET"), "password case");

    EXPECT_EQ(SetWorkgroupPassword(wg, "Ann Lee", "wrong", "n3w").number, 3029);
    EXPECT_EQ(SetWorkgroupPassword(wg, "Bob", "", "n3w").number, 3029);
    ASSERT_FALSE(SetWorkgroupPassword(wg, "ann lee", "s3cret", "n3w"));
    expectNotValidAccount(CheckWorkgroupLogon(wg, "Ann Lee", "s3cret"), "old password");
    EXPECT_TRUE(CheckWorkgroupLogon(wg, "Ann Lee", "n3w").ok());
    // The other account is untouched.
    EXPECT_TRUE(CheckWorkgroupLogon(wg, "Admin", "").ok());
}

TEST_F(Workgroup, MissingOrForeignFileIsMissingWorkgroup) {
    const std::string text =
        "Can't start your application. The workgroup information file is missing or opened "
        "exclusively by another user.";
    auto missing = CheckWorkgroupLogon(dir.file("none.mdw"), "Admin", "");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().number, 3028);
    EXPECT_EQ(missing.error().description, text);
    // A database of ours that holds no accounts.
    const std::string plain = dir.file("plain.db");
    ASSERT_TRUE(DBEngine::Instance().CreateDatabase(plain, dbLangGeneral).ok());
    auto foreign = CheckWorkgroupLogon(plain, "Admin", "");
    ASSERT_FALSE(foreign.ok());
    EXPECT_EQ(foreign.error().number, 3028);
    EXPECT_EQ(AddWorkgroupUser(plain, "Ann", "x").number, 3028);
}

TEST_F(Workgroup, AccountsAreHiddenFromTheFileAsADatabase) {
    ASSERT_FALSE(CreateWorkgroupFile(wg));
    auto db = DBEngine::Instance().OpenDatabase(wg);
    ASSERT_TRUE(db.ok());
    EXPECT_TRUE(db->TableDefNames().empty());
    auto rs = db->OpenRecordset("SELECT * FROM [MSysAccounts]");
    ASSERT_FALSE(rs.ok());
    EXPECT_EQ(rs.error().number, 3112);
    auto n = db->Execute("UPDATE [MSysAccounts] SET [PasswordHash] = ''");
    ASSERT_FALSE(n.ok());
    EXPECT_EQ(n.error().number, 3108);
}

TEST_F(Workgroup, WorkspaceLogsOnAgainstTheSystemDatabase) {
    auto& engine = DBEngine::Instance();
    ASSERT_FALSE(CreateWorkgroupFile(wg));
    ASSERT_FALSE(AddWorkgroupUser(wg, "Ann", "pw"));
    engine.SetSystemDB(wg);
    auto ws = engine.CreateWorkspace("Stats", "ANN", "pw");
    ASSERT_TRUE(ws.ok()) << ws.error().description;
    EXPECT_EQ((*ws)->Name(), "Stats");
    EXPECT_EQ((*ws)->UserName(), "Ann");
    auto wrong = engine.CreateWorkspace("Stats", "Ann", "PW");
    ASSERT_FALSE(wrong.ok());
    EXPECT_EQ(wrong.error().number, 3029);
    EXPECT_EQ(engine.CreateWorkspace("Stats", "Zed", "pw").error().number, 3029);

    engine.SetSystemDB(dir.file("gone.mdw"));
    EXPECT_EQ(engine.CreateWorkspace("Stats", "Admin", "").error().number, 3028);

    // With no system database only the built-in account logs on.
    engine.SetSystemDB("");
    auto builtIn = engine.CreateWorkspace("StatsGeneric", "admin", "");
    ASSERT_TRUE(builtIn.ok());
    EXPECT_EQ((*builtIn)->UserName(), "Admin");
    EXPECT_EQ(engine.CreateWorkspace("StatsGeneric", "Admin", "x").error().number, 3029);
    EXPECT_EQ(engine.CreateWorkspace("StatsGeneric", "Ann", "pw").error().number, 3029);
}

}  // namespace
}  // namespace qrv::test
