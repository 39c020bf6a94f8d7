// Running a parsed definition with the layer's own routines: a new table is a
// TableDef appended as any other, a changed one is remade by the rebuild
// (which keeps its rows, row ids and properties), and drops go through the
// routines that also remove the catalog rows. SQL of the layer's own making
// is used only where no routine exists (an index on an existing table, a
// dropped column), always with quoted names.
#include <algorithm>
#include <optional>

#include "dataaccess/dialect/sql_definition.h"
#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/objects/database_impl.h"
#include "dataaccess/objects/stored_queries.h"
#include "dataaccess/schema/schema_sql.h"
#include "dataaccess/schema/system_tables.h"

namespace qrv::dao::detail {

namespace {

using sql::AlterAction;
using sql::ConstraintKind;

Error readOnlyError() {
    return makeError(err::kReadOnly, "Cannot update. Database or object is read-only.");
}

Error notFound() {
    return makeError(err::kItemNotFound, "Item not found in this collection.");
}

Error stepAll(Connection& c, Stmt& st) {
    int rc;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
    }
    return rc == SQLITE_DONE ? Error{} : mapError(c, rc);
}

// ---- checks before anything runs -------------------------------------------

struct NameUse {
    std::string name;
    bool created;
    bool field;
};

void constraintNames(const sql::Constraint& c, std::vector<NameUse>& out) {
    if (!c.name.empty()) out.push_back({c.name, true, false});
    for (const std::string& f : c.fields) out.push_back({f, false, true});
    if (!c.refTable.empty()) out.push_back({c.refTable, false, false});
    for (const std::string& f : c.refFields) out.push_back({f, false, true});
}

void columnNames(const sql::ColumnDef& col, bool created, std::vector<NameUse>& out) {
    out.push_back({col.name, created, true});
    for (const sql::Constraint& c : col.constraints) constraintNames(c, out);
}

std::vector<NameUse> namesOf(const sql::Definition& d) {
    std::vector<NameUse> out;
    if (auto* ct = std::get_if<sql::CreateTable>(&d)) {
        out.push_back({ct->table, true, false});
        for (const sql::ColumnDef& col : ct->columns) columnNames(col, true, out);
        for (const sql::Constraint& c : ct->constraints) constraintNames(c, out);
    } else if (auto* at = std::get_if<sql::AlterTable>(&d)) {
        out.push_back({at->table, false, false});
        switch (at->action) {
            case AlterAction::AddColumn:
                columnNames(at->column, true, out);
                break;
            case AlterAction::AlterColumn:
                columnNames(at->column, false, out);
                break;
            case AlterAction::AddConstraint:
                constraintNames(at->constraint, out);
                break;
            case AlterAction::DropColumn:
                out.push_back({at->name, false, true});
                break;
            case AlterAction::DropConstraint:
                out.push_back({at->name, false, false});
                break;
            case AlterAction::Rename:
                out.push_back({at->name, true, false});
                break;
        }
    } else if (auto* dt = std::get_if<sql::DropTable>(&d)) {
        out.push_back({dt->table, false, false});
    } else if (auto* dv = std::get_if<sql::DropView>(&d)) {
        out.push_back({dv->view, false, false});
    } else if (auto* ci = std::get_if<sql::CreateIndex>(&d)) {
        out.push_back({ci->index, true, false});
        out.push_back({ci->table, false, false});
        for (const sql::IndexColumn& c : ci->columns) out.push_back({c.field, false, true});
    } else if (auto* di = std::get_if<sql::DropIndex>(&d)) {
        out.push_back({di->index, false, false});
        if (!di->table.empty()) out.push_back({di->table, false, false});
    }
    return out;
}

bool hasRelation(const sql::Definition& d) {
    auto in = [](const std::vector<sql::Constraint>& cs) {
        return std::any_of(cs.begin(), cs.end(), [](const sql::Constraint& c) {
            return c.kind == ConstraintKind::ForeignKey;
        });
    };
    if (auto* ct = std::get_if<sql::CreateTable>(&d)) {
        if (in(ct->constraints)) return true;
        for (const sql::ColumnDef& col : ct->columns)
            if (in(col.constraints)) return true;
    } else if (auto* at = std::get_if<sql::AlterTable>(&d)) {
        return in(at->column.constraints) || at->constraint.kind == ConstraintKind::ForeignKey;
    }
    return false;
}

// Names made follow the naming rule of TableDefs; names used may not reach
// the layer's catalog or SQLite's own tables.
Error checkNames(const sql::Definition& d) {
    for (const NameUse& n : namesOf(d)) {
        const bool internal =
            !n.field && (iequal(n.name, kCatalogTable) || iequal(n.name.substr(0, 7), "sqlite_"));
        if (n.created || internal)
            if (Error e = checkName(n.name, n.field)) return e;
    }
    // A relationship would bind one table's rows to another's, and nothing
    // here would keep that promise: refused rather than made without it.
    if (hasRelation(d))
        return makeError(err::kInvalidOperation,
                         "Relationships between tables are not supported; the statement has a "
                         "REFERENCES clause and nothing was changed.");
    return {};
}

// Working names and the scenario tables' design are the program's.
Error checkOwnTables(const sql::Definition& d) {
    if (auto* ct = std::get_if<sql::CreateTable>(&d)) return checkMadeTableName(ct->table);
    if (auto* at = std::get_if<sql::AlterTable>(&d)) {
        if (Error e = checkDesignChange(at->table)) return e;
        if (at->action == AlterAction::Rename) return checkMadeTableName(at->name);
    } else if (auto* dt = std::get_if<sql::DropTable>(&d)) {
        return checkDesignChange(dt->table);
    } else if (auto* ci = std::get_if<sql::CreateIndex>(&d)) {
        return checkDesignChange(ci->table);
    } else if (auto* di = std::get_if<sql::DropIndex>(&d)) {
        return checkDesignChange(di->table);
    }
    return {};
}

// ---- building definitions ---------------------------------------------------

Field fieldFrom(const sql::ColumnDef& col) {
    const sql::DialectType* t = sql::dialectType(col.type);  // the parser knew it
    const long size = t->sized ? (col.size > 0 ? col.size : t->maxSize) : 0;
    Field f(col.name, t->type, size);
    if (t->counter) f.Attributes = dbAutoIncrField;
    f.Required = col.notNull;
    return f;
}

// A name for an index the statement leaves unnamed, unused in def and the statement.
std::string indexName(const TableDef& def, const std::vector<std::string>& taken, bool primary) {
    auto free = [&](const std::string& n) {
        return !def.FindIndex(n) && std::none_of(taken.begin(), taken.end(),
                                                 [&](const auto& t) { return iequal(t, n); });
    };
    if (primary && free("PrimaryKey")) return "PrimaryKey";
    for (int i = 1;; ++i)
        if (std::string n = "Index" + std::to_string(i); free(n)) return n;
}

Error addConstraint(TableDef& def, const sql::Constraint& c, const std::vector<std::string>& fields,
                    const std::vector<std::string>& taken) {
    if (c.kind == ConstraintKind::NotNull) {
        for (const std::string& n : fields) {
            Field* f = def.FindField(n);
            if (!f) return notFound();
            f->Required = true;
        }
        return {};
    }
    const bool primary = c.kind == ConstraintKind::PrimaryKey;
    if (primary)
        for (const Index& ix : def.Indexes())
            if (ix.Primary) return makeError(3283, "Primary key already exists.");
    Index ix(c.name.empty() ? indexName(def, taken, primary) : c.name);
    ix.Fields = fields;
    ix.Primary = primary;
    ix.Unique = true;
    return def.AppendIndex(std::move(ix));
}

std::vector<std::string> statedNames(const std::vector<sql::Constraint>& cs) {
    std::vector<std::string> out;
    for (const sql::Constraint& c : cs)
        if (!c.name.empty()) out.push_back(c.name);
    return out;
}

Error addColumnConstraints(TableDef& def, const sql::ColumnDef& col,
                           const std::vector<std::string>& taken) {
    for (const sql::Constraint& c : col.constraints)
        if (Error e = addConstraint(def, c, {col.name}, taken)) return e;
    return {};
}

Result<TableDef> tableFrom(const sql::CreateTable& ct) {
    TableDef def(ct.table);
    def.EnforceTypes = true;
    std::vector<std::string> taken = statedNames(ct.constraints);
    for (const sql::ColumnDef& col : ct.columns)
        for (const std::string& n : statedNames(col.constraints)) taken.push_back(n);
    for (const sql::ColumnDef& col : ct.columns)
        if (Error e = def.AppendField(fieldFrom(col))) return e;
    for (const sql::ColumnDef& col : ct.columns)
        if (Error e = addColumnConstraints(def, col, taken)) return e;
    for (const sql::Constraint& c : ct.constraints)
        if (Error e = addConstraint(def, c, c.fields, taken)) return e;
    return def;
}

// A detached copy of a definition, to change and rebuild from; `skip` is
// left out.
Result<TableDef> copyOf(const TableDef& src, const Index* skip = nullptr) {
    TableDef def(src.Name);
    def.ValidationRule = src.ValidationRule;
    def.ValidationText = src.ValidationText;
    def.EnforceTypes = src.EnforceTypes;
    for (const Field& f : src.Fields())
        if (Error e = def.AppendField(f)) return e;
    for (const Index& ix : src.Indexes())
        if (&ix != skip)
            if (Error e = def.AppendIndex(ix)) return e;
    return def;
}

Result<TableDef> storedCopy(DatabaseImpl& db, std::string_view table) {
    auto stored = db.loadTableDef(table);
    if (!stored) return stored.error();
    return copyOf(*stored);
}

// ---- statements ---------------------------------------------------------------

// Rows already in a table get numbers in row order when a counter field that
// SQLite does not number itself is added to it, as later rows will be.
Error numberRows(DatabaseImpl& db, const TableDef& def, const Field& counter) {
    const std::string t = quoteIdentifier(def.Name);
    return exec(*db.conn, "UPDATE main." + t + " SET " + quoteIdentifier(counter.Name) +
                              " = s.n FROM (SELECT _rowid_ AS r, row_number() OVER (ORDER BY "
                              "_rowid_) AS n FROM main." +
                              t + ") AS s WHERE " + t + "._rowid_ = s.r");
}

Error addColumn(DatabaseImpl& db, TableDef& def, const sql::ColumnDef& col) {
    Field f = fieldFrom(col);
    int last = -1;
    for (const Field& g : def.Fields()) last = std::max(last, g.OrdinalPosition);
    f.OrdinalPosition = last + 1;
    if (Error e = def.AppendField(f)) return e;
    if (Error e = addColumnConstraints(def, col, statedNames(col.constraints))) return e;
    if (Error e = db.rebuildTable(def)) return e;
    // Undone with the rebuild when it fails: the statement is one transaction.
    const Field* added = def.FindField(col.name);
    if ((added->Attributes & dbAutoIncrField) && !soleCounterKey(def, *added))
        return numberRows(db, def, *added);
    return {};
}

Error alterColumn(DatabaseImpl& db, TableDef& def, const sql::ColumnDef& col) {
    Field* f = def.FindField(col.name);
    if (!f) return notFound();
    const Field made = fieldFrom(col);
    f->Type = made.Type;
    f->Size = made.Size;
    f->Required = made.Required;
    f->Attributes = (f->Attributes & ~dbAutoIncrField) | (made.Attributes & dbAutoIncrField);
    if (Error e = addColumnConstraints(def, col, statedNames(col.constraints))) return e;
    return db.rebuildTable(def);
}

// SQLite drops the column from the stored text in place; the catalog rows of
// the field go in the same transaction.
Error dropColumn(DatabaseImpl& db, const TableDef& def, const std::string& name) {
    const Field* f = def.FindField(name);
    if (!f) return notFound();
    for (const Index& ix : def.Indexes())
        for (const std::string& n : ix.Fields)
            if (iequal(n, f->Name))
                return makeError(err::kFieldInIndex,
                                 "Cannot delete a field that is part of an index or is needed by "
                                 "the system.");
    if (def.Fields().size() == 1)
        return makeError(err::kInvalidOperation,
                         "Cannot delete the only field of table '" + def.Name + "'.");
    WriteScope scope(*db.conn, "qrv_drop_column");
    if (Error e = scope.begin()) return e;
    if (Error e = db.ensureCatalog()) return scope.fail(e);
    auto ref = db.findRef(def.Name, "table");
    if (!ref) return scope.fail(notFound());
    // A query broken elsewhere would block the drop; one that reads the
    // column is named by SQLite's check of the table without it.
    auto aside = setBrokenQueriesAside(*db.conn);
    if (!aside) return scope.fail(aside.error());
    Error dropped = exec(*db.conn, "ALTER TABLE main." + quoteIdentifier(ref->name) +
                                       " DROP COLUMN " + quoteIdentifier(f->Name));
    if (!dropped) dropped = restoreQueries(*db.conn, *aside);
    if (dropped) {
        if (dropped.description.find("after drop column") != std::string::npos)
            dropped = makeError(err::kInvalidOperation,
                                "Cannot delete field '" + f->Name + "' of table '" + ref->name +
                                    "': the table's validation rule or a stored query uses it.");
        return scope.fail(dropped);
    }
    // Rows filed under a token that another table's text also carries are
    // that table's as much; the next tidy settles those.
    if (!ref->token.empty() && db.tokenCarriers(ref->token).size() == 1) {
        auto del = prepare(*db.conn, std::string("DELETE FROM ") + kCatalogTable +
                                         " WHERE ObjectId = ?1 AND ItemKey = ?2");
        if (!del) return scope.fail(del.error());
        const std::string key = foldCase(f->Name);
        sqlite3_bind_text(del->get(), 1, ref->token.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(del->get(), 2, key.c_str(), -1, SQLITE_TRANSIENT);
        if (Error e = stepAll(*db.conn, *del)) return scope.fail(e);
    }
    return scope.commit();
}

// The SQLite index behind a non-primary index of def: "<table>.<index>" when
// the layer made it, the index's own name when another program did.
std::string storedIndexName(DatabaseImpl& db, const TableDef& def, const Index& ix) {
    const std::string ours = indexSqlName(def.Name, ix.Name);
    if (auto stored = db.findObject(ours, "index")) return *stored;
    return ix.Name;
}

// A primary key lives in the table's own text, so it goes by a rebuild.
Error dropIndex(DatabaseImpl& db, const TableDef& def, const std::string& name) {
    const Index* ix = def.FindIndex(name);
    if (!ix) return notFound();
    if (ix->Primary) {
        auto changed = copyOf(def, ix);
        if (!changed) return changed.error();
        return db.rebuildTable(*changed);
    }
    return exec(*db.conn, "DROP INDEX main." + quoteIdentifier(storedIndexName(db, def, *ix)));
}

Error alterTable(DatabaseImpl& db, const sql::AlterTable& at) {
    if (at.action == AlterAction::Rename) return db.renameTable(at.table, at.name);
    auto def = storedCopy(db, at.table);
    if (!def) return def.error();
    switch (at.action) {
        case AlterAction::AddColumn:
            return addColumn(db, *def, at.column);
        case AlterAction::AlterColumn:
            return alterColumn(db, *def, at.column);
        case AlterAction::DropColumn:
            return dropColumn(db, *def, at.name);
        case AlterAction::AddConstraint:
            if (Error e = addConstraint(*def, at.constraint, at.constraint.fields, {})) return e;
            return db.rebuildTable(*def);
        case AlterAction::DropConstraint:
            return dropIndex(db, *def, at.name);
        case AlterAction::Rename:
            break;
    }
    return {};
}

Error createIndex(DatabaseImpl& db, const sql::CreateIndex& ci) {
    auto def = storedCopy(db, ci.table);
    if (!def) return def.error();
    Index ix(ci.index);
    for (const sql::IndexColumn& c : ci.columns) {
        const Field* f = def->FindField(c.field);
        if (!f) return notFound();
        ix.Fields.push_back(f->Name);
    }
    ix.Unique = ci.unique;
    ix.Primary = ci.option == sql::IndexOption::Primary;
    if (ix.Primary)
        for (const Index& other : def->Indexes())
            if (other.Primary) return makeError(3283, "Primary key already exists.");
    if (Error e = def->AppendIndex(ix)) return e;
    // Null in an indexed field is refused by the fields themselves.
    if (ci.option == sql::IndexOption::DisallowNull)
        for (const std::string& n : ix.Fields) def->FindField(n)->Required = true;
    if (ix.Primary || ci.option == sql::IndexOption::DisallowNull) return db.rebuildTable(*def);
    // Order within an index changes neither what it holds nor what it refuses;
    // the layer's indexes are ascending.
    return exec(*db.conn, createIndexSql(*def, def->Name, *def->FindIndex(ix.Name)));
}

// An index named without its table: the one table that has an index of that name.
Result<std::string> tableOfIndex(DatabaseImpl& db, const std::string& index) {
    std::vector<std::string> tables;
    {
        auto st = prepare(*db.conn, "SELECT name FROM main.sqlite_master WHERE type = 'table'");
        if (!st) return st.error();
        while (sqlite3_step(st->get()) == SQLITE_ROW)
            tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 0)));
    }
    std::optional<std::string> found;
    for (const std::string& t : tables) {
        if (!db.findObject(t, "table")) continue;  // the catalog and SQLite's own
        auto def = db.loadTableDef(t);
        if (!def || !def->FindIndex(index)) continue;
        if (found)
            return makeError(err::kInvalidOperation, "More than one table has an index named '" +
                                                         index + "'; name its table with ON.");
        found = def->Name;
    }
    if (!found) return notFound();
    return *found;
}

Error dropView(DatabaseImpl& db, const std::string& name) {
    auto ref = db.findRef(name, "view");
    if (!ref) return notFound();
    WriteScope scope(*db.conn, "qrv_query");
    if (Error e = scope.begin()) return e;
    if (Error e = db.dropProperties(*ref)) return scope.fail(e);
    if (Error e = exec(*db.conn, "DROP VIEW main." + quoteIdentifier(ref->name)))
        return scope.fail(e);
    if (Error e = dropLinkedView(*db.conn, ref->name)) return scope.fail(e);
    return scope.commit();
}

Error run(DatabaseImpl& db, const sql::Definition& d) {
    if (auto* ct = std::get_if<sql::CreateTable>(&d)) {
        auto def = tableFrom(*ct);
        if (!def) return def.error();
        return db.createTable(*def);
    }
    if (auto* at = std::get_if<sql::AlterTable>(&d)) return alterTable(db, *at);
    if (auto* dt = std::get_if<sql::DropTable>(&d)) return db.dropTable(dt->table);
    if (auto* dv = std::get_if<sql::DropView>(&d)) return dropView(db, dv->view);
    if (auto* ci = std::get_if<sql::CreateIndex>(&d)) return createIndex(db, *ci);
    const auto& di = std::get<sql::DropIndex>(d);
    std::string table = di.table;
    if (table.empty()) {
        auto t = tableOfIndex(db, di.index);
        if (!t) return t.error();
        table = *t;
        if (Error e = checkDesignChange(table)) return e;
    }
    auto def = storedCopy(db, table);
    if (!def) return def.error();
    return dropIndex(db, *def, di.index);
}

}  // namespace

Result<long> executeDefinition(DatabaseImpl& db, std::string_view text) {
    auto d = sql::parseDefinition(text);
    if (!d) return d.error();
    if (Error e = checkNames(*d)) return e;
    if (Error e = checkOwnTables(*d)) return e;
    if (db.conn->readOnly) return readOnlyError();
    // One statement, one change: whatever a step refuses undoes the steps before it.
    WriteScope scope(*db.conn, "qrv_definition");
    if (Error e = scope.begin()) return e;
    if (Error e = run(db, *d)) return scope.fail(e);
    if (Error e = scope.commit()) return e;
    // Rows of objects another client removed meanwhile go too; nothing depends on it.
    db.tidyCatalog();
    return 0L;
}

}  // namespace qrv::dao::detail
