// Reading an analysis field's value as a number. Null means no value; a text
// that is not a number (another program may have stored one in a numeric
// column) ends the run with a message naming the field and the value.
#pragma once

#include <optional>
#include <string>

#include "dataaccess/value.h"

namespace qrv {

// Sets x (nullopt for Null) and returns an empty text, or the failure text.
inline std::string NumericValue(const dao::Value& v, const std::string& field,
                                std::optional<double>& x) {
    x.reset();
    if (v.isNull()) return {};
    x = v.toDouble();
    if (x) return {};
    return "Field [" + field + "] holds a value that is not a number: '" + v.toText() + "'";
}

}  // namespace qrv
