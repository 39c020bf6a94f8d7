// Database handle operations: statements, definitions, stored queries,
// transactions and database properties.
#include "dataaccess/objects/database.h"

#include <filesystem>

#include "dataaccess/dialect/sql_definition.h"
#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/dialect/sql_names.h"
#include "dataaccess/objects/database_impl.h"
#include "dataaccess/objects/file_open.h"
#include "dataaccess/objects/select_into.h"
#include "dataaccess/objects/sql_insert.h"
#include "dataaccess/objects/stored_queries.h"
#include "dataaccess/schema/system_tables.h"
#include "dataaccess/security/database_password.h"

namespace qrv::dao {

using detail::closedError;

namespace {
const std::string kEmpty;

Error notInTransaction() {
    return makeError(err::kNotInTransaction,
                     "You tried to commit or rollback a transaction without first beginning a "
                     "transaction.");
}

}  // namespace

namespace detail {

Result<std::string> DatabaseImpl::attach(const std::string& path) {
    // A source clause naming this database's own file reads this database.
    std::error_code ec;
    if (path == conn->path || std::filesystem::equivalent(path, conn->path, ec))
        return std::string("main");
    if (auto it = conn->attached.find(path); it != conn->attached.end()) return it->second;
    if (Error e = checkDatabasePath(path)) return e;
    std::string alias = "qrv_src" + std::to_string(conn->attached.size() + 1);
    auto st = prepare(*conn, "ATTACH DATABASE ?1 AS " + quoteIdentifier(alias));
    if (!st) return st.error();
    sqlite3_bind_text(st->get(), 1, path.c_str(), -1, SQLITE_TRANSIENT);
    const int rc = sqlite3_step(st->get());
    if (rc != SQLITE_DONE) {
        const int primary = rc & 0xff;
        if (primary == SQLITE_NOTADB)
            return makeError(err::kUnrecognizedFormat,
                             "Unrecognized database format '" + path + "'.");
        if (primary == SQLITE_CORRUPT) return damagedFile(path);
        return mapError(*conn, rc);
    }
    // Checked through the attached file's own descriptor, never one of ours:
    // the file may be open in this process already. A file with a password
    // is read only with this database's password.
    Error refused;
    if (auto header = readHeader(*conn, alias, path); !header)
        refused = header.error();
    else
        refused = checkPassword(*conn, alias, connectPassword(conn->connect));
    if (refused) {
        exec(*conn, "DETACH DATABASE " + quoteIdentifier(alias));
        return refused;
    }
    conn->attached.emplace(path, alias);
    return alias;
}

}  // namespace detail

bool Database::IsOpen() const {
    return p_ && p_->conn->isOpen();
}
const std::string& Database::Name() const {
    return p_ ? p_->conn->path : kEmpty;
}
bool Database::Updatable() const {
    return IsOpen() && !p_->conn->readOnly;
}

Result<Recordset> Database::OpenRecordset(std::string_view source, int type, int options) {
    if (!IsOpen()) return closedError();
    return p_->openRecordset(source, type, options);
}

Result<long> Database::Execute(std::string_view sql) {
    if (!IsOpen()) return closedError();
    // Definitions are made by the layer's own table building, never sent as written.
    if (sql::isDefinitionStatement(sql)) return detail::executeDefinition(*p_, sql);
    auto* impl = p_.get();
    const NameLookup names = detail::storedNameLookup(*impl->conn);
    const FieldLookup fields = detail::storedFieldLookup(*impl->conn);
    auto tr = translateStatement(
        sql, [impl](const std::string& path) { return impl->attach(path); }, &names, &fields);
    if (!tr) return tr.error();
    if (tr->kind == StatementKind::SelectInto) return detail::executeSelectInto(*p_, *tr);
    if (tr->kind == StatementKind::Insert) return detail::executeInsert(*p_, *tr);
    if (tr->kind == StatementKind::Select) return makeError(3065, "Cannot execute a select query.");
    auto st = detail::prepareDialect(*p_->conn, tr->sql);
    if (!st) return st.error();
    if (!*st) return 0L;  // nothing but blanks
    int rc;
    while ((rc = sqlite3_step(st->get())) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) return detail::mapError(*p_->conn, rc);
    return static_cast<long>(sqlite3_changes(p_->conn->db));
}

Error Database::AppendTableDef(TableDef& def) {
    if (!IsOpen()) return closedError();
    return p_->createTable(def);
}

Result<TableDef> Database::GetTableDef(std::string_view name) const {
    if (!IsOpen()) return closedError();
    return p_->loadTableDef(name);
}

std::vector<std::string> Database::TableDefNames(bool withTemporary) const {
    std::vector<std::string> out;
    if (!IsOpen()) return out;
    auto st = detail::prepare(*p_->conn,
                              "SELECT name FROM main.sqlite_master WHERE type = 'table' AND name "
                              "NOT LIKE 'sqlite\\_%' ESCAPE '\\' AND name <> ?1 ORDER BY name");
    if (!st) return out;
    sqlite3_bind_text(st->get(), 1, detail::kCatalogTable, -1, SQLITE_STATIC);
    while (sqlite3_step(st->get()) == SQLITE_ROW) {
        const char* name = reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 0));
        if ((withTemporary || name[0] != '~') && !detail::isSystemTable(name))
            out.emplace_back(name);
    }
    return out;
}

Error Database::DeleteTableDef(std::string_view name) {
    if (!IsOpen()) return closedError();
    return p_->dropTable(name);
}

Error Database::RenameTableDef(std::string_view from, std::string_view to) {
    if (!IsOpen()) return closedError();
    return p_->renameTable(from, to);
}

bool Database::SameDefinition(const TableDef& def) const {
    return IsOpen() && p_->sameDefinition(def);
}

Error Database::RebuildTableDef(TableDef& def) {
    if (!IsOpen()) return closedError();
    return p_->rebuildTable(def);
}

Error Database::CreateQueryDef(std::string_view name, std::string_view sql) {
    if (!IsOpen()) return closedError();
    if (p_->conn->readOnly)
        return makeError(err::kReadOnly, "Cannot update. Database or object is read-only.");
    if (Error e = detail::checkName(name)) return e;
    if (p_->isTable(name) || p_->isQuery(name))
        return makeError(err::kObjectExists, "Object '" + std::string(name) + "' already exists.");
    // A query may read another file through IN 'path' (stored_queries.h).
    auto query = detail::translateStoredQuery(*p_, sql);
    if (!query) return query.error();
    if (Error e = detail::checkNewQuery(*p_->conn, query->select)) return e;
    // The token after the name ties the query's text as written to this view.
    const std::string token = detail::newObjectToken();
    const std::string stored(name);
    detail::WriteScope scope(*p_->conn, "qrv_query");
    if (Error e = scope.begin()) return e;
    if (Error e = p_->ensureCatalog()) return scope.fail(e);
    if (Error e = detail::createQueryViews(*p_->conn, stored, token, *query)) return scope.fail(e);
    if (Error e = p_->putProperty(token, stored, "", {"SQL", dbMemo, Value(std::string(sql))}))
        return scope.fail(e);
    return scope.commit();
}

Result<QueryDef> Database::GetQueryDef(std::string_view name) const {
    if (!IsOpen()) return closedError();
    auto stored = p_->findObject(name, "view");
    if (!stored) return makeError(err::kItemNotFound, "Item not found in this collection.");
    QueryDef q{*stored, {}};
    if (auto p = p_->getProperty(*stored, "", "SQL")) {
        q.SQL = p->value.toText();
    } else {
        auto st = detail::prepare(*p_->conn,
                                  "SELECT sql FROM main.sqlite_master WHERE type = 'view' AND "
                                  "name = ?1");
        if (st) {
            sqlite3_bind_text(st->get(), 1, stored->c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(st->get()) == SQLITE_ROW)
                q.SQL = reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 0));
        }
    }
    return q;
}

std::vector<std::string> Database::QueryDefNames() const {
    std::vector<std::string> out;
    if (!IsOpen()) return out;
    auto st = detail::prepare(*p_->conn,
                              "SELECT name FROM main.sqlite_master WHERE type = 'view' ORDER BY "
                              "name");
    if (!st) return out;
    while (sqlite3_step(st->get()) == SQLITE_ROW)
        out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 0)));
    return out;
}

Error Database::DeleteQueryDef(std::string_view name) {
    if (!IsOpen()) return closedError();
    if (p_->conn->readOnly)
        return makeError(err::kReadOnly, "Cannot update. Database or object is read-only.");
    auto ref = p_->findRef(name, "view");
    if (!ref) return makeError(err::kItemNotFound, "Item not found in this collection.");
    detail::WriteScope scope(*p_->conn, "qrv_query");
    if (Error e = scope.begin()) return e;
    if (Error e = p_->dropProperties(*ref)) return scope.fail(e);
    if (Error e = detail::exec(*p_->conn, "DROP VIEW main." + quoteIdentifier(ref->name)))
        return scope.fail(e);
    if (Error e = detail::dropLinkedView(*p_->conn, ref->name)) return scope.fail(e);
    return scope.commit();
}

Error Database::BeginTrans() {
    if (!IsOpen()) return closedError();
    auto& c = *p_->conn;
    // A writable file's transaction takes the write lock at once: one that
    // began by reading could not turn into writing once another connection
    // had written to the file meanwhile.
    const std::string begin = c.readOnly ? "BEGIN" : "BEGIN IMMEDIATE";
    if (Error e =
            detail::exec(c, c.txDepth == 0 ? begin : "SAVEPOINT qrv_t" + std::to_string(c.txDepth)))
        return e;
    ++c.txDepth;
    return {};
}

Error Database::CommitTrans() {
    if (!IsOpen()) return closedError();
    auto& c = *p_->conn;
    if (c.txDepth == 0) return notInTransaction();
    --c.txDepth;
    return detail::exec(c, c.txDepth == 0 ? "COMMIT" : "RELEASE qrv_t" + std::to_string(c.txDepth));
}

Error Database::Rollback() {
    if (!IsOpen()) return closedError();
    auto& c = *p_->conn;
    if (c.txDepth == 0) return notInTransaction();
    --c.txDepth;
    if (c.txDepth == 0) return detail::exec(c, "ROLLBACK");
    std::string sp = "qrv_t" + std::to_string(c.txDepth);
    if (Error e = detail::exec(c, "ROLLBACK TO " + sp)) return e;
    return detail::exec(c, "RELEASE " + sp);
}

Result<Value> Database::GetProperty(std::string_view name) const {
    if (!IsOpen()) return closedError();
    if (iequal(name, "Name")) return Value(p_->conn->path);
    if (iequal(name, "Updatable")) return Value(!p_->conn->readOnly);
    if (auto p = p_->getProperty("", "", name)) return p->value;
    return makeError(3270, "Property not found.");
}

Error Database::SetProperty(std::string_view name, Value v) {
    if (!IsOpen()) return closedError();
    return p_->setProperty("", "", {std::string(name), v.isText() ? dbText : dbDouble, v});
}

Error Database::Close() {
    if (!p_) return closedError();
    if (p_->conn->txDepth > 0) {
        detail::exec(*p_->conn, "ROLLBACK");
        p_->conn->txDepth = 0;
    }
    p_->conn->close();
    return {};
}

}  // namespace qrv::dao
