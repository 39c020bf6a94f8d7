// The parsed form of a dialect statement. It holds meaning only: names as
// meant (brackets off), literals as values, operators as enums, functions by
// their dialect name. Nothing in it is any target's SQL text; each writer
// (sql_writer.h) decides how to say it.
//
// Nodes live in vectors of the Tree and refer to each other by index, so a
// deep or long tree is freed without recursion.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dataaccess/dialect/sql_vocabulary.h"

namespace qrv::dao::sql {

using Id = std::int32_t;
inline constexpr Id kNoNode = -1;

// clang-format off
enum class ExprKind : std::uint8_t {
    Number,     // text: the number as written (digits, ".", exponent)
    Text,       // text: the value
    Date,       // serial: days since 1899-12-30
    Null,
    Bool,       // truth
    RuleField,  // the field a field validation rule is about
    Name,       // path: the parts of [T].[F] or [F]; the last part "*" for [T].*
    Star,       // "*" as the argument of Count(*)
    Call,       // text: function name as written; func; list: arguments
    Paren,      // (a)
    Row,        // (a, b, ...): list
    Subquery,   // query
    Exists,     // query
    Unary,      // op (Neg, Plus, Not) a
    Binary,     // a op b
    Like,       // a Like b; negated
    IsNull,     // a Is [Not] Null; negated
    Between,    // a Between b And c; negated
    In,         // a In (list) or a In (query); negated
};

enum class Op : std::uint8_t {
    None, Eq, Ne, Lt, Gt, Le, Ge, And, Or, Xor, Eqv, Imp, Concat, Add, Sub, Mod, IntDiv, Mul,
    Div, Pow, Neg, Plus, Not,
};
// clang-format on

// What the expression alone tells of a value's type. A field's values may
// be of any type; only the row can say.
enum class Type : std::uint8_t { Unknown, Number, Text, Date, Truth, Field };

struct Expr {
    ExprKind kind = ExprKind::Null;
    Op op = Op::None;
    Type type = Type::Unknown;
    Func func = Func::Other;
    bool negated = false;
    bool truth = false;
    double serial = 0;
    std::int32_t depth = 1;  // nesting a writer must recurse through
    Id a = kNoNode, b = kNoNode, c = kNoNode;
    Id query = kNoNode;
    std::string text;
    std::vector<std::string> path;
    std::vector<Id> list;
};

enum class JoinKind : std::uint8_t { None, Inner, Left, Right, Comma };

// A FROM item: a table, a subquery, or a join of two items.
struct TableRef {
    JoinKind join = JoinKind::None;  // None: a table or subquery
    std::vector<std::string> name;   // table, possibly qualified
    bool hasSource = false;          // IN 'file'
    std::string sourceFile;
    Id query = kNoNode;  // a subquery
    std::string alias;
    Id left = kNoNode, right = kNoNode;  // a join
    Id on = kNoNode;                     // its condition
    bool parenthesized = false;
};

enum class Quantifier : std::uint8_t { All, Distinct, DistinctRow };
// The collations the engine's own statements may name: QRV_FOLD and
// QRV_CASELESS (names equal but for case together) for ordering, QRV_BINARY
// (texts equal only byte for byte) to tell apart texts that a caseless column
// takes as one.
enum class Collation : std::uint8_t { None, Fold, Caseless, Binary };

struct SelectItem {
    Id expr = kNoNode;  // kNoNode: "*"
    std::string alias;
    bool hasAlias = false;
    Collation collation = Collation::None;
};

struct OrderItem {
    Id expr = kNoNode;
    bool descending = false;
    Collation collation = Collation::None;
};

// One SELECT of a query (a UNION joins several).
struct Select {
    Quantifier quantifier = Quantifier::All;
    bool explicitAll = false;
    bool top = false;
    bool topPercent = false;
    std::string topCount;  // digits
    std::vector<SelectItem> items;
    Id from = kNoNode;  // TableRef
    Id where = kNoNode;
    std::vector<Id> groupBy;
    Id having = kNoNode;
    bool unionAll = false;  // how this part joins the one before it
};

struct Query {
    std::vector<Select> parts;
    std::vector<OrderItem> orderBy;
};

// A target table of INSERT INTO or SELECT ... INTO.
struct Target {
    std::vector<std::string> name;
    bool hasSource = false;
    std::string sourceFile;
};

struct Assignment {
    std::vector<std::string> field;
    Id value = kNoNode;
};

enum class StatementType : std::uint8_t { Select, SelectInto, Insert, Update, Delete };

struct Statement {
    StatementType type = StatementType::Select;
    Id query = kNoNode;                 // Select, SelectInto, Insert ... SELECT
    Target target;                      // SelectInto, Insert
    std::vector<std::string> columns;   // Insert
    std::vector<std::vector<Id>> rows;  // Insert ... VALUES
    Id table = kNoNode;                 // Update, Delete: TableRef
    std::vector<Assignment> assignments;
    Id where = kNoNode;                 // Update, Delete
    std::vector<std::string> deleteOf;  // DELETE [T].* FROM: T
};

struct Tree {
    std::vector<Expr> exprs;
    std::vector<TableRef> tables;
    std::vector<Query> queries;
    Statement statement;
    Id expression = kNoNode;  // when the tree is an expression alone
};

}  // namespace qrv::dao::sql
