// SQLite writer, statements: queries with their joins and source clauses,
// DISTINCTROW, TOP [PERCENT], INSERT, UPDATE and DELETE, and the spelling of
// names.
#include <sqlite3.h>

#include <optional>
#include <utility>

#include "dataaccess/dialect/reserved_names.h"
#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/dialect/sql_parser.h"
#include "dataaccess/dialect/sql_writer_impl.h"
#include "dataaccess/fold.h"
#include "dataaccess/types.h"

namespace qrv::dao::sql {

SqliteWriter::SqliteWriter(const Tree& tree, const WriteOptions& options)
    : tree_(tree), opt_(options) {
    if (opt_.names != nullptr && *opt_.names) collectAliases();
}

void SqliteWriter::fail(int number, std::string text) const {
    if (number == err::kSyntaxInExpression) throw WriteFailure{expressionError(text)};
    throw WriteFailure{makeError(number, std::move(text))};
}

void SqliteWriter::failStatement() const {
    std::string text = "Syntax error in FROM clause.";
    if (tree_.statement.type == StatementType::Delete) text = "Syntax error in DELETE statement.";
    fail(err::kSyntaxError, std::move(text));
}

// The parser bounds the nesting of what it accepts; this is the backstop
// that keeps the writer's own recursion bounded whatever tree it is given.
void SqliteWriter::enter() {
    if (++depth_ > 2 * kMaxDepth) fail(err::kSyntaxInExpression, "");
}

// ---- names --------------------------------------------------------------

// Aliases the statement defines, so that a reference spelled with other
// letter case finds them as SQLite would not (it folds ASCII letters only).
void SqliteWriter::collectAliases() {
    auto note = [this](const std::string& alias) {
        if (!alias.empty()) aliases_.emplace(foldCase(alias), alias);
    };
    for (const TableRef& t : tree_.tables) note(t.alias);
    for (const Query& q : tree_.queries)
        for (const Select& s : q.parts)
            for (const SelectItem& item : s.items) note(item.alias);
}

// A name as SQLite finds it: as meant when it is plain ASCII (SQLite ignores
// ASCII case itself), else the spelling of the alias, table or field whose
// case fold it shares.
void SqliteWriter::name(const std::string& meant) {
    if (opt_.names != nullptr && *opt_.names) {
        bool ascii = true;
        for (const char c : meant) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (!ascii) {
            if (auto it = aliases_.find(foldCase(meant)); it != aliases_.end()) {
                out_.append(quoteIdentifier(it->second));
                return;
            }
            if (std::optional<std::string> stored = (*opt_.names)(meant)) {
                out_.append(quoteIdentifier(*stored));
                return;
            }
        }
    }
    out_.append(quoteIdentifier(meant));
}

void SqliteWriter::path(const std::vector<std::string>& parts) {
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i != 0) out_.push_back('.');
        if (parts[i] == "*" && i + 1 == parts.size() && i != 0)
            out_.push_back('*');
        else
            name(parts[i]);
    }
}

// SQLite's tables and the layer's own are no statement's business, read or
// written (SQLITE_READ, SQLITE_INSERT ... say which).
void SqliteWriter::refuseInternal(const std::vector<std::string>& parts, int action) const {
    if (!parts.empty() && detail::isInternalTable(parts.back()))
        throw WriteFailure{detail::refusalError(action, parts.back())};
}

void SqliteWriter::target(const std::vector<std::string>& parts, bool hasSource,
                          const std::string& file) {
    if (!hasSource) {
        path(parts);
        return;
    }
    if (opt_.attach == nullptr || !*opt_.attach)
        fail(err::kNotValidPath, "'" + file + "' isn't a valid path.");
    Result<std::string> schema = (*opt_.attach)(file);
    if (!schema) throw WriteFailure{schema.error()};
    out_.append(quoteIdentifier(schema.value()));
    out_.push_back('.');
    name(parts.back());
}

// ---- statements ---------------------------------------------------------

void SqliteWriter::statement() {
    const Statement& st = tree_.statement;
    switch (st.type) {
        case StatementType::Select:
        case StatementType::SelectInto:
            query(st.query);
            break;
        case StatementType::Insert:
            insert();
            break;
        case StatementType::Update:
            update();
            break;
        case StatementType::Delete:
            remove();
            break;
    }
}

void SqliteWriter::query(Id id) {
    enter();
    const Query& q = tree_.queries[id];
    const Select* limited = nullptr;
    for (const Select& s : q.parts)
        if (s.top && limited == nullptr) limited = &s;
    queryBody(id, true);
    if (limited != nullptr) {
        out_.append(" LIMIT ");
        if (limited->topPercent) {
            // The share of the rows the query gives, rounded up.
            out_.append("(SELECT CAST(ceil(count(*) * ");
            out_.append(limited->topCount);
            out_.append(" / 100.0) AS INTEGER) FROM (");
            queryBody(id, false);
            out_.append("))");
        } else {
            out_.append(limited->topCount);
        }
    }
    leave();
}

void SqliteWriter::queryBody(Id id, bool withOrder) {
    const Query& q = tree_.queries[id];
    // The statement's own query and the queries it reads from, whose columns
    // have names of their own rather than SQLite's text of the expression.
    bool top = tree_.expression < 0 && id == tree_.statement.query;
    for (const TableRef& t : tree_.tables) top = top || t.query == id;
    for (std::size_t i = 0; i < q.parts.size(); ++i) {
        if (i != 0) out_.append(q.parts[i].unionAll ? " UNION ALL " : " UNION ");
        selectPart(q.parts[i], i == 0 && top);
    }
    if (!withOrder || q.orderBy.empty()) return;
    out_.append(" ORDER BY ");
    for (std::size_t i = 0; i < q.orderBy.size(); ++i) {
        const OrderItem& o = q.orderBy[i];
        if (i != 0) out_.append(", ");
        expr(o.expr);
        collate(o.collation);
        if (o.descending) out_.append(" DESC");
    }
}

void SqliteWriter::collate(Collation c) {
    switch (c) {
        case Collation::None:
            return;
        case Collation::Fold:
            out_.append(" COLLATE QRV_FOLD");
            return;
        case Collation::Caseless:
            out_.append(" COLLATE QRV_CASELESS");
            return;
        case Collation::Binary:
            out_.append(" COLLATE BINARY");
            return;
    }
}

void SqliteWriter::selectPart(const Select& s, bool top) {
    out_.append("SELECT ");
    if (s.quantifier == Quantifier::Distinct) out_.append("DISTINCT ");
    if (s.explicitAll && s.quantifier != Quantifier::Distinct) out_.append("ALL ");
    const bool nameColumns = top && opt_.nameEveryColumn;
    for (std::size_t i = 0; i < s.items.size(); ++i) {
        const SelectItem& item = s.items[i];
        if (i != 0) out_.append(", ");
        if (item.expr < 0) {
            out_.push_back('*');
            continue;
        }
        const Expr& e = node(item.expr);
        if (item.collation != Collation::None && e.kind != ExprKind::Name) {
            // COLLATE binds to the last operand alone.
            out_.push_back('(');
            expr(item.expr);
            out_.push_back(')');
        } else {
            expr(item.expr);
        }
        collate(item.collation);
        if (item.hasAlias) {
            out_.append(" AS ");
            name(item.alias);
        } else if (nameColumns && e.kind == ExprKind::Name && e.path.back() != "*") {
            out_.append(" AS ");
            name(e.path.back());
        } else if (nameColumns && e.kind != ExprKind::Name) {
            out_.append(" AS ");
            out_.append(quoteIdentifier("Expr" + std::to_string(exprNumber_++)));
        }
    }
    if (s.from >= 0) {
        out_.append(" FROM ");
        table(s.from);
    }
    if (s.where >= 0) {
        out_.append(" WHERE ");
        expr(s.where);
    }
    if (!s.groupBy.empty()) {
        out_.append(" GROUP BY ");
        list(s.groupBy);
    } else if (s.quantifier == Quantifier::DistinctRow && s.from >= 0 && joined(s.from)) {
        // DISTINCTROW across a join: one output row per combination of rows
        // of the tables whose fields are selected, whatever they matched.
        const std::vector<std::string> keys = distinctRowKeys(s);
        for (std::size_t k = 0; k < keys.size(); ++k) {
            out_.append(k == 0 ? " GROUP BY " : ", ");
            name(keys[k]);
            out_.append(".rowid");
        }
    }
    if (s.having >= 0) {
        out_.append(" HAVING ");
        expr(s.having);
    }
}

// When every item of a DISTINCTROW select is a field or "*" of a named table
// ([T].[F], [T].*), those tables, each once; otherwise none, and the rows of
// all tables of the join count, which is what a plain SELECT gives.
std::vector<std::string> SqliteWriter::distinctRowKeys(const Select& s) const {
    std::vector<std::string> keys;
    for (const SelectItem& item : s.items) {
        if (item.expr < 0) return {};
        const Expr& e = node(item.expr);
        if (e.kind != ExprKind::Name || e.path.size() != 2) return {};
        bool seen = false;
        for (const std::string& k : keys) seen = seen || iequal(k, e.path[0]);
        if (!seen) keys.push_back(e.path[0]);
    }
    return keys;
}

void SqliteWriter::table(Id id) {
    enter();
    const TableRef& t = tree_.tables[id];
    if (t.parenthesized) out_.push_back('(');
    if (t.join != JoinKind::None) {
        table(t.left);
        switch (t.join) {
            case JoinKind::Comma:
                out_.append(", ");
                break;
            case JoinKind::Left:
                out_.append(" LEFT JOIN ");
                break;
            case JoinKind::Right:
                out_.append(" RIGHT JOIN ");
                break;
            default:
                out_.append(" INNER JOIN ");
        }
        table(t.right);
        if (t.on >= 0) {
            out_.append(" ON ");
            expr(t.on);
        }
    } else if (t.query >= 0) {
        out_.push_back('(');
        query(t.query);
        out_.push_back(')');
    } else {
        refuseInternal(t.name, SQLITE_READ);
        target(t.name, t.hasSource, t.sourceFile);
    }
    if (!t.alias.empty()) {
        out_.append(" AS ");
        name(t.alias);
    }
    if (t.parenthesized) out_.push_back(')');
    leave();
}

Id SqliteWriter::firstTable(Id id) const {
    while (tree_.tables[id].join != JoinKind::None) id = tree_.tables[id].left;
    return id;
}

void SqliteWriter::insert() {
    const Statement& st = tree_.statement;
    refuseInternal(st.target.name, SQLITE_INSERT);
    out_.append("INSERT INTO ");
    target(st.target.name, st.target.hasSource, st.target.sourceFile);
    if (!st.columns.empty()) {
        out_.append(" (");
        for (std::size_t i = 0; i < st.columns.size(); ++i) {
            if (i != 0) out_.append(", ");
            name(st.columns[i]);
        }
        out_.push_back(')');
    }
    const std::vector<int> types =
        st.target.hasSource ? std::vector<int>{} : targetTypes(st.target.name, st.columns);
    auto typeAt = [&types](std::size_t i) { return i < types.size() ? types[i] : 0; };
    if (st.query >= 0) {
        out_.push_back(' ');
        bool yesNo = false;
        for (const int t : types) yesNo = yesNo || t == dbBoolean;
        if (!yesNo) {
            query(st.query);
            return;
        }
        // The query's columns by position, those bound for Yes/No fields
        // in their stored form.
        std::string cols, picks;
        for (std::size_t i = 0; i < types.size(); ++i) {
            const std::string c = "\"c" + std::to_string(i + 1) + "\"";
            if (i != 0) {
                cols.append(", ");
                picks.append(", ");
            }
            cols.append(c);
            if (typeAt(i) == dbBoolean)
                picks.append("qrv_yesno(").append(c).push_back(')');
            else
                picks.append(c);
        }
        out_.append("WITH \"qrv_rows\"(" + cols + ") AS (");
        query(st.query);
        out_.append(") SELECT " + picks + " FROM \"qrv_rows\"");
        return;
    }
    out_.append(" VALUES ");
    for (std::size_t r = 0; r < st.rows.size(); ++r) {
        if (r != 0) out_.append(", ");
        out_.push_back('(');
        for (std::size_t i = 0; i < st.rows[r].size(); ++i) {
            if (i != 0) out_.append(", ");
            storedValue(st.rows[r][i], typeAt(i));
        }
        out_.push_back(')');
    }
}

void SqliteWriter::update() {
    const Statement& st = tree_.statement;
    refuseInternal(tree_.tables[firstTable(st.table)].name, SQLITE_UPDATE);
    const TableRef& first = tree_.tables[firstTable(st.table)];
    std::vector<std::string> fields;
    for (const Assignment& a : st.assignments) fields.push_back(a.field.back());
    const std::vector<int> types =
        first.hasSource ? std::vector<int>{} : targetTypes(first.name, fields);
    out_.append("UPDATE ");
    table(st.table);
    out_.append(" SET ");
    for (std::size_t i = 0; i < st.assignments.size(); ++i) {
        if (i != 0) out_.append(", ");
        name(st.assignments[i].field.back());  // SQLite takes no qualified target
        out_.append(" = ");
        storedValue(st.assignments[i].value, i < types.size() ? types[i] : 0);
    }
    if (st.where >= 0) {
        out_.append(" WHERE ");
        expr(st.where);
    }
}

// SQLite knows only DELETE FROM of one table. Over a join, the rows of the
// first table that have a match go:
// DELETE FROM t WHERE rowid IN (SELECT t.rowid FROM <the join> WHERE ...).
void SqliteWriter::remove() {
    const Statement& st = tree_.statement;
    refuseInternal(tree_.tables[firstTable(st.table)].name, SQLITE_DELETE);
    if (!joined(st.table)) {
        const TableRef& t = tree_.tables[st.table];
        if (t.query >= 0) failStatement();
        if (!st.deleteOf.empty() && !iequal(st.deleteOf[0], t.name.back()) &&
            !iequal(st.deleteOf[0], t.alias))
            failStatement();
        out_.append("DELETE FROM ");
        table(st.table);
        if (st.where >= 0) {
            out_.append(" WHERE ");
            expr(st.where);
        }
        return;
    }
    const TableRef& first = tree_.tables[firstTable(st.table)];
    if (first.query >= 0 || first.hasSource || first.name.size() != 1) failStatement();
    const std::string& alias = first.alias.empty() ? first.name[0] : first.alias;
    if (!st.deleteOf.empty() && !iequal(st.deleteOf[0], first.name[0]) &&
        !iequal(st.deleteOf[0], alias))
        failStatement();  // only the first table's rows can be deleted
    out_.append("DELETE FROM ");
    name(first.name[0]);
    out_.append(" WHERE rowid IN (SELECT ");
    name(alias);
    out_.append(".rowid FROM ");
    table(st.table);
    if (st.where >= 0) {
        out_.append(" WHERE ");
        expr(st.where);
    }
    out_.push_back(')');
}

Result<std::string> writeSqlite(const Tree& tree, const WriteOptions& options) {
    std::optional<Tree> typed;
    if (options.fields != nullptr && *options.fields)
        typed = SqliteWriter::withYesNoFields(tree, *options.fields);
    const Tree& t = typed ? *typed : tree;
    SqliteWriter w(t, options);
    try {
        if (t.expression >= 0)
            w.expression(t.expression);
        else
            w.statement();
    } catch (WriteFailure& f) {
        return std::move(f.error);
    }
    return std::move(w.output());
}

}  // namespace qrv::dao::sql
