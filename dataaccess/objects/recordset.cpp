// Recordset over a prepared statement: opening one on a table, a stored query
// or an SQL text, and the public handle's calls. The row-holding modes and
// moves, the writes and the finds live in recordset_cursor.cpp,
// recordset_write.cpp and recordset_find.cpp.
#include "dataaccess/objects/recordset.h"

#include <cctype>

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/dialect/sql_names.h"
#include "dataaccess/objects/database_impl.h"
#include "dataaccess/objects/recordset_impl.h"
#include "dataaccess/objects/stored_queries.h"
#include "dataaccess/schema/system_tables.h"

namespace qrv::dao {

namespace detail {

namespace {

std::string trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return std::string(s);
}

// A source that does not open with a statement's first word is the name of
// a table or query, which the desktop engine reports missing as such.
bool isObjectName(const std::string& src) {
    if (src.empty() || src.front() == '(') return false;
    std::string word;
    for (char c : src) {
        if (!std::isalpha(static_cast<unsigned char>(c))) break;
        word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    for (const char* verb : {"SELECT", "TRANSFORM", "PARAMETERS", "INSERT", "UPDATE", "DELETE",
                             "CREATE", "DROP", "ALTER"})
        if (word == verb) {
            const char next = src.size() > word.size() ? src[word.size()] : ' ';
            if (!std::isalnum(static_cast<unsigned char>(next)) && next != '_') return false;
        }
    return true;
}

}  // namespace

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
        sql = "SELECT * FROM " + querySchema(*conn, *view) + "." + quoteIdentifier(*view);
    } else if (isObjectName(src)) {
        return makeError(err::kInputTableNotFound,
                         "The database engine cannot find the input table or query '" + src +
                             "'. Make sure it exists and that its name is spelled correctly.");
    } else {
        const NameLookup names = storedNameLookup(*conn);
        const FieldLookup fields = storedFieldLookup(*conn);
        auto tr = translateStatement(
            src, [this](const std::string& p) { return attach(p); }, &names, &fields);
        if (!tr) return tr.error();
        if (tr->kind != StatementKind::Select)
            return makeError(err::kInvalidOperation, "Invalid operation.");
        sql = tr->sql;
    }
    if (!impl->stmt) {
        // A stored query or SQL text: what it reads is the user's to choose.
        auto st = prepareDialect(*conn, sql);
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
    return p_->addNew();
}

Error Recordset::Edit() {
    QRV_ALIVE_OR_RETURN(detail::closedError())
    return p_->beginEdit();
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
    return p_->deleteCurrent();
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