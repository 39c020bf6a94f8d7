// Opening a database: the Open Database dialog's checks, its recent list and
// log-on fields, and what happens after OK (the first-open question, the
// recent list, the saved-password setting). Message texts are the program's
// fixed wording, written out here in full.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <fstream>

#include "dataaccess/objects/dbengine.h"
#include "dataaccess/types.h"
#include "designer/app_state.h"
#include "designer/frame/database_session.h"
#include "designer/frame/open_database_dialog.h"
#include "designer/frame/select_database.h"
#include "frame_fakes.h"
#include "scenario/scenario_tables.h"
#include "scripted_prompter.h"
#include "util/settings.h"

using namespace qrv::designer;
using qrv::test::ScriptedFileChooser;
using qrv::test::ScriptedPrompter;

namespace {

const std::string kBeSure =
    "\r\n\r\nBe sure that you have typed the path to the database correctly, or use the Browse "
    "button to locate the database";

std::string makeDatabase(const QTemporaryDir& dir, const char* name) {
    const std::string path = (dir.path() + "/" + name).toStdString();
    auto db = qrv::dao::DBEngine::Instance().CreateDatabase(path, qrv::dao::dbLangGeneral);
    if (!db) qFatal("cannot create %s: %s", path.c_str(), db.error().description.c_str());
    (void)db->Close();
    return path;
}

std::string makeFile(const QTemporaryDir& dir, const char* name) {
    const std::string path = (dir.path() + "/" + name).toStdString();
    std::ofstream(path) << "not a database";
    return path;
}

template <class T>
T* child(QWidget& w, const char* name) {
    T* c = w.findChild<T*>(name);
    if (!c) qFatal("no control %s", name);
    return c;
}

std::vector<std::string> sortedTables(qrv::dao::Database& db) {
    auto names = db.TableDefNames();
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

class OpenDatabaseTest : public QObject {
    Q_OBJECT
  private:
    QTemporaryDir dir_;
    ScriptedPrompter prompter_;
    ScriptedFileChooser chooser_;

    // OK on a dialog with the given database text; the message shown, if any.
    std::string okWith(OpenDatabaseDialog& d, const std::string& database) {
        prompter_.shown.clear();
        child<QComboBox>(d, "cboDatabase")->setEditText(QString::fromStdString(database));
        const bool accepted = d.tryAccept();
        return accepted ? std::string("accepted") : prompter_.lastText();
    }

  private slots:
    void controlsAndCaptions() {
        OpenDatabaseDialog d({}, false, chooser_, prompter_);
        QCOMPARE(d.windowTitle(), QString("Open Scenario Database"));
        QCOMPARE(child<QCheckBox>(d, "chkSecured")->text(), QString("Secured Database"));
        QCOMPARE(child<QCheckBox>(d, "chkSavePassword")->text(), QString("Save Pass&word"));
        QCOMPARE(child<QPushButton>(d, "cmdOK")->text(), QString("OK"));
        QCOMPARE(child<QPushButton>(d, "cmdCancel")->text(), QString("&Cancel"));
        QCOMPARE(child<QLineEdit>(d, "txtPassword")->echoMode(), QLineEdit::Password);
        QStringList labels;
        for (QLabel* l : d.findChildren<QLabel*>()) labels << l->text();
        for (const char* caption :
             {"&Database to Analyze:", "&Workgroup Security Database:", "&User ID:", "&Password:"})
            QVERIFY2(labels.contains(caption), caption);
        QVERIFY(child<QComboBox>(d, "cboDatabase")->isEditable());
    }

    void logOnFieldsFollowTheSecuredBox() {
        OpenDatabaseDialog d({}, true, chooser_, prompter_);
        auto* secured = child<QCheckBox>(d, "chkSecured");
        const char* const fields[] = {"txtWorkgroup", "cmdBrowseWorkgroup", "txtUserID",
                                      "txtPassword", "chkSavePassword"};
        QVERIFY(!secured->isChecked());
        for (const char* f : fields) QVERIFY2(!child<QWidget>(d, f)->isEnabled(), f);
        secured->setChecked(true);
        for (const char* f : fields) QVERIFY2(child<QWidget>(d, f)->isEnabled(), f);
        secured->setChecked(false);
        for (const char* f : fields) QVERIFY2(!child<QWidget>(d, f)->isEnabled(), f);
        // The saved-password setting shows in its box.
        QVERIFY(child<QCheckBox>(d, "chkSavePassword")->isChecked());
    }

    void missingDatabaseIsTold() {
        OpenDatabaseDialog d({}, false, chooser_, prompter_);
        const std::string missing = (dir_.path() + "/none.db").toStdString();
        QCOMPARE(okWith(d, missing), "Cannot locate a database named '" + missing + "'" + kBeSure);
        QCOMPARE(prompter_.shown.back().caption, std::string("Quorvane"));
        QCOMPARE(d.focusWidget(), child<QComboBox>(d, "cboDatabase"));
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(okWith(d, ""), std::string("Cannot locate a database named ''") + kBeSure);
        // A folder is not a database file.
        QCOMPARE(okWith(d, dir_.path().toStdString()),
                 "Cannot locate a database named '" + dir_.path().toStdString() + "'" + kBeSure);
        QCOMPARE(okWith(d, makeDatabase(dir_, "open.db")), std::string("accepted"));
    }

    void deviceNamesAreNotFound() {
        OpenDatabaseDialog d({}, false, chooser_, prompter_);
        // Real files under device names: still "not found".
        for (const char* name : {"com1", "COM1.txt", "Lpt2.mdb", "aux"}) {
            const std::string path = makeFile(dir_, name);
            QCOMPARE(okWith(d, path), "Cannot locate a database named '" + path + "'" + kBeSure);
        }
        QCOMPARE(okWith(d, "COM1"), std::string("Cannot locate a database named 'COM1'") + kBeSure);
    }

    void securedNeedsItsWorkgroupFile() {
        const std::string database = makeDatabase(dir_, "secured.db");
        const std::string workgroup = (dir_.path() + "/missing.mdw").toStdString();
        OpenDatabaseDialog d({}, false, chooser_, prompter_);
        child<QLineEdit>(d, "txtWorkgroup")->setText(QString::fromStdString(workgroup));
        child<QCheckBox>(d, "chkSecured")->setChecked(true);
        QCOMPARE(okWith(d, database),
                 "Cannot locate a workgroup database named '" + workgroup + "'" + kBeSure);
        QCOMPARE(d.focusWidget(), child<QLineEdit>(d, "txtWorkgroup"));
        // The database is checked first.
        QCOMPARE(okWith(d, database + ".gone"),
                 "Cannot locate a database named '" + database + ".gone'" + kBeSure);
        // Unchecked, the missing workgroup does not matter.
        child<QCheckBox>(d, "chkSecured")->setChecked(false);
        QCOMPARE(okWith(d, database), std::string("accepted"));
        QVERIFY(!d.choice().secured);
        // An existing workgroup file passes.
        OpenDatabaseDialog again({}, false, chooser_, prompter_);
        child<QCheckBox>(again, "chkSecured")->setChecked(true);
        child<QLineEdit>(again, "txtWorkgroup")
            ->setText(QString::fromStdString(makeFile(dir_, "system.mdw")));
        QCOMPARE(okWith(again, database), std::string("accepted"));
    }

    void recentEntriesFillTheLogOn() {
        std::vector<CMRU::Entry> recent = {
            {"/data/first.db", "/WG /UID /PWD "},
            {"/data/second.db", "/WG //etc//sys.mdw/UID Ann Lee/PWD pw"}};
        OpenDatabaseDialog d(recent, false, chooser_, prompter_);
        auto* combo = child<QComboBox>(d, "cboDatabase");
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->currentText(), QString("/data/first.db"));
        QVERIFY(!child<QCheckBox>(d, "chkSecured")->isChecked());
        combo->setCurrentIndex(1);
        emit combo->activated(1);
        QVERIFY(child<QCheckBox>(d, "chkSecured")->isChecked());
        const OpenDatabaseChoice c = d.choice();
        QCOMPARE(c.database, std::string("/data/second.db"));
        QCOMPARE(c.workgroup, std::string("/etc/sys.mdw"));
        QCOMPARE(c.user, std::string("Ann Lee"));
        QCOMPARE(c.password, std::string("pw"));
        // Back to an entry without a workgroup: not secured, fields emptied.
        emit combo->activated(0);
        QVERIFY(!child<QCheckBox>(d, "chkSecured")->isChecked());
        QCOMPARE(d.choice().user, std::string());
    }

    void anotherPathDoesNotKeepARecentEntrysLogOn() {
        std::vector<CMRU::Entry> recent = {{"/data/first.db", "/WG //etc//sys.mdw/UID Ann/PWD pw"},
                                           {"/data/second.db", "/WG /UID /PWD "}};
        OpenDatabaseDialog d(recent, true, chooser_, prompter_);
        auto* combo = child<QComboBox>(d, "cboDatabase");
        QCOMPARE(d.choice().user, std::string("Ann"));  // the first entry, preselected
        combo->setEditText("/data/other.db");
        OpenDatabaseChoice c = d.choice();
        QVERIFY(!c.secured);
        QCOMPARE(c.workgroup + c.user + c.password, std::string());
        // Its own path again brings its log-on back.
        combo->setEditText("/data/first.db");
        QCOMPARE(d.choice().workgroup, std::string("/etc/sys.mdw"));
        // A log-on the user typed stays with whatever path follows.
        QTest::keyClicks(child<QLineEdit>(d, "txtUserID"), "x");
        combo->setEditText("/data/third.db");
        QCOMPARE(d.choice().user, std::string("Annx"));
        QVERIFY(d.choice().secured);
    }

    void guardedDatabaseAsksForItsPasswordFromDialogAndRecentList() {
        const std::string file = makeDatabase(dir_, "guarded.db");
        {
            auto db = qrv::dao::DBEngine::Instance().OpenDatabase(file);
            QVERIFY(db.ok());
            QVERIFY(!db->NewPassword("", "pw"));
            (void)db->Close();
        }
        for (bool fromRecent : {false, true})
            for (bool save : {false, true}) {
                qrv::util::MemorySettingsStore store;
                ScriptedPrompter prompter;
                AppState app(store, prompter, dir_.path().toStdString(), dir_.path().toStdString());
                app.SettingsA().WriteEntry(kSavePasswordSetting, save ? "True" : "False");
                CMRU mru(app.SettingsA());
                prompter.password("pw");
                prompter.answer(true);  // the scenario tables, on the first open
                if (fromRecent) {
                    mru.SetMRUList(file, "/WG /UID /PWD ");
                    QVERIFY(OpenRecentDatabase(app, mru, 0));
                } else {
                    OpenDatabaseChoice c;
                    c.database = file;
                    c.savePassword = save;
                    QVERIFY(OpenChosenDatabase(app, mru, c));
                }
                QCOMPARE(prompter.shown.at(0).kind, std::string("password"));
                QCOMPARE(app.UserName(), std::string("Admin"));
                QCOMPARE(mru.Entries()[0].tag,
                         std::string(save ? "/WG /UID /PWD pw" : "/WG /UID /PWD "));
                app.CloseDatabase();
            }
    }

    void browseButtonsFillTheirFields() {
        OpenDatabaseDialog d({}, false, chooser_, prompter_);
        chooser_.asked.clear();
        chooser_.answer(std::string("/picked/file.db"));
        QTest::mouseClick(child<QPushButton>(d, "cmdBrowse"), Qt::LeftButton);
        QCOMPARE(child<QComboBox>(d, "cboDatabase")->currentText(), QString("/picked/file.db"));
        QCOMPARE(chooser_.asked.size(), std::size_t(1));
        QVERIFY(chooser_.asked[0].filters.startsWith("SQLite Database (*.db *.sqlite);;"));
        // Cancelled: the text stays.
        QTest::mouseClick(child<QPushButton>(d, "cmdBrowse"), Qt::LeftButton);
        QCOMPARE(child<QComboBox>(d, "cboDatabase")->currentText(), QString("/picked/file.db"));
        QCOMPARE(chooser_.asked[1].startPath, std::string("/picked/file.db"));

        child<QCheckBox>(d, "chkSecured")->setChecked(true);
        chooser_.answer(std::string("/picked/system.mdw"));
        QTest::mouseClick(child<QPushButton>(d, "cmdBrowseWorkgroup"), Qt::LeftButton);
        QCOMPARE(child<QLineEdit>(d, "txtWorkgroup")->text(), QString("/picked/system.mdw"));
        QVERIFY(chooser_.asked[2].filters.startsWith("Access Library (*.mda *.mdw);;"));
    }

    void firstOpenAnsweredYesCreatesTheThreeTables() {
        qrv::util::MemorySettingsStore store;
        ScriptedPrompter prompter;
        AppState app(store, prompter, dir_.path().toStdString(), dir_.path().toStdString());
        CMRU mru(app.SettingsA());
        OpenDatabaseChoice c;
        c.database = makeDatabase(dir_, "fresh.db");
        c.savePassword = true;
        prompter.answer(true);
        QVERIFY(OpenChosenDatabase(app, mru, c));
        QCOMPARE(prompter.shown.size(), std::size_t(1));
        QCOMPARE(prompter.shown[0].kind, std::string("ask"));
        QVERIFY(app.HasDatabase());
        QCOMPARE(sortedTables(app.CurrentDatabase()),
                 (std::vector<std::string>{"usysQuorvaneFields", "usysQuorvaneOptions",
                                           "usysQuorvaneScenarios"}));
        QCOMPARE(store.read("Zelk/Quorvane/5.0/Settings", "SavePassword", ""), std::string("True"));
        QCOMPARE(store.read("Zelk/Quorvane/5.0/Settings", "MRU1", ""), c.database);
        QCOMPARE(store.read("Zelk/Quorvane/5.0/Settings", "MRUTAG1", ""),
                 std::string("/WG /UID /PWD "));
        QCOMPARE(app.Errors().Depth(), std::size_t(0));
        app.CloseDatabase();
        // The second time nothing is asked.
        QVERIFY(OpenChosenDatabase(app, mru, c));
        QCOMPARE(prompter.shown.size(), std::size_t(1));
        app.CloseDatabase();
    }

    void firstOpenAnsweredNoLeavesTheFileAlone() {
        qrv::util::MemorySettingsStore store;
        ScriptedPrompter prompter;
        AppState app(store, prompter, dir_.path().toStdString(), dir_.path().toStdString());
        CMRU mru(app.SettingsA());
        OpenDatabaseChoice c;
        c.database = makeDatabase(dir_, "declined.db");
        prompter.answer(false);
        QVERIFY(!OpenChosenDatabase(app, mru, c));
        QVERIFY(!app.HasDatabase());
        QCOMPARE(mru.Count(), std::size_t(0));
        QCOMPARE(store.read("Zelk/Quorvane/5.0/Settings", "MRU1", "none"), std::string("none"));
        QCOMPARE(store.read("Zelk/Quorvane/5.0/Settings", "SavePassword", ""),
                 std::string("False"));
        auto db = qrv::dao::DBEngine::Instance().OpenDatabase(c.database);
        QVERIFY(db.ok());
        QVERIFY(db->TableDefNames().empty());
        (void)db->Close();
    }

    // Scenario tables as an earlier version made them, with a row that breaks
    // today's rules: the database opens, the message names the row, and the
    // tables stay as they were.
    void earlierTablesWithABrokenRowAreToldAndKept() {
        const std::string path = makeDatabase(dir_, "earlier.db");
        {
            auto db = qrv::dao::DBEngine::Instance().OpenDatabase(path);
            QVERIFY(db.ok());
            for (qrv::dao::TableDef def :
                 {qrv::scenario::ScenarioTableDef(), qrv::scenario::OptionsTableDef(),
                  qrv::scenario::FieldsTableDef()}) {
                def.EnforceTypes = false;
                def.ValidationRule.clear();
                def.ValidationText.clear();
                for (qrv::dao::Field& f : def.Fields()) {
                    f.ValidationRule.clear();
                    f.ValidationText.clear();
                }
                QVERIFY(!db->AppendTableDef(def));
            }
            QVERIFY(db->Execute("INSERT INTO [usysQuorvaneScenarios] ([Scenario_ID]) VALUES (4)"));
            QVERIFY(db->Execute(
                "INSERT INTO [usysQuorvaneOptions] ([Scenario_ID], [RPoly]) VALUES (4, 25)"));
            (void)db->Close();
        }
        qrv::util::MemorySettingsStore store;
        ScriptedPrompter prompter;
        AppState app(store, prompter, dir_.path().toStdString(), dir_.path().toStdString());
        CMRU mru(app.SettingsA());
        OpenDatabaseChoice c;
        c.database = path;
        QVERIFY(OpenChosenDatabase(app, mru, c));
        QCOMPARE(prompter.shown.size(), std::size_t(1));
        QCOMPARE(prompter.shown[0].kind, std::string("inform"));
        QCOMPARE(prompter.shown[0].caption, std::string("Scenario Tables"));
        QVERIFY(prompter.shown[0].text.find("\r\nusysQuorvaneOptions, scenario 4: RPoly = 25 (the "
                                            "polynomial order is 2 to 9)\r\n") !=
                std::string::npos);
        QVERIFY(app.HasDatabase());
        QVERIFY(!app.CurrentDatabase().SameDefinition(qrv::scenario::OptionsTableDef()));
        QVERIFY(!app.CurrentDatabase().SameDefinition(qrv::scenario::ScenarioTableDef()));
        app.CloseDatabase();
    }

    void uncheckedIgnoresTheLogOnFields() {
        qrv::util::MemorySettingsStore store;
        ScriptedPrompter prompter;
        AppState app(store, prompter, dir_.path().toStdString(), dir_.path().toStdString());
        CMRU mru(app.SettingsA());
        OpenDatabaseChoice c;
        c.database = makeDatabase(dir_, "generic.db");
        c.secured = false;
        c.workgroup = "/no/such/system.mdw";
        c.user = "bob";
        c.password = "secret";
        c.savePassword = true;
        prompter.answer(true);
        QVERIFY(OpenChosenDatabase(app, mru, c));
        QCOMPARE(app.UserName(), std::string("Admin"));
        QCOMPARE(qrv::dao::DBEngine::Instance().SystemDB(), DefaultWorkgroupPath(app));
        // Nothing of the ignored fields reaches the recent list.
        QCOMPARE(mru.Entries()[0].tag, std::string("/WG /UID /PWD "));
        app.CloseDatabase();
    }

    void recentEntryOpensAndMovesUp() {
        qrv::util::MemorySettingsStore store;
        ScriptedPrompter prompter;
        AppState app(store, prompter, dir_.path().toStdString(), dir_.path().toStdString());
        CMRU mru(app.SettingsA());
        const std::string older = makeDatabase(dir_, "older.db");
        mru.SetMRUList(older, "/WG /UID /PWD ");
        mru.SetMRUList("/gone/newer.db", "/WG /UID /PWD ");
        prompter.answer(true);
        QVERIFY(OpenRecentDatabase(app, mru, 1));
        QCOMPARE(mru.Entries()[0].path, older);
        QCOMPARE(store.read("Zelk/Quorvane/5.0/Settings", "MRU2", ""),
                 std::string("/gone/newer.db"));
        app.CloseDatabase();
        // A vanished file fails with the open message and changes no order.
        QVERIFY(!OpenRecentDatabase(app, mru, 1));
        QVERIFY(prompter.lastText().starts_with("Unable to open the selected database: \r\n\r\n"));
        QCOMPARE(mru.Entries()[0].path, older);
        QVERIFY(!app.HasDatabase());
        QVERIFY(!OpenRecentDatabase(app, mru, 7));
    }
};

QTEST_MAIN(OpenDatabaseTest)
#include "open_database_test.moc"
