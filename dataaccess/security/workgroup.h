// Workgroup files: the accounts a workspace logs on with. A workgroup file is
// a database of this layer holding the system table MSysAccounts, one row per
// user with a slow salted hash of the password. User names compare without
// regard to letter case.
#pragma once

#include <string>

#include "dataaccess/error.h"

namespace qrv::dao {

// The account every new workgroup file holds, with an empty password.
inline constexpr const char* kAdminUser = "Admin";
// Longest user name, in characters.
inline constexpr int kMaxUserName = 20;

// Makes a new workgroup file holding the one account "Admin" with an empty
// password. Fails with 3204 when the file exists; leaves nothing on failure.
Error CreateWorkgroupFile(const std::string& path);

// Adds an account; 3390 when the name is taken (in any letter case).
Error AddWorkgroupUser(const std::string& workgroup, const std::string& user,
                       const std::string& password);

// Changes a user's password after checking the old one (3029 on a mismatch
// or an unknown user).
Error SetWorkgroupPassword(const std::string& workgroup, const std::string& user,
                           const std::string& oldPassword, const std::string& newPassword);

// Checks a log-on. Answers the user name as the file spells it; 3028 when the
// file is missing or no workgroup file, 3029 for an unknown user or a wrong
// password (the same error for both, so that it tells no one which names exist).
Result<std::string> CheckWorkgroupLogon(const std::string& workgroup, const std::string& user,
                                        const std::string& password);

}  // namespace qrv::dao
