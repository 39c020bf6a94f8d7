// Column widths for the lazy grid. A column is sized from its header and the
// rows at both ends of the table when the grid opens, and widened when the
// user scrolls to rows wider than it; a column the user has sized by hand is
// left as it is. Only the rows at the ends and the rows in view are measured:
// measuring every row would read the whole table.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <vector>

#include "dataaccess/value.h"

class QTableView;

namespace qrv::designer {

class RecordsetModel;

class ColumnFitter final : public QObject {
    Q_OBJECT
  public:
    // Rows measured at each end of the table.
    static constexpr int kEndRows = 100;
    // Widest a column is made on its own; longer texts are elided.
    static constexpr int kMaxAutoWidth = 400;

    // Watches grid (which shows model) and is owned by it.
    ColumnFitter(QTableView* grid, RecordsetModel* model);

    // Sizes every column from its header, the first rows and, when the row
    // count is known, the last rows.
    void FitAll();
    // Widens the columns that the rows in view do not fit; never narrows.
    void FitVisibleRows();
    // Sizes a column again after its text changed (its decimals), narrower
    // too, unless the user sized it.
    void Refit(int column);
    bool UserSized(int column) const;

  private:
    int cellWidth(const QString& text) const;
    int headerWidth(int column) const;
    int endRowsWidth(int column) const;
    int visibleWidth(int column) const;
    void setWidth(int column, int width);

    QTableView* grid_;
    RecordsetModel* model_;
    // The values of the rows at both ends, kept so that a column can be
    // measured again without reading them again.
    std::vector<std::vector<dao::Value>> endRows_;
    std::vector<bool> userSized_;
    bool sizing_ = false;  // our own width changes are not the user's
    QTimer pending_;       // one fit after a burst of scrolling
};

}  // namespace qrv::designer
