// quorvane-screenshots DB DIR: opens the designer on DB (the demo database)
// and writes a PNG of each main state into DIR, so that how the windows look
// can be checked by eye after every change. Questions are answered Yes.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <string>

#include "analyses/registration.h"
#include "designer/app_state.h"
#include "designer/designer_setup.h"
#include "designer/frame/main_frame.h"
#include "designer/frame/open_database_dialog.h"
#include "designer/scenarios/status_window.h"
#include "designer/tools/code_generator_dialog.h"
#include "designer/tools/probability_calculator.h"
#include "designer/viewer/chart_panel.h"
#include "designer/viewer/table_viewer.h"
#include "designer/wizard/default_pages.h"
#include "designer/wizard/options_page.h"
#include "designer/wizard/scenario_wizard.h"
#include "designer/wizard/wizard_entry.h"
#include "scenario/scenario_author.h"
#include "util/file_dialogs.h"
#include "util/settings.h"

namespace {

using namespace qrv;

// Answers every question Yes and prints what it was told, so nothing waits.
class YesPrompter final : public Prompter {
  public:
    bool askYesNo(const std::string&, const std::string& text) override {
        std::fprintf(stderr, "question (answered Yes): %s\n", text.c_str());
        return true;
    }
    void inform(const std::string&, const std::string& text) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    void critical(const std::string&, const std::string& text) override {
        std::fprintf(stderr, "error: %s\n", text.c_str());
    }
    void beep() override {}
};

class NoFiles final : public util::FileChooser {
  public:
    std::optional<std::string> chooseFile(QWidget*, const std::string&, const QString&,
                                          const std::string&) override {
        return std::nullopt;
    }
};

int failures = 0;

void save(QWidget* w, const QString& dir, const char* name) {
    QApplication::processEvents();
    const QString path = dir + "/" + name;
    if (!w->grab().save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        ++failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

// The wizard on a stored scenario, shown at one page.
void wizardShot(designer::AppState& state, std::int32_t id, int page, const QString& dir,
                const char* name) {
    auto draft = designer::PrepareWizardDraft(state, id, "");
    if (!draft) {
        ++failures;
        return;
    }
    designer::ScenarioWizard wizard(state, *draft, designer::CreateOptionsPage);
    wizard.Start(page);
    wizard.resize(wizard.sizeHint().expandedTo(QSize(760, 560)));
    save(&wizard, dir, name);
}

// An output table in a viewer of its own, at a page of its chart.
void chartShot(designer::AppState& state, const char* table, const QString& dir, const char* name,
               int page = 0) {
    designer::TableViewer* viewer =
        designer::CreateTableViewer(state, table, "Scenario Output Table", nullptr);
    designer::ChartPanel* chart = viewer ? viewer->ShowChart() : nullptr;
    if (!chart) {
        std::fprintf(stderr, "no chart for %s\n", table);
        ++failures;
        delete viewer;
        return;
    }
    chart->ShowPage(page);
    viewer->resize(900, 600);
    viewer->show();
    save(viewer, dir, name);
    delete viewer;
}

// The grid of a table scrolled to its last rows.
void gridEndShot(designer::AppState& state, const char* table, const QString& dir,
                 const char* name) {
    designer::TableViewer* viewer =
        designer::CreateTableViewer(state, table, "Scenario Output Table 2", nullptr);
    if (!viewer) {
        ++failures;
        return;
    }
    viewer->resize(900, 600);
    viewer->show();
    viewer->ScrollToEnd();
    save(viewer, dir, name);
    delete viewer;
}

}  // namespace

int main(int argc, char** argv) {
    qrv::RegisterAnalyses();
    QApplication app(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: quorvane-screenshots DB DIR [LARGE_DB]\n");
        return 2;
    }
    const std::string db = QFileInfo(argv[1]).absoluteFilePath().toStdString();
    const QString dir = QFileInfo(argv[2]).absoluteFilePath();
    QDir().mkpath(dir);
    QTemporaryDir data;

    util::MemorySettingsStore store;
    YesPrompter prompter;
    designer::AppState state(store, prompter, QCoreApplication::applicationDirPath().toStdString(),
                             data.path().toStdString());
    designer::MainFrame frame(state);
    designer::DesignerSetup setup(state, frame);
    frame.resize(1280, 800);
    frame.show();
    if (!frame.openDatabase(db)) {
        std::fprintf(stderr, "could not open %s\n", db.c_str());
        return 1;
    }
    if (auto* sub = frame.mdiArea()->activeSubWindow()) sub->showMaximized();
    if (auto* list = setup.Scenarios()) list->SelectScenario(1);
    save(&frame, dir, "01-main-window.png");

    // The Describe scenario (1) through the wizard: type, fields, options.
    wizardShot(state, 1, designer::ScenarioWizard::kTypePage, dir, "02-wizard-type.png");
    wizardShot(state, 1, designer::ScenarioWizard::kFieldsPage, dir, "03-wizard-fields.png");
    wizardShot(state, 1, designer::ScenarioWizard::kOptionsRoute, dir, "04-wizard-options.png");
    wizardShot(state, 1, designer::ScenarioWizard::kFinishPage, dir, "05-wizard-output.png");

    designer::tools::ProbabilityCalculator calculator(state);
    if (auto* value = calculator.findChild<QLineEdit*>("txtTestValue")) value->setText("1.96");
    calculator.calculate();
    calculator.show();
    save(&calculator, dir, "06-calculator.png");

    auto draft = scenario::LoadDraft(state.CurrentDatabase(), 1);
    if (draft) {
        designer::tools::CodeInput input{
            db, 1, draft->description, draft->input, draft->output1, draft->output2};
        designer::tools::CodeGeneratorDialog code(state, input);
        code.resize(760, 560);
        code.show();
        save(&code, dir, "07-code-generator.png");
    } else {
        ++failures;
    }

    chartShot(state, "Demo_Frequency", dir, "08-histogram.png");
    chartShot(state, "Demo_Describe", dir, "09-box-plots.png");
    chartShot(state, "Demo_Regression_Residuals", dir, "10-residual-plot.png");
    // The grid of an output table inside the main window.
    if (auto* sub = frame.mdiArea()->activeSubWindow()) sub->showNormal();
    state.Actions().showTableData("Demo_Describe", "Scenario Output Table");
    save(&frame, dir, "11-main-window-viewer.png");

    NoFiles files;
    designer::OpenDatabaseDialog open(frame.recent().Entries(), false, files, prompter);
    open.show();
    save(&open, dir, "12-open-database.png");

    // The fields page says which values are ignored (scenario 2 ignores
    // pressures below 95); a t-test without its detail table greys the name.
    wizardShot(state, 2, designer::ScenarioWizard::kFieldsPage, dir, "13-wizard-ignore-rule.png");
    wizardShot(state, 14, designer::ScenarioWizard::kFinishPage, dir, "14-wizard-no-detail.png");
    // Boxes computed from the input: the table holds no quartiles.
    chartShot(state, "Demo_Describe_Pressure", dir, "15-box-plots-computed.png");

    // Three windows and the Window menu listing them.
    state.Actions().showTableData("Demo_Frequency", "Scenario Output Table");
    state.Actions().showTableData("Demo_Percentiles", "Scenario Output Table");
    if (QMenu* menu = frame.showWindowMenu()) {
        save(&frame, dir, "16-window-menu-frame.png");
        save(menu, dir, "17-window-menu.png");
        menu->close();
    } else {
        ++failures;
    }

    designer::StatusWindow status;
    status.SetScenario(12, "Yield on temperature, quadratic");
    status.ShowCancelled();
    status.show();
    save(&status, dir, "18-run-cancelled.png");

    frame.closeDatabase();

    // A million-row residual table: both plots from a sample of the whole
    // range, and the grid at its last rows.
    if (argc == 4) {
        const std::string large = QFileInfo(argv[3]).absoluteFilePath().toStdString();
        if (!frame.openDatabase(large)) {
            std::fprintf(stderr, "could not open %s\n", large.c_str());
            return 1;
        }
        chartShot(state, "Large_Residuals", dir, "19-large-observed-fitted.png", 0);
        chartShot(state, "Large_Residuals", dir, "20-large-residuals-fitted.png", 1);
        gridEndShot(state, "Large_Residuals", dir, "21-large-grid-end.png");
        frame.closeDatabase();
    }
    return failures == 0 ? 0 : 1;
}
