// Running a scenario from the list: the status window naming the scenario
// and the status lines it gets, the viewers opened afterwards (only for the
// tables the run wrote, named with the run's notes), the output-name rules
// (the question before a table holding other data is replaced, and its No;
// names refused), the one failure message, Cancel during a larger run ending
// as cancelled, and prompts of the worker shown on the GUI thread.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <atomic>
#include <thread>

#include "designer/scenarios/gui_relay.h"
#include "designer/scenarios/gui_thread_prompter.h"
#include "designer/scenarios/scenario_list_window.h"
#include "designer/scenarios/scenario_runner.h"
#include "designer/scenarios/status_window.h"
#include "scenario_db.h"

using qrv::designer::GuiRelay;
using qrv::designer::GuiThreadPrompter;
using qrv::designer::ScenarioListWindow;
using qrv::designer::ScenarioRunner;
using qrv::designer::StatusWindow;
using qrv::test::App;
using qrv::test::ScenarioDb;
using qrv::test::ScriptedPrompter;

namespace {

using Calls = std::vector<std::string>;

const std::string kOverwrite =
    "The following output table(s) already exist in the current database and hold data that "
    "no run of this scenario wrote. Replacing them deletes that data. Do you want to replace "
    "them?";
const std::string kFailed = "The test of this scenario failed for the following reason:\r\n\r\n";

// The prompts shown, beeps left out.
std::vector<ScriptedPrompter::Shown> prompts(const ScriptedPrompter& p) {
    std::vector<ScriptedPrompter::Shown> out;
    for (const auto& s : p.shown)
        if (s.kind != "beep") out.push_back(s);
    return out;
}

// Working tables a run leaves when it does not clean up.
int workingTables(ScenarioDb& data) {
    int n = 0;
    for (const std::string& t : data.db.TableDefNames(true))
        if (t.rfind("~qrvwork_", 0) == 0) ++n;
    return n;
}

// A prompter that notes whether each call came on the GUI thread.
class ThreadNotingPrompter final : public qrv::Prompter {
  public:
    explicit ThreadNotingPrompter(ScriptedPrompter& inner) : inner_(inner) {}
    bool askYesNo(const std::string& c, const std::string& t) override {
        note();
        return inner_.askYesNo(c, t);
    }
    bool askDestructive(const std::string& c, const std::string& t) override {
        note();
        return inner_.askDestructive(c, t);
    }
    void inform(const std::string& c, const std::string& t) override {
        note();
        inner_.inform(c, t);
    }
    void critical(const std::string& c, const std::string& t) override {
        note();
        inner_.critical(c, t);
    }
    void beep() override {
        note();
        inner_.beep();
    }
    int offGuiThread = 0, calls = 0;

  private:
    void note() {
        ++calls;
        if (QThread::currentThread() != qApp->thread()) ++offGuiThread;
    }
    ScriptedPrompter& inner_;
};

}  // namespace

class ScenarioRunTest : public QObject {
    Q_OBJECT
  private slots:
    void describeRunShowsEachStatusLineThenItsTable() {
        ScenarioDb data(12);
        const auto id = data.add("Describe", "Mean of X", {{"X", 'X'}}, "Out1");
        App app(data);
        ScenarioRunner runner(app.state, nullptr);
        QSignalSpy finished(&runner, &ScenarioRunner::finished);
        QVERIFY(runner.Start(id));
        QVERIFY(runner.Running());
        StatusWindow* status = runner.Status();
        QVERIFY(status && status->isVisible());
        QCOMPARE(status->objectName(), QString("frmStatus"));
        // Which scenario runs: in the title and above the status line.
        const QString name = "Scenario " + QString::number(id) + ": Mean of X";
        QCOMPARE(status->windowTitle(), name);
        QCOMPARE(status->findChild<QLabel*>("lblScenario")->text(), name);
        QStringList lines;
        connect(status, &StatusWindow::messageShown, [&](const QString& m) { lines << m; });
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        // The three stages with "...", then every fifth record and the last
        // one: 12 rows give 5, 10 and 12.
        QCOMPARE(lines, QStringList({"Retrieving and sorting data...", "Creating output table...",
                                     "Analyzing records...", "Analyzing record: 5",
                                     "Analyzing record: 10", "Analyzing record: 12"}));
        QVERIFY(!runner.Running());
        QVERIFY(!runner.Status());
        // One output table: one viewer, after the old viewers were closed.
        QCOMPARE(app.calls,
                 (Calls{"closeTableViewers(Out1)", "showTableData(Out1, Scenario Output Table)"}));
        QVERIFY(app.prompter.shown.empty());
        QVERIFY(data.tableExists("Out1"));
        QCOMPARE(app.state.Errors().Depth(), size_t(0));
    }

    void twoOutputsOpenTheSecondThenTheFirst() {
        ScenarioDb data(12);
        const auto id = data.add("ANOVA", "a", {{"X", 'X'}, {"Grp", 'C'}}, "A1", "A2");
        // With its detail table, as the wizard stores it.
        data.exec("UPDATE [usysQuorvaneOptions] SET [GroupDetail] = -1 WHERE [Scenario_ID] = " +
                  std::to_string(id));
        data.exec(
            "UPDATE [usysQuorvaneScenarios] SET [Scenario_Output_Table2_Name] = 'A2' WHERE "
            "[Scenario_ID] = " +
            std::to_string(id));
        App app(data);
        ScenarioRunner runner(app.state, nullptr);
        QSignalSpy finished(&runner, &ScenarioRunner::finished);
        QVERIFY(runner.Start(id));
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QCOMPARE(app.calls, (Calls{"closeTableViewers(A1)", "closeTableViewers(A2)",
                                   "showTableData(A2, Scenario Output Table 2)",
                                   "showTableData(A1, Scenario Output Table)"}));
    }

    void overwriteNoLeavesTheTablesAndStartsNothing() {
        ScenarioDb data(12);
        const auto id = data.add("Describe", "d", {{"X", 'X'}}, "Kept");
        data.exec("CREATE TABLE [Kept] ([Note] TEXT(20))");
        data.exec("INSERT INTO [Kept] ([Note]) VALUES ('mine')");
        App app(data);
        ScenarioRunner runner(app.state, nullptr);
        QSignalSpy started(&runner, &ScenarioRunner::runStarted);
        app.prompter.answer(false);
        QVERIFY(!runner.Start(id));
        QCOMPARE(app.prompter.shown.size(), size_t(1));
        QCOMPARE(app.prompter.shown[0].kind, std::string("ask-no"));  // Enter keeps them
        // The list, a blank line, the question.
        QCOMPARE(app.prompter.shown[0].text, "Kept\r\n\r\n" + kOverwrite);
        QCOMPARE(started.count(), 0);
        QVERIFY(!runner.Running());
        QCOMPARE(app.calls, Calls{});
        auto rows = data.db.OpenRecordset("SELECT [Note] FROM [Kept]");
        QVERIFY(rows.ok() && !rows->Eof());
        QCOMPARE(rows->GetValue(0).toText(), std::string("mine"));
        rows->Close();
        QCOMPARE(app.state.Errors().Depth(), size_t(0));
    }

    void overwriteYesRunsAndIsAskedOnce() {
        ScenarioDb data(12);
        const auto id = data.add("Describe", "d", {{"X", 'X'}}, "Kept");
        data.exec("CREATE TABLE [Kept] ([Note] TEXT(20))");
        App app(data);
        ThreadNotingPrompter noting(app.prompter);
        app.state.SetPrompter(noting);
        ScenarioRunner runner(app.state, nullptr);
        QSignalSpy finished(&runner, &ScenarioRunner::finished);
        app.prompter.answer(true);
        QVERIFY(runner.Start(id));
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        // The engine's own question about a table it did not write is the
        // same question: not asked twice.
        QCOMPARE(app.prompter.shown.size(), size_t(1));
        QCOMPARE(app.prompter.shown[0].text, "Kept\r\n\r\n" + kOverwrite);
        auto def = data.db.GetTableDef("Kept");
        QVERIFY(def.ok());
        QVERIFY(def->FindField("DataField") != nullptr);
        QVERIFY(def->FindField("Note") == nullptr);
        // Now the scenario's own: the next run replaces it without a word.
        app.calls.clear();
        QVERIFY(runner.Start(id));
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.at(1).at(0).toBool(), true);
        QCOMPARE(app.prompter.shown.size(), size_t(1));
    }

    void namesARunWouldRefuseStartNothing() {
        ScenarioDb data(12);
        QVERIFY(data.db.CreateQueryDef("qData", "SELECT * FROM [Data]").ok());
        const std::string input =
            "The output table [Data] is the scenario's input; choose "
            "another name.";
        const std::string read =
            "The output table [Data] is read by the input query [qData]; "
            "choose another name.";
        for (const auto& [source, why] :
             {std::pair<std::string, std::string>{"Data", input}, {"qData", read}}) {
            const auto id = data.add("Describe", "d", {{"X", 'X'}}, "Out1", "", source);
            // Named so after it was saved, as an older version allowed.
            data.exec(
                "UPDATE [usysQuorvaneScenarios] SET [Scenario_Output_Table1_Name] = "
                "'Data' WHERE [Scenario_ID] = " +
                std::to_string(id));
            App app(data);
            ScenarioRunner runner(app.state, nullptr);
            QSignalSpy started(&runner, &ScenarioRunner::runStarted);
            QVERIFY(!runner.Start(id));
            QCOMPARE(app.prompter.shown.size(), size_t(1));
            QCOMPARE(app.prompter.shown[0].kind, std::string("critical"));
            QCOMPARE(app.prompter.shown[0].text, kFailed + why);
            QCOMPARE(started.count(), 0);
            QCOMPARE(app.calls, Calls{});
            QVERIFY(data.tableExists("Data"));
            QCOMPARE(app.state.Errors().Depth(), size_t(0));
        }
    }

    void aFailedRunSaysWhyAndOpensNothing() {
        ScenarioDb data(12);
        const auto id = data.add("Describe", "d", {{"X", 'X'}}, "Out1");
        data.exec("DROP TABLE [Data]");
        App app(data);
        ThreadNotingPrompter noting(app.prompter);
        app.state.SetPrompter(noting);
        ScenarioRunner runner(app.state, nullptr);
        QSignalSpy finished(&runner, &ScenarioRunner::finished);
        QVERIFY(runner.Start(id));
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        // One message, under the program's title: the engine's own box is
        // not shown as well.
        const auto shown = prompts(app.prompter);
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].kind, std::string("critical"));
        QCOMPARE(shown[0].caption, std::string("Quorvane"));
        QCOMPARE(shown[0].text, kFailed + "Data Table [Data] not found.");
        QCOMPARE(noting.offGuiThread, 0);
        QCOMPARE(app.calls, Calls{"closeTableViewers(Out1)"});
    }

    void aScenarioGoneMeanwhileIsNotRun() {
        ScenarioDb data(12);
        const auto id = data.add("Describe", "d");
        QVERIFY(!qrv::scenario::DeleteScenarios(data.db, {id}));
        App app(data);
        ScenarioRunner runner(app.state, nullptr);
        QVERIFY(!runner.Start(id));
        QCOMPARE(app.prompter.lastText(), "Scenario not found: " + std::to_string(id));
        QCOMPARE(app.state.Errors().Depth(), size_t(0));
    }

    void cancelAtThirtyPercentEndsTheRunCleanly() {
        ScenarioDb data(12);
        data.doubleRows(12);  // 49,152 rows
        const auto id = data.add("Describe", "big", {{"Grp", 'G'}, {"X", 'X'}}, "Big");
        App app(data);
        ScenarioListWindow w(app.state);
        w.show();
        QVERIFY(w.SelectScenario(id));
        ScenarioRunner* runner = w.Runner();
        QSignalSpy finished(runner, &ScenarioRunner::finished);
        bool clicked = false, busyFirst = false, seen = false;
        int barAtCancel = -1;
        connect(runner, &ScenarioRunner::progress, [&](long done, long total) {
            StatusWindow* status = runner->Status();
            QVERIFY(status && status->isVisible());
            auto* bar = status->findChild<QProgressBar*>("prgStatus");
            if (!seen) {
                seen = true;
                busyFirst = total < 0 && bar->maximum() == 0;
            }
            if (!clicked && total > 0 && done * 10 >= total * 3) {
                clicked = true;
                barAtCancel = bar->value();
                QTest::mouseClick(status->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
                QVERIFY(!status->findChild<QPushButton*>("cmdCancel")->isEnabled());
            }
        });
        QTest::mouseClick(w.findChild<QPushButton*>("cmdAction_4"), Qt::LeftButton);
        QVERIFY(runner->Running());
        QVERIFY(finished.wait(60000));
        QVERIFY(clicked);
        QVERIFY(busyFirst);
        // 30% of the bar's 1000 steps, give or take one report.
        QVERIFY2(barAtCancel >= 300 && barAtCancel < 320, QByteArray::number(barAtCancel));
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        // Told as cancelled, in the status window: no failure, no message box.
        QVERIFY(prompts(app.prompter).empty());
        StatusWindow* ended = runner->CancelledStatus();
        QVERIFY(ended && ended->isVisible() && ended->Ended());
        QCOMPARE(ended->Message(), "Run of scenario " + QString::number(id) + " cancelled.");
        QVERIFY(!ended->findChild<QProgressBar*>("prgStatus")->isVisible());
        auto* close = ended->findChild<QPushButton*>("cmdCancel");
        QVERIFY(close->isEnabled());
        QCOMPARE(close->text(), QString("Close"));
        QVERIFY(!data.tableExists("Big"));
        QCOMPARE(workingTables(data), 0);
        QCOMPARE(app.calls, Calls{"closeTableViewers(Big)"});
        QVERIFY(!runner->Status());
        QTest::mouseClick(close, Qt::LeftButton);
        QTRY_VERIFY(!runner->CancelledStatus());
        // The list is as it was.
        QCOMPARE(w.CurrentScenario(), id);
    }

    void closingTheWindowDuringARunCancelsIt() {
        ScenarioDb data(12);
        data.doubleRows(12);
        const auto id = data.add("Describe", "big", {{"Grp", 'G'}, {"X", 'X'}}, "Big");
        App app(data);
        auto* w = new ScenarioListWindow(app.state);
        bool deleted = false;
        connect(w->Runner(), &ScenarioRunner::progress, [&](long done, long total) {
            if (!deleted && total > 0 && done * 10 >= total * 3) {
                deleted = true;
                // From the GUI thread, with the worker blocked on this report.
                QMetaObject::invokeMethod(
                    w, [w] { delete w; }, Qt::QueuedConnection);
            }
        });
        w->RunScenarioTest(id);
        QTRY_VERIFY_WITH_TIMEOUT(deleted, 60000);
        QTRY_VERIFY_WITH_TIMEOUT(workingTables(data) == 0, 10000);
        QVERIFY(!data.tableExists("Big"));
        // Nothing told: the window that asked is gone.
        QVERIFY(app.prompter.shown.empty());
    }

    void statusWindowShowsBusyThenShare() {
        StatusWindow s;
        auto* bar = s.findChild<QProgressBar*>("prgStatus");
        s.SetProgress(0, -1);
        QCOMPARE(bar->maximum(), 0);
        s.SetProgress(3000000000L, 4000000000L);  // past an int
        QCOMPARE(bar->value() * 4, bar->maximum() * 3);
        s.SetProgress(0, 0);
        QCOMPARE(bar->value(), bar->maximum());
        QSignalSpy cancel(&s, &StatusWindow::cancelRequested);
        s.show();
        s.close();  // the title bar's close means Cancel
        QCOMPARE(cancel.count(), 1);
        QTest::keyClick(&s, Qt::Key_Escape);
        QCOMPARE(cancel.count(), 1);  // asked once
        QVERIFY(s.CancelRequested());
        // Lines still on their way after Cancel do not hide that it cancels.
        s.SetMessage("Analyzing record: 5");
        QCOMPARE(s.Message(), QString("Cancelling..."));
        // Ended: Close closes it for good.
        s.SetScenario(7, "Sales");
        s.ShowCancelled();
        QCOMPARE(s.Message(), QString("Run of scenario 7 cancelled."));
        s.close();
        QVERIFY(!s.isVisible());
    }

    void statusWindowShowsLinesAndKeepsNotes() {
        StatusWindow s;
        s.SetMessage("Analyzing record: 5");
        QCOMPARE(s.findChild<QLabel*>("picStatus")->text(), QString("Analyzing record: 5"));
        QVERIFY(s.findChild<QLabel*>("lblNotes")->isHidden());
        s.AddNote("first");
        s.SetMessage("Analyzing record: 10");
        s.AddNote("second");
        QCOMPARE(s.Notes(), QString("first\nsecond"));
        QVERIFY(!s.findChild<QLabel*>("lblNotes")->isHidden());
        s.SetScenario(3, "  ");
        QCOMPARE(s.windowTitle(), QString("Scenario 3"));
    }

    // The viewers open for the tables the run wrote, whatever the scenario
    // names: a chi-square without its detail table leaves the second name
    // unwritten (and the table of an earlier run with details as it was).
    void onlyTheTablesTheRunWroteOpen() {
        ScenarioDb data(12);
        const auto id = data.add("Chi-Square", "chi", {{"Grp", 'C'}}, "C1", "C2");
        App app(data);
        ScenarioRunner runner(app.state, nullptr);
        QSignalSpy finished(&runner, &ScenarioRunner::finished);
        QVERIFY(runner.Start(id));
        QVERIFY(finished.wait(20000));
        QCOMPARE(app.calls, (Calls{"closeTableViewers(C1)", "closeTableViewers(C2)",
                                   "showTableData(C2, Scenario Output Table 2)",
                                   "showTableData(C1, Scenario Output Table)"}));
        data.exec("UPDATE [usysQuorvaneOptions] SET [ChiDetail] = 0 WHERE [Scenario_ID] = " +
                  std::to_string(id));
        app.calls.clear();
        QVERIFY(runner.Start(id));
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.at(1).at(0).toBool(), true);
        QCOMPARE(app.calls, (Calls{"closeTableViewers(C1)", "closeTableViewers(C2)",
                                   "showTableData(C1, Scenario Output Table)"}));
        QVERIFY(prompts(app.prompter).empty());
    }

    // A t-test of a compare field with four levels: the status window and
    // the viewers' captions name the two levels compared and those left out.
    void tTestNamesTheLevelsItCompares() {
        ScenarioDb data(12);
        data.exec("INSERT INTO [Data] ([Grp], [X]) VALUES ('d', 20), ('c', 21), ('d', 22)");
        const auto id = data.add("Two Sample t-Test", "t", {{"X", 'X'}, {"Grp", 'C'}}, "T1");
        App app(data);
        ScenarioRunner runner(app.state, nullptr);
        QSignalSpy finished(&runner, &ScenarioRunner::finished);
        QVERIFY(runner.Start(id));
        const QString note = R"(Comparing Grp = "a" with "b"; levels left out: "c", "d")";
        QPointer<StatusWindow> status = runner.Status();
        QStringList lines;
        connect(status, &StatusWindow::messageShown, [&](const QString& m) { lines << m; });
        QString notes;
        connect(&runner, &ScenarioRunner::finished, [&] {
            if (status) notes = status->Notes();
        });
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QVERIFY2(lines.contains(note), qPrintable(lines.join(" | ")));
        QCOMPARE(notes, note);
        QCOMPARE(app.calls,
                 (Calls{"closeTableViewers(T1)",
                        "showTableData(T1, Scenario Output Table (" + note.toStdString() + "))"}));
    }

    void workerPromptsAreShownOnTheGuiThread() {
        ScriptedPrompter target;
        ThreadNotingPrompter noting(target);
        GuiRelay relay;
        GuiThreadPrompter forward(noting, relay);
        target.answer(true);
        target.answer(false);
        bool first = false, second = true, remembered = false, closed = true;
        std::atomic<bool> asked{false}, closedNow{false};
        std::thread worker([&] {
            first = forward.askYesNo("Quorvane", "one?");
            second = forward.askYesNo("Quorvane", "two?");
            forward.AnsweredYes("three?");
            remembered = forward.askYesNo("Quorvane", "three?");
            forward.critical("Quorvane", "bad");
            asked = true;
            while (!closedNow) std::this_thread::yield();
            // Answered No once the relay is closed, and nothing shown.
            closed = forward.askYesNo("Quorvane", "four?");
            forward.inform("Quorvane", "unseen");
        });
        // The worker's calls are served by this thread's event loop.
        QTRY_VERIFY_WITH_TIMEOUT(asked, 10000);
        relay.Close();
        closedNow = true;
        worker.join();
        QVERIFY(first);
        QVERIFY(!second);
        QVERIFY(remembered);
        QVERIFY(!closed);
        QCOMPARE(noting.calls, 3);
        QCOMPARE(noting.offGuiThread, 0);
        QCOMPARE(target.shown.size(), size_t(3));
        // The engine's questions are about replacing tables: No by default.
        QCOMPARE(target.shown[0].kind, std::string("ask-no"));
        QCOMPARE(target.shown[2].text, std::string("bad"));
        QVERIFY(!relay.Post([] {}));
    }
};

QTEST_MAIN(ScenarioRunTest)
#include "scenario_run_test.moc"
