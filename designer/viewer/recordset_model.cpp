// The lazy grid model: blocks of rows read by forward-only cursors.
//
// The layer's recordsets stream forwards cheaply but keep every row once
// asked to move backwards, so the model never moves one backwards: a block
// behind every open cursor is read by a cursor started again from the first
// row. A few blocks before the one asked for are read on the same walk, so
// that scrolling upwards does not start a walk for every block.
#include "designer/viewer/recordset_model.h"

#include <algorithm>

#include "designer/tools/number_format.h"

namespace qrv::designer {

namespace {

constexpr int kMaxCursors = 2;
// Idle time after which open cursors are ended. A read left open on the
// connection would keep a scenario run on the same database from dropping
// and remaking its output tables, so cursors live only while the grid is
// being scrolled.
constexpr int kReleaseAfterMs = 250;

}  // namespace

QString CellText(const dao::Value& v, int fieldType, int decimals) {
    if (!IsNumberCell(v)) return QString::fromStdString(v.toText());
    const double x = v.asDouble();
    if (decimals >= 0) return QString::fromStdString(tools::FormatFixed(x, decimals));
    const auto single = static_cast<float>(x);
    if (fieldType == dao::dbSingle && static_cast<double>(single) == x)
        return QString::fromStdString(tools::FormatShortest(single));
    if (decimals == kAllDigitsDecimals) return QString::fromStdString(tools::FormatShortest(x));
    return QString::fromStdString(tools::FormatSignificant(x, tools::kReadableDigits));
}

bool IsNumberCell(const dao::Value& v) {
    switch (v.kind()) {
        case dao::ValueKind::Byte:
        case dao::ValueKind::Int16:
        case dao::ValueKind::Int32:
        case dao::ValueKind::Double:
            return true;
        default:
            return false;
    }
}

RecordsetModel::RecordsetModel(dao::Database db, std::string source, Limits limits)
    : db_(std::move(db)), source_(std::move(source)), limits_(limits) {
    limits_.blockRows = std::max(limits_.blockRows, 1);
    limits_.maxBlocks = std::max(limits_.maxBlocks, 2);
    releaseTimer_.setSingleShot(true);
    releaseTimer_.setInterval(kReleaseAfterMs);
    connect(&releaseTimer_, &QTimer::timeout, this, &RecordsetModel::ReleaseCursors);
}

RecordsetModel::~RecordsetModel() = default;

dao::Result<std::unique_ptr<RecordsetModel>> RecordsetModel::Open(dao::Database db,
                                                                  const std::string& source,
                                                                  Limits limits) {
    auto rs = db.OpenRecordset(source, 0, dao::dbReadOnly);
    if (!rs) return rs.error();
    std::unique_ptr<RecordsetModel> m(new RecordsetModel(db, source, limits));
    for (int i = 0; i < rs->FieldCount(); ++i) m->fields_.push_back(rs->FieldAt(i));
    m->decimals_.assign(m->fields_.size(), kReadableDecimals);
    if (rs->Type() == dao::dbOpenTable) {
        // A table's rows are counted by the database at once; should that
        // fail, they are counted as they are read, like a query's.
        auto count = db.OpenRecordset("SELECT Count(*) FROM [" + source + "]", dao::dbOpenSnapshot);
        if (count && !count->Eof()) {
            m->rows_ = static_cast<long>(count->GetValue(0).asDouble());
            m->complete_ = true;
        }
    }
    if (!m->complete_ && rs->Eof()) {
        m->complete_ = true;
    }
    m->cursors_.push_back(Cursor{std::move(*rs), 0, 0});
    m->scheduleRelease();
    if (!m->complete_) m->fetchMore({});
    return m;
}

int RecordsetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(std::min<long>(rows_, INT32_MAX));
}

int RecordsetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(fields_.size());
}

Qt::ItemFlags RecordsetModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

QVariant RecordsetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= static_cast<int>(fields_.size())) return {};
        return QString::fromStdString(fields_[static_cast<size_t>(section)].Name);
    }
    return section + 1;
}

QVariant RecordsetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role != Qt::DisplayRole && role != Qt::TextAlignmentRole && role != Qt::ToolTipRole)
        return {};
    const dao::Value v = ValueAt(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(Qt::AlignVCenter |
                                (IsNumberCell(v) ? Qt::AlignRight : Qt::AlignLeft));
    const auto c = static_cast<size_t>(index.column());
    return CellText(v, fields_[c].Type, decimals_[c]);
}

void RecordsetModel::SetDecimals(int column, int decimals) {
    if (column < 0 || column >= static_cast<int>(decimals_.size())) return;
    const int d = decimals == kAllDigitsDecimals ? decimals
                  : decimals < 0                 ? kReadableDecimals
                                                 : std::min(decimals, tools::kMaxFixedDecimals);
    int& held = decimals_[static_cast<size_t>(column)];
    if (held == d) return;
    held = d;
    if (rows_ > 0)
        emit dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::DisplayRole});
}

int RecordsetModel::Decimals(int column) const {
    if (column < 0 || column >= static_cast<int>(decimals_.size())) return kReadableDecimals;
    return decimals_[static_cast<size_t>(column)];
}

dao::Value RecordsetModel::ValueAt(int row, int column) const {
    if (row < 0 || column < 0 || column >= static_cast<int>(fields_.size())) return {};
    const long b = row / limits_.blockRows;
    const Block* blk = block(b);
    if (!blk) return {};
    const auto r = static_cast<size_t>(row % limits_.blockRows);
    if (r >= blk->rows.size()) return {};  // the table lost rows since it was counted
    return blk->rows[r][static_cast<size_t>(column)];
}

bool RecordsetModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !complete_;
}

void RecordsetModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid() || complete_) return;
    const long b = rows_ / limits_.blockRows;
    const Block* blk = block(b);
    const long got = blk ? static_cast<long>(blk->rows.size()) : 0;
    // A short block, or a failed read, is the end of the rows.
    if (got < limits_.blockRows) complete_ = true;
    if (got > 0) {
        beginInsertRows({}, static_cast<int>(rows_), static_cast<int>(rows_ + got - 1));
        rows_ += got;
        endInsertRows();
    }
}

const RecordsetModel::Block* RecordsetModel::block(long index) const {
    auto it = blocks_.find(index);
    if (it == blocks_.end()) {
        const long start = index * limits_.blockRows;
        long first = index;
        // Started again from the first row: take a few blocks before this one
        // along, since a reader going upwards will want them next.
        if (!cursorAtOrBefore(start)) first = std::max(0L, index - limits_.maxBlocks / 4);
        if (!readBlocks(first, index)) return nullptr;
        it = blocks_.find(index);
        if (it == blocks_.end()) return nullptr;
    }
    it->second.lastUse = ++clock_;
    return &it->second;
}

RecordsetModel::Cursor* RecordsetModel::cursorAtOrBefore(long row) const {
    Cursor* best = nullptr;
    for (Cursor& c : cursors_)
        if (c.rs.IsOpen() && !c.rs.Eof() && c.pos <= row && (!best || c.pos > best->pos)) best = &c;
    return best;
}

bool RecordsetModel::readBlocks(long first, long last) const {
    const long start = first * limits_.blockRows;
    Cursor* c = cursorAtOrBefore(start);
    if (!c) {
        if (static_cast<int>(cursors_.size()) < kMaxCursors) {
            auto rs = db_.OpenRecordset(source_, 0, dao::dbReadOnly);
            if (!rs) return false;
            cursors_.push_back(Cursor{std::move(*rs), 0, 0});
            c = &cursors_.back();
        } else {
            c = &*std::min_element(
                cursors_.begin(), cursors_.end(),
                [](const Cursor& a, const Cursor& b) { return a.lastUse < b.lastUse; });
            // Empty now: the walk below reads no rows.
            if (dao::Error e = c->rs.MoveFirst(); e && !c->rs.Eof()) return false;
            c->pos = 0;
        }
    }
    c->lastUse = ++clock_;
    scheduleRelease();
    // Skipping rows steps the statement without reading any value.
    if (start > c->pos && !c->rs.Eof()) {
        if (c->rs.Move(start - c->pos)) return false;
        c->pos = start;
    }
    const int n = static_cast<int>(fields_.size());
    for (long b = first; b <= last; ++b) {
        Block blk;
        while (!c->rs.Eof() && static_cast<long>(blk.rows.size()) < limits_.blockRows) {
            std::vector<dao::Value> row(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i) row[static_cast<size_t>(i)] = c->rs.GetValue(i);
            blk.rows.push_back(std::move(row));
            if (c->rs.MoveNext()) return false;
            ++c->pos;
        }
        ++blocksRead_;
        lastBlockRead_ = b;
        blk.lastUse = ++clock_;
        blocks_[b] = std::move(blk);
    }
    evict(first);
    return true;
}

void RecordsetModel::evict(long keepFrom) const {
    while (static_cast<int>(blocks_.size()) > limits_.maxBlocks) {
        auto oldest = blocks_.end();
        for (auto it = blocks_.begin(); it != blocks_.end(); ++it)
            if (it->first < keepFrom || it->first > lastBlockRead_)
                if (oldest == blocks_.end() || it->second.lastUse < oldest->second.lastUse)
                    oldest = it;
        if (oldest == blocks_.end()) break;
        blocks_.erase(oldest);
    }
}

void RecordsetModel::scheduleRelease() const {
    releaseTimer_.start();
}

void RecordsetModel::ReleaseCursors() {
    releaseTimer_.stop();
    cursors_.clear();
}

}  // namespace qrv::designer
