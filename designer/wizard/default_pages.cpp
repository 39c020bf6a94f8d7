#include "designer/wizard/default_pages.h"

#include "designer/wizard/options_page.h"
#include "designer/wizard/wizard_entry.h"

namespace qrv::designer {

void InstallScenarioWizard(AppState& app, QWidget* parent) {
    app.Actions().runWizard = [&app, parent](std::int32_t scenario, const std::string& subtype,
                                             int startPage) {
        const OptionsPageFactory pages = [](int page, scenario::ScenarioDraft& draft,
                                            Prompter& prompter, QWidget* owner) {
            return CreateOptionsPage(page, draft, prompter, owner);
        };
        return RunScenarioWizard(app, scenario, subtype, startPage, pages, parent);
    };
}

}  // namespace qrv::designer
