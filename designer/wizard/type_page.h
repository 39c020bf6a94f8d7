// The wizard's first page (frmQuorvane_Create): the choice of the analysis,
// seventeen option buttons under the three categories.
#pragma once

#include <QRadioButton>
#include <vector>

#include "designer/wizard/wizard_page.h"

namespace qrv::designer {

class TypePage final : public WizardPage {
    Q_OBJECT
  public:
    TypePage(AppState& app, scenario::ScenarioDraft& draft, QWidget* parent = nullptr);
    QString Caption() const override;
    void Load() override;

  private:
    void choose(int index);

    std::vector<QRadioButton*> buttons_;  // in the order of scenario::AnalysisTypes()
};

}  // namespace qrv::designer
