// The dialect's data definitions (CREATE TABLE, ALTER TABLE, DROP, CREATE
// INDEX) as a small tree. They are never handed to SQLite as written: the
// executor builds table definitions from the tree and makes the tables with
// the layer's own routines, so a table made by SQL is the table a TableDef of
// the same fields would make, with the same rules, types and catalog rows.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "dataaccess/error.h"
#include "dataaccess/types.h"

namespace qrv::dao {

// Syntax errors of definitions, numbered by the statement they are found in.
namespace err {
inline constexpr int kConstraintSyntax = 3289;
inline constexpr int kCreateTableSyntax = 3290;
inline constexpr int kCreateIndexSyntax = 3291;
inline constexpr int kFieldSyntax = 3292;
inline constexpr int kAlterTableSyntax = 3293;
inline constexpr int kDropSyntax = 3295;
inline constexpr int kFieldInIndex = 3280;
}  // namespace err

namespace sql {

enum class ConstraintKind { PrimaryKey, Unique, NotNull, ForeignKey };

// CONSTRAINT name {PRIMARY KEY | UNIQUE | NOT NULL | [FOREIGN KEY (...)] REFERENCES t [(...)]}.
// On a column, `fields` is empty: the constraint is on that column.
struct Constraint {
    std::string name;  // empty when the statement gives none
    ConstraintKind kind = ConstraintKind::PrimaryKey;
    std::vector<std::string> fields;
    std::string refTable;
    std::vector<std::string> refFields;
};

struct ColumnDef {
    std::string name;
    std::string type;  // the type word as written, in upper case
    long size = -1;    // the first number in parentheses; -1 when absent
    long scale = -1;   // the second one
    bool notNull = false;
    std::vector<Constraint> constraints;
};

struct CreateTable {
    std::string table;
    std::vector<ColumnDef> columns;
    std::vector<Constraint> constraints;
};

enum class AlterAction {
    AddColumn,
    DropColumn,
    AlterColumn,
    AddConstraint,
    DropConstraint,
    Rename
};

struct AlterTable {
    std::string table;
    AlterAction action = AlterAction::AddColumn;
    ColumnDef column;       // AddColumn, AlterColumn
    std::string name;       // DropColumn, DropConstraint: the field or constraint; Rename: new name
    Constraint constraint;  // AddConstraint
};

struct DropTable {
    std::string table;
};

// A stored query, as DROP VIEW names it.
struct DropView {
    std::string view;
};

enum class IndexOption { None, Primary, DisallowNull, IgnoreNull };

struct IndexColumn {
    std::string field;
    bool descending = false;
};

struct CreateIndex {
    std::string index;
    std::string table;
    bool unique = false;
    std::vector<IndexColumn> columns;
    IndexOption option = IndexOption::None;
};

struct DropIndex {
    std::string index;
    std::string table;  // empty when no ON clause names it
};

using Definition =
    std::variant<CreateTable, AlterTable, DropTable, DropView, CreateIndex, DropIndex>;

// A type word of the dialect ("TEXT", "YESNO", "COUNTER" ...) and the field it makes.
struct DialectType {
    std::string_view word;
    int type;
    bool counter;  // numbered automatically: a Long with the auto-increment attribute
    bool sized;    // takes a size in parentheses
    long maxSize;
};
// nullptr for a word that names no type.
const DialectType* dialectType(std::string_view upperWord);

// True when the first word of `sql` is CREATE, DROP or ALTER: the statement
// is a definition or nothing the dialect has, and parseDefinition decides.
bool isDefinitionStatement(std::string_view sql);

// One definition with an optional trailing ";". Anything else (other
// statements, stacked statements, SQLite's own forms such as IF NOT EXISTS,
// DEFAULT, AS SELECT, TEMP tables, triggers, views) is an error.
Result<Definition> parseDefinition(std::string_view sql);

}  // namespace sql

namespace detail {
struct DatabaseImpl;
// Parses and runs one definition statement on db; the count is always 0.
// Nothing is changed when it fails.
Result<long> executeDefinition(DatabaseImpl& db, std::string_view sql);
}  // namespace detail

}  // namespace qrv::dao
