// Internal: the state behind a Recordset handle. Three ways of holding the
// current row: streaming (the statement sits on it; the common forward walk
// costs no copies), "last" (after MoveLast the last row is copied out, so a
// count does not keep every row) and cached (all rows in memory, needed for
// backward moves, bookmarks, finds and changes to existing rows).
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dataaccess/objects/connection.h"
#include "dataaccess/objects/recordset.h"

namespace qrv::dao::detail {

inline Error noCurrent() {
    return makeError(err::kNoCurrentRecord, "No current record.");
}
inline Error notUpdatable() {
    return makeError(err::kReadOnly, "Cannot update. Database or object is read-only.");
}
inline Error noEdit() {
    return makeError(err::kNoAddNewOrEdit, "Update or CancelUpdate without AddNew or Edit.");
}

struct RecordsetImpl {
    enum class Mode { Stream, Last, Cached };
    enum class EditKind { None, Add, Edit };
    struct Row {
        Bookmark key = 0;
        std::vector<Value> v;
        bool deleted = false;
    };

    ConnectionPtr conn;
    int type = dbOpenDynaset;
    bool readOnly = true;
    bool tableBased = false;
    std::string table;
    int colOffset = 0;  // 1 when column 0 is the row id
    Stmt stmt;
    std::vector<FieldInfo> fields;
    std::vector<int> readTypes;  // 0: no declared type, read as stored
    std::vector<Value> defaults;
    std::vector<bool> counter;
    std::unordered_map<std::string, int> byName;

    Mode mode = Mode::Stream;
    long pos = 0;
    bool eof = false, bof = false;
    long visited = 0;
    long total = -1;
    std::vector<Value> last;
    Bookmark lastKey = 0;
    std::vector<Row> rows;
    std::unordered_map<Bookmark, long> keyIndex;
    long deleted = 0;

    EditKind edit = EditKind::None;
    std::vector<Value> buf;
    std::vector<char> dirty;
    std::unordered_map<std::string, Stmt> writeCache;
    sqlite3_stmt* lastWrite = nullptr;
    bool lastWriteInsert = false;
    std::vector<char> lastWriteDirty;
    Bookmark lastModified = 0;
    bool noMatch = false;
    bool closed = false;

    bool alive() const { return !closed && conn->isOpen(); }
    const std::string& columnName(size_t i) const {
        return fields[i].SourceField.empty() ? fields[i].Name : fields[i].SourceField;
    }
    bool onRow() const { return !eof && !bof; }

    // Columns and moves (recordset_cursor.cpp).
    // The row the statement sits on, and its bookmark (row id, or position without one).
    void readRow(std::vector<Value>& out) const;
    Bookmark streamKey() const;
    // Fills fields from the statement; after firstStep, so an untyped column can
    // take its type from the first row.
    Error describeColumns();
    Error firstStep();
    Error restart();
    // Switches to holding every row, keeping the current position.
    Error cacheAll();
    Error moveNext();
    Error movePrevious();
    Error moveFirst();
    Error moveLast();
    Value value(int i) const;
    Result<Bookmark> currentKey() const;

    // Writes (recordset_write.cpp).
    // Fill the edit buffer: defaults and fresh counter values, or the current row.
    Error addNew();
    Error beginEdit();
    // Once per recordset: the table's stored defaults and which fields count up.
    Error loadDefaults();
    Result<long> nextCounter(size_t i);
    // The insert or update statement for the fields changed in the buffer.
    Result<sqlite3_stmt*> writeStatement(bool insert);
    sqlite3_stmt* remember(bool insert, sqlite3_stmt* st);
    // Reads a written row back, so the cache shows what the table stored.
    Error refetch(Bookmark key, std::vector<Value>& out);
    Error update();
    Error deleteCurrent();

    // Finds (recordset_find.cpp).
    // Moves to the nearest cached row from start, in the given direction, that meets
    // the criteria; sets noMatch.
    Error find(std::string_view criteria, bool forward, long start);
};

}  // namespace qrv::dao::detail
