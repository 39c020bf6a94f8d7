// Type inference keeps one flag per candidate type and drops a candidate at
// the first cell it cannot read; once only text is left, cells are merely
// measured.
#include "csv/infer.h"

#include <cstdint>
#include <optional>
#include <string>

#include "csv/cells.h"
#include "dataaccess/types.h"

namespace qrv::csv {

namespace {
constexpr long kLongestText = 255;
}

ColumnGuess::ColumnGuess(bool commaDecimals, DateOrder dates)
    : comma_(commaDecimals),
      dmy_(dates == DateOrder::Auto || dates == DateOrder::DMY),
      mdy_(dates == DateOrder::Auto || dates == DateOrder::MDY),
      ymd_(dates == DateOrder::Auto || dates == DateOrder::YMD) {}

void ColumnGuess::add(std::string_view cell) {
    if (cell.empty()) return;
    any_ = true;
    const std::size_t n = charCount(cell);
    if (n > longest_) longest_ = n;
    if (!(yesNo_ || whole32_ || pointNumber_ || commaNumber_ || dmy_ || mdy_ || ymd_)) return;
    if (yesNo_ && !readYesNo(cell)) yesNo_ = false;
    if (whole32_ || pointNumber_) {
        const NumberKind k = readNumber(cell, '.').kind;
        if (k != NumberKind::Long) whole32_ = false;
        if (k == NumberKind::None) pointNumber_ = false;
    }
    if (commaNumber_) {
        if (!comma_)
            commaNumber_ = false;
        else if (readNumber(cell, ',').kind == NumberKind::None)
            commaNumber_ = false;
    }
    std::optional<double> dayFirst, monthFirst;
    if (dmy_ && !(dayFirst = readDate(cell, DateOrder::DMY))) dmy_ = false;
    if (mdy_ && !(monthFirst = readDate(cell, DateOrder::MDY))) mdy_ = false;
    if (ymd_ && !readDate(cell, DateOrder::YMD)) ymd_ = false;
    if (dayFirst && monthFirst && *dayFirst != *monthFirst && ambiguous_.empty()) ambiguous_ = cell;
}

bool ColumnGuess::dayOrMonthFirst() const {
    return dmy_ && mdy_ && !ambiguous_.empty();
}

std::string ColumnGuess::ambiguousDate() const {
    return dayOrMonthFirst() ? ambiguous_ : std::string();
}

ColumnType ColumnGuess::result() const {
    using namespace dao;
    if (!any_) return {dbText, kLongestText, '.'};
    if (yesNo_) return {dbBoolean, 0, '.'};
    if (whole32_) return {dbLong, 0, '.'};
    if (pointNumber_) return {dbDouble, 0, '.'};
    if (commaNumber_) return {dbDouble, 0, ','};
    // Both orders open means the dates are ISO or read alike either way,
    // unless a cell told them apart.
    if (mdy_ && !dayOrMonthFirst()) return {dbDate, 0, '.', DateOrder::MDY};
    if (dmy_ && !mdy_) return {dbDate, 0, '.', DateOrder::DMY};
    if (ymd_) return {dbDate, 0, '.', DateOrder::YMD};
    if (static_cast<long>(longest_) > kLongestText) return {dbMemo, 0, '.'};
    return {dbText, static_cast<long>(longest_), '.'};
}

dao::Value typedValue(std::string_view cell, const ColumnType& t) {
    using namespace dao;
    if (cell.empty()) return Value::null();
    switch (t.type) {
        case dbBoolean:
            return Value::boolean(readYesNo(cell).value_or(false));
        case dbLong:
            return Value::int32(static_cast<std::int32_t>(readNumber(cell, '.').value));
        case dbDouble:
            return Value::real(readNumber(cell, t.decimalMark).value);
        case dbDate:
            return Value::date(readDate(cell, t.dateOrder).value_or(0));
        default:
            return Value::text(std::string(cell));
    }
}

}  // namespace qrv::csv
