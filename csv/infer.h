// Column types inferred from a column's cells. Every non-empty cell must
// read as the chosen type; empty cells are Null and say nothing. In order of
// preference: Yes/No, Long (whole numbers within 32 bits), Double (numbers,
// one decimal mark per column), Date/Time, and otherwise Text sized to the
// longest cell (Memo beyond 255 characters). A column without any value is
// Text(255).
//
// Dates with slashes are read in the order the caller gives. Left to the
// guess, the column decides: a cell such as 13/02/2026 proves day-first,
// 02/13/2026 month-first, 2026/02/13 year-first. A column that reads both
// day-first and month-first with different dates (01/02/2026 and nothing to
// settle it) stays Text: a silent guess would swap days and months.
#pragma once

#include <cstddef>
#include <string_view>

#include <string>

#include "csv/cells.h"
#include "dataaccess/value.h"

namespace qrv::csv {

struct ColumnType {
    int type = 0;            // a dao type code: dbBoolean, dbLong, dbDouble, dbDate, dbText, dbMemo
    long size = 0;           // characters, for dbText
    char decimalMark = '.';  // for dbDouble: how its cells write the decimal mark
    DateOrder dateOrder = DateOrder::MDY;  // for dbDate: how its slashed dates are ordered
};

class ColumnGuess {
  public:
    // commaDecimals: the delimiter is not a comma, so "3,5" may be a number.
    explicit ColumnGuess(bool commaDecimals, DateOrder dates = DateOrder::Auto);
    void add(std::string_view cell);
    ColumnType result() const;
    // When the column stayed Text only because its dates read both day-first
    // and month-first: one such cell, else empty.
    std::string ambiguousDate() const;

  private:
    bool dayOrMonthFirst() const;
    bool comma_;
    bool any_ = false;
    bool yesNo_ = true, whole32_ = true, pointNumber_ = true, commaNumber_ = true;
    bool dmy_, mdy_, ymd_;   // every cell so far is a date in that order
    std::string ambiguous_;  // first cell giving different dates day-first and month-first
    std::size_t longest_ = 0;
};

// The cell as a value of the column's type; an empty cell is Null. The cell
// must be one that the column's guess accepted.
dao::Value typedValue(std::string_view cell, const ColumnType& t);

}  // namespace qrv::csv
