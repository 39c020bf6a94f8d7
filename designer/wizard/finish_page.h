// The wizard's last page (frmQuorvane_Finish): the names of the one or two
// output tables and the description, shown with the analysis.
#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "designer/wizard/wizard_page.h"

namespace qrv::designer {

class FinishPage final : public WizardPage {
    Q_OBJECT
  public:
    FinishPage(AppState& app, scenario::ScenarioDraft& draft, QWidget* parent = nullptr);
    QString Caption() const override;
    void Load() override;
    // The output names are given, and differ where there are two.
    bool CheckPage() override;

  private:
    QLabel* type_;
    QLineEdit* description_;
    QGroupBox* frame_;
    QLabel* label_[2];
    QLineEdit* name_[2];
};

}  // namespace qrv::designer
