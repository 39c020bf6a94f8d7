// The scenario list (frmStatMain, "Analysis Scenarios"): the scenarios of the
// current database filtered by category (the tabs) and analysis type (the
// option buttons of the tab's frame), and every action on one of them: new,
// edit, duplicate, delete, run, view its tables, generate code. On the list,
// Enter and a double click edit, Delete deletes, Shift+F10 and the Menu key
// open the right-click menu. Other windows are reached through the
// application's actions.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "designer/app_state.h"

class QButtonGroup;
class QGroupBox;
class QMenu;
class QPushButton;
class QStackedWidget;
class QTabBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace qrv::designer {

class ScenarioRunner;

class ScenarioListWindow final : public QWidget {
    Q_OBJECT
  public:
    ScenarioListWindow(AppState& app, QWidget* parent = nullptr);
    ~ScenarioListWindow() override;

    // --- The filter and the list ------------------------------------------
    // "P", "G" or "N".
    std::string Category() const;
    // "*" or one analysis name.
    std::string Subtype() const { return subtype_; }
    // Shows a tab (0 "Parametric", 1 "Group", 2 "Non-Parametric"); the subtype
    // goes back to all.
    void SetCategoryTab(int tab);
    // Chooses a subtype of the current tab ("*" for all); false when the tab
    // has no such type.
    bool SetSubtype(const std::string& subtype);
    // Reads the list again for the current filter.
    void LoadScenarios();
    // The selected scenario's number; 0 when none is selected.
    std::int32_t CurrentScenario() const;
    // Selects a scenario's row; false when it is not listed.
    bool SelectScenario(std::int32_t id);

    // --- Actions ---------------------------------------------------------------
    void CreateNewScenario();
    // page: the wizard's page to open at (1, 3 fields, 30 options, 50 output).
    void EditCurrentScenario(int page = 1);
    void DuplicateCurrentScenario();
    void DeleteCurrentScenario();
    void RunCurrentScenario();
    // Runs a scenario with its progress in a status window (see ScenarioRunner).
    void RunScenarioTest(std::int32_t id);
    void ViewDataTable();
    void ViewOutputTable1();
    void ViewOutputTable2();
    void GenerateCode();
    void ShowHelp();

    // Shows a scenario just saved: on its tab (all types when its own is
    // not the one chosen), selected. False when it is not stored.
    bool ShowScenario(std::int32_t id);

    QMenu* RightClickMenu() const { return menu_; }
    ScenarioRunner* Runner() const { return runner_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildFilter();
    void buildList();
    void buildButtons();
    void buildMenu();
    QWidget* placedWidget();
    void restorePosition();
    void savePosition();
    QTreeWidgetItem* currentItem() const;
    // The selected scenario, or 0 after telling the user message.
    std::int32_t needSelection(const std::string& message);
    void reloadAndSelect(std::int32_t id);
    void viewTable(int column, const std::string& caption);
    void updateMenu();
    void popupMenuAt(const QPoint& listPoint);
    void afterWizard(const DesignerActions::WizardResult& r, std::int32_t current);
    bool scenarioExists(std::int32_t id, bool& exists);

    AppState& app_;
    QTabBar* tabs_;
    QStackedWidget* frames_;
    std::vector<QButtonGroup*> groups_;
    std::string subtype_ = "*";
    QTreeWidget* list_;
    int sortColumn_ = -1;  // -1: the query's order
    bool sortAscending_ = true;
    std::vector<QPushButton*> buttons_;
    QMenu* menu_;
    ScenarioRunner* runner_;
    bool positionRestored_ = false;
};

}  // namespace qrv::designer
