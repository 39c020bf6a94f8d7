#include "designer/viewer/column_fitter.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>

#include "designer/viewer/recordset_model.h"

namespace qrv::designer {

namespace {

// Room for the cell's margins and grid line beside the text.
constexpr int kCellPadding = 16;
// The header's own margins and sort mark.
constexpr int kHeaderPadding = 24;

}  // namespace

ColumnFitter::ColumnFitter(QTableView* grid, RecordsetModel* model)
    : QObject(grid), grid_(grid), model_(model) {
    userSized_.assign(static_cast<size_t>(model_->columnCount()), false);
    pending_.setSingleShot(true);
    pending_.setInterval(0);
    connect(&pending_, &QTimer::timeout, this, &ColumnFitter::FitVisibleRows);
    auto later = [this] { pending_.start(); };
    connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, this, later);
    connect(grid_->verticalScrollBar(), &QScrollBar::rangeChanged, this, later);
    connect(model_, &QAbstractItemModel::rowsInserted, this, later);
    connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
        if (!sizing_ && column >= 0 && column < static_cast<int>(userSized_.size()))
            userSized_[static_cast<size_t>(column)] = true;
    });
}

void ColumnFitter::FitAll() {
    endRows_.clear();
    const int rows = model_->rowCount();
    const int columns = model_->columnCount();
    auto take = [&](int row) {
        std::vector<dao::Value> values(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c) values[static_cast<size_t>(c)] = model_->ValueAt(row, c);
        endRows_.push_back(std::move(values));
    };
    const int head = std::min(rows, kEndRows);
    for (int r = 0; r < head; ++r) take(r);
    // A query's last rows are not known until it has been read to the end.
    if (model_->RowCountKnown())
        for (int r = std::max(head, rows - kEndRows); r < rows; ++r) take(r);
    for (int c = 0; c < columns; ++c)
        if (!UserSized(c)) setWidth(c, std::max(headerWidth(c), endRowsWidth(c)));
}

void ColumnFitter::FitVisibleRows() {
    for (int c = 0; c < model_->columnCount(); ++c) {
        if (UserSized(c)) continue;
        const int w = visibleWidth(c);
        if (w > grid_->columnWidth(c)) setWidth(c, w);
    }
}

void ColumnFitter::Refit(int column) {
    if (column < 0 || column >= model_->columnCount() || UserSized(column)) return;
    setWidth(column, std::max({headerWidth(column), endRowsWidth(column), visibleWidth(column)}));
}

bool ColumnFitter::UserSized(int column) const {
    return column >= 0 && column < static_cast<int>(userSized_.size()) &&
           userSized_[static_cast<size_t>(column)];
}

int ColumnFitter::cellWidth(const QString& text) const {
    return grid_->fontMetrics().horizontalAdvance(text) + kCellPadding;
}

int ColumnFitter::headerWidth(int column) const {
    const QString text = model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    return grid_->horizontalHeader()->fontMetrics().horizontalAdvance(text) + kHeaderPadding;
}

int ColumnFitter::endRowsWidth(int column) const {
    const auto c = static_cast<size_t>(column);
    const int type = model_->Fields()[c].Type;
    const int decimals = model_->Decimals(column);
    int w = 0;
    for (const auto& row : endRows_) w = std::max(w, cellWidth(CellText(row[c], type, decimals)));
    return w;
}

int ColumnFitter::visibleWidth(int column) const {
    const int first = grid_->rowAt(0);
    if (first < 0) return 0;
    int last = grid_->rowAt(grid_->viewport()->height() - 1);
    if (last < 0) last = model_->rowCount() - 1;
    int w = 0;
    for (int r = first; r <= last; ++r)
        w = std::max(w, cellWidth(model_->index(r, column).data().toString()));
    return w;
}

void ColumnFitter::setWidth(int column, int width) {
    sizing_ = true;
    grid_->setColumnWidth(column, std::min(width, kMaxAutoWidth));
    sizing_ = false;
}

}  // namespace qrv::designer
