// The log-on tag kept with each recent database: how it was opened, so that
// choosing it again opens it the same way.
#pragma once

#include <string>
#include <string_view>

namespace qrv::designer {

struct LogonInfo {
    std::string workgroup;  // empty: the default workspace
    std::string user;
    std::string password;
};

// "/WG " + workgroup + "/UID " + user + "/PWD " + password; the password
// part is left empty unless savePassword. Any "/" inside a value is doubled.
std::string BuildLogonTag(const LogonInfo& info, bool savePassword);
LogonInfo ParseLogonTag(std::string_view tag);

}  // namespace qrv::designer
