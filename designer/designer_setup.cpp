#include "designer/designer_setup.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>

#include "designer/tools/code_generator_dialog.h"
#include "designer/tools/probability_calculator.h"
#include "designer/viewer/table_viewer.h"
#include "designer/wizard/default_pages.h"

namespace qrv::designer {

DesignerSetup::DesignerSetup(AppState& state, MainFrame& frame) : state_(state) {
    frame.makeScenarioWindow = [this](AppState& app) -> QWidget* {
        scenarios_ = new ScenarioListWindow(app);
        return scenarios_;
    };
    frame.currentScenario = [this]() -> std::int32_t {
        return scenarios_ ? scenarios_->CurrentScenario() : 0;
    };
    InstallScenarioWizard(state, &frame);
    DesignerActions& actions = state.Actions();
    actions.generateCode = [&state, &frame](std::int32_t id) {
        tools::OpenCodeGenerator(state, id, &frame);
    };
    actions.openCalculator = [&state, &frame] { tools::OpenCalculator(state, &frame); };
    actions.showTableData = [&state, &frame](const std::string& name, const std::string& caption) {
        TableViewer* viewer = CreateTableViewer(state, name, caption, nullptr);
        if (!viewer) return;
        QMdiSubWindow* sub = frame.mdiArea()->addSubWindow(viewer);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        const QSize area = frame.mdiArea()->size();
        sub->resize(area * 3 / 4);
        sub->show();
        // Wholly inside the area, however far the automatic placement went.
        sub->move(std::clamp(sub->x(), 0, std::max(0, area.width() - sub->width())),
                  std::clamp(sub->y(), 0, std::max(0, area.height() - sub->height())));
        frame.mdiArea()->setActiveSubWindow(sub);
    };
    actions.showTableDialog = [&state, &frame](const std::string& name,
                                               const std::string& caption) {
        ShowTableDialog(state, name, caption,
                        QApplication::activeWindow() ? QApplication::activeWindow() : &frame);
    };
    actions.closeTableViewers = [&frame](const std::string& name) {
        CloseTableViewers(frame.mdiArea(), name);
    };
    errorWindow_ = std::make_unique<tools::DesignerErrorWindow>(state, desktop_, &frame);
    state.SetUnexpectedErrorWindow(errorWindow_.get());
}

DesignerSetup::~DesignerSetup() {
    state_.SetUnexpectedErrorWindow(nullptr);
}

}  // namespace qrv::designer
