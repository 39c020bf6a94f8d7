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
// database.
bool AssignCurrentDatabase(AppState& app, const std::string& database, const std::string& workgroup,
                           const std::string& user, const std::string& password);

}  // namespace qrv::designer
