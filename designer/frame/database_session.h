// Making a database the designer's current one: log on to a workspace (the
// given workgroup or the program's default one), open the file shared and
// read-write with its password, and make sure the scenario tables exist.
#pragma once

#include <string>

#include "designer/app_state.h"

namespace qrv::designer {

// The default workgroup file, in the folder where the program keeps its data.
std::string DefaultWorkgroupPath(const AppState& app);

// True when the database is open and its scenario tables are present; every
// failure is told through the application's prompter and leaves no current
// database. A file guarded by a password that the log-on does not carry asks
// for it, until it is right or the user gives up; *used, when given, is set
// to the password the file opened with.
bool AssignCurrentDatabase(AppState& app, const std::string& database, const std::string& workgroup,
                           const std::string& user, const std::string& password,
                           std::string* used = nullptr);

}  // namespace qrv::designer
