// The wizard's fields page (frmQuorvane_Fields): the fields of the input and
// the lists of the roles the analysis offers (group, compare, X, Y, weight),
// the rule for values to ignore and the description.
#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "designer/wizard/wizard_page.h"
#include "scenario/analysis_types.h"

namespace qrv::designer {

class FieldsPage final : public WizardPage {
    Q_OBJECT
  public:
    FieldsPage(AppState& app, scenario::ScenarioDraft& draft, QWidget* parent = nullptr);
    QString Caption() const override;
    void Load() override;
    // Every role has the fields the analysis needs (scenario::CheckFields).
    bool CheckPage() override;

    // The transfer buttons: the highlighted available field into a role's
    // list, the highlighted field of a list back out of it.
    void addTo(char role);
    void removeFrom(char role);
    // A double-click: the field into the page's first list.
    void addToFirstList(QTreeWidgetItem* item);
    // Opens the values-to-ignore dialog.
    void editIgnore();
    // Makes the role lists of the scenario's analysis without reading the
    // input (Load does both); for measuring the page.
    void LayOutLists();

    // The fields of the input as last read.
    const std::vector<scenario::InputField>& InputFields() const { return input_; }

  protected:
    // Enter in a list moves its current field: from the available fields
    // into the first list, from a role's list back out of it.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct RoleList {
        char role;
        scenario::RoleLimits limits;
        QListWidget* list;
    };
    void buildRoleLists();
    void readInput();
    void fitAssignmentsToInput();
    void fillAvailable();
    void fillRoleLists();
    RoleList* roleList(char role);
    const scenario::InputField* inputField(const std::string& name) const;
    QString itemText(const std::string& name) const;
    // Makes the available field at row (or the last one) current and
    // highlighted, so that the keys go on where they were.
    void selectAvailable(int row);
    void showIgnoreRule();
    // Rewrites the scenario's assignments from the lists, positions from 1.
    void ReSequenceFields();

    QTreeWidget* available_;
    QWidget* roleArea_ = nullptr;   // holds roleLists_
    QWidget* roleLists_ = nullptr;  // the lists of the current analysis
    QLineEdit* description_;
    QLabel* ignoreRule_;
    std::vector<RoleList> lists_;
    std::string builtFor_;  // the analysis the role lists were made for
    std::vector<scenario::InputField> input_;
    bool inputRead_ = false;
};

}  // namespace qrv::designer
