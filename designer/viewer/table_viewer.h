// The table viewer (frmDataGrid): any table or query of the current database
// in a read-only grid, with a chart beside it when the table is an output
// table that charts well. The same viewer serves as a modal dialog
// (frmDataGridDialog) inside the wizard. The main frame owns the MDI area;
// these functions make viewers for it and find them again by table name.
#pragma once

#include <QDialog>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "designer/viewer/chart_data.h"

class QLabel;
class QMenu;
class QTableView;
class QTabWidget;

namespace qrv::designer {

class AppState;
class ChartPanel;
class ColumnFitter;
class RecordsetModel;

// The window caption: the caller's caption with the table name after it,
// once: a caption that already ends in the name (the wizard's "Input table
// or query - " + name) is taken as it is.
std::string ViewerCaption(const std::string& caption, const std::string& table);
// The row count under the grid: "1,000,000 rows", "1 row", "0 rows"; "At
// least 256 rows" while a query is still being counted.
std::string RowCountText(long rows, bool complete);

class TableViewer final : public QWidget {
    Q_OBJECT
  public:
    TableViewer(AppState& app, std::unique_ptr<RecordsetModel> model, const std::string& caption,
                QWidget* parent = nullptr);
    ~TableViewer() override;

    const std::string& TableName() const;
    RecordsetModel* Model() const { return model_.get(); }
    QTableView* Grid() const { return grid_; }
    QLabel* RowCountLabel() const { return rowCount_; }
    ColumnFitter* Fitter() const { return fitter_; }
    // What the table's columns allow to chart; kind None hides the chart tab.
    const ChartLayout& Layout() const { return layout_; }
    // Shows the chart tab, reading the chart on first use; nullptr when the
    // table has no chart.
    ChartPanel* ShowChart();
    void ShowGrid();
    // Shows the grid at its last rows, with the columns widened to them; for
    // a viewer already shown at its size.
    void ScrollToEnd();

    // How a column shows its numbers (fixed decimals, kReadableDecimals or
    // kAllDigitsDecimals); the column is sized again for the new text.
    void SetColumnDecimals(int column, int decimals);
    // The header's right-click menu for a column: "Decimals..." asks for a
    // number of decimals, "15 Significant Digits" and "All Digits" go back to a
    // shortest form.
    std::unique_ptr<QMenu> ColumnMenu(int column);

  private:
    void askDecimals(int column);
    void showRowCount();

    AppState& app_;
    std::unique_ptr<RecordsetModel> model_;
    ChartLayout layout_;
    QTableView* grid_ = nullptr;
    QLabel* rowCount_ = nullptr;
    ColumnFitter* fitter_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    ChartPanel* chart_ = nullptr;
};

class TableViewerDialog final : public QDialog {
    Q_OBJECT
  public:
    TableViewerDialog(AppState& app, std::unique_ptr<RecordsetModel> model,
                      const std::string& caption, QWidget* parent = nullptr);
    TableViewer* Viewer() const { return viewer_; }

  private:
    TableViewer* viewer_;
};

// Opens a table or query of the current database in a new viewer, made a
// child of parent (an MDI area adds it as a sub-window). When it cannot be
// opened, the user is told why, the reason is put in *error, and nothing is
// made.
TableViewer* CreateTableViewer(AppState& app, const std::string& name, const std::string& caption,
                               QWidget* parent, std::string* error = nullptr);
std::unique_ptr<TableViewerDialog> CreateTableViewerDialog(AppState& app, const std::string& name,
                                                           const std::string& caption,
                                                           QWidget* parent,
                                                           std::string* error = nullptr);
// The viewer as a modal dialog; returns when the user closes it.
void ShowTableDialog(AppState& app, const std::string& name, const std::string& caption,
                     QWidget* parent);

// The viewers under root showing the named table (letter case aside).
std::vector<TableViewer*> FindTableViewers(QWidget* root, const std::string& name);
// Closes every viewer of the named table under root, with the sub-window or
// dialog around it; returns how many were closed.
int CloseTableViewers(QWidget* root, const std::string& name);

}  // namespace qrv::designer
