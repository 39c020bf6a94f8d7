// The scenario list window: filters by tab and analysis type, its columns,
// sorting by a column click, the actions that need a selected scenario, the
// wizard and viewer requests it makes, deleting, and its saved position.
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTreeWidget>
#include <QtTest>

#include "designer/scenarios/scenario_list_window.h"
#include "designer/scenarios/scenario_runner.h"
#include "scenario_db.h"

using qrv::designer::ScenarioListWindow;
using qrv::test::App;
using qrv::test::ScenarioDb;

namespace {

QTreeWidget* listOf(ScenarioListWindow& w) {
    return w.findChild<QTreeWidget*>("lvwScenarios");
}

// The numbers of the listed scenarios, top to bottom.
std::vector<int> listedIds(ScenarioListWindow& w) {
    std::vector<int> ids;
    QTreeWidget* list = listOf(w);
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        ids.push_back(list->topLevelItem(i)->text(0).toInt());
    return ids;
}

void click(ScenarioListWindow& w, const char* name) {
    auto* b = w.findChild<QAbstractButton*>(name);
    QVERIFY2(b, name);
    QVERIFY2(b->isVisible() || !w.isVisible(), name);
    QTest::mouseClick(b, Qt::LeftButton);
}

void clickTab(ScenarioListWindow& w, int tab) {
    auto* bar = w.findChild<QTabBar*>("tabMain");
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
}

void clickHeader(ScenarioListWindow& w, int column) {
    QHeaderView* h = listOf(w)->header();
    const int x = h->sectionViewportPosition(column) + h->sectionSize(column) / 2;
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(x, h->height() / 2));
}

void trigger(ScenarioListWindow& w, const char* action) {
    auto* a = w.RightClickMenu()->findChild<QAction*>(action);
    QVERIFY2(a, action);
    a->trigger();
}

using Calls = std::vector<std::string>;

// A second output table named in the stored row, as a scenario of a type
// that writes one has it.
void setOutput2(ScenarioDb& data, std::int32_t id, const std::string& name) {
    data.exec("UPDATE [usysQuorvaneScenarios] SET [Scenario_Output_Table2_Name] = '" + name +
              "' WHERE [Scenario_ID] = " + std::to_string(id));
}

}  // namespace

class ScenarioListTest : public QObject {
    Q_OBJECT
  private slots:
    void emptyDatabaseListsNothingUnderEveryFilter() {
        ScenarioDb data;
        App app(data);
        ScenarioListWindow w(app.state);
        w.show();
        QCOMPARE(w.windowTitle(), QString("Analysis Scenarios"));
        QCOMPARE(w.objectName(), QString("frmStatMain"));
        const char* prefixes[] = {"optParametric_", "optGroup_", "optNonParametric_"};
        const int counts[] = {8, 4, 8};  // "All" and the types of the tab
        for (int tab = 0; tab < 3; ++tab) {
            clickTab(w, tab);
            for (int i = 0; i < counts[tab]; ++i) {
                const QByteArray name = prefixes[tab] + QByteArray::number(i);
                click(w, name.constData());
                QVERIFY2(listOf(w)->topLevelItemCount() == 0, name.constData());
            }
            QVERIFY(!w.findChild<QRadioButton*>(prefixes[tab] + QString::number(counts[tab])));
        }
        QVERIFY(app.prompter.shown.empty());
    }

    void subtypeButtonsCarryTheAnalysisNames() {
        ScenarioDb data;
        App app(data);
        ScenarioListWindow w(app.state);
        auto texts = [&](const char* prefix, int n) {
            QStringList out;
            for (int i = 0; i < n; ++i)
                out << w.findChild<QRadioButton*>(prefix + QString::number(i))->text();
            return out;
        };
        QCOMPARE(texts("optParametric_", 8),
                 QStringList({"All", "Describe", "Frequency", "Percentiles", "Compare", "Matrix",
                              "Regression", "Crosstab"}));
        QCOMPARE(texts("optGroup_", 4),
                 QStringList({"All", "Two Sample t-Test", "ANOVA", "Two way ANOVA"}));
        QCOMPARE(texts("optNonParametric_", 8),
                 QStringList({"All", "Chi-Square", "Sign Test", "K-S Fit", "2 Sample", "N Sample",
                              "Paired Fields", "N Fields"}));
        auto* bar = w.findChild<QTabBar*>("tabMain");
        QCOMPARE(bar->count(), 3);
        QCOMPARE(bar->tabText(0), QString("Parametric"));
        QCOMPARE(bar->tabText(1), QString("Group"));
        QCOMPARE(bar->tabText(2), QString("Non-Parametric"));
        for (const char* frame :
             {"ogSubType_Parametric", "ogSubType_Group", "ogSubType_Non_Parametric"})
            QVERIFY2(w.findChild<QWidget*>(frame), frame);
    }

    void filterByTabAndTypeAndTheTabResetsTheType() {
        ScenarioDb data;
        const auto freq = data.add("Frequency", "f");
        const auto d1 = data.add("Describe", "d1");
        const auto d2 = data.add("Describe", "d2");
        const auto t = data.add("Two Sample t-Test", "t", {{"X", 'X'}, {"Grp", 'C'}}, "T1", "T2");
        const auto a = data.add("ANOVA", "a", {{"X", 'X'}, {"Grp", 'C'}}, "A1", "A2");
        const auto sign = data.add("Sign Test", "s", {{"X", 'X'}}, "S1");
        App app(data);
        ScenarioListWindow w(app.state);
        w.show();
        // Opening shows parametric, all types; Describe (100) before Frequency (200).
        QCOMPARE(w.Category(), std::string("P"));
        QCOMPARE(w.Subtype(), std::string("*"));
        QCOMPARE(listedIds(w), (std::vector<int>{d1, d2, freq}));
        click(w, "optParametric_2");  // Frequency
        QCOMPARE(w.Subtype(), std::string("Frequency"));
        QCOMPARE(listedIds(w), (std::vector<int>{freq}));
        click(w, "optParametric_3");  // Percentiles
        QCOMPARE(listedIds(w), (std::vector<int>{}));

        clickTab(w, 1);
        QCOMPARE(w.Category(), std::string("G"));
        QCOMPARE(w.Subtype(), std::string("*"));
        QVERIFY(w.findChild<QRadioButton*>("optGroup_0")->isChecked());
        QCOMPARE(listedIds(w), (std::vector<int>{t, a}));
        click(w, "optGroup_2");  // ANOVA
        QCOMPARE(listedIds(w), (std::vector<int>{a}));

        clickTab(w, 2);
        QCOMPARE(listedIds(w), (std::vector<int>{sign}));
        // Back on the first tab the type is all again, not Percentiles.
        clickTab(w, 0);
        QCOMPARE(w.Subtype(), std::string("*"));
        QVERIFY(w.findChild<QRadioButton*>("optParametric_0")->isChecked());
        QVERIFY(!w.findChild<QRadioButton*>("optParametric_3")->isChecked());
        QCOMPARE(listedIds(w), (std::vector<int>{d1, d2, freq}));
    }

    void columnsInOrderWithTheScenarioValues() {
        ScenarioDb data;
        const auto id = data.add("Describe", "Ages by hand", {{"X", 'X'}}, "OutA", "");
        data.exec(
            "UPDATE [usysQuorvaneScenarios] SET [Scenario_CreatedBy] = 'ann', "
            "[Scenario_ModifiedBy] = 'bob' WHERE [Scenario_ID] = " +
            std::to_string(id));
        App app(data);
        ScenarioListWindow w(app.state);
        QTreeWidget* list = listOf(w);
        QTreeWidgetItem* header = list->headerItem();
        QStringList captions;
        for (int c = 0; c < list->columnCount(); ++c) captions << header->text(c);
        QCOMPARE(captions, QStringList({"ID #", "Type", "Scenario Description", "Table",
                                        "Output Table 1", "Output Table 2", "Created By",
                                        "Created Date", "Modified By", "Modified Date"}));
        QCOMPARE(list->topLevelItemCount(), 1);
        QTreeWidgetItem* row = list->topLevelItem(0);
        QCOMPARE(row->text(0), QString::number(id));
        QCOMPARE(row->text(1), QString("Describe"));
        QCOMPARE(row->text(2), QString("Ages by hand"));
        QCOMPARE(row->text(3), QString("Data"));
        QCOMPARE(row->text(4), QString("OutA"));
        QCOMPARE(row->text(5), QString(""));
        QCOMPARE(row->text(6), QString("ann"));
        QVERIFY(!row->text(7).isEmpty());  // saved just now
        QCOMPARE(row->text(8), QString("bob"));
        QCOMPARE(row->text(9), QString(""));  // never modified
        QCOMPARE(row->data(0, Qt::UserRole + 1).toString(), "S" + QString::number(id));
    }

    void aColumnClickSortsAndASecondReverses() {
        ScenarioDb data;
        // Eleven scenarios: numbers 1 to 11, so "10" sorts after "9" only as a number.
        const char* descriptions[] = {"kiwi", "Apple", "mango", "banana", "Cherry", "date",
                                      "fig",  "grape", "Lemon", "lime",   "Orange"};
        for (const char* d : descriptions) data.add("Describe", d);
        App app(data);
        ScenarioListWindow w(app.state);
        w.resize(900, 400);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        clickHeader(w, 0);
        QCOMPARE(listedIds(w), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
        clickHeader(w, 0);
        QCOMPARE(listedIds(w), (std::vector<int>{11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
        clickHeader(w, 2);
        // Alphabetical without regard to case.
        QCOMPARE(listedIds(w), (std::vector<int>{2, 4, 5, 6, 7, 8, 1, 9, 10, 3, 11}));
        // The sort survives a reload.
        w.LoadScenarios();
        QCOMPARE(listedIds(w), (std::vector<int>{2, 4, 5, 6, 7, 8, 1, 9, 10, 3, 11}));
    }

    void actionsWithoutASelectionSayWhatIsNeeded() {
        ScenarioDb data;
        data.add("Describe", "d");
        App app(data);
        ScenarioListWindow w(app.state);
        w.show();
        listOf(w)->clearSelection();
        const std::pair<const char*, const char*> cases[] = {
            {"cmdAction_1", "Please select a scenario from the list"},
            {"cmdAction_2", "Please select a scenario from the list to duplicate"},
            {"cmdAction_4", "Please select a scenario from the list."},
        };
        for (auto [button, message] : cases) {
            app.prompter.shown.clear();
            click(w, button);
            QCOMPARE(app.prompter.shown.size(), size_t(1));
            QCOMPARE(app.prompter.shown[0].text, std::string(message));
            QCOMPARE(app.prompter.shown[0].caption, std::string("Quorvane"));
        }
        for (const char* action : {"mnuEditFields", "mnuDelete", "mnuViewDataTable",
                                   "mnuGenerateCode", "mnuEditOutput"}) {
            app.prompter.shown.clear();
            trigger(w, action);
            QCOMPARE(app.prompter.lastText(),
                     std::string("Please select a scenario from the list"));
        }
        QCOMPARE(app.calls, Calls{});
        QVERIFY(!w.Runner()->Running());
    }

    void rightClickMenuItemsInOrder() {
        ScenarioDb data;
        App app(data);
        ScenarioListWindow w(app.state);
        QStringList texts;
        for (QAction* a : w.RightClickMenu()->actions()) texts << a->text();
        QCOMPARE(texts,
                 QStringList({"&Run", "&Edit Fields", "Edit &Options", "Edit Out&put", "Dup&licate",
                              "&Delete", "&View Data Table", "View Output Table &1",
                              "View Output Table &2", "&Generate VB Code", "&Help"}));
        QStringList buttons;
        for (int i = 0; i < 6; ++i)
            buttons << w.findChild<QPushButton*>("cmdAction_" + QString::number(i))->text();
        QCOMPARE(buttons, QStringList({"&New", "&Edit", "Dup&licate", "&Delete", "&Run", "&Help"}));
    }

    void newAndEditAskTheWizardAtTheirPages() {
        ScenarioDb data;
        const auto d = data.add("Describe", "d");
        App app(data);
        ScenarioListWindow w(app.state);
        w.show();
        click(w, "cmdAction_0");  // all types of "P": the first type
        clickTab(w, 1);
        click(w, "optGroup_2");
        click(w, "cmdAction_0");  // the chosen type
        clickTab(w, 2);
        click(w, "cmdAction_0");
        QCOMPARE(app.calls, (Calls{"runWizard(0, Describe, 1)", "runWizard(0, ANOVA, 1)",
                                   "runWizard(0, Chi-Square, 1)"}));

        app.calls.clear();
        clickTab(w, 0);
        QVERIFY(w.SelectScenario(d));
        click(w, "cmdAction_1");
        trigger(w, "mnuEditFields");
        trigger(w, "mnuEditOptions");
        trigger(w, "mnuEditOutput");
        const std::string n = std::to_string(d);
        QCOMPARE(app.calls, (Calls{"runWizard(" + n + ", , 1)", "runWizard(" + n + ", , 3)",
                                   "runWizard(" + n + ", , 30)", "runWizard(" + n + ", , 50)"}));
        // The row stays selected after the wizard.
        QCOMPARE(w.CurrentScenario(), d);
    }

    void editOfAScenarioGoneMeanwhileSaysSo() {
        ScenarioDb data;
        const auto d = data.add("Describe", "d");
        App app(data);
        ScenarioListWindow w(app.state);
        QVERIFY(w.SelectScenario(d));
        QVERIFY(!qrv::scenario::DeleteScenarios(data.db, {d}));
        click(w, "cmdAction_1");
        QCOMPARE(app.prompter.lastText(), "Scenario not found: " + std::to_string(d));
        QCOMPARE(app.calls, Calls{});
        QCOMPARE(listedIds(w), (std::vector<int>{}));
    }

    void aNewScenarioSavedIsSelectedAndRunWhenAsked() {
        ScenarioDb data;
        const auto d = data.add("Describe", "d");
        App app(data);
        ScenarioListWindow w(app.state);
        w.show();
        QVERIFY(w.SelectScenario(d));
        // The "wizard" saves a new scenario behind the list.
        const auto made = data.add("Frequency", "made by the wizard", {{"X", 'X'}}, "FreqOut");
        app.wizardAnswer = {true, true, made};
        QSignalSpy finished(w.Runner(), &qrv::designer::ScenarioRunner::finished);
        click(w, "cmdAction_0");
        QCOMPARE(w.CurrentScenario(), made);
        QCOMPARE(listedIds(w), (std::vector<int>{d, made}));
        QVERIFY(w.Runner()->Running());
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QCOMPARE(app.calls.back(), std::string("showTableData(FreqOut, Scenario Output Table)"));
    }

    void viewGenerateAndHelpRequests() {
        ScenarioDb data;
        const auto a = data.add("ANOVA", "a", {{"X", 'X'}, {"Grp", 'C'}}, "A1");
        setOutput2(data, a, "A2");
        App app(data);
        ScenarioListWindow w(app.state);
        clickTab(w, 1);
        QVERIFY(w.SelectScenario(a));
        trigger(w, "mnuViewDataTable");
        trigger(w, "mnuViewOutputTable1");
        trigger(w, "mnuViewOutputTable2");
        trigger(w, "mnuGenerateCode");
        trigger(w, "mnuHelp");
        click(w, "cmdAction_5");
        QCOMPARE(app.calls,
                 (Calls{"showTableData(Data, Input Data Table)",
                        "showTableData(A1, Scenario Output Table)",
                        "showTableData(A2, Scenario Output Table 2)",
                        "generateCode(" + std::to_string(a) + ")", "showHelp()", "showHelp()"}));
        QVERIFY(app.prompter.shown.empty());
    }

    void deleteAsksAndRemovesTheRowsOfAllThreeTables() {
        ScenarioDb data;
        const auto keep = data.add("Describe", "keep me");
        const auto gone = data.add("Describe", "Old ages", {{"Grp", 'G'}, {"X", 'X'}});
        App app(data);
        ScenarioListWindow w(app.state);
        QVERIFY(w.SelectScenario(gone));
        const std::string question = "Are you sure you want to permanently delete Scenario #" +
                                     std::to_string(gone) + "\r\n (Old ages)?";
        app.prompter.answer(false);
        click(w, "cmdAction_3");
        QCOMPARE(app.prompter.shown.back().kind, std::string("ask-no"));  // Enter keeps it
        QCOMPARE(app.prompter.shown.back().text, question);
        QCOMPARE(app.prompter.shown.back().caption, std::string("Quorvane"));
        QCOMPARE(data.count("usysQuorvaneScenarios", gone), 1L);
        QCOMPARE(data.count("usysQuorvaneFields", gone), 2L);

        app.prompter.answer(true);
        trigger(w, "mnuDelete");
        QCOMPARE(app.prompter.shown.back().text, question);
        for (const char* table :
             {"usysQuorvaneScenarios", "usysQuorvaneOptions", "usysQuorvaneFields"}) {
            QVERIFY2(data.count(table, gone) == 0, table);
            QVERIFY2(data.count(table, keep) > 0, table);
        }
        QCOMPARE(listedIds(w), (std::vector<int>{keep}));
        QCOMPARE(w.CurrentScenario(), 0);
    }

    void deleteWorksWithoutFieldOrOptionRows() {
        ScenarioDb data;
        const auto bare = data.add("Describe", "bare");
        data.exec("DELETE * FROM [usysQuorvaneFields] WHERE [Scenario_ID] = " +
                  std::to_string(bare));
        data.exec("DELETE * FROM [usysQuorvaneOptions] WHERE [Scenario_ID] = " +
                  std::to_string(bare));
        App app(data);
        ScenarioListWindow w(app.state);
        QVERIFY(w.SelectScenario(bare));
        app.prompter.answer(true);
        click(w, "cmdAction_3");
        QCOMPARE(data.count("usysQuorvaneScenarios", bare), 0L);
        QCOMPARE(app.prompter.shown.size(), size_t(1));  // the question alone, no error
        QCOMPARE(listedIds(w), (std::vector<int>{}));
    }

    void viewOutputTable2OnlyForAScenarioWithOne() {
        ScenarioDb data;
        const auto one = data.add("Describe", "one table", {{"X", 'X'}}, "D1", "");
        const auto two = data.add("Percentiles", "two tables", {{"X", 'X'}}, "P1");
        setOutput2(data, two, "P2");
        App app(data);
        ScenarioListWindow w(app.state);
        auto* item = w.RightClickMenu()->findChild<QAction*>("mnuViewOutputTable2");
        QVERIFY(w.SelectScenario(one));
        QVERIFY(!item->isEnabled());
        // Called all the same, it says why instead of opening a table of no name.
        w.ViewOutputTable2();
        QCOMPARE(app.calls, Calls{});
        QCOMPARE(app.prompter.lastText(),
                 "Scenario #" + std::to_string(one) + " has no second output table.");
        QVERIFY(w.SelectScenario(two));
        QVERIFY(item->isEnabled());
        trigger(w, "mnuViewOutputTable2");
        QCOMPARE(app.calls, Calls{"showTableData(P2, Scenario Output Table 2)"});
        // No selection: enabled, to say a scenario is needed.
        listOf(w)->clearSelection();
        QVERIFY(item->isEnabled());
    }

    void keysAndDoubleClickOnTheList() {
        ScenarioDb data;
        const auto d = data.add("Describe", "Ages");
        App app(data);
        ScenarioListWindow w(app.state);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTreeWidget* list = listOf(w);
        QVERIFY(w.SelectScenario(d));
        list->setFocus();
        const std::string n = std::to_string(d);
        QTest::keyClick(list, Qt::Key_Return);
        QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
        const QPoint row(8, list->visualItemRect(list->topLevelItem(0)).center().y());
        // A double click is a click and then the second press.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
        QCOMPARE(app.calls, (Calls{"runWizard(" + n + ", , 1)", "runWizard(" + n + ", , 1)",
                                   "runWizard(" + n + ", , 1)"}));
        // Delete asks the delete question; No keeps the scenario.
        app.prompter.answer(false);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(app.prompter.shown.back().text,
                 "Are you sure you want to permanently delete Scenario #" + n + "\r\n (Ages)?");
        QCOMPARE(listedIds(w), (std::vector<int>{d}));
        // Shift+F10 and the Menu key open the right-click menu.
        for (auto [key, mods] : {std::pair{Qt::Key_F10, Qt::KeyboardModifiers(Qt::ShiftModifier)},
                                 std::pair{Qt::Key_Menu, Qt::KeyboardModifiers()}}) {
            QTest::keyClick(list, key, mods);
            QTRY_VERIFY(w.RightClickMenu()->isVisible());
            w.RightClickMenu()->hide();
        }
    }

    void aSavedScenarioOfAnotherTabIsShown() {
        ScenarioDb data;
        const auto d = data.add("Describe", "d");
        App app(data);
        ScenarioListWindow w(app.state);
        w.show();
        QVERIFY(w.SelectScenario(d));
        // New from the parametric tab, saved as a group scenario.
        const auto anova = data.add("ANOVA", "made as ANOVA", {{"X", 'X'}, {"Grp", 'C'}}, "A1");
        app.wizardAnswer = {true, false, anova};
        click(w, "cmdAction_0");
        QCOMPARE(w.Category(), std::string("G"));
        QCOMPARE(w.Subtype(), std::string("*"));
        QCOMPARE(w.CurrentScenario(), anova);
        // On its own tab but another type chosen: all types.
        click(w, "optGroup_1");  // Two Sample t-Test
        const auto anova2 = data.add("ANOVA", "second", {{"X", 'X'}, {"Grp", 'C'}}, "A2");
        app.wizardAnswer = {true, false, anova2};
        click(w, "cmdAction_0");
        QCOMPARE(w.Category(), std::string("G"));
        QCOMPARE(w.Subtype(), std::string("*"));
        QCOMPARE(w.CurrentScenario(), anova2);
        // An edit saved as a non-parametric one follows it too.
        const auto sign = data.add("Sign Test", "s", {{"X", 'X'}}, "S1");
        app.wizardAnswer = {true, false, sign};
        click(w, "cmdAction_1");
        QCOMPARE(w.Category(), std::string("N"));
        QCOMPARE(w.CurrentScenario(), sign);
    }

    void positionIsSavedOnCloseAndRestoredOnOpen() {
        ScenarioDb data;
        App app(data);
        {
            ScenarioListWindow w(app.state);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            w.setGeometry(40, 50, 720, 430);
            w.close();
        }
        const std::string saved =
            app.store.read("Zelk/Quorvane/5.0/Form Position", "frmStatMain", "");
        QCOMPARE(saved, std::string("40,50,720,430"));
        ScenarioListWindow again(app.state);
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.geometry().size(), QSize(720, 430));
        QCOMPARE(again.geometry().topLeft(), QPoint(40, 50));
    }
};

QTEST_MAIN(ScenarioListTest)
#include "scenario_list_test.moc"
