// The wizard's page loop and what it saves: a whole walk from the type page
// to Save read back row by row, the cancel questions, editing a stored
// scenario, saving without touching output tables, and one or two output
// tables.
#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <map>

#include "designer/wizard/ignore_dialog.h"
#include "designer/wizard/options_page.h"
#include "designer/wizard/wizard_entry.h"
#include "engine/quorvane.h"
#include "scenario/scenario_author.h"
#include "wizard_fixture.h"

using namespace qrv;
using namespace qrv::test;
using designer::ScenarioWizard;

namespace {

const std::string kCancelQuestion =
    "You have made changes to this scenario. Are you sure you want to cancel?";
const std::string kExitQuestion =
    "You have made changes to this scenario. Are you sure you want to exit?";

void click(QWidget* w, const char* name) {
    auto* b = child<QAbstractButton>(w, name);
    QVERIFY2(b, name);
    QVERIFY2(b->isVisible() || !w->isVisible(), name);
    b->click();
}

designer::FieldsPage* fieldsPage(ScenarioWizard& w) {
    return qobject_cast<designer::FieldsPage*>(w.Page(ScenarioWizard::kFieldsPage));
}

designer::OptionsPage* realOptionsPage(int page, scenario::ScenarioDraft& d, Prompter& p,
                                       QWidget* parent) {
    return designer::CreateOptionsPage(page, d, p, parent);
}

// The Alt keys of the visible controls of a window, each with the texts that
// claim it: mnemonics of buttons and of labels with a buddy, and the keys
// given to buttons.
std::map<QString, QStringList> altKeys(QWidget* window) {
    std::map<QString, QStringList> keys;
    for (QWidget* c : window->findChildren<QWidget*>()) {
        if (!c->isVisible()) continue;
        // A button's mnemonic is its shortcut, unless another key was given.
        if (auto* b = qobject_cast<QAbstractButton*>(c); b && !b->shortcut().isEmpty())
            keys[b->shortcut().toString()] << b->objectName() + " " + b->text();
        if (auto* l = qobject_cast<QLabel*>(c); l && l->buddy())
            if (const QKeySequence key = QKeySequence::mnemonic(l->text()); !key.isEmpty())
                keys[key.toString()] << l->text();
    }
    return keys;
}

QPoint placeOf(ScenarioWizard& w, const char* button) {
    return child<QPushButton>(&w, button)->mapTo(&w, QPoint(0, 0));
}

}  // namespace

class WizardFlowTest : public QObject {
    Q_OBJECT
  private slots:
    void aWholeWalkSavesTheThreeTablesRows() {
        WizardFixture f;
        f.app.SettingsA().WriteEntry("OutputTablePrefix", "Run_");
        auto draft = designer::PrepareWizardDraft(f.app, 0, "");
        QVERIFY(draft);
        ScenarioWizard w(f.app, std::move(*draft), f.pages());
        w.Start(1);
        QCOMPARE(w.windowTitle(), QString("Zelk Statistics -- Select Analysis Type"));
        QCOMPARE(w.Draft().subtype, std::string("Describe"));  // the first type by default
        click(w.Page(1), "optAnalysis_5");                     // "&Regression"
        QCOMPARE(w.Draft().subtype, std::string("Regression"));
        QCOMPARE(w.Draft().category, std::string("P"));
        QVERIFY(w.Changed());

        click(&w, "cmdNext");
        QCOMPARE(w.CurrentPage(), 2);
        QCOMPARE(w.windowTitle(), QString("Zelk Statistics Table Selection"));
        QVERIFY2(!child<QPushButton>(&w, "cmdNext")->isEnabled(), "no table chosen yet");
        auto* list = child<QTreeWidget>(w.Page(2), "lvwTableQuery");
        auto found = list->findItems("Measurements", Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        list->setCurrentItem(found[0]);
        QCOMPARE(w.Draft().input, std::string("Measurements"));
        QVERIFY(child<QPushButton>(&w, "cmdNext")->isEnabled());

        click(&w, "cmdNext");
        QCOMPARE(w.CurrentPage(), 3);
        QCOMPARE(w.windowTitle(), QString("Zelk Statistics Field Selection"));
        designer::FieldsPage* fields = fieldsPage(w);
        assign(fields, "Yield", 'Y');
        assign(fields, "Temperature", 'X');
        assign(fields, "Batch", 'X');
        assign(fields, "Region", 'G');
        assign(fields, "Weight", 'W');
        child<QLineEdit>(fields, "txtDescription")->setText("Yield against temperature");
        // The button's dialog works on the scenario the wizard holds.
        designer::IgnoreDialog ignore(w.Draft(), f.prompter);
        child<QRadioButton>(&ignore, "optIgnore_2")->setChecked(true);
        child<QLineEdit>(&ignore, "txtLessThan")->setText("-1");
        child<QLineEdit>(&ignore, "txtGreaterThan")->setText("1000");
        QVERIFY(ignore.tryAccept());

        click(&w, "cmdNext");
        QCOMPARE(w.CurrentPage(), 9);  // Regression's options page
        QCOMPARE(w.windowTitle(), QString("Options 9"));
        QVERIFY(f.lastOptions);
        QCOMPARE(f.lastOptions->loads, 1);
        f.lastOptions->set("Residual", true);

        click(&w, "cmdNext");
        QCOMPARE(w.CurrentPage(), 50);
        QCOMPARE(w.windowTitle(), QString("Zelk Statistics Output Tables and Description"));
        QCOMPARE(child<QGroupBox>(&w, "fraOutput")->title(), QString("Output Tables"));
        QCOMPARE(child<QLabel>(&w, "lblOutput_0")->text(),
                 QString("Name for Regression output table: "));
        QCOMPARE(child<QLabel>(&w, "lblOutput_1")->text(),
                 QString("Name for Residual output table: "));
        QCOMPARE(child<QLineEdit>(&w, "txtOutput_0")->text(), QString("Run_Regression"));
        QCOMPARE(child<QLineEdit>(&w, "txtOutput_1")->text(), QString("Run_Residual"));

        click(&w, "cmdSave");
        QVERIFY(w.Ended());
        QVERIFY(w.Saved());
        QVERIFY(!w.RunAfter());
        QCOMPARE(w.Draft().id, 1);
        QCOMPARE(f.told(), std::vector<std::string>{});

        // The scenario row, every column in table order. Values written down
        // from the table's definition: Regression sorts at 600, the version is
        // V and 5 and three blanks, the page-lock fillers are 255 blanks, and
        // a new row has a creator but no editor yet.
        const std::string blanks(255, ' ');
        const std::vector<std::pair<std::string, std::string>> expected = {
            {"Scenario_ID", "1"},
            {"SortOrder", "600"},
            {"Scenario_Description", "Yield against temperature"},
            {"Scenario_Analysis_Type", "P"},
            {"Scenario_Analysis_SubType", "Regression"},
            {"Scenario_Input_Table_Name", "Measurements"},
            {"Scenario_Output_Table1_Name", "Run_Regression"},
            {"Scenario_Output_Table2_Name", "Run_Residual"},
            {"Scenario_Version", "V5   "},
            {"Scenario_DateCreated", "<today>"},
            {"Scenario_LastModified", ""},
            {"Scenario_CreatedBy", "Tester"},
            {"Scenario_ModifiedBy", ""},
            {"MissingType", "2"},
            {"MissingEqual", ""},
            {"MissingLow", "-1"},
            {"MissingHigh", "1000"},
            {"PageLockField1", blanks},
            {"PageLockField2", blanks},
            {"PageLockField3", blanks},
            {"PageLockField4", blanks},
        };
        auto got = f.row("SELECT * FROM [usysQuorvaneScenarios]");
        QCOMPARE(got.size(), expected.size());
        const std::string today = QDate::currentDate().toString("yyyy-MM-dd").toStdString();
        for (size_t i = 0; i < expected.size(); ++i) {
            QCOMPARE(got[i].first, expected[i].first);
            if (expected[i].second == "<today>")
                QVERIFY2(got[i].second.rfind(today, 0) == 0, got[i].second.c_str());
            else
                QVERIFY2(got[i].second == expected[i].second,
                         (got[i].first + " = '" + got[i].second + "'").c_str());
        }
        QCOMPARE(f.rows("SELECT Count(*) AS n FROM [usysQuorvaneScenarios]"),
                 std::vector<std::string>{"n=1"});

        // The options row: the stand-in's change and the defaults of a new
        // scenario (both tails for the matrix's probabilities).
        const std::vector<std::pair<std::string, std::string>> options = {
            {"Scenario_ID", "1"},
            {"Residual", "True"},
            {"RegressType", "S"},
            {"RPoly", "2"},
            {"RYInt", "True"},
            {"RANova", "True"},
            {"VarNRadio", "N-1"},
            {"CITypeRadio", "t-Test"},
            {"InterV", "10"},
            {"FreqIncRadio", "Lower"},
            {"FreqDispRadio", "Count"},
            {"FreqGroupRadio", "Default"},
            {"PercentileRadio", "Median"},
            {"MProbTail", "2-tail"},
            {"NPTwoType", "Mann"},
            {"FreqWidth", ""},
            {"xChi", ""},
            {"ChiDetail", "True"},
            {"Mean", "False"},
        };
        for (const auto& [column, value] : options)
            QVERIFY2(f.cell("SELECT [" + column + "] FROM [usysQuorvaneOptions]") == value,
                     column.c_str());
        QCOMPARE(f.cell("SELECT Count(*) FROM [usysQuorvaneOptions]"), std::string("1"));

        // One field row per assignment, numbered from 1 within its role.
        QCOMPARE(f.rows("SELECT [Scenario_ID], [FieldDef_Name], [FieldDef_Ordinal_Position], "
                        "[FieldDef_Choice] FROM [usysQuorvaneFields] ORDER BY [FieldDef_Choice], "
                        "[FieldDef_Ordinal_Position]"),
                 (std::vector<std::string>{
                     "Scenario_ID=1|FieldDef_Name=Region|FieldDef_Ordinal_Position=1|"
                     "FieldDef_Choice=G",
                     "Scenario_ID=1|FieldDef_Name=Weight|FieldDef_Ordinal_Position=1|"
                     "FieldDef_Choice=W",
                     "Scenario_ID=1|FieldDef_Name=Temperature|FieldDef_Ordinal_Position=1|"
                     "FieldDef_Choice=X",
                     "Scenario_ID=1|FieldDef_Name=Batch|FieldDef_Ordinal_Position=2|"
                     "FieldDef_Choice=X",
                     "Scenario_ID=1|FieldDef_Name=Yield|FieldDef_Ordinal_Position=1|"
                     "FieldDef_Choice=Y",
                 }));
    }

    void saveAndRunAsksForTheRun() {
        WizardFixture f;
        scenario::ScenarioDraft d = *designer::PrepareWizardDraft(f.app, 0, "Describe");
        d.input = "Measurements";
        d.addField("Yield", 'X');
        ScenarioWizard w(f.app, d, f.pages());
        w.Start(50);
        QCOMPARE(child<QGroupBox>(&w, "fraOutput")->title(), QString("Output Table"));
        click(&w, "cmdSaveRun");
        QVERIFY(w.Saved());
        QVERIFY(w.RunAfter());
        QCOMPARE(f.cell("SELECT [Scenario_Output_Table1_Name] FROM [usysQuorvaneScenarios]"),
                 std::string("Quorvane_Describe"));
    }

    void backWalksThePagesInReverse() {
        WizardFixture f;
        scenario::ScenarioDraft d = *designer::PrepareWizardDraft(f.app, 0, "K-S Fit");
        d.input = "Measurements";
        ScenarioWizard w(f.app, d, f.pages());
        const int measured = f.optionsMade;  // every options page, to size the window
        w.Start(50);
        QVERIFY(child<QPushButton>(&w, "cmdSave")->isVisibleTo(&w));
        QVERIFY(!child<QPushButton>(&w, "cmdNext")->isVisibleTo(&w));
        std::vector<int> seen;
        for (int i = 0; i < 4; ++i) {
            w.back();
            seen.push_back(w.CurrentPage());
        }
        QCOMPARE(seen, (std::vector<int>{14, 3, 2, 1}));
        QVERIFY(!child<QPushButton>(&w, "cmdBack")->isVisibleTo(&w));
        QVERIFY(!child<QPushButton>(&w, "cmdSave")->isVisibleTo(&w));
        // The options page is made once and shown again with its values reloaded.
        w.Start(30);
        QCOMPARE(f.optionsMade - measured, 1);
        QCOMPARE(f.lastOptions->loads, 2);  // on the way back, then by the route
    }

    void optionsPageRefusalKeepsTheUserThere() {
        WizardFixture f;
        scenario::ScenarioDraft d = *designer::PrepareWizardDraft(f.app, 0, "Sign Test");
        ScenarioWizard w(f.app, d, f.pages());
        w.Start(30);
        QCOMPARE(w.CurrentPage(), 13);
        f.lastOptions->refuse = true;
        w.next();
        QCOMPARE(w.CurrentPage(), 13);
        QCOMPARE(f.prompter.lastText(), std::string("Stand-in refuses"));
    }

    void cancelWithoutChangesAsksNothingAndWritesNothing() {
        WizardFixture f;
        scenario::ScenarioDraft d = *designer::PrepareWizardDraft(f.app, 0, "Describe");
        d.input = "Measurements";
        d.addField("Yield", 'X');
        QVERIFY(scenario::SaveDraft(f.db(), d, std::string("Creator")).ok());
        const auto before = f.snapshot();
        for (int start : {1, 2, 3, 30, 50}) {
            auto loaded = designer::PrepareWizardDraft(f.app, 1, "");
            QVERIFY(loaded);
            ScenarioWizard w(f.app, std::move(*loaded), f.pages());
            w.Start(start);
            w.cancel();
            QVERIFY2(w.Ended(), qPrintable(QString::number(start)));
            QVERIFY(!w.Saved());
        }
        QCOMPARE(f.told(), std::vector<std::string>{});
        QCOMPARE(f.snapshot(), before);
    }

    void cancelWithChangesAsksTheQuestionOfThePage() {
        WizardFixture f;
        const std::pair<int, std::string> cases[] = {
            {2, kCancelQuestion}, {3, kExitQuestion}, {30, kCancelQuestion}, {50, kExitQuestion}};
        for (const auto& [start, question] : cases) {
            scenario::ScenarioDraft d = *designer::PrepareWizardDraft(f.app, 0, "Describe");
            d.input = "Measurements";
            ScenarioWizard w(f.app, d, f.pages());
            w.Start(start);
            w.SetChanged(true);
            f.prompter.shown.clear();
            f.prompter.answer(false);
            w.cancel();
            QVERIFY(!w.Ended());
            f.prompter.answer(true);
            w.reject();  // Escape asks the same
            QVERIFY(w.Ended());
            QCOMPARE(f.told(), (std::vector<std::string>{question, question}));
            for (const auto& shown : f.prompter.shown)  // Enter keeps the changes
                QCOMPARE(shown.kind, std::string("ask-no"));
        }
        // The type page leaves without asking.
        ScenarioWizard w(f.app, *designer::PrepareWizardDraft(f.app, 0, ""), f.pages());
        w.Start(1);
        w.SetChanged(true);
        w.cancel();
        QVERIFY(w.Ended());
        QCOMPARE(f.prompter.unanswered(), size_t(0));
        QCOMPARE(f.snapshot(), std::vector<std::string>{});
    }

    void editingKeepsTheNumberAndReplacesTheFields() {
        WizardFixture f;
        scenario::ScenarioDraft first = *designer::PrepareWizardDraft(f.app, 0, "Describe");
        first.input = "Measurements";
        for (const char* x : {"Yield", "Temperature", "Batch"}) first.addField(x, 'X');
        first.addField("Region", 'G');
        QVERIFY(scenario::SaveDraft(f.db(), first, std::string("Creator")).ok());
        scenario::ScenarioDraft other = first;
        other.id = 0;
        QVERIFY(scenario::SaveDraft(f.db(), other, std::string("Creator")).ok());  // number 2

        auto loaded = designer::PrepareWizardDraft(f.app, 1, "");
        QVERIFY(loaded);
        ScenarioWizard w(f.app, std::move(*loaded), f.pages());
        w.Start(3);
        designer::FieldsPage* fields = fieldsPage(w);
        QCOMPARE(
            listed(fields, 'X'),
            (QStringList{"Yield - (#, Double)", "Temperature - (#, Double)", "Batch - (#, Long)"}));
        auto* xList = child<QListWidget>(fields, "lisRole_X");
        xList->setCurrentRow(0);
        fields->removeFrom('X');  // Yield goes; the others move up
        QVERIFY(w.Changed());
        w.next();
        w.next();
        QCOMPARE(w.CurrentPage(), 50);
        w.save(false);
        QVERIFY(w.Saved());
        QCOMPARE(w.Draft().id, 1);
        QCOMPARE(f.rows("SELECT [FieldDef_Name], [FieldDef_Ordinal_Position], [FieldDef_Choice] "
                        "FROM [usysQuorvaneFields] WHERE [Scenario_ID] = 1 ORDER BY "
                        "[FieldDef_Choice], [FieldDef_Ordinal_Position]"),
                 (std::vector<std::string>{
                     "FieldDef_Name=Region|FieldDef_Ordinal_Position=1|FieldDef_Choice=G",
                     "FieldDef_Name=Temperature|FieldDef_Ordinal_Position=1|FieldDef_Choice=X",
                     "FieldDef_Name=Batch|FieldDef_Ordinal_Position=2|FieldDef_Choice=X"}));
        QCOMPARE(f.cell("SELECT Count(*) FROM [usysQuorvaneFields] WHERE [Scenario_ID] = 2"),
                 std::string("4"));
        QCOMPARE(f.cell("SELECT Count(*) FROM [usysQuorvaneScenarios]"), std::string("2"));
        QCOMPARE(f.rows("SELECT [Scenario_CreatedBy], [Scenario_ModifiedBy] FROM "
                        "[usysQuorvaneScenarios] WHERE [Scenario_ID] = 1"),
                 std::vector<std::string>{"Scenario_CreatedBy=Creator|Scenario_ModifiedBy=Tester"});
        const std::string modified = f.cell(
            "SELECT [Scenario_LastModified] FROM [usysQuorvaneScenarios] WHERE [Scenario_ID] = 1");
        QVERIFY2(modified.rfind(QDate::currentDate().toString("yyyy-MM-dd").toStdString(), 0) == 0,
                 modified.c_str());
    }

    void aMissingOptionsRowIsAddedOnSaving() {
        WizardFixture f;
        scenario::ScenarioDraft d = *designer::PrepareWizardDraft(f.app, 0, "Describe");
        d.input = "Measurements";
        d.addField("Yield", 'X');
        QVERIFY(scenario::SaveDraft(f.db(), d).ok());
        QVERIFY(f.db().Execute("DELETE * FROM [usysQuorvaneOptions]").ok());
        ScenarioWizard w(f.app, *designer::PrepareWizardDraft(f.app, 1, ""), f.pages());
        w.Start(50);
        w.save(false);
        QVERIFY(w.Saved());
        QCOMPARE(f.rows("SELECT [Scenario_ID], [Range], [InterV] FROM [usysQuorvaneOptions]"),
                 std::vector<std::string>{"Scenario_ID=1|Range=True|InterV=10"});
    }

    void savingAStoredScenarioKeepsItsResults() {
        // Scenario 1 has run once; editing it and saving, changed or not,
        // neither asks nor drops its results: the next run replaces them.
        WizardFixture f;
        scenario::ScenarioDraft d = *designer::PrepareWizardDraft(f.app, 0, "Describe");
        d.input = "Measurements";
        d.addField("Yield", 'X');
        QVERIFY(scenario::SaveDraft(f.db(), d).ok());
        {
            Quorvane engine(&f.prompter);
            QVERIFY(!engine.SetScenarioDatabase(f.db()));
            QVERIFY2(engine.RunScenario(1), engine.ErrorInfo().c_str());
        }
        const std::string results = "SELECT [DataField], [Count] FROM [Quorvane_Describe]";
        QCOMPARE(f.rows(results), std::vector<std::string>{"DataField=Yield|Count=1"});
        for (bool changed : {false, true}) {
            ScenarioWizard w(f.app, *designer::PrepareWizardDraft(f.app, 1, ""), f.pages());
            w.Start(50);
            if (changed) w.Draft().description = "edited";
            w.SetChanged(changed);
            w.save(false);
            QVERIFY(w.Saved());
            QCOMPARE(f.told(), std::vector<std::string>{});
            QCOMPARE(f.rows(results), std::vector<std::string>{"DataField=Yield|Count=1"});
        }
        QCOMPARE(f.cell("SELECT [Scenario_Description] FROM [usysQuorvaneScenarios]"),
                 std::string("edited"));
    }

    void aRefusedSaveKeepsTheOldTablesAndTheUserOnThePage() {
        WizardFixture f;
        QVERIFY(f.db().Execute("CREATE TABLE [Quorvane_Describe] ([a] DOUBLE)").ok());
        scenario::ScenarioDraft d = *designer::PrepareWizardDraft(f.app, 0, "Describe");
        d.input = "Measurements";  // no field: the save is refused
        ScenarioWizard w(f.app, d, f.pages());
        w.Start(50);
        f.prompter.answer(true);  // the table may be named
        w.save(false);
        QVERIFY(!w.Ended());
        QCOMPARE(f.prompter.lastText(), std::string("Independent (X) field must be assigned."));
        QVERIFY(f.db().GetTableDef("Quorvane_Describe").ok());
        QCOMPARE(f.snapshot(), std::vector<std::string>{});
    }

    void finishPageAppliesTheRulesOfARun() {
        WizardFixture f;
        QVERIFY(f.db().CreateQueryDef("qMeasured", "SELECT * FROM [Measurements]").ok());
        QVERIFY(f.db().Execute("CREATE TABLE [Imported] ([a] DOUBLE)").ok());
        QVERIFY(f.db().Execute("INSERT INTO [Imported] VALUES (7)").ok());
        const std::string dataQuestion =
            "Imported\r\n\r\nThe following output table(s) already exist in the current "
            "database and hold data that no run of this scenario wrote. Replacing them deletes "
            "that data. Do you want to replace them?";
        struct Case {
            const char* input;
            const char* output;
            std::string told;  // a refusal, or the data question (answered No)
        };
        const Case cases[] = {
            {"qMeasured", "Measurements",
             "The output table [Measurements] is read by the input query [qMeasured]; choose "
             "another name."},
            {"Measurements", "qMeasured",
             "The output table [qMeasured] is the name of a stored query; choose another name."},
            {"Measurements", "imported", dataQuestion},
        };
        for (const Case& c : cases) {
            scenario::ScenarioDraft d = *designer::PrepareWizardDraft(f.app, 0, "Describe");
            d.input = c.input;
            d.output1 = c.output;
            d.addField("Yield", 'X');
            ScenarioWizard w(f.app, d, f.pages());
            w.Start(50);
            f.prompter.shown.clear();
            if (c.told == dataQuestion) f.prompter.answer(false);  // Enter
            w.save(false);
            QVERIFY2(!w.Ended(), c.output);
            QCOMPARE(f.told(), std::vector<std::string>{c.told});
            if (c.told == dataQuestion) QCOMPARE(f.prompter.shown[0].kind, std::string("ask-no"));
            QCOMPARE(f.snapshot(), std::vector<std::string>{});
        }
        // Yes names the table; saving still replaces nothing.
        scenario::ScenarioDraft d = *designer::PrepareWizardDraft(f.app, 0, "Describe");
        d.input = "Measurements";
        d.output1 = "Imported";
        d.addField("Yield", 'X');
        ScenarioWizard w(f.app, d, f.pages());
        w.Start(50);
        f.prompter.answer(true);
        w.save(false);
        QVERIFY(w.Saved());
        QCOMPARE(f.rows("SELECT [a] FROM [Imported]"), std::vector<std::string>{"a=7"});
    }

    void oneOrTwoOutputTablesByTheOptions() {
        WizardFixture f;
        struct Case {
            const char* subtype;
            const char* option;  // the option that asks for a second table
            const char* label2;
        };
        for (const Case& c : {Case{"Crosstab", "xChi", "Crosstab Chi-Square"},
                              Case{"Regression", "Residual", "Residual"}}) {
            scenario::ScenarioDraft d = *designer::PrepareWizardDraft(f.app, 0, c.subtype);
            d.output2 = "Left over";  // from an earlier choice; not used now
            ScenarioWizard w(f.app, d, f.pages());
            w.Start(50);
            QCOMPARE(child<QGroupBox>(&w, "fraOutput")->title(), QString("Output Table"));
            QVERIFY(!child<QLineEdit>(&w, "txtOutput_1")->isVisibleTo(&w));
            QCOMPARE(w.Draft().output2, std::string());
            auto* finish = qobject_cast<designer::WizardPage*>(w.Page(50));
            QVERIFY(finish->CheckPage());

            w.back();
            f.lastOptions->set(c.option, true);
            w.next();
            QCOMPARE(child<QGroupBox>(&w, "fraOutput")->title(), QString("Output Tables"));
            QVERIFY(child<QLineEdit>(&w, "txtOutput_1")->isVisibleTo(&w));
            QCOMPARE(child<QLabel>(&w, "lblOutput_1")->text(),
                     QString("Name for %1 output table: ").arg(c.label2));
            child<QLineEdit>(&w, "txtOutput_1")->clear();
            f.prompter.shown.clear();
            QVERIFY(!finish->CheckPage());
            QCOMPARE(f.told(), std::vector<std::string>{"Second Output table name required."});
        }
    }

    void wizardEntryReadsOrMakesTheScenario() {
        WizardFixture f;
        QVERIFY(!designer::PrepareWizardDraft(f.app, 42, ""));
        QCOMPARE(f.told(), std::vector<std::string>{"Scenario not found: 42"});
        auto made = designer::PrepareWizardDraft(f.app, 0, "Two way ANOVA");
        QVERIFY(made);
        QCOMPARE(made->category, std::string("G"));
        QCOMPARE(made->id, 0);
        QVERIFY(made->fields.empty());
    }

    // Each page fits the wizard's window with nothing cut off; with
    // QRV_GRAB_DIR set, the pages are also saved there as pictures to look at.
    void pagesFitTheWindow() {
        WizardFixture f;
        scenario::ScenarioDraft d = *designer::PrepareWizardDraft(f.app, 0, "Crosstab");
        d.input = "Measurements";
        d.addField("Region", 'G');
        d.addField("Plant", 'C');
        d.addField("Yield", 'X');
        d.setOption("xChi", true);
        d.description = "Yield by region and plant";
        ScenarioWizard w(f.app, d, f.pages());
        w.Start(1);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QString dir = qEnvironmentVariable("QRV_GRAB_DIR");
        for (int page : {1, 2, 3, 50}) {
            w.Start(page);
            QApplication::processEvents();
            QWidget* p = w.Page(page);
            QVERIFY(p);
            const QSize need = p->minimumSizeHint();
            QVERIFY2(need.width() <= p->width() && need.height() <= p->height(),
                     qPrintable(QString("page %1 needs %2x%3, has %4x%5")
                                    .arg(page)
                                    .arg(need.width())
                                    .arg(need.height())
                                    .arg(p->width())
                                    .arg(p->height())));
            const QPixmap shot = w.grab();
            QVERIFY(!shot.isNull());
            if (!dir.isEmpty()) shot.save(dir + QString("/wizard_page_%1.png").arg(page));
        }
        w.hide();
    }

    // Every page of every analysis in one window of one size, the buttons
    // where they were, and no Alt key claimed twice on a page. The type
    // page's captions are the analyses' names, three of which share F.
    void pagesKeepTheSizeAndTheirKeysAreUnique() {
        WizardFixture f;
        scenario::ScenarioDraft d = *designer::PrepareWizardDraft(f.app, 0, "Describe");
        d.input = "Measurements";
        ScenarioWizard w(f.app, d, realOptionsPage);
        w.Start(1);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QSize size = w.size();
        const QPoint next = placeOf(w, "cmdNext"), cancel = placeOf(w, "cmdCancel");
        for (const scenario::AnalysisType& type : scenario::AnalysisTypes()) {
            w.Draft().subtype = type.name;
            w.Draft().category = std::string(1, type.category);
            for (int page : {1, 2, 3, 30, 50}) {
                w.Start(page);
                QApplication::processEvents();
                const QString where = QString("%1, page %2").arg(type.name).arg(w.CurrentPage());
                QVERIFY2(w.size() == size, qPrintable(where));
                QVERIFY2(placeOf(w, "cmdCancel") == cancel, qPrintable(where));
                if (page != 50) QVERIFY2(placeOf(w, "cmdNext") == next, qPrintable(where));
                if (page == 1) continue;
                for (const auto& [key, claims] : altKeys(&w))
                    QVERIFY2(claims.size() == 1, qPrintable(where + ": " + key + " is claimed by " +
                                                            claims.join(" / ")));
            }
        }
        w.hide();
    }

    void keysOfTheWizard() {
        WizardFixture f;
        int helpShown = 0;
        f.app.Actions().showHelp = [&helpShown] { ++helpShown; };
        scenario::ScenarioDraft d = *designer::PrepareWizardDraft(f.app, 0, "Describe");
        d.input = "Measurements";
        ScenarioWizard w(f.app, d, f.pages());
        w.Start(3);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_F1);
        QCOMPARE(helpShown, 1);
        // Enter in the list of fields moves the field; it does not press Next.
        auto* available = child<QTreeWidget>(&w, "lvwAvailableFields");
        QVERIFY(highlight(fieldsPage(w), "Yield"));
        available->setFocus();
        QTest::keyClick(available, Qt::Key_Return);
        QCOMPARE(w.CurrentPage(), 3);
        QCOMPARE(listed(fieldsPage(w), 'X'), QStringList{"Yield - (#, Double)"});
        w.hide();
    }

    // A file that cannot be written is the user's to mend: the wizard says
    // so plainly, writes nothing, and stays open with the user's work.
    void savingToAReadOnlyFileKeepsTheWizardOpen() {
        WizardFixture f;
        const std::string path = f.db().Name();
        f.app.CloseDatabase();
        auto opened = dao::DBEngine::Instance().OpenDatabase(path, false, true);
        QVERIFY(opened.ok());
        f.app.SetCurrentDatabase(*opened, "Tester");
        scenario::ScenarioDraft d = *designer::PrepareWizardDraft(f.app, 0, "Describe");
        d.input = "Measurements";
        d.addField("Yield", 'X');
        d.description = "Work to keep";
        ScenarioWizard w(f.app, d, f.pages());
        w.Start(50);
        w.save(false);
        QVERIFY(!w.Ended());
        QCOMPARE(w.CurrentPage(), 50);
        QCOMPARE(f.prompter.shown.back().kind, std::string("critical"));
        QCOMPARE(f.prompter.lastText(),
                 "The scenario could not be saved: the database file is read-only.\r\n\r\n" + path +
                     "\r\n\r\nNothing was written, and your changes are still in the wizard. "
                     "Make the file writable and press Save again, or Cancel to leave without "
                     "saving.");
        QCOMPARE(w.Draft().id, 0);
        QCOMPARE(w.Draft().description, std::string("Work to keep"));
        QCOMPARE(f.snapshot(), std::vector<std::string>{});
        QVERIFY(!f.app.Errors().HasError());
    }

    // The other failures of a file that cannot be written, each with what
    // to do; any other failure is a fault for the error handler.
    void saveFailuresTheUserCanMend() {
        WizardFixture f;
        const std::pair<dao::Error, std::string> cases[] = {
            {dao::makeError(dao::err::kDiskFull, "Not enough space on disk."),
             "the disk is full.|Free some space on the disk and press Save again"},
            {dao::makeError(dao::err::kLocked, "Could not update; currently locked."),
             "the database is locked by another program.|Wait until the other program is done"},
            {dao::makeError(3043, "Disk or network error."),
             "the database file cannot be written (Disk or network error.).|Check the disk"},
            {dao::makeError(dao::err::kDuplicateKey, "Duplicate values."), ""},
        };
        for (const auto& [error, want] : cases) {
            const auto text = designer::SaveFailureText(error, f.db());
            QVERIFY2(text.has_value() == !want.empty(), error.description.c_str());
            if (!text) continue;
            const auto bar = want.find('|');
            QVERIFY2(text->starts_with("The scenario could not be saved: " + want.substr(0, bar)),
                     text->c_str());
            QVERIFY2(text->find(want.substr(bar + 1)) != std::string::npos, text->c_str());
        }
    }

    void anAnalysisWithoutAnOptionsPageEndsTheWizard() {
        WizardFixture f;
        scenario::ScenarioDraft d = *designer::PrepareWizardDraft(f.app, 0, "");
        d.subtype = "Bogus";
        ScenarioWizard w(f.app, d, f.pages());
        w.Start(30);
        QVERIFY(w.Ended());
        QCOMPARE(f.told(), std::vector<std::string>{"No forward yet..."});
        // Without any options pages the route ends the same way.
        ScenarioWizard bare(f.app, *designer::PrepareWizardDraft(f.app, 0, ""), {});
        bare.Start(30);
        QVERIFY(bare.Ended());
    }
};

QTEST_MAIN(WizardFlowTest)
#include "wizard_flow_test.moc"
