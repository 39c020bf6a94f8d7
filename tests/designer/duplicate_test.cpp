// Duplicating a scenario: the dialog's texts and its OK, the copy's rows in
// the three tables against its source's, and the list afterwards.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QtTest>

#include "designer/scenarios/duplicate_dialog.h"
#include "designer/scenarios/scenario_list_window.h"
#include "scenario_db.h"

using qrv::designer::DuplicateDialog;
using qrv::designer::ScenarioListWindow;
using qrv::test::App;
using qrv::test::ScenarioDb;

namespace {

// A row without the columns that must differ between a scenario and its copy.
ScenarioDb::Row without(ScenarioDb::Row r, std::initializer_list<const char*> columns) {
    for (const char* c : columns) r.erase(c);
    return r;
}

}  // namespace

class DuplicateTest : public QObject {
    Q_OBJECT
  private slots:
    void dialogShowsTheDescriptionAndOkNeedsText() {
        ScenarioDb data;
        const auto id = data.add("Describe", "Ages 2024");
        App app(data);
        DuplicateDialog d(app.state);
        QCOMPARE(d.objectName(), QString("frmDuplicate"));
        QCOMPARE(d.windowTitle(), QString("Duplicate Scenario"));
        QVERIFY(d.SetScenarioID(id));
        QStringList labels;
        for (QLabel* l : d.findChildren<QLabel*>()) labels << l->text();
        QVERIFY(labels.contains("Scenario Description:"));
        QVERIFY(labels.contains("&New Scenario Description"));
        QCOMPARE(d.findChild<QPlainTextEdit*>("txtScenario")->toPlainText(), QString("Ages 2024"));
        auto* text = d.findChild<QLineEdit*>("txtNewScenario");
        QCOMPARE(text->text(), QString("Copy of Ages 2024"));
        // The dialog opens ready for a new name: typing replaces the proposal.
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QCOMPARE(QApplication::focusWidget(), text);
        QCOMPARE(text->selectedText(), QString("Copy of Ages 2024"));
        QTest::keyClicks(QApplication::focusWidget(), "Ages again");
        QCOMPARE(text->text(), QString("Ages again"));
        auto* ok = d.findChild<QPushButton*>("cmdAction_0");
        QCOMPARE(ok->text(), QString("OK"));
        QCOMPARE(d.findChild<QPushButton*>("cmdAction_1")->text(), QString("Cancel"));
        QVERIFY(ok->isEnabled());
        text->clear();
        QVERIFY(!ok->isEnabled());
        QVERIFY(!d.tryAccept());
        QTest::keyClicks(text, "x");
        QVERIFY(ok->isEnabled());
    }

    void aLongDescriptionIsShownWhole() {
        ScenarioDb data;
        // As long as a description may be (255 characters), one word too long
        // for a line among them.
        std::string description = "Quarterly sales by region " + std::string(60, 'W');
        while (description.size() < 250) description += " and store";
        description.resize(255, 'x');
        const auto id = data.add("Describe", description);
        App app(data);
        DuplicateDialog d(app.state);
        QVERIFY(d.SetScenarioID(id));
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        auto* box = d.findChild<QPlainTextEdit*>("txtScenario");
        QCOMPARE(box->toPlainText().toStdString(), description);
        QVERIFY(box->isReadOnly());
        QCOMPARE(box->verticalScrollBar()->maximum(), 0);
        QCOMPARE(box->horizontalScrollBar()->maximum(), 0);
    }

    void theCopyHasEveryRowOfItsSourceUnderANewNumber() {
        ScenarioDb data;
        const auto src = data.add("Describe", "Ages", {{"Grp", 'G'}, {"X", 'X'}}, "AgesOut");
        // Options and an ignore rule away from their defaults.
        data.exec(
            "UPDATE [usysQuorvaneOptions] SET [Mode] = True, [VarNRadio] = 'N' "
            "WHERE [Scenario_ID] = " +
            std::to_string(src));
        data.exec(
            "UPDATE [usysQuorvaneScenarios] SET [MissingType] = '1', [MissingEqual] = -9 "
            "WHERE [Scenario_ID] = " +
            std::to_string(src));
        App app(data);
        DuplicateDialog d(app.state);
        QVERIFY(d.SetScenarioID(src));
        d.findChild<QLineEdit*>("txtNewScenario")->setText("Ages, second look");
        QTest::mouseClick(d.findChild<QPushButton*>("cmdAction_0"), Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        const auto copy = d.NewScenarioID();
        QVERIFY(copy != 0 && copy != src);

        auto s0 = data.rowsOf("usysQuorvaneScenarios", src);
        auto s1 = data.rowsOf("usysQuorvaneScenarios", copy);
        QCOMPARE(s1.size(), size_t(1));
        QCOMPARE(s1[0]["Scenario_Description"], std::string("Ages, second look"));
        QCOMPARE(s0[0]["Scenario_Description"], std::string("Ages"));
        QCOMPARE(s1[0]["MissingEqual"], std::string("-9"));
        QVERIFY(without(s0[0], {"Scenario_ID", "Scenario_Description"}) ==
                without(s1[0], {"Scenario_ID", "Scenario_Description"}));

        auto o0 = data.rowsOf("usysQuorvaneOptions", src);
        auto o1 = data.rowsOf("usysQuorvaneOptions", copy);
        QCOMPARE(o1.size(), size_t(1));
        QVERIFY(without(o0[0], {"Scenario_ID"}) == without(o1[0], {"Scenario_ID"}));

        auto f0 = data.rowsOf("usysQuorvaneFields", src, "FieldDef_Choice");
        auto f1 = data.rowsOf("usysQuorvaneFields", copy, "FieldDef_Choice");
        QCOMPARE(f1.size(), size_t(2));
        for (size_t i = 0; i < f0.size(); ++i)
            QVERIFY(without(f0[i], {"Scenario_ID"}) == without(f1[i], {"Scenario_ID"}));
        QCOMPARE(f1[0]["FieldDef_Name"], std::string("Grp"));
        QCOMPARE(f1[1]["FieldDef_Name"], std::string("X"));
    }

    void duplicateFromTheListSelectsTheCopy() {
        ScenarioDb data;
        const auto a = data.add("Describe", "Ages");
        const auto b = data.add("Frequency", "Spread");
        App app(data);
        ScenarioListWindow w(app.state);
        w.show();
        QVERIFY(w.SelectScenario(a));
        QTest::mouseClick(w.findChild<QPushButton*>("cmdAction_2"), Qt::LeftButton);
        auto* d = w.findChild<DuplicateDialog*>();
        QVERIFY(d && d->isVisible());
        QVERIFY(d->isModal());
        QCOMPARE(d->findChild<QLineEdit*>("txtNewScenario")->text(), QString("Copy of Ages"));
        QVERIFY(d->tryAccept());
        QTRY_VERIFY(!w.findChild<DuplicateDialog*>());  // gone when closed
        auto* list = w.findChild<QTreeWidget*>("lvwScenarios");
        QCOMPARE(list->topLevelItemCount(), 3);
        const auto copy = w.CurrentScenario();
        QVERIFY(copy != a && copy != b && copy != 0);
        // Describe rows first (by number), then Frequency.
        QCOMPARE(list->topLevelItem(1)->text(0).toInt(), copy);
        QCOMPARE(list->topLevelItem(1)->text(2), QString("Copy of Ages"));
        QVERIFY(app.prompter.shown.empty());
    }

    void cancelCopiesNothing() {
        ScenarioDb data;
        const auto a = data.add("Describe", "Ages");
        App app(data);
        ScenarioListWindow w(app.state);
        w.show();
        QVERIFY(w.SelectScenario(a));
        QTest::mouseClick(w.findChild<QPushButton*>("cmdAction_2"), Qt::LeftButton);
        auto* d = w.findChild<DuplicateDialog*>();
        QVERIFY(d);
        QTest::mouseClick(d->findChild<QPushButton*>("cmdAction_1"), Qt::LeftButton);
        QTRY_VERIFY(!w.findChild<DuplicateDialog*>());
        QCOMPARE(w.findChild<QTreeWidget*>("lvwScenarios")->topLevelItemCount(), 1);
        QCOMPARE(w.CurrentScenario(), a);
    }

    void aScenarioGoneMeanwhileCannotBeDuplicated() {
        ScenarioDb data;
        const auto a = data.add("Describe", "Ages");
        App app(data);
        ScenarioListWindow w(app.state);
        QVERIFY(w.SelectScenario(a));
        QVERIFY(!qrv::scenario::DeleteScenarios(data.db, {a}));
        QTest::mouseClick(w.findChild<QPushButton*>("cmdAction_2"), Qt::LeftButton);
        QCOMPARE(app.prompter.lastText(),
                 std::string("Error retrieving current scenario information"));
        QVERIFY(!w.findChild<DuplicateDialog*>());
    }
};

QTEST_MAIN(DuplicateTest)
#include "duplicate_test.moc"
