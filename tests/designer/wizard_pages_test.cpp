// The wizard's pages one by one: what the type, table, fields and output
// pages show, every message of the fields and output pages, and the
// values-to-ignore dialog.
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <algorithm>

#include "designer/wizard/finish_page.h"
#include "designer/wizard/ignore_dialog.h"
#include "designer/wizard/table_page.h"
#include "designer/wizard/type_page.h"
#include "designer/wizard/wizard_entry.h"
#include "wizard_fixture.h"

using namespace qrv;
using namespace qrv::test;

namespace {

const std::string kWeightMessage =
    "Weight field requires a value field. Or, you can make the Weight field a Value field and "
    "use the Sum Crosstab option.";

QStringList listNames(QTreeWidget* list) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(0);
    return out;
}

QStringList sorted(QStringList l) {
    l.sort();
    return l;
}

QStringList frameTitles(QWidget* page) {
    QStringList out;
    for (auto* g : page->findChildren<QGroupBox*>())
        if (g->objectName().startsWith("fraRole_")) out << g->title();
    return out;
}

scenario::ScenarioDraft draftOf(WizardFixture& f, const char* subtype) {
    scenario::ScenarioDraft d = *designer::PrepareWizardDraft(f.app, 0, subtype);
    d.input = "Measurements";
    return d;
}

}  // namespace

class WizardPagesTest : public QObject {
    Q_OBJECT
  private slots:
    void typePageOffersTheSeventeenAnalyses() {
        WizardFixture f;
        scenario::ScenarioDraft d = draftOf(f, "Percentiles");
        designer::TypePage page(f.app, d);
        page.Load();
        QCOMPARE(page.Caption(), QString("Zelk Statistics -- Select Analysis Type"));
        const QStringList captions = {
            "&Describe",      "&Frequency", "&Percentiles",       "Compar&e",  "&Matrix",
            "&Regression",    "&Crosstab",  "&Two Sample t-Test", "&ANOVA",    "Two &way ANOVA",
            "Chi S&quare",    "Si&gn Test", "&K-S Fit",           "&2 Sample", "N &Sample",
            "Paired &Fields", "N &Fields"};
        QStringList shown;
        for (int i = 0; i < 17; ++i)
            shown
                << child<QRadioButton>(&page, qPrintable(QString("optAnalysis_%1").arg(i)))->text();
        QCOMPARE(shown, captions);
        QVERIFY(child<QRadioButton>(&page, "optAnalysis_2")->isChecked());
        QStringList titles;
        for (auto* l : page.findChildren<QLabel*>()) titles << l->text();
        for (const char* t : {"<b>Parametric</b>", "<b>Group</b>", "<b>Non-Parametric</b>"})
            QVERIFY2(titles.contains(t), t);

        QSignalSpy changed(&page, &designer::WizardPage::changed);
        const std::pair<int, std::pair<const char*, const char*>> picks[] = {
            {10, {"Chi-Square", "N"}},
            {8, {"ANOVA", "G"}},
            {16, {"N Fields", "N"}},
            {3, {"Compare", "P"}}};
        for (const auto& [index, expected] : picks) {
            child<QRadioButton>(&page, qPrintable(QString("optAnalysis_%1").arg(index)))->click();
            QCOMPARE(d.subtype, std::string(expected.first));
            QCOMPARE(d.category, std::string(expected.second));
        }
        QCOMPARE(changed.count(), 4);
    }

    void typeChangeForgetsProposedOutputNames() {
        WizardFixture f;
        scenario::ScenarioDraft d = draftOf(f, "Describe");
        d.output1 = "Quorvane_Describe";  // as the output page proposed it
        designer::TypePage page(f.app, d);
        page.Load();
        child<QRadioButton>(&page, "optAnalysis_1")->click();
        QCOMPARE(d.output1, std::string());
        d.output1 = "My results";  // a name of the user's own stays
        child<QRadioButton>(&page, "optAnalysis_2")->click();
        QCOMPARE(d.output1, std::string("My results"));
    }

    void tablePageListsTablesAndQueriesWithoutSystemNames() {
        WizardFixture f;
        for (const char* sql :
             {"CREATE TABLE [Orders] ([n] DOUBLE)", "CREATE TABLE [MSysExtra] ([n] DOUBLE)",
              "CREATE TABLE [msysLower] ([n] DOUBLE)", "CREATE TABLE [USysMine] ([n] DOUBLE)"})
            QVERIFY2(f.db().Execute(sql).ok(), sql);
        for (const char* q : {"YieldQuery", "~TMPCLP42", "usysQuery", "MSYSQuery"})
            QVERIFY2(f.db().CreateQueryDef(q, "SELECT * FROM [Measurements]").ok(), q);
        scenario::ScenarioDraft d = *designer::PrepareWizardDraft(f.app, 0, "");
        designer::TablePage page(f.app, d);
        page.Load();
        QCOMPARE(page.Caption(), QString("Zelk Statistics Table Selection"));
        auto* list = child<QTreeWidget>(&page, "lvwTableQuery");
        QCOMPARE(list->headerItem()->text(0), QString("Name"));
        QCOMPARE(list->headerItem()->text(1), QString("Type"));
        auto* tabs = child<QTabBar>(&page, "tabTableQuery");
        QCOMPARE(tabs->tabText(0), QString("Table"));
        QCOMPARE(tabs->tabText(1), QString("Query"));
        QCOMPARE(sorted(listNames(list)), (QStringList{"Measurements", "Orders"}));
        tabs->setCurrentIndex(1);
        QCOMPARE(listNames(list), QStringList{"YieldQuery"});
        QCOMPARE(list->topLevelItem(0)->text(1), QString("Query"));
        bool foundFrame = false;
        for (auto* g : page.findChildren<QGroupBox*>())
            foundFrame |= g->title() == "Analysis Source";
        QVERIFY(foundFrame);

        // Next waits for a name.
        QVERIFY(!page.CanGoNext());
        QSignalSpy allowed(&page, &designer::WizardPage::nextAllowedChanged);
        list->setCurrentItem(list->topLevelItem(0));
        QCOMPARE(d.input, std::string("YieldQuery"));
        QVERIFY(page.CanGoNext());
        QVERIFY(allowed.count() >= 1);
        child<QLineEdit>(&page, "txtTableQuery")->clear();
        QVERIFY(!page.CanGoNext());

        // A stored query as the input opens the page on the query tab.
        d.input = "YieldQuery";
        tabs->setCurrentIndex(0);
        page.Load();
        QCOMPARE(tabs->currentIndex(), 1);
        QCOMPARE(list->currentItem()->text(0), QString("YieldQuery"));
    }

    void viewShowsTheSourceInADialogViewer() {
        WizardFixture f;
        std::vector<std::pair<std::string, std::string>> shown;
        f.app.Actions().showTableDialog = [&](const std::string& s, const std::string& c) {
            shown.emplace_back(s, c);
        };
        scenario::ScenarioDraft d = draftOf(f, "Describe");
        designer::TablePage page(f.app, d);
        page.Load();
        child<QPushButton>(&page, "cmdView")->click();
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].first, std::string("Measurements"));
        QCOMPARE(shown[0].second, std::string("Input table or query - Measurements"));
    }

    void fieldsPageShowsEachFieldWithItsTypeText() {
        WizardFixture f;
        QVERIFY(f.db()
                    .Execute("CREATE TABLE [Kinds] ([b] BYTE, [i] SHORT, [s] SINGLE, [c] "
                             "CURRENCY, [y] BIT, [t] TEXT (5))")
                    .ok());
        scenario::ScenarioDraft d = draftOf(f, "Describe");
        d.input = "kinds";
        designer::FieldsPage page(f.app, d);
        page.Load();
        QCOMPARE(page.Caption(), QString("Zelk Statistics Field Selection"));
        QCOMPARE(d.input, std::string("Kinds"));  // as the database spells it
        auto* list = child<QTreeWidget>(&page, "lvwAvailableFields");
        QCOMPARE(list->headerItem()->text(0), QString("Name"));
        QCOMPARE(list->headerItem()->text(1), QString("Type"));
        QCOMPARE(listNames(list),
                 (QStringList{"b - (#, Byte)", "i - (#, Integer)", "s - (#, Single)",
                              "c - (#, Currency)", "y - (Yes/No)", "t - (Text)"}));
        d.input = "Measurements";
        page.Load();
        QCOMPARE(listNames(list),
                 (QStringList{"Region - (Text)", "Plant - (Text)", "Yield - (#, Double)",
                              "Temperature - (#, Double)", "Batch - (#, Long)",
                              "Weight - (#, Double)", "Seen - (Date/Time)"}));
        QCOMPARE(child<QPushButton>(&page, "cmdIgnore")->text(),
                 QString("Specify Values to &Ignore"));
        bool described = false;
        for (auto* l : page.findChildren<QLabel*>()) described |= l->text() == "Description:";
        QVERIFY(described);
        QSignalSpy changed(&page, &designer::WizardPage::changed);
        child<QLineEdit>(&page, "txtDescription")->setText("Plant yields");
        QCOMPARE(d.description, std::string("Plant yields"));
        QCOMPARE(changed.count(), 1);
    }

    void fieldsPageFramesFollowTheAnalysis() {
        WizardFixture f;
        const QString weight = "Weight Field (Optional)";
        const std::pair<const char*, QStringList> cases[] = {
            {"Describe", {"Independent Fields (X)", "Group Fields", weight}},
            {"Sign Test", {"Independent Fields (X)", "Group Fields", weight}},
            {"Two Sample t-Test",
             {"Dependent Fields", "Comparison Field (Factor)", "Group Fields", weight}},
            {"N Sample", {"Dependent Fields", "Comparison Field (Factor)", "Group Fields", weight}},
            {"Regression",
             {"Dependent Field (Y)", "Independent Fields (X)", "Group Fields", weight}},
            {"Paired Fields",
             {"Dependent Field (Y)", "Independent Fields (X)", "Group Fields", weight}},
            {"Two way ANOVA",
             {"Dependent Fields", "Comparison Fields (Factors)", "Group Fields", weight}},
            {"Crosstab", {"Value Fields", "Column Field", "Row Fields", weight}},
            {"Chi-Square", {"Compare Fields", "Group Fields", weight}},
        };
        // One page follows the analysis as it changes, as it does in the wizard.
        scenario::ScenarioDraft d = draftOf(f, "Describe");
        designer::FieldsPage page(f.app, d);
        for (const auto& [subtype, titles] : cases) {
            d.subtype = subtype;
            page.Load();
            QCOMPARE(frameTitles(&page), titles);
        }
    }

    void twoWayAnovaTakesAThirdFactor() {
        WizardFixture f;
        scenario::ScenarioDraft d = draftOf(f, "Two way ANOVA");
        designer::FieldsPage page(f.app, d);
        page.Load();
        for (const char* name : {"Plant", "Region", "Batch"}) assign(&page, name, 'C');
        QCOMPARE(listed(&page, 'C').size(), 3);
        for (const auto& shown : f.prompter.shown) QVERIFY(shown.kind != "beep");
    }

    void transferButtonsMoveHighlightedFieldsAndRenumber() {
        WizardFixture f;
        scenario::ScenarioDraft d = draftOf(f, "Describe");
        designer::FieldsPage page(f.app, d);
        page.Load();
        page.addTo('X');
        QCOMPARE(f.told(), std::vector<std::string>{"Please highlight a field."});
        for (char role : {'X', 'W'}) {
            f.prompter.shown.clear();
            QVERIFY(highlight(&page, "Region"));
            page.addTo(role);
            QCOMPARE(f.told(), std::vector<std::string>{"Field must be numeric."});
        }
        QVERIFY(listed(&page, 'X').isEmpty());
        f.prompter.shown.clear();
        assign(&page, "Region", 'G');  // group fields may be text
        assign(&page, "Yield", 'X');
        assign(&page, "Temperature", 'X');
        assign(&page, "Batch", 'X');
        assign(&page, "Weight", 'W');
        QCOMPARE(f.told(), std::vector<std::string>{});
        QCOMPARE(
            listed(&page, 'X'),
            (QStringList{"Yield - (#, Double)", "Temperature - (#, Double)", "Batch - (#, Long)"}));
        // Assigned fields leave the available list.
        QCOMPARE(listNames(child<QTreeWidget>(&page, "lvwAvailableFields")),
                 (QStringList{"Plant - (Text)", "Seen - (Date/Time)"}));

        page.removeFrom('G');
        QCOMPARE(f.told(), std::vector<std::string>{"Please highlight a field."});
        child<QListWidget>(&page, "lisRole_X")->setCurrentRow(1);
        page.removeFrom('X');
        const std::vector<std::tuple<std::string, char, int>> expected = {
            {"Region", 'G', 1}, {"Yield", 'X', 1}, {"Batch", 'X', 2}, {"Weight", 'W', 1}};
        std::vector<std::tuple<std::string, char, int>> got;
        for (const auto& fd : d.fields) got.emplace_back(fd.name, fd.role, fd.position);
        QCOMPARE(got, expected);
        QCOMPARE(
            listNames(child<QTreeWidget>(&page, "lvwAvailableFields")),
            (QStringList{"Plant - (Text)", "Temperature - (#, Double)", "Seen - (Date/Time)"}));
    }

    void doubleClickAddsToTheFirstList() {
        WizardFixture f;
        scenario::ScenarioDraft d = draftOf(f, "Describe");
        designer::FieldsPage page(f.app, d);
        page.Load();
        auto* available = child<QTreeWidget>(&page, "lvwAvailableFields");
        auto item = [&](const char* text) {
            return available->findItems(text, Qt::MatchExactly).value(0);
        };
        page.addToFirstList(item("Yield - (#, Double)"));
        QCOMPARE(listed(&page, 'X'), QStringList{"Yield - (#, Double)"});
        page.addToFirstList(item("Region - (Text)"));
        QCOMPARE(f.told(), std::vector<std::string>{"Field must be numeric."});

        // For Regression the first list is the dependent field's, which holds one.
        d.subtype = "Regression";
        d.fields.clear();
        page.Load();
        page.addToFirstList(item("Yield - (#, Double)"));
        QCOMPARE(listed(&page, 'Y'), QStringList{"Yield - (#, Double)"});
        page.addToFirstList(item("Batch - (#, Long)"));
        QCOMPARE(listed(&page, 'Y'), QStringList{"Batch - (#, Long)"});
        QVERIFY(item("Yield - (#, Double)") != nullptr);
        QCOMPARE(d.fields.size(), size_t(1));
    }

    void fieldsPageReportsWhatTheAnalysisLacks() {
        WizardFixture f;
        struct Case {
            const char* subtype;
            std::vector<std::pair<const char*, char>> fields;
            std::string message;  // empty: the page lets the user on
            const char* focus;    // the add button of the role the message is about
        };
        const Case cases[] = {
            {"Describe", {}, "Independent (X) field must be assigned.", "cmdAdd_X"},
            {"Describe", {{"Yield", 'X'}}, "", nullptr},
            {"N Fields",
             {{"Yield", 'X'}},
             "At least 2 Independent (X) fields must be assigned.",
             "cmdAdd_X"},
            {"N Fields", {{"Yield", 'X'}, {"Batch", 'X'}}, "", nullptr},
            {"ANOVA", {}, "At least one Dependent field must be assigned.", "cmdAdd_X"},
            {"2 Sample", {{"Yield", 'X'}}, "Compare field must be assigned.", "cmdAdd_C"},
            {"Compare", {{"Yield", 'X'}}, "Dependent (Y) field must be assigned.", "cmdAdd_Y"},
            {"Regression", {{"Yield", 'Y'}}, "Independent (X) field must be assigned.", "cmdAdd_X"},
            {"Paired Fields", {{"Yield", 'Y'}, {"Batch", 'X'}}, "", nullptr},
            {"Two way ANOVA",
             {{"Yield", 'X'}, {"Plant", 'C'}},
             "Two Comparison fields must be assigned.",
             "cmdAdd_C"},
            {"Two way ANOVA", {{"Yield", 'X'}, {"Plant", 'C'}, {"Region", 'C'}}, "", nullptr},
            {"Two way ANOVA",
             {{"Yield", 'X'}, {"Plant", 'C'}, {"Region", 'C'}, {"Batch", 'C'}},
             "",
             nullptr},
            {"Crosstab", {}, "At least one Row field must be assigned.", "cmdAdd_G"},
            {"Crosstab", {{"Region", 'G'}}, "Column field must be assigned.", "cmdAdd_C"},
            {"Crosstab",
             {{"Region", 'G'}, {"Plant", 'C'}, {"Weight", 'W'}},
             kWeightMessage,
             "cmdAdd_X"},
            {"Crosstab",
             {{"Region", 'G'}, {"Plant", 'C'}},
             "At least one Value field must be assigned.",
             "cmdAdd_X"},
            {"Crosstab", {{"Region", 'G'}, {"Plant", 'C'}, {"Yield", 'X'}}, "", nullptr},
            {"Chi-Square",
             {{"Region", 'G'}},
             "At least one Comparison field must be assigned.",
             "cmdAdd_C"},
        };
        for (const Case& c : cases) {
            scenario::ScenarioDraft d = draftOf(f, c.subtype);
            for (const auto& [name, role] : c.fields) d.addField(name, role);
            designer::FieldsPage page(f.app, d);
            page.Load();
            f.prompter.shown.clear();
            const bool passed = page.CheckPage();
            QVERIFY2(passed == c.message.empty(), c.subtype);
            QCOMPARE(f.prompter.lastText(), c.message);
            if (passed) continue;
            // The focus on the button that adds the missing field, and a
            // field highlighted for it.
            QCOMPARE(page.focusWidget()->objectName(), QString(c.focus));
            auto* current = child<QTreeWidget>(&page, "lvwAvailableFields")->currentItem();
            QVERIFY2(current && current->isSelected(), c.subtype);
        }
    }

    void fieldsPageDropsAssignmentsTheAnalysisCannotTake() {
        WizardFixture f;
        scenario::ScenarioDraft d = draftOf(f, "Regression");
        d.addField("Yield", 'Y');
        d.addField("Temperature", 'X');
        d.addField("Missing", 'X');  // not a field of the input
        d.addField("Batch", 'X');
        d.subtype = "Describe";  // the user went back and chose another analysis
        designer::FieldsPage page(f.app, d);
        QSignalSpy changed(&page, &designer::WizardPage::changed);
        page.Load();
        QCOMPARE(changed.count(), 1);
        // The field the input lacks is named; the one of a role the analysis
        // has no list for goes with the analysis the user chose.
        QCOMPARE(f.told(), std::vector<std::string>{
                               "These fields of the scenario are no longer in [Measurements]: "
                               "Missing\r\n\r\nThey have been taken out of the field lists and "
                               "will be removed from the scenario when it is saved."});
        f.prompter.shown.clear();
        page.Load();
        QCOMPARE(f.told(), std::vector<std::string>{});
        QCOMPARE(listed(&page, 'X'),
                 (QStringList{"Temperature - (#, Double)", "Batch - (#, Long)"}));
        QCOMPARE(d.fields.size(), size_t(2));
        QCOMPARE(d.fields[1].position, 2);
    }

    void fieldsPageTellsWhenTheSourceIsGone() {
        WizardFixture f;
        QVERIFY(f.db().Execute("CREATE TABLE [Temporary] ([v] DOUBLE)").ok());
        QVERIFY(f.db().CreateQueryDef("OverTemporary", "SELECT * FROM [Temporary]").ok());
        QVERIFY(f.db().Execute("DROP TABLE [Temporary]").ok());
        for (const char* source : {"Gone", "OverTemporary"}) {
            scenario::ScenarioDraft d = draftOf(f, "Describe");
            d.input = source;
            d.addField("v", 'X');
            designer::FieldsPage page(f.app, d);
            f.prompter.shown.clear();
            page.Load();
            const std::string kind = std::string(source) == "Gone" ? "table" : "querydef";
            const std::string head =
                "Unable to open the specified " + kind + ": '" + source + "'\r\n\r\n";
            QVERIFY2(f.prompter.lastText().rfind(head, 0) == 0, f.prompter.lastText().c_str());
            // The stored assignment is kept; it is all there is to go on.
            QCOMPARE(listed(&page, 'X'), QStringList{"v"});
        }
    }

    // Enter in a list moves its field, and the keys go on from where they
    // were: the next field is highlighted, ready for the next Enter.
    void enterMovesTheFieldOfAList() {
        WizardFixture f;
        scenario::ScenarioDraft d = draftOf(f, "Describe");
        designer::FieldsPage page(f.app, d);
        page.Load();
        auto* available = child<QTreeWidget>(&page, "lvwAvailableFields");
        auto* x = child<QListWidget>(&page, "lisRole_X");
        QVERIFY(highlight(&page, "Yield"));
        available->currentItem()->setSelected(true);
        QTest::keyClick(available, Qt::Key_Return);
        QTest::keyClick(available, Qt::Key_Enter);
        QCOMPARE(listed(&page, 'X'),
                 (QStringList{"Yield - (#, Double)", "Temperature - (#, Double)"}));
        QCOMPARE(available->currentItem()->text(0), QString("Batch - (#, Long)"));
        QVERIFY(available->currentItem()->isSelected());
        // Back out of the list: the field is highlighted among the available ones.
        x->setCurrentRow(0);
        QTest::keyClick(x, Qt::Key_Return);
        QCOMPARE(listed(&page, 'X'), QStringList{"Temperature - (#, Double)"});
        QCOMPARE(x->currentRow(), 0);
        QCOMPARE(available->currentItem()->text(0), QString("Yield - (#, Double)"));
        QVERIFY(available->currentItem()->isSelected());
        // The transfer buttons have keys, named in their tips.
        auto* add = child<QPushButton>(&page, "cmdAdd_X");
        QCOMPARE(add->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
        QVERIFY2(add->toolTip().contains(add->shortcut().toString(QKeySequence::NativeText)),
                 qPrintable(add->toolTip()));
        QCOMPARE(child<QPushButton>(&page, "cmdRemove_W")->shortcut(),
                 QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_W));
    }

    void fieldsPageShowsTheRuleForValuesToIgnore() {
        WizardFixture f;
        struct Case {
            const char* type;
            dao::Value equal, low, high;
            QString label;
        };
        const Case cases[] = {
            {"0", {}, {}, {}, "Values to ignore: none"},
            {"1", -99.0, {}, {}, "Values to ignore: equal to -99"},
            {"2", {}, 0.5, {}, "Values to ignore: below 0.5"},
            {"2", {}, {}, 100.0, "Values to ignore: above 100"},
            {"2", {}, -1.0, 1000.0, "Values to ignore: below -1 and above 1000"},
        };
        for (const Case& c : cases) {
            scenario::ScenarioDraft d = draftOf(f, "Describe");
            d.missingType = c.type;
            d.missingEqual = c.equal;
            d.missingLow = c.low;
            d.missingHigh = c.high;
            designer::FieldsPage page(f.app, d);
            page.Load();
            QCOMPARE(child<QLabel>(&page, "lblIgnoreRule")->text(), c.label);
        }
    }

    void ignoreDialogChecksAndStoresTheRule() {
        WizardFixture f;
        scenario::ScenarioDraft d = draftOf(f, "Describe");
        designer::IgnoreDialog dialog(d, f.prompter);
        QCOMPARE(dialog.windowTitle(), QString("Specify Data Values to Ignore"));
        // Wide enough for the title beside the title bar's buttons.
        QVERIFY(dialog.minimumWidth() >=
                dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()) + 100);
        auto* all = child<QRadioButton>(&dialog, "optIgnore_0");
        auto* one = child<QRadioButton>(&dialog, "optIgnore_1");
        auto* range = child<QRadioButton>(&dialog, "optIgnore_2");
        QCOMPARE(all->text(), QString("Analyze &All values (do not ignore any values)"));
        QCOMPARE(one->text(), QString("Ignore a &Specific Value"));
        QCOMPARE(range->text(), QString("Ignore a &Range of Values:"));
        QStringList labels;
        for (auto* l : dialog.findChildren<QLabel*>()) labels << l->text();
        QCOMPARE(labels, (QStringList{"(=):", "Less Than (<):", "Greater Than (>):"}));
        auto* equal = child<QLineEdit>(&dialog, "txtEqual");
        auto* low = child<QLineEdit>(&dialog, "txtLessThan");
        auto* high = child<QLineEdit>(&dialog, "txtGreaterThan");
        QVERIFY(all->isChecked());
        QVERIFY(!equal->isEnabled() && !low->isEnabled() && !high->isEnabled());
        one->setChecked(true);
        QVERIFY(equal->isEnabled() && !low->isEnabled() && !high->isEnabled());

        // Numeric keys only.
        QTest::keyClicks(equal, "1a2.5x");
        QCOMPARE(equal->text(), QString("12.5"));
        equal->clear();

        QVERIFY(!dialog.tryAccept());
        QCOMPARE(f.prompter.lastText(), std::string("Missing required value"));
        QCOMPARE(d.missingType, std::string("0"));
        range->setChecked(true);
        QVERIFY(!equal->isEnabled() && low->isEnabled() && high->isEnabled());
        f.prompter.shown.clear();
        QVERIFY(!dialog.tryAccept());
        QCOMPARE(f.prompter.lastText(), std::string("Missing required value"));
        for (const char* bound : {"5", "2"}) {
            low->setText("5");
            high->setText(bound);
            f.prompter.shown.clear();
            QVERIFY(!dialog.tryAccept());
            QCOMPARE(f.prompter.lastText(),
                     std::string("Greater Than Value must be Larger than Less Than Value"));
        }
        QCOMPARE(d.missingType, std::string("0"));

        equal->setText("7");  // left in a box the rule does not use
        high->setText("5.5");
        low->setText("-2");
        QVERIFY(dialog.tryAccept());
        QCOMPARE(equal->text(), QString());
        QCOMPARE(d.missingType, std::string("2"));
        QVERIFY(d.missingEqual.isNull());
        QCOMPARE(d.missingLow.asDouble(), -2.0);
        QCOMPARE(d.missingHigh.asDouble(), 5.5);

        // One bound is enough.
        designer::IgnoreDialog upper(d, f.prompter);
        QVERIFY(child<QRadioButton>(&upper, "optIgnore_2")->isChecked());
        QCOMPARE(child<QLineEdit>(&upper, "txtLessThan")->text(), QString("-2"));
        child<QLineEdit>(&upper, "txtLessThan")->clear();
        QVERIFY(upper.tryAccept());
        QVERIFY(d.missingLow.isNull());
        QCOMPARE(d.missingHigh.asDouble(), 5.5);

        designer::IgnoreDialog single(d, f.prompter);
        child<QRadioButton>(&single, "optIgnore_1")->setChecked(true);
        child<QLineEdit>(&single, "txtEqual")->setText("-99.5");
        QVERIFY(single.tryAccept());
        QCOMPARE(child<QLineEdit>(&single, "txtGreaterThan")->text(), QString());
        QCOMPARE(d.missingType, std::string("1"));
        QCOMPARE(d.missingEqual.asDouble(), -99.5);
        QVERIFY(d.missingHigh.isNull());

        designer::IgnoreDialog none(d, f.prompter);
        QCOMPARE(child<QLineEdit>(&none, "txtEqual")->text(), QString("-99.5"));
        child<QRadioButton>(&none, "optIgnore_0")->setChecked(true);
        QVERIFY(none.tryAccept());
        QCOMPARE(d.missingType, std::string("0"));
        QVERIFY(d.missingEqual.isNull());
    }

    void outputPageProposesNamesAndChecksThem() {
        WizardFixture f;
        f.app.SettingsA().WriteEntry("OutputTablePrefix", "Mine_");
        // Labels as the page shows them; proposed names need no brackets.
        struct Case {
            const char* subtype;
            QStringList labels, names;
        };
        const Case cases[] = {
            {"Paired Fields", {"PairedFields"}, {"Mine_PairedFields"}},
            {"K-S Fit", {"K-S Fit"}, {"Mine_K_S_Fit"}},
            {"N Fields",
             {"N Fields Friedman", "N Fields Friedman Details"},
             {"Mine_N_Fields_Friedman", "Mine_N_Fields_Friedman_Details"}},
            {"Two way ANOVA",
             {"Two Way ANOVA", "Two Way ANOVA Details"},
             {"Mine_Two_Way_ANOVA", "Mine_Two_Way_ANOVA_Details"}},
        };
        for (const Case& c : cases) {
            scenario::ScenarioDraft d = draftOf(f, c.subtype);
            d.setOption("GroupDetail", true);
            designer::FinishPage page(f.app, d);
            page.Load();
            QCOMPARE(page.Caption(), QString("Zelk Statistics Output Tables and Description"));
            QCOMPARE(child<QLabel>(&page, "lblAnalysisType")->text(), QString(c.subtype));
            for (int i = 0; i < c.labels.size(); ++i) {
                QCOMPARE(child<QLabel>(&page, qPrintable(QString("lblOutput_%1").arg(i)))->text(),
                         QString("Name for %1 output table: ").arg(c.labels[i]));
                auto* box = child<QLineEdit>(&page, qPrintable(QString("txtOutput_%1").arg(i)));
                QCOMPARE(box->text(), c.names[i]);
                QVERIFY(box->isEnabled());
            }
            QCOMPARE(child<QGroupBox>(&page, "fraOutput")->title(),
                     QString(c.labels.size() == 2 ? "Output Tables" : "Output Table"));
        }

        scenario::ScenarioDraft d = draftOf(f, "ANOVA");
        d.setOption("GroupDetail", true);
        d.output1 = "Kept";  // a name already given is not replaced
        designer::FinishPage page(f.app, d);
        page.Load();
        auto* first = child<QLineEdit>(&page, "txtOutput_0");
        auto* second = child<QLineEdit>(&page, "txtOutput_1");
        QCOMPARE(first->text(), QString("Kept"));
        QCOMPARE(second->text(), QString("Mine_ANOVA_Details"));
        QVERIFY(page.CheckPage());
        const std::pair<std::pair<QString, QString>, std::string> checks[] = {
            {{"", "Two"}, "Output table name required."},
            {{"One", ""}, "Second Output table name required."},
            {{"Same", "same"},
             "The first and second output table names names must not be the same."},
        };
        for (const auto& [names, message] : checks) {
            first->setText(names.first);
            second->setText(names.second);
            f.prompter.shown.clear();
            QVERIFY(!page.CheckPage());
            QCOMPARE(f.told(), std::vector<std::string>{message});
        }
        first->setText("Results");
        second->setText("Details");
        QCOMPARE(d.output1, std::string("Results"));
        QCOMPARE(d.output2, std::string("Details"));
        QVERIFY(page.CheckPage());
    }

    // With "Create detail table" off the second name is neither asked for
    // nor kept: its box shows greyed and empty.
    void detailTableNameFollowsItsOption() {
        WizardFixture f;
        const std::pair<const char*, const char*> cases[] = {
            {"Two Sample t-Test", "GroupDetail"}, {"ANOVA", "GroupDetail"},
            {"Two way ANOVA", "GroupDetail"},     {"Chi-Square", "ChiDetail"},
            {"N Sample", "NPKruskalDetail"},      {"N Fields", "NPFriedmanDetail"}};
        for (const auto& [subtype, option] : cases) {
            scenario::ScenarioDraft d = draftOf(f, subtype);
            d.setOption(option, false);
            d.output2 = "Left over";
            designer::FinishPage page(f.app, d);
            page.Load();
            auto* second = child<QLineEdit>(&page, "txtOutput_1");
            QVERIFY2(second->isVisibleTo(&page) && !second->isEnabled(), subtype);
            QCOMPARE(second->text(), QString());
            QCOMPARE(d.output2, std::string());
            f.prompter.shown.clear();
            QVERIFY2(page.CheckPage(), subtype);

            d.setOption(option, true);
            page.Load();
            QVERIFY2(second->isEnabled(), subtype);
            QVERIFY2(!second->text().isEmpty(), subtype);
            second->clear();
            QVERIFY2(!page.CheckPage(), subtype);
            QCOMPARE(f.told(), std::vector<std::string>{"Second Output table name required."});
        }
    }
};

QTEST_MAIN(WizardPagesTest)
#include "wizard_pages_test.moc"
