// The wizard's table page (frmQuorvane_SelectTable): the input of the
// scenario, chosen from the tables or from the stored queries of the current
// database, and viewable before it is chosen.
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTreeWidget>

#include "designer/wizard/wizard_page.h"

namespace qrv::designer {

class TablePage final : public WizardPage {
    Q_OBJECT
  public:
    TablePage(AppState& app, scenario::ScenarioDraft& draft, QWidget* parent = nullptr);
    QString Caption() const override;
    void Load() override;
    bool CanGoNext() const override;

    // Shows the chosen source in the table viewer.
    void view();

  private:
    void fillList();
    void nameEdited(const QString& text);

    QTabBar* tabs_;
    QTreeWidget* list_;
    QLineEdit* name_;
    QPushButton* view_;
    std::vector<std::string> tables_, queries_;
};

}  // namespace qrv::designer
