// Reading one CSV cell as a typed value. The forms accepted here decide the
// column types an import infers, so each reader accepts only text that reads
// back to the same value:
//  - whole numbers: optional sign and digits; a leading zero ("007") keeps a
//    cell text, and so does a whole number beyond 2^53, which a Double could
//    not hold exactly;
//  - decimals: digits with a decimal mark and/or an exponent ("3.5", ".5",
//    "1e-300"); the mark is a period, or a comma where the caller allows it;
//  - dates: yyyy-mm-dd, or with slashes in the order the caller names
//    (d/m/yyyy, m/d/yyyy or yyyy/m/d), optionally followed by h:mm or
//    h:mm:ss (ISO dates also take a "T" before the time); years 100 to 9999;
//  - yes/no: Yes, No, True, False in any letter case.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace qrv::csv {

enum class NumberKind {
    None,         // not a number this reader accepts
    Long,         // a whole number within 32 bits
    WideInteger,  // a whole number beyond 32 bits, exact as a double
    Decimal,      // a number with a decimal mark or an exponent
};

struct NumberCell {
    NumberKind kind = NumberKind::None;
    double value = 0;
};

NumberCell readNumber(std::string_view cell, char decimalMark);

// The order of day, month and year in dates written with slashes. Auto
// leaves the choice to the column's guess (infer.h); a single cell read with
// Auto is a date only in the ISO form.
enum class DateOrder { Auto, DMY, MDY, YMD };

// Days since 1899-12-30, the fraction being the time of day.
std::optional<double> readDate(std::string_view cell, DateOrder order);

std::optional<bool> readYesNo(std::string_view cell);

// Characters (code points) of a UTF-8 text.
std::size_t charCount(std::string_view text);

}  // namespace qrv::csv
