// The commands that author scenarios: new, set, info, copy, delete and query.
// Each is a subcommand of the program's CLI11 app and leaves its exit code
// in exitCode.
#pragma once

#include <string_view>

namespace CLI {
class App;
}

namespace qrv::cli {

void addAuthoringCommands(CLI::App& app, int& exitCode);
// True for the name of one of these commands.
bool isAuthoringCommand(std::string_view name);

}  // namespace qrv::cli
