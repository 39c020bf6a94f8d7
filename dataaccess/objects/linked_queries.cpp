// Stored queries of another file's tables (stored_queries.h): a stand-in in
// the file that holds the query, and on each connection a temporary view of
// the same name over the attached file.
#include <filesystem>

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/fold.h"
#include "dataaccess/objects/database_impl.h"
#include "dataaccess/objects/stored_queries.h"
#include "dataaccess/schema/system_tables.h"

namespace qrv::dao::detail {

namespace {

constexpr const char* kStandInFunction = "qrv_stand_in";
// The call that ends every stand-in's text, and marks it as one.
const std::string kStandInCall = std::string(" WHERE ") + kStandInFunction + "(";

std::string withoutTrailingSemicolon(std::string s) {
    while (!s.empty() && (s.back() == ';' || s.back() == ' ' || s.back() == '\n' ||
                          s.back() == '\r' || s.back() == '\t'))
        s.pop_back();
    return s;
}

// A relative path names a file beside the one that holds the query.
std::string fromFolderOf(const std::string& holder, const std::string& file) {
    const std::filesystem::path p(file);
    if (file.empty() || p.is_absolute()) return file;
    const std::filesystem::path folder = std::filesystem::path(holder).parent_path();
    return folder.empty() ? file : (folder / p).string();
}

// A stored query's reader may not know which file it reads: the reason
// names the file when it does not already.
Error namingFile(Error e, const std::string& path) {
    if (e.description.find(path) != std::string::npos) return e;
    if (!e.description.empty() && e.description.back() == '.') e.description.pop_back();
    e.description += " (file '" + path + "').";
    return e;
}

std::vector<std::string> standInNames(Connection& c) {
    std::vector<std::string> out;
    auto st =
        prepare(c, "SELECT name FROM main.sqlite_master WHERE type = 'view' AND instr(sql, ?1)");
    if (!st || !*st) return out;
    sqlite3_bind_text(st->get(), 1, kStandInCall.c_str(), -1, SQLITE_STATIC);
    while (sqlite3_step(st->get()) == SQLITE_ROW)
        out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 0)));
    return out;
}

bool hasTemporaryView(Connection& c, const std::string& name) {
    auto st = prepare(c, "SELECT 1 FROM temp.sqlite_master WHERE type = 'view' AND name = ?1");
    if (!st || !*st) return false;
    sqlite3_bind_text(st->get(), 1, name.c_str(), -1, SQLITE_TRANSIENT);
    return sqlite3_step(st->get()) == SQLITE_ROW;
}

// The stand-in keeps the query's columns, so that a statement naming them
// is prepared and reaches the call that says why nothing can be read.
std::string standInSelect(const std::string& name, const std::vector<std::string>& columns) {
    std::string list;
    for (const std::string& column : columns)
        list += (list.empty() ? "NULL AS " : ", NULL AS ") + quoteIdentifier(column);
    return "SELECT " + (list.empty() ? std::string("NULL") : list) + kStandInCall +
           quoteLiteral(name) + ")";
}

void standInCalled(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    auto& c = *static_cast<Connection*>(sqlite3_user_data(ctx));
    const unsigned char* raw = argc == 1 ? sqlite3_value_text(argv[0]) : nullptr;
    const std::string name = raw ? reinterpret_cast<const char*>(raw) : "";
    const std::string quoted = "The query '" + name + "' ";
    Error e;
    if (auto it = c.unlinkedQueries.find(name); it != c.unlinkedQueries.end())
        e = makeError(it->second.number, quoted + "cannot be read: " + it->second.description);
    else if (hasTemporaryView(c, name))
        e = makeError(err::kInvalidOperation,
                      quoted +
                          "reads another database file, and a query that reads it was stored "
                          "before it did; store that query again.");
    else
        e = makeError(err::kInvalidOperation,
                      quoted +
                          "reads another database file and was stored after this file was "
                          "opened; open the file again to read it.");
    sqlite3_result_error(ctx, functionErrorText(e).c_str(), -1);
}

// Collects the names of the views a statement reads, nested ones too.
int collectViews(void* names, int action, const char* table, const char*, const char*,
                 const char* view) {
    auto& list = *static_cast<std::vector<std::string>*>(names);
    if (view) list.emplace_back(view);
    if (action == SQLITE_READ && table) list.emplace_back(table);
    return SQLITE_OK;
}

// Whether a query reads a query of another file's tables: then it is one too.
bool readsQueryOfOtherFile(Connection& c, const std::string& select) {
    const std::vector<std::string> standIns = standInNames(c);
    if (standIns.empty()) return false;
    std::vector<std::string> read;
    sqlite3_set_authorizer(c.db, collectViews, &read);
    auto st = prepare(c, select);
    guardSystemTables(c);
    for (const std::string& name : read)
        for (const std::string& standIn : standIns)
            if (iequal(name, standIn)) return true;
    return false;
}

Error createTemporaryView(Connection& c, const std::string& name, const std::string& select) {
    if (Error e = exec(c, "CREATE TEMP VIEW " + quoteIdentifier(name) + " AS " + select)) return e;
    c.unlinkedQueries.erase(name);
    return {};
}

}  // namespace

Result<StoredQuerySql> translateStoredQuery(DatabaseImpl& impl, std::string_view dialectSql) {
    bool otherFile = false;
    DatabaseImpl* p = &impl;
    auto tr = translateStatement(dialectSql,
                                 [p, &otherFile](const std::string& file) -> Result<std::string> {
                                     const std::string path = fromFolderOf(p->conn->path, file);
                                     Result<std::string> schema = p->attach(path);
                                     if (!schema) return namingFile(schema.error(), path);
                                     if (schema.value() != "main") otherFile = true;
                                     return schema;
                                 });
    if (!tr) return tr.error();
    if (tr->kind != StatementKind::Select)
        return makeError(err::kInvalidOperation, "Invalid operation.");
    StoredQuerySql out{withoutTrailingSemicolon(tr->sql), otherFile};
    if (!out.readsOtherFile) out.readsOtherFile = readsQueryOfOtherFile(*impl.conn, out.select);
    return out;
}

Error createQueryViews(Connection& c, const std::string& name, const std::string& token,
                       const StoredQuerySql& query) {
    // One left by a query that another connection deleted would hide this one.
    if (Error e = dropLinkedView(c, name)) return e;
    const std::string head = "CREATE VIEW " + quoteIdentifier(name) + " /*" + token + "*/ AS ";
    if (!query.readsOtherFile) return exec(c, head + query.select);
    std::vector<std::string> columns;
    if (auto st = prepare(c, query.select); st && *st)
        for (int i = 0; i < sqlite3_column_count(st->get()); ++i)
            columns.emplace_back(sqlite3_column_name(st->get(), i));
    if (Error e = exec(c, head + standInSelect(name, columns))) return e;
    return createTemporaryView(c, name, query.select);
}

Error dropLinkedView(Connection& c, const std::string& name) {
    return exec(c, "DROP VIEW IF EXISTS temp." + quoteIdentifier(name));
}

void linkQueriesOfOtherFiles(DatabaseImpl& impl) {
    Connection& c = *impl.conn;
    for (const std::string& name : standInNames(c)) {
        Error why;
        if (auto text = impl.getProperty(name, "", "SQL"); !text)
            why = makeError(err::kInvalidOperation, "its text is not in the file.");
        else if (auto query = translateStoredQuery(impl, text->value.toText()); !query)
            why = query.error();
        else
            why = createTemporaryView(c, name, query->select);
        if (why) c.unlinkedQueries[name] = why;
    }
}

std::string querySchema(Connection& c, const std::string& name) {
    return hasTemporaryView(c, name) ? "temp" : "main";
}

int registerStandInFunction(Connection& c) {
    return sqlite3_create_function_v2(c.db, kStandInFunction, 1, SQLITE_UTF8 | SQLITE_INNOCUOUS, &c,
                                      standInCalled, nullptr, nullptr, nullptr);
}

}  // namespace qrv::dao::detail
