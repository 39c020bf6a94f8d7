// Internal: the database password kept inside a file, as a slow salted hash
// in the system table MSysPassword (one row). A file holds a password exactly
// when that table has a row; every open and every attach through this layer
// checks it. It guards access through this layer only: the file itself is
// not encrypted.
#pragma once

#include <string>
#include <string_view>

#include "dataaccess/objects/connection.h"

namespace qrv::dao::detail {

// The value of the "pwd" key of a connect text such as ";pwd=secret"
// (key in any letter case, the last one counting); empty when absent.
std::string connectPassword(std::string_view connect);

// Checks the password of the database `schema` of an open connection:
// nothing to do without a stored password, 3031 when it does not match.
Error checkPassword(Connection& c, const std::string& schema, std::string_view password);

}  // namespace qrv::dao::detail
