#include "designer/wizard/wizard_entry.h"

#include "scenario/analysis_types.h"
#include "scenario/refusal.h"
#include "scenario/scenario_author.h"

namespace qrv::designer {

std::optional<scenario::ScenarioDraft> PrepareWizardDraft(AppState& app, std::int32_t scenario,
                                                          const std::string& newSubtype) {
    if (scenario == 0) {
        const scenario::AnalysisType* type = scenario::FindAnalysisType(newSubtype);
        scenario::ScenarioDraft d =
            scenario::NewDraft(type ? *type : scenario::AnalysisTypes().front());
        // The table gives the matrix's tails no default; a new scenario of
        // the designer starts with both tails.
        if (d.option("MProbTail").isNull()) d.setOption("MProbTail", "2-tail");
        return d;
    }
    auto loaded = scenario::LoadDraft(app.CurrentDatabase(), scenario);
    if (loaded) return std::move(*loaded);
    // The only refusal of a read is a number that is not stored.
    if (loaded.error().number == scenario::kRefused) {
        app.Prompts().inform(kAppTitle, "Scenario not found: " + std::to_string(scenario));
    } else {
        ProcedureScope scope(app.Errors(), "CLumvarPropWiz:LoadScenario");
        app.Errors().HandleError(loaded.error().number, loaded.error().description);
    }
    return std::nullopt;
}

DesignerActions::WizardResult RunScenarioWizard(AppState& app, std::int32_t scenario,
                                                const std::string& newSubtype, int startPage,
                                                const OptionsPageFactory& pages, QWidget* parent) {
    DesignerActions::WizardResult result;
    result.scenario = scenario;
    auto draft = PrepareWizardDraft(app, scenario, newSubtype);
    if (!draft) return result;
    ScenarioWizard wizard(app, std::move(*draft), pages, parent);
    result.saved = wizard.ShowStatWizard(startPage);
    result.runAfter = wizard.RunAfter();
    result.scenario = wizard.Draft().id;
    return result;
}

}  // namespace qrv::designer
