// Parser of the dialect: tokens (sql_tokenizer.h) to a Tree (sql_tree.h).
// It knows the dialect's grammar and meaning and nothing of any target.
#pragma once

#include <string_view>
#include <vector>

#include "dataaccess/dialect/sql_tree.h"
#include "dataaccess/error.h"

namespace qrv::dao::sql {

// SELECT (with UNION, joins, subqueries, TOP [PERCENT], DISTINCT, DISTINCTROW,
// source clauses, SELECT ... INTO), INSERT INTO, UPDATE and DELETE; a
// trailing ";" is allowed and anything after it is error 3142. Syntax errors
// are 3134 for the statement's structure and 3075 inside an expression.
// Other statements (definitions) are not parsed here.
Result<Tree> parseStatement(std::string_view text);

// One expression covering the whole text. With a field name, a term may
// start with its operator ("> 0 And < 10") and then has that field as its
// left operand (a field validation rule).
Result<Tree> parseExpression(std::string_view text, bool fieldRule = false);

// The static type of a node from its operands, which precede it in exprs.
// Names are Type::Field, unless a writer knows them better.
void settleType(const std::vector<Expr>& exprs, Expr& e);

// Bounds recursion on hostile or generated input; deep enough for any real
// query, shallow enough for the stack of a sanitized build.
inline constexpr int kMaxDepth = 1000;

}  // namespace qrv::dao::sql
