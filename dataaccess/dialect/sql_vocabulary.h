// The dialect's words: its reserved keywords and the functions whose meaning
// the translator knows. Shared by the parser and every writer.
#pragma once

#include <cstdint>
#include <string_view>

#include "dataaccess/dialect/sql_tokenizer.h"

namespace qrv::dao::sql {

// clang-format off
enum class Kw : std::uint8_t {
    None, Select, From, Where, Group, Order, By, Having, As, Asc, Desc, Inner, Left, Right,
    Outer, Join, On, Union, All, Insert, Into, Values, Update, Set, Delete, Distinct,
    Distinctrow, Top, Percent, And, Or, Not, Xor, Eqv, Imp, Is, Null, Between, Like, In, Mod,
    True, False, Exists, Transform, Pivot, Parameters,
};
// clang-format on

// The keyword a token spells, Kw::None for names, symbols and literals.
Kw keywordOf(const Token& t);
std::string_view keywordText(Kw k);

// The dialect's functions. Func::Other is any other name: the parser keeps
// it, and writers refuse it as an undefined function.
// clang-format off
enum class Func : std::uint8_t {
    Other, IIf, IsNull, Nz, StDev, StDevP, Var, VarP, First, Last, Sum, Count, Min, Max, Avg,
    Len, UCase, LCase, Mid, Abs,
};
// clang-format on

Func functionOf(std::string_view name);
// True for the aggregates (Sum, Count, StDev, ...).
bool isAggregate(Func f);

}  // namespace qrv::dao::sql
