// Recordset over a prepared statement. Three ways of holding the current row:
// streaming (the statement sits on it; the common forward walk costs no copies),
// "last" (after MoveLast the last row is copied out, so a count does not keep
// every row) and cached (all rows in memory, needed for backward moves,
// bookmarks, finds and changes to existing rows).
#include "dataaccess/recordset.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "dataaccess/database_impl.h"
#include "dataaccess/sql_dialect.h"
#include "dataaccess/sql_names.h"

namespace qrv::dao {

namespace detail {

namespace {

Error noCurrent() {
    return makeError(err::kNoCurrentRecord, "No current record.");
}
Error notUpdatable() {
    return makeError(err::kReadOnly, "Cannot update. Database or object is read-only.");
}
Error noEdit() {
    return makeError(err::kNoAddNewOrEdit, "Update or CancelUpdate without AddNew or Edit.");
}

std::string trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return std::string(s);
}

}  // namespace

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

    void readRow(std::vector<Value>& out) const {
        out.resize(fields.size());
        for (size_t i = 0; i < fields.size(); ++i)
            out[i] = readColumn(stmt.get(), colOffset + static_cast<int>(i), readTypes[i]);
    }
    Bookmark streamKey() const {
        return tableBased ? sqlite3_column_int64(stmt.get(), 0) : static_cast<Bookmark>(pos);
    }

    Error describeColumns() {
        sqlite3_stmt* s = stmt.get();
        const int n = sqlite3_column_count(s) - colOffset;
        const bool hasRow = !eof;
        for (int i = 0; i < n; ++i) {
            const int c = i + colOffset;
            FieldInfo f;
            f.Name = sqlite3_column_name(s, c);
            const char* decl = sqlite3_column_decltype(s, c);
            int readType = 0;
            if (decl) {
                typeFromDeclared(decl, f.Type, f.Size);
                readType = f.Type;
            } else {
                int st = hasRow ? sqlite3_column_type(s, c) : SQLITE_NULL;
                f.Type = st == SQLITE_INTEGER ? dbLong : st == SQLITE_TEXT ? dbText : dbDouble;
                f.Size = f.Type == dbText ? 255 : fixedSizeOf(f.Type);
            }
            const char* dbName = sqlite3_column_database_name(s, c);
            const char* tbl = sqlite3_column_table_name(s, c);
            const char* origin = sqlite3_column_origin_name(s, c);
            if (tbl) f.SourceTable = tbl;
            if (origin) f.SourceField = origin;
            if (f.Type == dbText || f.Type == dbMemo) {
                const char* coll = nullptr;
                if (dbName && tbl && origin)
                    sqlite3_table_column_metadata(conn->db, dbName, tbl, origin, nullptr, &coll,
                                                  nullptr, nullptr, nullptr);
                f.CollatingOrder = coll && iequal(coll, "NOCASE") ? dbSortGeneral : dbSortNeutral;
            }
            byName.emplace(foldCase(f.Name), i);
            fields.push_back(std::move(f));
            readTypes.push_back(readType);
        }
        return {};
    }

    Error firstStep() {
        int rc = sqlite3_step(stmt.get());
        if (rc == SQLITE_ROW) {
            pos = 0;
            eof = bof = false;
            visited = std::max(visited, 1L);
            return {};
        }
        if (rc == SQLITE_DONE) {
            sqlite3_reset(stmt.get());
            pos = 0;
            eof = bof = true;
            total = 0;
            return {};
        }
        return mapError(*conn, rc);
    }

    Error restart() {
        sqlite3_reset(stmt.get());
        mode = Mode::Stream;
        return firstStep();
    }

    Error cacheAll() {
        if (mode == Mode::Cached) return {};
        const long keep = pos;
        const bool wasEof = eof, wasBof = bof;
        sqlite3_reset(stmt.get());
        rows.clear();
        keyIndex.clear();
        deleted = 0;
        int rc;
        while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
            Row r;
            r.key = tableBased ? sqlite3_column_int64(stmt.get(), 0)
                               : static_cast<Bookmark>(rows.size());
            readRow(r.v);
            keyIndex.emplace(r.key, static_cast<long>(rows.size()));
            rows.push_back(std::move(r));
        }
        if (rc != SQLITE_DONE) return mapError(*conn, rc);
        sqlite3_reset(stmt.get());
        mode = Mode::Cached;
        total = visited = static_cast<long>(rows.size());
        pos = std::min(keep, total);
        eof = wasEof || pos >= total;
        bof = wasBof;
        if (bof) pos = -1;
        return {};
    }

    Error moveNext() {
        if (eof) return noCurrent();
        if (mode == Mode::Stream) {
            int rc = sqlite3_step(stmt.get());
            ++pos;
            if (rc == SQLITE_ROW) {
                visited = std::max(visited, pos + 1);
                return {};
            }
            eof = true;
            if (rc != SQLITE_DONE) return mapError(*conn, rc);
            sqlite3_reset(stmt.get());  // release the read: a finished walk blocks no one
            total = pos;
            visited = total;
            return {};
        }
        if (mode == Mode::Last) {
            ++pos;
            eof = true;
            return {};
        }
        bof = false;
        do {
            ++pos;
        } while (pos < static_cast<long>(rows.size()) && rows[pos].deleted);
        if (pos >= static_cast<long>(rows.size())) eof = true;
        return {};
    }

    Error movePrevious() {
        if (bof) return noCurrent();
        if (Error e = cacheAll()) return e;
        eof = false;
        do {
            --pos;
        } while (pos >= 0 && rows[pos].deleted);
        if (pos < 0) {
            pos = -1;
            bof = true;
        }
        return {};
    }

    Error moveFirst() {
        if (mode == Mode::Cached) {
            long p = 0;
            while (p < static_cast<long>(rows.size()) && rows[p].deleted) ++p;
            if (p >= static_cast<long>(rows.size())) {
                eof = bof = true;
                return noCurrent();
            }
            pos = p;
            eof = bof = false;
            return {};
        }
        if (total == 0) return noCurrent();
        if (mode == Mode::Stream && pos == 0 && !eof) return {};
        if (Error e = restart()) return e;
        return eof ? noCurrent() : Error{};
    }

    Error moveLast() {
        if (mode == Mode::Cached) {
            long p = static_cast<long>(rows.size()) - 1;
            while (p >= 0 && rows[p].deleted) --p;
            if (p < 0) {
                eof = bof = true;
                return noCurrent();
            }
            pos = p;
            eof = bof = false;
            return {};
        }
        if (total == 0) return noCurrent();
        if (mode == Mode::Last) {
            pos = total - 1;
            eof = bof = false;
            return {};
        }
        if (eof)
            if (Error e = restart()) return e;
        if (eof) return noCurrent();
        int rc;
        do {
            readRow(last);
            lastKey = streamKey();
            rc = sqlite3_step(stmt.get());
            if (rc == SQLITE_ROW) ++pos;
        } while (rc == SQLITE_ROW);
        if (rc != SQLITE_DONE) return mapError(*conn, rc);
        sqlite3_reset(stmt.get());
        mode = Mode::Last;
        total = visited = pos + 1;
        eof = bof = false;
        return {};
    }

    Value value(int i) const {
        if (edit != EditKind::None) return buf[static_cast<size_t>(i)];
        if (!onRow()) return Value();
        switch (mode) {
            case Mode::Stream:
                return readColumn(stmt.get(), colOffset + i, readTypes[static_cast<size_t>(i)]);
            case Mode::Last:
                return last[static_cast<size_t>(i)];
            case Mode::Cached:
                if (rows[pos].deleted) return Value();
                return rows[pos].v[static_cast<size_t>(i)];
        }
        return Value();
    }

    Result<Bookmark> currentKey() const {
        if (!onRow()) return noCurrent();
        switch (mode) {
            case Mode::Stream:
                return streamKey();
            case Mode::Last:
                return lastKey;
            case Mode::Cached:
                if (rows[pos].deleted) return makeError(err::kRecordDeleted, "Record is deleted.");
                return rows[pos].key;
        }
        return noCurrent();
    }

    Error loadDefaults() {
        if (!defaults.empty() || fields.empty()) return {};
        buf.assign(fields.size(), Value());
        dirty.assign(fields.size(), 0);
        defaults.assign(fields.size(), Value());
        counter.assign(fields.size(), false);
        DatabaseImpl tmp;
        tmp.conn = conn;
        auto def = tmp.loadTableDef(table);
        if (!def) return def.error();
        for (size_t i = 0; i < fields.size(); ++i) {
            const Field* f = def->FindField(fields[i].Name);
            if (!f) continue;
            counter[i] = (f->Attributes & dbAutoIncrField) != 0;
            // Evaluate the stored default the way an insert would.
            auto st =
                prepare(*conn, "SELECT dflt_value FROM pragma_table_info(?1) WHERE name = ?2");
            if (!st) continue;
            sqlite3_bind_text(st->get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st->get(), 2, f->Name.c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(st->get()) != SQLITE_ROW ||
                sqlite3_column_type(st->get(), 0) == SQLITE_NULL)
                continue;
            std::string expr = reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 0));
            auto ev = prepare(*conn, "SELECT " + expr);
            if (ev && sqlite3_step(ev->get()) == SQLITE_ROW)
                defaults[i] = readColumn(ev->get(), 0, f->Type);
        }
        return {};
    }

    Result<long> nextCounter(size_t i) {
        auto st = prepare(*conn,
                          "SELECT max(coalesce((SELECT seq FROM sqlite_sequence WHERE "
                          "name = ?1), 0), coalesce((SELECT max(" +
                              quoteIdentifier(columnName(i)) + ") FROM main." +
                              quoteIdentifier(table) + "), 0)) + 1");
        if (!st) {
            // No sequence table: only the column's own maximum counts.
            st = prepare(*conn, "SELECT coalesce(max(" + quoteIdentifier(columnName(i)) +
                                    "), 0) + 1 FROM main." + quoteIdentifier(table));
            if (!st) return st.error();
        } else {
            sqlite3_bind_text(st->get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
        }
        if (sqlite3_step(st->get()) != SQLITE_ROW) return mapError(*conn, SQLITE_ERROR);
        return static_cast<long>(sqlite3_column_int64(st->get(), 0));
    }

    Result<sqlite3_stmt*> writeStatement(bool insert) {
        // Appends in a loop set the same fields every time: reuse the last shape first.
        if (lastWrite && lastWriteInsert == insert && lastWriteDirty == dirty) return lastWrite;
        std::string key(insert ? "I" : "U");
        key.append(dirty.begin(), dirty.end());
        auto it = writeCache.find(key);
        if (it != writeCache.end()) return remember(insert, it->second.get());
        std::string sql;
        if (insert) {
            std::string cols, vals;
            for (size_t i = 0; i < fields.size(); ++i) {
                if (!dirty[i]) continue;
                if (!cols.empty()) {
                    cols += ", ";
                    vals += ", ";
                }
                cols += quoteIdentifier(columnName(i));
                vals += "?";
            }
            sql = "INSERT INTO main." + quoteIdentifier(table) +
                  (cols.empty() ? " DEFAULT VALUES" : " (" + cols + ") VALUES (" + vals + ")");
        } else {
            std::string sets;
            for (size_t i = 0; i < fields.size(); ++i) {
                if (!dirty[i]) continue;
                if (!sets.empty()) sets += ", ";
                sets += quoteIdentifier(columnName(i)) + " = ?";
            }
            sql = "UPDATE main." + quoteIdentifier(table) + " SET " + sets + " WHERE _rowid_ = ?";
        }
        auto st = prepare(*conn, sql);
        if (!st) return st.error();
        sqlite3_stmt* raw = st->get();
        writeCache.emplace(key, std::move(*st));
        return remember(insert, raw);
    }

    sqlite3_stmt* remember(bool insert, sqlite3_stmt* st) {
        lastWrite = st;
        lastWriteInsert = insert;
        lastWriteDirty = dirty;
        return st;
    }

    Error refetch(Bookmark key, std::vector<Value>& out) {
        auto st = prepare(
            *conn, "SELECT _rowid_, * FROM main." + quoteIdentifier(table) + " WHERE _rowid_ = ?1");
        if (!st) return st.error();
        sqlite3_bind_int64(st->get(), 1, key);
        if (sqlite3_step(st->get()) != SQLITE_ROW) return {};
        out.resize(fields.size());
        for (size_t i = 0; i < fields.size(); ++i)
            out[i] = readColumn(st->get(), 1 + static_cast<int>(i), readTypes[i]);
        return {};
    }

    Error update() {
        if (edit == EditKind::None) return noEdit();
        const bool insert = edit == EditKind::Add;
        if (!insert && std::find(dirty.begin(), dirty.end(), 1) == dirty.end()) {
            edit = EditKind::None;
            return {};
        }
        auto st = writeStatement(insert);
        if (!st) return st.error();
        sqlite3_stmt* s = *st;
        int idx = 1;
        for (size_t i = 0; i < fields.size(); ++i) {
            if (!dirty[i]) continue;
            if (Error e = bindValue(s, idx++, buf[i], readTypes[i] ? readTypes[i] : fields[i].Type,
                                    fields[i].Name))
                return e;
        }
        Bookmark key = 0;
        if (!insert) {
            key = rows[pos].key;
            sqlite3_bind_int64(s, idx, key);
        }
        int rc = sqlite3_step(s);
        sqlite3_reset(s);
        if (rc != SQLITE_DONE) return mapError(*conn, rc);
        edit = EditKind::None;
        if (insert) {
            key = sqlite3_last_insert_rowid(conn->db);
            if (mode == Mode::Cached) {
                Row r;
                r.key = key;
                if (Error e = refetch(key, r.v)) return e;
                keyIndex.emplace(key, static_cast<long>(rows.size()));
                rows.push_back(std::move(r));
                total = static_cast<long>(rows.size());
            }
        } else {
            if (Error e = refetch(key, rows[pos].v)) return e;
        }
        lastModified = key;
        return {};
    }

    Error find(std::string_view criteria, bool forward, long start) {
        if (Error e = cacheAll()) return e;
        auto expr = translateExpression(criteria);
        if (!expr) return expr.error();
        std::string sql = "SELECT (" + *expr + ") FROM (SELECT ";
        for (size_t i = 0; i < fields.size(); ++i)
            sql += (i ? ", ?" : "?") + std::to_string(i + 1) + " AS " +
                   quoteIdentifier(fields[i].Name);
        sql += ")";
        auto st = prepare(*conn, sql);
        if (!st) return st.error();
        sqlite3_stmt* s = st->get();
        const long n = static_cast<long>(rows.size());
        for (long p = start; p >= 0 && p < n; p += forward ? 1 : -1) {
            if (rows[p].deleted) continue;
            sqlite3_reset(s);
            for (size_t i = 0; i < fields.size(); ++i) {
                const int t = readTypes[i] ? readTypes[i] : fields[i].Type;
                if (Error e = bindValue(s, static_cast<int>(i) + 1, rows[p].v[i], t, ""))
                    sqlite3_bind_null(s, static_cast<int>(i) + 1);
            }
            int rc = sqlite3_step(s);
            if (rc != SQLITE_ROW) return mapError(*conn, rc);
            if (sqlite3_column_type(s, 0) != SQLITE_NULL && sqlite3_column_double(s, 0) != 0) {
                pos = p;
                eof = bof = false;
                noMatch = false;
                return {};
            }
        }
        noMatch = true;
        return {};
    }
};

// A dynaset over one table's rows (no grouping, joins or set operations) can
// be written to, as the desktop engine allows: reopen it with the row id in
// front so edits and deletes find their row.
void makeUpdatable(RecordsetImpl& rs, const std::string& sql) {
    std::string upper;
    for (char c : sql) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* word :
         {"GROUP BY", "DISTINCT", "UNION", "JOIN", "INTERSECT", "EXCEPT", "HAVING", "LIMIT"})
        if (upper.find(word) != std::string::npos) return;
    if (upper.rfind("SELECT ", 0) != 0) return;
    sqlite3_stmt* s = rs.stmt.get();
    const int n = sqlite3_column_count(s);
    std::string table;
    for (int i = 0; i < n; ++i) {
        const char* db = sqlite3_column_database_name(s, i);
        const char* t = sqlite3_column_table_name(s, i);
        if (!db || !t || std::string(db) != "main") return;
        if (i == 0)
            table = t;
        else if (!iequal(table, t))
            return;
    }
    if (table.empty()) return;
    auto keyed =
        prepare(*rs.conn, "SELECT " + quoteIdentifier(table) + "._rowid_, " + sql.substr(7));
    if (!keyed) return;
    rs.stmt = std::move(*keyed);
    rs.tableBased = true;
    rs.colOffset = 1;
    rs.table = table;
}

Result<Recordset> DatabaseImpl::openRecordset(std::string_view source, int type, int options) {
    auto impl = std::make_unique<RecordsetImpl>();
    impl->conn = conn;
    const std::string src = trimmed(source);
    auto tbl = findObject(src, "table");
    auto view = tbl ? std::nullopt : findObject(src, "view");
    if (type == dbOpenTable && !tbl) return makeError(err::kInvalidOperation, "Invalid operation.");
    if (type == 0) type = tbl ? dbOpenTable : dbOpenDynaset;
    if (type != dbOpenTable && type != dbOpenDynaset && type != dbOpenSnapshot &&
        type != dbOpenForwardOnly)
        return makeError(err::kInvalidArgument, "Invalid argument.");
    impl->type = type;
    std::string sql;
    if (tbl) {
        sql = "SELECT _rowid_, * FROM main." + quoteIdentifier(*tbl);
        auto st = prepare(*conn, sql);
        if (st) {
            impl->stmt = std::move(*st);
            impl->tableBased = true;
            impl->colOffset = 1;
            impl->table = *tbl;
        } else {
            sql = "SELECT * FROM main." + quoteIdentifier(*tbl);  // a table without row ids
        }
    } else if (view) {
        sql = "SELECT * FROM main." + quoteIdentifier(*view);
    } else {
        const NameLookup names = storedNameLookup(*conn);
        auto tr = translateStatement(
            src, [this](const std::string& p) { return attach(p); }, &names);
        if (!tr) return tr.error();
        if (tr->kind != StatementKind::Select)
            return makeError(err::kInvalidOperation, "Invalid operation.");
        sql = tr->sql;
    }
    if (!impl->stmt) {
        auto st = prepare(*conn, sql);
        if (!st) return st.error();
        if (!*st) return makeError(err::kInvalidOperation, "Invalid operation.");
        impl->stmt = std::move(*st);
    }
    if (!tbl && !view && type == dbOpenDynaset && !(options & dbReadOnly) && !conn->readOnly)
        makeUpdatable(*impl, sql);
    impl->readOnly = (options & dbReadOnly) || type == dbOpenSnapshot ||
                     type == dbOpenForwardOnly || conn->readOnly || !impl->tableBased;
    if (Error e = impl->firstStep()) return e;
    if (Error e = impl->describeColumns()) return e;
    Recordset rs;
    rs.p_ = std::move(impl);
    return rs;
}

}  // namespace detail

using detail::RecordsetImpl;

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

#define QRV_ALIVE_OR_RETURN(...) \
    if (!p_ || !p_->alive()) return __VA_ARGS__;

bool Recordset::IsOpen() const {
    return p_ && p_->alive();
}
int Recordset::Type() const {
    return p_ ? p_->type : 0;
}
bool Recordset::Updatable() const {
    return IsOpen() && !p_->readOnly;
}
bool Recordset::Eof() const {
    return !IsOpen() || p_->eof;
}
bool Recordset::Bof() const {
    return !IsOpen() || p_->bof;
}

// A move ends any pending AddNew or Edit, as the desktop engine's recordsets do.
Error Recordset::navigate(Error (detail::RecordsetImpl::*move)()) {
    QRV_ALIVE_OR_RETURN(detail::closedError())
    p_->edit = RecordsetImpl::EditKind::None;
    return (p_.get()->*move)();
}

Error Recordset::MoveFirst() {
    return navigate(&RecordsetImpl::moveFirst);
}
Error Recordset::MoveNext() {
    return navigate(&RecordsetImpl::moveNext);
}
Error Recordset::MovePrevious() {
    return navigate(&RecordsetImpl::movePrevious);
}
Error Recordset::MoveLast() {
    return navigate(&RecordsetImpl::moveLast);
}

Error Recordset::Move(long rows) {
    QRV_ALIVE_OR_RETURN(detail::closedError())
    if (!p_->onRow()) return makeError(err::kNoCurrentRecord, "No current record.");
    p_->edit = RecordsetImpl::EditKind::None;
    for (long i = 0; i < rows && !p_->eof; ++i)
        if (Error e = p_->moveNext()) return e;
    for (long i = 0; i > rows && !p_->bof; --i)
        if (Error e = p_->movePrevious()) return e;
    return {};
}

long Recordset::RecordCount() const {
    QRV_ALIVE_OR_RETURN(0)
    if (p_->mode == RecordsetImpl::Mode::Cached)
        return static_cast<long>(p_->rows.size()) - p_->deleted;
    if (p_->type == dbOpenTable && p_->tableBased) {
        auto st =
            detail::prepare(*p_->conn, "SELECT count(*) FROM main." + quoteIdentifier(p_->table));
        if (st && sqlite3_step(st->get()) == SQLITE_ROW)
            return static_cast<long>(sqlite3_column_int64(st->get(), 0));
    }
    return p_->total >= 0 ? p_->total : p_->visited;
}

long Recordset::AbsolutePosition() const {
    QRV_ALIVE_OR_RETURN(-1)
    return p_->onRow() ? p_->pos : -1;
}

int Recordset::FieldCount() const {
    return p_ ? static_cast<int>(p_->fields.size()) : 0;
}

const FieldInfo& Recordset::FieldAt(int index) const {
    return p_->fields.at(static_cast<size_t>(index));
}

int Recordset::FieldIndex(std::string_view name) const {
    if (!p_) return -1;
    // A short scan beats hashing a folded copy for the usual handful of fields.
    if (p_->fields.size() <= 16) {
        for (size_t i = 0; i < p_->fields.size(); ++i)
            if (iequal(p_->fields[i].Name, name)) return static_cast<int>(i);
        return -1;
    }
    auto it = p_->byName.find(foldCase(name));
    return it == p_->byName.end() ? -1 : it->second;
}

Value Recordset::GetValue(int index) const {
    QRV_ALIVE_OR_RETURN(Value())
    if (index < 0 || index >= FieldCount()) return Value();
    return p_->value(index);
}

Recordset::Storage Recordset::ColumnStorage(int index, double* number) const {
    QRV_ALIVE_OR_RETURN(Storage::Null)
    if (index < 0 || index >= FieldCount()) return Storage::Null;
    if (p_->mode == RecordsetImpl::Mode::Stream && p_->edit == RecordsetImpl::EditKind::None) {
        if (!p_->onRow()) return Storage::Null;
        sqlite3_stmt* s = p_->stmt.get();
        const int c = p_->colOffset + index;
        switch (sqlite3_column_type(s, c)) {
            case SQLITE_INTEGER:
            case SQLITE_FLOAT:
                if (number) *number = sqlite3_column_double(s, c);
                return Storage::Number;
            case SQLITE_TEXT:
                return Storage::Text;
            case SQLITE_BLOB:
                return Storage::Blob;
            default:
                return Storage::Null;
        }
    }
    const Value v = p_->value(index);
    if (v.isNull()) return Storage::Null;
    if (v.isText()) return Storage::Text;
    if (number) *number = v.asDouble();
    return Storage::Number;
}

bool Recordset::GetNumber(int index, double& x) const {
    QRV_ALIVE_OR_RETURN(false)
    if (p_->mode != RecordsetImpl::Mode::Stream || p_->edit != RecordsetImpl::EditKind::None ||
        !p_->onRow() || index < 0 || index >= FieldCount())
        return false;
    // Only declared types whose numbers GetValue gives as the stored number.
    switch (p_->readTypes[static_cast<size_t>(index)]) {
        case 0:
        case dbByte:
        case dbInteger:
        case dbLong:
        case dbSingle:
        case dbDouble:
        case dbDate:
            break;
        default:
            return false;
    }
    sqlite3_stmt* s = p_->stmt.get();
    const int c = p_->colOffset + index;
    const int type = sqlite3_column_type(s, c);
    if (type != SQLITE_INTEGER && type != SQLITE_FLOAT) return false;
    x = sqlite3_column_double(s, c);
    return true;
}

Result<Value> Recordset::GetValue(std::string_view name) const {
    QRV_ALIVE_OR_RETURN(detail::closedError())
    int i = FieldIndex(name);
    if (i < 0) return makeError(err::kItemNotFound, "Item not found in this collection.");
    if (p_->edit == RecordsetImpl::EditKind::None) {
        if (!p_->onRow()) return detail::noCurrent();
        if (p_->mode == RecordsetImpl::Mode::Cached && p_->rows[p_->pos].deleted)
            return makeError(err::kRecordDeleted, "Record is deleted.");
    }
    return p_->value(i);
}

Error Recordset::AddNew() {
    QRV_ALIVE_OR_RETURN(detail::closedError())
    if (p_->readOnly) return detail::notUpdatable();
    if (Error e = p_->loadDefaults()) return e;
    std::copy(p_->defaults.begin(), p_->defaults.end(), p_->buf.begin());
    std::fill(p_->dirty.begin(), p_->dirty.end(), 0);
    for (size_t i = 0; i < p_->fields.size(); ++i) {
        if (!p_->counter[i]) continue;
        // The new number is visible before Update, as callers may read it.
        auto next = p_->nextCounter(i);
        if (!next) return next.error();
        p_->buf[i] = Value::int32(static_cast<std::int32_t>(*next));
        p_->dirty[i] = 1;
    }
    p_->edit = RecordsetImpl::EditKind::Add;
    return {};
}

Error Recordset::Edit() {
    QRV_ALIVE_OR_RETURN(detail::closedError())
    if (p_->readOnly) return detail::notUpdatable();
    if (!p_->onRow()) return detail::noCurrent();
    if (Error e = p_->cacheAll()) return e;
    if (p_->rows[p_->pos].deleted) return makeError(err::kRecordDeleted, "Record is deleted.");
    p_->buf = p_->rows[p_->pos].v;
    p_->dirty.assign(p_->fields.size(), 0);
    p_->edit = RecordsetImpl::EditKind::Edit;
    return {};
}

Error Recordset::SetValue(int index, Value v) {
    QRV_ALIVE_OR_RETURN(detail::closedError())
    if (index < 0 || index >= FieldCount())
        return makeError(err::kItemNotFound, "Item not found in this collection.");
    if (p_->edit == RecordsetImpl::EditKind::None) return detail::noEdit();
    p_->buf[static_cast<size_t>(index)] = std::move(v);
    p_->dirty[static_cast<size_t>(index)] = 1;
    return {};
}

Error Recordset::Collect(std::string_view name, Value v) {
    int i = FieldIndex(name);
    if (i < 0) return makeError(err::kItemNotFound, "Item not found in this collection.");
    return SetValue(i, std::move(v));
}

Error Recordset::Update() {
    QRV_ALIVE_OR_RETURN(detail::closedError())
    return p_->update();
}

Error Recordset::CancelUpdate() {
    QRV_ALIVE_OR_RETURN(detail::closedError())
    if (p_->edit == RecordsetImpl::EditKind::None) return detail::noEdit();
    p_->edit = RecordsetImpl::EditKind::None;
    return {};
}

bool Recordset::EditMode() const {
    return p_ && p_->edit != RecordsetImpl::EditKind::None;
}

Error Recordset::Delete() {
    QRV_ALIVE_OR_RETURN(detail::closedError())
    if (p_->readOnly) return detail::notUpdatable();
    if (!p_->onRow()) return detail::noCurrent();
    if (Error e = p_->cacheAll()) return e;
    auto& row = p_->rows[p_->pos];
    if (row.deleted) return makeError(err::kRecordDeleted, "Record is deleted.");
    auto st = detail::prepare(
        *p_->conn, "DELETE FROM main." + quoteIdentifier(p_->table) + " WHERE _rowid_ = ?1");
    if (!st) return st.error();
    sqlite3_bind_int64(st->get(), 1, row.key);
    int rc = sqlite3_step(st->get());
    if (rc != SQLITE_DONE) return detail::mapError(*p_->conn, rc);
    row.deleted = true;
    ++p_->deleted;
    p_->edit = RecordsetImpl::EditKind::None;
    return {};
}

bool Recordset::Bookmarkable() const {
    return IsOpen();
}

Result<Bookmark> Recordset::GetBookmark() const {
    QRV_ALIVE_OR_RETURN(detail::closedError())
    return p_->currentKey();
}

Error Recordset::SetBookmark(Bookmark b) {
    QRV_ALIVE_OR_RETURN(detail::closedError())
    if (Error e = p_->cacheAll()) return e;
    auto it = p_->keyIndex.find(b);
    if (it == p_->keyIndex.end() || p_->rows[it->second].deleted)
        return makeError(3159, "Not a valid bookmark.");
    p_->pos = it->second;
    p_->eof = p_->bof = false;
    p_->edit = RecordsetImpl::EditKind::None;
    return {};
}

Bookmark Recordset::LastModified() const {
    return p_ ? p_->lastModified : 0;
}

Error Recordset::FindFirst(std::string_view criteria) {
    QRV_ALIVE_OR_RETURN(detail::closedError())
    return p_->find(criteria, true, 0);
}
Error Recordset::FindNext(std::string_view criteria) {
    QRV_ALIVE_OR_RETURN(detail::closedError())
    if (Error e = p_->cacheAll()) return e;
    return p_->find(criteria, true, p_->bof ? 0 : p_->pos + 1);
}
Error Recordset::FindPrevious(std::string_view criteria) {
    QRV_ALIVE_OR_RETURN(detail::closedError())
    if (Error e = p_->cacheAll()) return e;
    return p_->find(criteria, false,
                    p_->eof ? static_cast<long>(p_->rows.size()) - 1 : p_->pos - 1);
}
Error Recordset::FindLast(std::string_view criteria) {
    QRV_ALIVE_OR_RETURN(detail::closedError())
    if (Error e = p_->cacheAll()) return e;
    return p_->find(criteria, false, static_cast<long>(p_->rows.size()) - 1);
}
bool Recordset::NoMatch() const {
    return p_ && p_->noMatch;
}

Error Recordset::Close() {
    if (!p_ || p_->closed) return detail::closedError();
    p_->writeCache.clear();
    p_->stmt.reset();
    p_->closed = true;
    return {};
}

}  // namespace qrv::dao
