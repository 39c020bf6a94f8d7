// The SQLite writer: a parsed dialect statement (sql_tree.h) as SQLite SQL.
// Every SQLite-specific decision lives here: quoting, the qrv_* helper
// functions (sql_functions.h), collations, precedence parentheses, and the
// rowid forms of DISTINCTROW and DELETE over joins.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dataaccess/dialect/sql_tree.h"
#include "dataaccess/error.h"

namespace qrv::dao::sql {

// Given an external database path from a source clause `IN 'path'`, returns
// the schema name under which that file is attached.
using AttachFn = std::function<Result<std::string>(const std::string& path)>;

// Given a name SQLite would not find by itself (one that differs from the
// stored spelling in more than ASCII letter case), returns the stored
// spelling of the one table or field whose case fold it shares, if any.
using NameLookup = std::function<std::optional<std::string>(std::string_view name)>;

// The fields of a table or stored query of the open database, in their
// order, with their type codes (dbBoolean ...); nullopt when there is none.
using FieldList = std::vector<std::pair<std::string, int>>;
using FieldLookup = std::function<std::optional<FieldList>(std::string_view table)>;

struct WriteOptions {
    const AttachFn* attach = nullptr;   // source clauses; none: they are refused
    const NameLookup* names = nullptr;  // none: names are written as meant
    // With it, Yes/No fields read as -1 and 0 in arithmetic, and values
    // written into them by INSERT and UPDATE take their stored form.
    const FieldLookup* fields = nullptr;
    // Stored rules are read by other SQLite clients: SQLite's own functions only.
    bool portable = false;
    std::string_view ruleField;  // the field a field rule's RuleField stands for
    // Every select item of the statement's query and of the queries in its
    // FROM clause gets a column name: its alias, its field's name, or
    // Expr1000, Expr1001, ... in order.
    bool nameEveryColumn = false;
};

// The statement (tree.statement) or, when tree.expression is set, the
// expression alone. For SELECT ... INTO only the query is written.
Result<std::string> writeSqlite(const Tree& tree, const WriteOptions& options);

}  // namespace qrv::dao::sql
