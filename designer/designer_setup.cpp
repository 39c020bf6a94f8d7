#include "designer/designer_setup.h"

#include "designer/tools/code_generator_dialog.h"
#include "designer/tools/probability_calculator.h"
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
    errorWindow_ = std::make_unique<tools::DesignerErrorWindow>(state, desktop_, &frame);
    state.SetUnexpectedErrorWindow(errorWindow_.get());
}

DesignerSetup::~DesignerSetup() {
    state_.SetUnexpectedErrorWindow(nullptr);
}

}  // namespace qrv::designer
