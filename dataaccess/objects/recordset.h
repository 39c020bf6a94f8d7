// Recordset: rows of a table, a stored query or an SQL text. Rows stream from
// a prepared statement; only MoveLast, backward moves, bookmarks, finds and
// edits of existing rows make it keep rows in memory. Writes go through
// AddNew/Edit, Collect and Update, with prepared statements reused per shape.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/error.h"
#include "dataaccess/types.h"
#include "dataaccess/value.h"

namespace qrv::dao {

namespace detail {
struct RecordsetImpl;
struct DatabaseImpl;
}  // namespace detail

// Describes one column of an open recordset.
struct FieldInfo {
    std::string Name;
    int Type = dbText;
    long Size = 0;
    int CollatingOrder = dbSortGeneral;
    std::string SourceTable;  // the table it comes from, when known
    std::string SourceField;  // its name in that table
};

using Bookmark = std::int64_t;

class Recordset {
  public:
    Recordset();
    ~Recordset();
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;

    bool IsOpen() const;
    int Type() const;
    bool Updatable() const;

    // Navigation. Moving past either end sets Eof/Bof; moving from there fails with 3021.
    bool Eof() const;
    bool Bof() const;
    Error MoveFirst();
    Error MoveNext();
    Error MovePrevious();
    Error MoveLast();
    Error Move(long rows);
    // 0 exactly when there are no rows; rows visited so far until MoveLast makes it exact.
    long RecordCount() const;
    long AbsolutePosition() const;

    // Columns.
    int FieldCount() const;
    const FieldInfo& FieldAt(int index) const;
    int FieldIndex(std::string_view name) const;  // -1 when absent
    // The current row's value; Null (and LastError 3021) without a current row.
    Value GetValue(int index) const;
    Result<Value> GetValue(std::string_view name) const;
    // How the current row stores a column, read without building a Value: its
    // storage class and, for a number, its value (walks that order or hash
    // rows by a column need the class; a number in a text column is still a
    // number to the database's ordering).
    enum class Storage : std::uint8_t { Null, Number, Text, Blob };
    Storage ColumnStorage(int index, double* number = nullptr) const;
    // True when GetValue would give a number here, with its value in x, read
    // without building a Value; false when the caller must use GetValue.
    bool GetNumber(int index, double& x) const;

    // Writing.
    Error AddNew();
    Error Edit();
    Error SetValue(int index, Value v);
    Error Collect(std::string_view name, Value v);
    Error Update();
    Error CancelUpdate();
    Error Delete();
    bool EditMode() const;

    // Bookmarks.
    bool Bookmarkable() const;
    Result<Bookmark> GetBookmark() const;
    Error SetBookmark(Bookmark b);
    Bookmark LastModified() const;

    // Finds with a criteria text in the query dialect ("[Name] = 'abc'").
    Error FindFirst(std::string_view criteria);
    Error FindNext(std::string_view criteria);
    Error FindPrevious(std::string_view criteria);
    Error FindLast(std::string_view criteria);
    bool NoMatch() const;

    Error Close();

  private:
    friend struct detail::DatabaseImpl;
    Error navigate(Error (detail::RecordsetImpl::*move)());
    std::unique_ptr<detail::RecordsetImpl> p_;
};

}  // namespace qrv::dao
