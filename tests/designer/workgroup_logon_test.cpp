// Opening a database as the designer does: the default workgroup made on
// first use, log-ons against a given workgroup file, and the database
// password, with the messages each failure shows.
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

#include "dataaccess/dataaccess.h"
#include "dataaccess/security/workgroup.h"
#include "designer/app_state.h"
#include "designer/frame/database_session.h"
#include "scenario/scenario_tables.h"
#include "scripted_prompter.h"
#include "util/settings.h"

using qrv::designer::AppState;
using qrv::designer::AssignCurrentDatabase;
using qrv::test::ScriptedPrompter;
namespace dao = qrv::dao;

namespace {
const std::string kWorkspaceFailed =
    "Unable to open the specified workspace using the supplied log on information: \r\n\r\n";
const std::string kDatabaseFailed = "Unable to open the selected database: \r\n\r\n";
}  // namespace

class WorkgroupLogonTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::string path(const char* name) const { return (dir_.path() + "/" + name).toStdString(); }

    // A database with the scenario tables, guarded by password when one is given.
    std::string makeDatabase(const char* name, const std::string& password = "") {
        const std::string file = path(name);
        auto db = dao::DBEngine::Instance().CreateDatabase(file, dao::dbLangGeneral);
        if (!db) return file;
        qrv::scenario::StoreContext ctx{*db, nullptr, nullptr};
        qrv::scenario::CreateScenarioTables(ctx);
        if (!password.empty()) db->NewPassword("", password);
        db->Close();
        return file;
    }

    struct Session {
        qrv::util::MemorySettingsStore store;
        ScriptedPrompter prompts;
        AppState app;
        explicit Session(const std::string& dataDir) : app(store, prompts, dataDir, dataDir) {}
    };

  private slots:
    void defaultWorkgroupIsMadeWithAdmin() {
        const std::string data = path("data/sub");  // not there yet
        Session s(data);
        const std::string db = makeDatabase("plain.db");
        QVERIFY(AssignCurrentDatabase(s.app, db, "", "", ""));
        QVERIFY(s.prompts.shown.empty());
        QVERIFY(s.app.HasDatabase());
        QCOMPARE(s.app.UserName(), std::string("Admin"));
        const std::string wg = data + "/DUDOVAZO.MDW";
        QVERIFY(std::filesystem::exists(wg));
        QVERIFY(dao::CheckWorkgroupLogon(wg, "Admin", "").ok());
        // The unsecured open ignores the user it is given: still Admin.
        QVERIFY(AssignCurrentDatabase(s.app, db, "", "Ann", ""));
        QCOMPARE(s.app.UserName(), std::string("Admin"));
    }

    void wrongUserOrPasswordIsRefused() {
        Session s(path("data2"));
        const std::string wg = path("team.mdw");
        QVERIFY(!dao::CreateWorkgroupFile(wg));
        QVERIFY(!dao::AddWorkgroupUser(wg, "Ann", "pw"));
        const std::string db = makeDatabase("team.db");
        // An open database is closed by a failed attempt.
        QVERIFY(AssignCurrentDatabase(s.app, db, wg, "ann", "pw"));
        QCOMPARE(s.app.UserName(), std::string("Ann"));

        QVERIFY(!AssignCurrentDatabase(s.app, db, wg, "Ann", "PW"));
        QVERIFY(!s.app.HasDatabase());
        QCOMPARE(s.prompts.shown.size(), size_t(1));
        QCOMPARE(s.prompts.shown[0].kind, std::string("critical"));
        QCOMPARE(s.prompts.shown[0].caption, std::string("Quorvane"));
        QCOMPARE(s.prompts.shown[0].text,
                 kWorkspaceFailed + "3029: Not a valid account name or password.");

        QVERIFY(!AssignCurrentDatabase(s.app, db, wg, "Bob", "pw"));
        QCOMPARE(s.prompts.lastText(),
                 kWorkspaceFailed + "3029: Not a valid account name or password.");

        QVERIFY(!AssignCurrentDatabase(s.app, db, path("gone.mdw"), "Admin", ""));
        QCOMPARE(s.prompts.lastText(),
                 kWorkspaceFailed +
                     "3028: Can't start your application. The workgroup information file is "
                     "missing or opened exclusively by another user.");
        QVERIFY(!s.app.HasDatabase());
    }

    void guardedDatabaseAsksForItsPassword() {
        // The default workgroup and Admin suffice: the file's password is asked for.
        Session s(path("data3"));
        const std::string db = makeDatabase("guarded.db", "pw");
        const std::string ask =
            "The database '" + db + "' is protected by a password.\r\n\r\nPassword:";
        auto kinds = [&] {
            std::vector<std::string> k;
            for (const auto& shown : s.prompts.shown) k.push_back(shown.kind);
            return k;
        };
        s.prompts.password(std::nullopt);  // declined: the open fails, saying why
        QVERIFY(!AssignCurrentDatabase(s.app, db, "", "", ""));
        QCOMPARE(kinds(), (std::vector<std::string>{"password", "critical"}));
        QCOMPARE(s.prompts.shown[0].text, ask);
        QCOMPARE(s.prompts.lastText(), kDatabaseFailed + "3031: Not a valid password.");
        QVERIFY(!s.app.HasDatabase());

        s.prompts.shown.clear();  // a wrong answer is asked again, saying so
        s.prompts.password("wrong");
        s.prompts.password("pw");
        std::string used;
        QVERIFY(AssignCurrentDatabase(s.app, db, "", "", "", &used));
        QCOMPARE(kinds(), (std::vector<std::string>{"password", "password"}));
        QCOMPARE(s.prompts.shown[1].text, "Not a valid password.\r\n\r\n" + ask);
        QCOMPARE(used, std::string("pw"));
        QCOMPARE(s.app.UserName(), std::string("Admin"));

        s.prompts.shown.clear();  // given at the start: nothing is asked
        QVERIFY(AssignCurrentDatabase(s.app, db, "", "", "pw"));
        QVERIFY(s.prompts.shown.empty());
        QVERIFY(s.app.HasDatabase());
    }

    void workgroupUserOpensGuardedDatabase() {
        // The log-on password is the database's too.
        Session s(path("data4"));
        const std::string wg = path("both.mdw");
        QVERIFY(!dao::CreateWorkgroupFile(wg));
        QVERIFY(!dao::AddWorkgroupUser(wg, "Ann", "pw"));
        const std::string db = makeDatabase("both.db", "pw");
        QVERIFY(AssignCurrentDatabase(s.app, db, wg, "Ann", "pw"));
        QVERIFY(s.prompts.shown.empty());
        QCOMPARE(s.app.UserName(), std::string("Ann"));
    }
};

QTEST_MAIN(WorkgroupLogonTest)
#include "workgroup_logon_test.moc"
