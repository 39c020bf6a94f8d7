// Translation of the desktop engine's SQL dialect into SQLite SQL.
// A statement is tokenized (sql_tokenizer.h), parsed into a tree
// (sql_parser.h, sql_tree.h) and written out by the SQLite writer
// (sql_writer.h). String literals and bracketed names are settled by the
// tokenizer before anything else, so a quote or a bracket inside a name or
// value can never change the statement's structure.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/dialect/sql_writer.h"
#include "dataaccess/error.h"

namespace qrv::dao {

// Given an external database path from a source clause `IN 'path'`, returns the
// schema name under which that file is attached (the Database attaches it).
using AttachFn = sql::AttachFn;
// Finds the stored spelling of a table or field name (see sql_writer.h).
using NameLookup = sql::NameLookup;
// The fields of a table with their types (see sql_writer.h).
using FieldLookup = sql::FieldLookup;

// SelectInto: SELECT ... INTO, which makes a table: `sql` is its query
// alone, every column named, and the caller makes and fills the table.
// Other: a definition statement (CREATE TABLE, CREATE INDEX, ALTER TABLE,
// DROP TABLE / INDEX / VIEW), checked but not written: `sql` is empty, and
// the database makes it with its own table building (sql_definition.h).
enum class StatementKind { Select, Insert, Update, Delete, SelectInto, Other };

// The new table of SELECT ... INTO.
struct IntoTarget {
    std::string table;   // as meant
    std::string schema;  // "main" or the schema an IN 'file' clause attached
};

struct TranslatedSql {
    std::string sql;
    StatementKind kind = StatementKind::Other;
    IntoTarget into;  // SelectInto; Insert: the table rows are added to
};

// One statement; a trailing ";" is allowed, anything after it is error 3142.
// Statements other than SELECT, INSERT, UPDATE, DELETE and the definitions
// above are error 3129; SQLite-only syntax is refused, never passed on.
// With `names`, names that SQLite would not match by itself (letter case
// beyond ASCII) are written in their stored spelling. With `fields`, Yes/No
// fields read as -1 and 0 and take any value that means Yes or No.
Result<TranslatedSql> translateStatement(std::string_view dialectSql, const AttachFn& attach,
                                         const NameLookup* names = nullptr,
                                         const FieldLookup* fields = nullptr);

// An expression alone, e.g. a FindFirst criteria text "[Name] Like 'A*'".
Result<std::string> translateExpression(std::string_view dialectExpr);

// A table validation rule: an expression like translateExpression's, but
// written with SQLite's own functions only, as it is stored in the schema
// where other SQLite clients read it. The same holds for field rules.
Result<std::string> translateTableRule(std::string_view rule);

// A field validation rule such as "Is Null Or >0": terms that start with an
// operator get the field as their left operand; result is an SQLite expression.
Result<std::string> translateFieldRule(std::string_view rule, std::string_view fieldName);

// Writing names into dialect SQL: "[" + name with "]" doubled + "]".
std::string bracketName(std::string_view name);
// Writing names into SQLite SQL: '"' + name with '"' doubled + '"'.
std::string quoteIdentifier(std::string_view name);
// Writing text into SQL (both dialects): "'" + text with "'" doubled + "'".
std::string quoteLiteral(std::string_view text);

}  // namespace qrv::dao
