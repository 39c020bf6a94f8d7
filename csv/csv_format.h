// Writing values as CSV text (RFC 4180): fields quoted only when needed,
// quotes doubled. The text forms are the ones the importer reads back to the
// same type and value: True/False, whole numbers, doubles in their shortest
// round-trip form with a decimal point or an exponent always present (so a
// Double column of whole numbers stays Double), yyyy-mm-dd dates with
// hh:mm:ss only when there is a time.
#pragma once

#include <string>
#include <string_view>

#include "dataaccess/value.h"

namespace qrv::csv {

// The text form of a value before quoting; Null is empty.
std::string valueText(const dao::Value& v);
// Shortest text that reads back as exactly d.
std::string doubleText(double d);

// Appends field to out, enclosed in quotes when it holds a comma, a
// semicolon, a tab, a quote or a line break, or starts or ends with a space
// (which the importer would otherwise trim). Semicolons and tabs are quoted
// too because a reader guessing the delimiter (this system's importer among
// them) may take either for it: quoted, they cannot split a record.
void appendField(std::string& out, std::string_view field);

}  // namespace qrv::csv
