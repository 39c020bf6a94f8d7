// Column types inferred from a column's cells. Every non-empty cell must
// read as the chosen type; empty cells are Null and say nothing. In order of
// preference: Yes/No, Long (whole numbers within 32 bits), Double (numbers,
// one decimal mark per column), Date/Time, and otherwise Text sized to the
// longest cell (Memo beyond 255 characters). A column without any value is
// Text(255).
#pragma once

#include <cstddef>
#include <string_view>

#include "dataaccess/value.h"

namespace qrv::csv {

struct ColumnType {
    int type = 0;            // a dao type code: dbBoolean, dbLong, dbDouble, dbDate, dbText, dbMemo
    long size = 0;           // characters, for dbText
    char decimalMark = '.';  // for dbDouble: how its cells write the decimal mark
};

class ColumnGuess {
  public:
    // commaDecimals: the delimiter is not a comma, so "3,5" may be a number.
    explicit ColumnGuess(bool commaDecimals) : comma_(commaDecimals) {}
    void add(std::string_view cell);
    ColumnType result() const;

  private:
    bool comma_;
    bool any_ = false;
    bool yesNo_ = true, whole32_ = true, pointNumber_ = true, commaNumber_ = true, date_ = true;
    std::size_t longest_ = 0;
};

// The cell as a value of the column's type; an empty cell is Null. The cell
// must be one that the column's guess accepted.
dao::Value typedValue(std::string_view cell, const ColumnType& t);

}  // namespace qrv::csv
