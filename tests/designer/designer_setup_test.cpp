// The designer as the program wires it: a database opened in the frame lists
// its scenarios, tables open as child windows and close by name, a run from
// the list opens its output table, and the tools and the error window are
// reachable from the shared actions.
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTreeWidget>
#include <QtTest>

#include "designer/app_state.h"
#include "designer/designer_setup.h"
#include "designer/frame/main_frame.h"
#include "scenario_db.h"
#include "scripted_prompter.h"
#include "util/settings.h"

using namespace qrv;

namespace {

QStringList childTitles(designer::MainFrame& frame) {
    QStringList titles;
    for (QMdiSubWindow* sub : frame.mdiArea()->subWindowList()) titles << sub->windowTitle();
    return titles;
}

QWidget* topLevel(const char* objectName) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == objectName && w->isVisible()) return w;
    return nullptr;
}

}  // namespace

class DesignerSetupTest : public QObject {
    Q_OBJECT
  private slots:
    void openRunViewAndTools() {
        test::ScenarioDb data;
        const std::int32_t id = data.add("Describe", "Mean of X", {{"X", 'X'}}, "Out1");
        data.db.Close();

        util::MemorySettingsStore store;
        test::ScriptedPrompter prompter;
        designer::AppState state(store, prompter, data.dir.path().toStdString(),
                                 data.dir.path().toStdString());
        designer::MainFrame frame(state);
        designer::DesignerSetup setup(state, frame);
        frame.show();
        QVERIFY(frame.openDatabase(data.path));

        // The scenario list is the first child and shows the stored scenario.
        QVERIFY(setup.Scenarios() != nullptr);
        QCOMPARE(childTitles(frame), QStringList{"Analysis Scenarios"});
        auto* list = setup.Scenarios()->findChild<QTreeWidget*>("lvwScenarios");
        QVERIFY(list);
        QCOMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(list->topLevelItem(0)->text(2), QString("Mean of X"));

        // Viewing the input opens a child window; closing by name (any case) shuts it.
        state.Actions().showTableData("Data", "Input Data Table");
        QCOMPARE(childTitles(frame).size(), 2);
        QVERIFY(childTitles(frame).contains("Input Data Table - Data"));
        state.Actions().closeTableViewers("DATA");
        QTRY_COMPARE(childTitles(frame).size(), 1);

        // A table that is not there: the message, and no window.
        state.Actions().showTableData("Out1", "Scenario Output Table");
        QCOMPARE(childTitles(frame).size(), 1);
        QVERIFY(prompter.lastText().find("The table [Out1] does not exist in the database.") == 0);

        // A run from the list ends with its output table open.
        setup.Scenarios()->SelectScenario(id);
        setup.Scenarios()->RunCurrentScenario();
        QTRY_VERIFY_WITH_TIMEOUT(childTitles(frame).contains("Scenario Output Table - Out1"),
                                 20000);

        // The tools: the calculator, and the code of the chosen scenario.
        QVERIFY(!topLevel("frmQuorvane_Calculator"));
        state.Actions().openCalculator();
        QVERIFY(topLevel("frmQuorvane_Calculator"));
        state.Actions().generateCode(id);
        QVERIFY(topLevel("frmGenerateCode"));
        QVERIFY(state.Actions().runWizard);
        QVERIFY(state.UnexpectedErrorWindow() != nullptr);

        frame.closeDatabase();
        QVERIFY(!state.HasDatabase());
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != &frame) w->close();
    }
};

QTEST_MAIN(DesignerSetupTest)
#include "designer_setup_test.moc"
