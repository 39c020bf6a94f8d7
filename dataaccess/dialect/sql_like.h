// The dialect's LIKE, for the function registration of sql_functions.cpp.
#pragma once

struct sqlite3_context;
struct sqlite3_value;

namespace qrv::dao {

// qrv_like(value, pattern): 1 when the value matches, 0 when not, Null with
// a Null operand, an error for a malformed pattern.
void likeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv);

}  // namespace qrv::dao
