// quorvane-screenshots DB DIR: opens the designer on DB (the demo database)
// and writes a PNG of each main state into DIR, so that how the windows look
// can be checked by eye after every change. Questions are answered Yes.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <string>

#include "analyses/registration.h"
#include "designer/app_state.h"
#include "designer/designer_setup.h"
#include "designer/frame/main_frame.h"
#include "designer/frame/open_database_dialog.h"
#include "designer/tools/code_generator_dialog.h"
#include "designer/tools/probability_calculator.h"
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

// An output table of the demo in a viewer of its own, at its chart.
void chartShot(designer::AppState& state, const char* table, const QString& dir, const char* name) {
    designer::TableViewer* viewer =
        designer::CreateTableViewer(state, table, "Scenario Output Table", nullptr);
    if (!viewer || !viewer->ShowChart()) {
        std::fprintf(stderr, "no chart for %s\n", table);
        ++failures;
        delete viewer;
        return;
    }
    viewer->resize(900, 600);
    viewer->show();
    save(viewer, dir, name);
    delete viewer;
}

}  // namespace

int main(int argc, char** argv) {
    qrv::RegisterAnalyses();
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: quorvane-screenshots DB DIR\n");
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

    frame.closeDatabase();
    return failures == 0 ? 0 : 1;
}
