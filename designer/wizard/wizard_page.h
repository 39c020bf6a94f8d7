// What the wizard's own pages (type, table, fields, output) share: the
// scenario being edited, the application, and the hooks the controller uses
// to show a page, check it and learn of changes.
#pragma once

#include <QWidget>

#include "designer/app_state.h"
#include "scenario/scenario_draft.h"

namespace qrv::designer {

class WizardPage : public QWidget {
    Q_OBJECT
  public:
    WizardPage(AppState& app, scenario::ScenarioDraft& draft, QWidget* parent = nullptr)
        : QWidget(parent), app_(app), draft_(draft) {}
    // The caption of the page's window.
    virtual QString Caption() const = 0;
    // Fills the controls from the scenario; called each time the page is shown.
    virtual void Load() = 0;
    // The check before the page is left forward. On a refusal the message is
    // shown, the focus is on the offending control and the answer is false.
    virtual bool CheckPage() { return true; }
    // Whether Next may be pressed now.
    virtual bool CanGoNext() const { return true; }

  signals:
    // The user changed the scenario.
    void changed();
    // CanGoNext may answer differently now.
    void nextAllowedChanged();

  protected:
    // A message box of the application.
    void tell(const std::string& text) { app_.Prompts().inform(kAppTitle, text); }

    AppState& app_;
    scenario::ScenarioDraft& draft_;
};

}  // namespace qrv::designer
