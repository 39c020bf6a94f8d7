// The command-line program's commands. Each group registers its commands on
// the program's CLI::App; a command's callback sets the process exit code:
// 0 done, 1 failed (the system's message on standard error), 2 usage error.
#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace qrv::cli {

inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

void addDatabaseCommands(CLI::App& app, int& exitCode);  // init, tables, list
void addShowCommands(CLI::App& app, int& exitCode);      // show
void addSqlCommand(CLI::App& app, int& exitCode);        // sql
void addRunCommands(CLI::App& app, int& exitCode);       // run
void addProbCommands(CLI::App& app, int& exitCode);      // prob, inverse
void addPasswordCommand(CLI::App& app, int& exitCode);   // password
void addWorkgroupCommand(CLI::App& app, int& exitCode);  // workgroup
void addHelpCommand(CLI::App& app, int& exitCode);       // help [COMMAND]

// The end of a command's help: more about it (when given), then an example.
void setExample(CLI::App& command, const std::string& example, const std::string& details = "");
// A check for options that take a count of 0 or more.
std::string checkCount(const std::string& text);

// Prints "quorvane: <text>" to standard error and gives exit code 1.
int fail(const std::string& text);
// A usage problem found after parsing: the message, a pointer to the
// command's help, exit code 2.
int usageFail(const std::string& command, const std::string& text);

// Prints the tables and stored queries of a database with their row counts.
int printTables(const std::string& path, const std::string& connect);

// The database password of this run: the program's --password option, else
// the environment's QUORVANE_PASSWORD; empty when neither is given. Any
// command reaches it from its own CLI::App.
std::string databasePassword(const CLI::App& command);
// The connect text every database of this run opens with: ";pwd=" and that password.
std::string databaseConnect(const CLI::App& command);

}  // namespace qrv::cli
