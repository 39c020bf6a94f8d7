// The values-to-ignore dialog (frmIgnore): analyse every value, ignore one
// value, or ignore the values below and/or above a bound.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>

#include "errors/prompter.h"
#include "scenario/scenario_draft.h"

namespace qrv::designer {

class IgnoreDialog final : public QDialog {
    Q_OBJECT
  public:
    IgnoreDialog(scenario::ScenarioDraft& draft, Prompter& prompter, QWidget* parent = nullptr);

    // Room a title bar takes besides its text: the window icon and the
    // close, minimise and maximise buttons.
    static constexpr int kTitleBarExtra = 160;

    // The OK button: checks the boxes of the chosen rule and, when they hold,
    // stores the rule in the scenario and closes the dialog. False (the
    // dialog stays open, the focus on the box at fault) on a refusal.
    bool tryAccept();

  private:
    void enableBoxes();

    scenario::ScenarioDraft& draft_;
    Prompter& prompter_;
    QRadioButton *all_, *equal_, *range_;
    QLineEdit *equalBox_, *lowBox_, *highBox_;
};

}  // namespace qrv::designer
