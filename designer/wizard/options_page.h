// The contract between the wizard and its options pages: one page per
// analysis (numbers 4 to 18) that shows that analysis's options from the
// scenario being edited, writes every change straight back into it, and
// checks itself before the wizard moves on.
#pragma once

#include <QWidget>
#include <optional>
#include <string>

#include "errors/prompter.h"
#include "scenario/scenario_draft.h"

namespace qrv::designer {

class OptionsPage : public QWidget {
    Q_OBJECT
  public:
    OptionsPage(scenario::ScenarioDraft& draft, Prompter& prompter, QWidget* parent = nullptr)
        : QWidget(parent), draft_(draft), prompter_(prompter) {}
    // Loads every control from the draft and enables the dependent ones.
    virtual void SetControlValues() = 0;
    // The page's check before Next. On a refusal it shows the message through
    // the prompter, puts the focus on the offending control and answers false.
    virtual bool CheckPage() = 0;
    // The caption of the page's window.
    virtual QString Caption() const = 0;

  signals:
    // An option changed (the wizard sets its changed flag).
    void changed();

  protected:
    scenario::ScenarioDraft& draft_;
    Prompter& prompter_;
};

// The options page number of an analysis subtype ("Describe" 4 ... "N Fields"
// 18), or 99 for a name without a page.
int OptionsPageNumber(const std::string& subtype);

// A new options page for page numbers 4 to 18; nullptr for any other number.
OptionsPage* CreateOptionsPage(int page, scenario::ScenarioDraft& draft, Prompter& prompter,
                               QWidget* parent = nullptr);

}  // namespace qrv::designer
