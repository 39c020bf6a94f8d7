// The scenario wizard's controller (CLumvarPropWiz): holds the scenario being
// edited, walks its pages (type 1, table 2, fields 3, the analysis's options
// 4 to 18, output 50), asks before throwing changes away, and writes the
// scenario to the three scenario tables when the user saves.
#pragma once

#include <QDialog>
#include <QPushButton>
#include <QStackedWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "designer/app_state.h"
#include "designer/wizard/options_page.h"
#include "scenario/scenario_draft.h"

namespace qrv::designer {

class WizardPage;

// The message for a save that failed because the database file cannot be
// written (read-only, full disk, locked, I/O error); nothing for any other
// failure.
std::optional<std::string> SaveFailureText(const dao::Error& e, const dao::Database& db);

// Makes the options page of a page number (4 to 18); nullptr when it has none.
using OptionsPageFactory =
    std::function<OptionsPage*(int, scenario::ScenarioDraft&, Prompter&, QWidget*)>;

class ScenarioWizard final : public QDialog {
    Q_OBJECT
  public:
    // Page numbers with a meaning of their own besides 1 to 18.
    static constexpr int kTypePage = 1, kTablePage = 2, kFieldsPage = 3, kOptionsRoute = 30,
                         kFinishPage = 50, kNoPage = 99;

    ScenarioWizard(AppState& app, scenario::ScenarioDraft draft, OptionsPageFactory pages,
                   QWidget* parent = nullptr);
    ~ScenarioWizard() override;

    // The page loop, modal: from startPage until the user saves or cancels.
    // True when the scenario was saved.
    bool ShowStatWizard(int startPage);
    // Shows the first page without waiting; the loop then runs on the buttons
    // (or on the handlers below).
    void Start(int startPage);

    // The buttons.
    void next();
    void back();
    void cancel();
    void save(bool run);

    int CurrentPage() const { return current_; }  // 0 once the wizard has ended
    bool Ended() const { return ended_; }
    bool Saved() const { return saved_; }
    bool RunAfter() const { return runAfter_; }
    bool Changed() const { return changed_; }
    void SetChanged(bool changed) { changed_ = changed; }
    scenario::ScenarioDraft& Draft() { return draft_; }
    // The page of that number, when it has been shown and the wizard runs.
    QWidget* Page(int number) const;
    // Escape and the window's close button cancel, with the same question.
    void reject() override;

  private:
    void fitToLargestPage();
    void showPage(int page);
    QWidget* pageFor(int page);
    int optionsPageNumber() const;
    bool isOptionsPage(int page) const { return page >= 4 && page <= 18; }
    void updateButtons();
    bool postScenario();
    void end();

    AppState& app_;
    scenario::ScenarioDraft draft_;
    OptionsPageFactory makeOptionsPage_;
    std::map<int, QWidget*> pages_;
    QStackedWidget* stack_;
    QPushButton *back_, *next_, *save_, *saveRun_, *cancel_;
    int current_ = 0;
    bool ended_ = false, saved_ = false, runAfter_ = false, changed_ = false;
};

}  // namespace qrv::designer
