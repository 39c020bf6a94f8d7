// Opening the wizard on a scenario: a stored one read back from the current
// database, or a new one of a given analysis with every option at its
// default.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "designer/app_state.h"
#include "designer/wizard/scenario_wizard.h"

namespace qrv::designer {

// The scenario the wizard is to edit: scenario 0 is a new one of newSubtype
// (the first analysis when that names none), any other number is read back.
// Nothing, after telling the user, when it cannot be read.
std::optional<scenario::ScenarioDraft> PrepareWizardDraft(AppState& app, std::int32_t scenario,
                                                          const std::string& newSubtype);

// Runs the wizard modally from startPage (1 for a new scenario; 3, 30 or 50
// to edit fields, options or output) and answers whether it saved, whether
// a run was asked for and the scenario's number.
DesignerActions::WizardResult RunScenarioWizard(AppState& app, std::int32_t scenario,
                                                const std::string& newSubtype, int startPage,
                                                const OptionsPageFactory& pages,
                                                QWidget* parent = nullptr);

}  // namespace qrv::designer
