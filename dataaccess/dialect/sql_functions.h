// SQL functions and aggregates that the dialect translation relies on,
// registered on every connection the data-access layer opens.
#pragma once

struct sqlite3;

namespace qrv::dao {

// Registers qrv_like(value, pattern), qrv_idiv(a, b) and qrv_mod(a, b) ("\" and
// Mod on operands rounded half to even), qrv_cat(a, b) ("&"), qrv_num(value)
// (numeric-looking text to a number), qrv_yesno(value) (a value in a Yes/No
// field's stored form), qrv_serial(value) (a date's text to its
// day number), qrv_add(a, b) and qrv_sub(a, b) ("+" and "-" on field values:
// texts join, dates move by days), qrv_stdev, qrv_stdevp, qrv_var, qrv_varp,
// qrv_first, qrv_last, and the collation QRV_FOLD (case fold, then bytes; for
// ORDER BY in statements only, never in a stored schema, which other SQLite
// clients could not read). Returns an SQLite result code.
int registerDialectFunctions(sqlite3* db);

}  // namespace qrv::dao
