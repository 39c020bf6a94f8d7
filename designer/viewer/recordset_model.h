// A read-only grid model over a table or query of a database that never holds
// the whole result: rows are read in blocks on demand through forward-only
// cursors, and only a bounded number of blocks is kept. A table's row count
// comes from a COUNT, so the grid knows its full height at once; a query's
// rows are counted as they are read (the view asks for more as it scrolls).
#pragma once

#include <QAbstractTableModel>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "dataaccess/objects/database.h"
#include "dataaccess/objects/recordset.h"
#include "dataaccess/value.h"

namespace qrv::designer {

// Decimals for CellText that ask for a shortest form: of the value rounded to
// 15 significant digits (the grid's first choice), or of all its digits.
inline constexpr int kReadableDecimals = -1;
inline constexpr int kAllDigitsDecimals = -2;
// How a grid cell shows a value: empty for Null, dates in the stored text
// form, numbers in their shortest form (as a float in a Single field, whose
// values were rounded to one when stored), to 15 significant digits or all
// that read back the same, or with `decimals` fixed decimals when that is not
// negative.
QString CellText(const dao::Value& v, int fieldType = dao::dbDouble,
                 int decimals = kReadableDecimals);
// Numbers are right-aligned; text, dates and Yes/No values are not.
bool IsNumberCell(const dao::Value& v);

class RecordsetModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int kDefaultBlockRows = 256;
    static constexpr int kDefaultMaxBlocks = 16;

    struct Limits {
        int blockRows = kDefaultBlockRows;
        int maxBlocks = kDefaultMaxBlocks;  // blocks held at most, at least 2
    };

    // Opens source (a table, stored query or query text) read-only; the
    // database layer's error when it cannot be opened.
    static dao::Result<std::unique_ptr<RecordsetModel>> Open(dao::Database db,
                                                             const std::string& source,
                                                             Limits limits);
    static dao::Result<std::unique_ptr<RecordsetModel>> Open(dao::Database db,
                                                             const std::string& source) {
        return Open(std::move(db), source, Limits{});
    }
    ~RecordsetModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    const std::string& Source() const { return source_; }
    const std::vector<dao::FieldInfo>& Fields() const { return fields_; }
    // The value at a row and column; Null past the end of the data.
    dao::Value ValueAt(int row, int column) const;
    // True once every row is counted (at once for a table).
    bool RowCountKnown() const { return complete_; }
    // The rows counted so far; the whole count once RowCountKnown.
    long RowsCounted() const { return rows_; }

    // How a column shows its numbers: fixed decimals (0 to
    // tools::kMaxFixedDecimals), kReadableDecimals or kAllDigitsDecimals. Only
    // the text changes.
    void SetDecimals(int column, int decimals);
    int Decimals(int column) const;

    // Figures for tests and diagnostics.
    long BlocksRead() const { return blocksRead_; }
    int BlocksHeld() const { return static_cast<int>(blocks_.size()); }
    int OpenCursors() const { return static_cast<int>(cursors_.size()); }
    // Ends every open cursor, so the model holds no read on the database
    // while idle; the next block needed opens one again.
    void ReleaseCursors();

  private:
    struct Block {
        std::vector<std::vector<dao::Value>> rows;
        std::uint64_t lastUse = 0;
    };
    struct Cursor {
        dao::Recordset rs;
        long pos = 0;  // the row the cursor sits on; == rows read at its end
        std::uint64_t lastUse = 0;
    };

    RecordsetModel(dao::Database db, std::string source, Limits limits);
    // The block holding row, read when it is not held; nullptr when it cannot be read.
    const Block* block(long index) const;
    // Reads blocks first..last (inclusive) with one cursor walk.
    bool readBlocks(long first, long last) const;
    Cursor* cursorAtOrBefore(long row) const;
    void evict(long keep) const;
    void scheduleRelease() const;

    mutable dao::Database db_;  // opening a cursor is not a change of the model
    std::string source_;
    Limits limits_;
    std::vector<dao::FieldInfo> fields_;
    std::vector<int> decimals_;  // per column
    long rows_ = 0;              // rows the view is told about
    bool complete_ = false;      // rows_ is the whole count
    // Caches and cursors change inside const reads: they are not the model's
    // visible state, only how it reaches it.
    mutable std::unordered_map<long, Block> blocks_;
    mutable std::vector<Cursor> cursors_;
    mutable std::uint64_t clock_ = 0;
    mutable long blocksRead_ = 0;
    mutable long lastBlockRead_ = -1;
    mutable QTimer releaseTimer_;
};

}  // namespace qrv::designer
