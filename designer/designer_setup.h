// The designer's windows wired to one another through the frame and the
// shared actions, in one place: the program and the screenshot tool build
// the very same designer.
#pragma once

#include <QPointer>
#include <memory>

#include "designer/app_state.h"
#include "designer/frame/main_frame.h"
#include "designer/scenarios/scenario_list_window.h"
#include "designer/tools/unexpected_error_window.h"
#include "util/desktop_launcher.h"

namespace qrv::designer {

class DesignerSetup {
  public:
    DesignerSetup(AppState& state, MainFrame& frame);
    ~DesignerSetup();
    DesignerSetup(const DesignerSetup&) = delete;
    DesignerSetup& operator=(const DesignerSetup&) = delete;

    // The scenario list of the open database; null while none is open.
    ScenarioListWindow* Scenarios() const { return scenarios_; }

  private:
    AppState& state_;
    util::SystemDesktopLauncher desktop_;
    std::unique_ptr<tools::DesignerErrorWindow> errorWindow_;
    QPointer<ScenarioListWindow> scenarios_;
};

}  // namespace qrv::designer
