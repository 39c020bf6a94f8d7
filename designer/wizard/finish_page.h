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
    // The output names are given, differ where there are two, and follow the
    // rules of a run in the current database: a table that holds data is
    // named only after the user confirms it, No being the default.
    bool CheckPage() override;

  private:
    bool checkAgainstTheDatabase();
    void focusName(const std::string& name);
    QLabel* type_;
    QLineEdit* description_;
    QGroupBox* frame_;
    QLabel* label_[2];
    QLineEdit* name_[2];
};

}  // namespace qrv::designer
