// The wizard as the program runs it: with the options page of every
// analysis. Kept apart so that what links the wizard alone (the tests) does
// not need those pages.
#pragma once

#include "designer/app_state.h"

class QWidget;

namespace qrv::designer {

// Sets app.Actions().runWizard to open the wizard over parent.
void InstallScenarioWizard(AppState& app, QWidget* parent);

}  // namespace qrv::designer
