// Slow salted password hashes (Argon2id, libsodium's string form), for the
// database password and the accounts of a workgroup file. A hash names its
// own salt and cost, so a file keeps verifying if the cost is raised later.
#pragma once

#include <string>
#include <string_view>

#include "dataaccess/error.h"

namespace qrv::dao::detail {

// A fresh salt each call: hashing one password twice gives two texts.
Result<std::string> hashPassword(std::string_view password);
// False for a wrong password and for a text that is no hash.
bool verifyPassword(const std::string& hash, std::string_view password);

}  // namespace qrv::dao::detail
