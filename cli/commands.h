// The command-line program's sub-commands. Each returns the process exit code.
#pragma once

#include <string>
#include <vector>

namespace qrv::cli {

using Args = std::vector<std::string>;

int cmdInit(const Args& args);
int cmdTables(const Args& args);
int cmdDemo(const Args& args);
int cmdRun(const Args& args);
int cmdList(const Args& args);
int cmdProb(const Args& args);
int cmdInverse(const Args& args);
int cmdShow(const Args& args);
int cmdSql(const Args& args);

// Prints "quorvane: <text>" to standard error and gives exit code 1.
int fail(const std::string& text);

}  // namespace qrv::cli
