// quorvane: the command-line face of the engine. Sub-commands work on a
// database file; failures print the system's own message and exit non-zero.
#include <cstdio>
#include <cstring>
#include <iostream>

#include <CLI/CLI.hpp>

#include "cli/authoring_commands.h"
#include "cli/commands.h"

namespace {

const char* const kHelp =
    "Usage: quorvane COMMAND [ARGS]\n"
    "\n"
    "Quorvane keeps statistical scenarios inside a database file and runs them.\n"
    "\n"
    "Commands:\n"
    "  init DB        create DB (if missing) and add the scenario tables to it\n"
    "  tables DB      list the tables and stored queries of DB with row counts\n"
    "  list DB        list the scenarios stored in DB\n"
    "  show DB TABLE [--csv]\n"
    "                 print a table or stored query (aligned, or as CSV)\n"
    "  sql DB STATEMENT [--csv]\n"
    "                 run one statement of the query dialect: a SELECT prints its\n"
    "                 rows as show does, any other prints the records it affected\n"
    "  run DB ID... [--source DB] [--output DB] [--replace] [--progress] [--show-errors]\n"
    "                 run scenarios by number; prints ok or the failure text for\n"
    "                 each and exits non-zero when any failed. An output table\n"
    "                 that the scenario did not write itself is replaced only\n"
    "                 when you answer yes, or with --replace\n"
    "  prob TYPE VALUE [DF1 [DF2]]\n"
    "                 p-value of VALUE: TYPE Z or T (two-tailed), C or F (upper tail)\n"
    "  inverse TYPE P [DF1 [DF2]]\n"
    "                 critical value for the p-value P\n"
    "  demo [DIR]     build the demo database (DIR/quorvane-demo.db, default the\n"
    "                 current folder), run its scenarios and print their results\n"
    "  --help         show this text\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace qrv::cli;
    if (argc >= 2 && isAuthoringCommand(argv[1])) {  // merged into the CLI11 app
        CLI::App app{"Quorvane scenario authoring", "quorvane"};
        int exitCode = 0;
        addAuthoringCommands(app, exitCode);
        app.require_subcommand(1);
        try {
            app.parse(argc, argv);
        } catch (const CLI::ParseError& e) {
            return app.exit(e);
        }
        return exitCode;
    }
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") ||
        !std::strcmp(argv[1], "help")) {
        std::cout << kHelp;
        return argc < 2 ? 2 : 0;
    }
    const std::string cmd = argv[1];
    Args args(argv + 2, argv + argc);
    if (cmd == "init") return cmdInit(args);
    if (cmd == "tables") return cmdTables(args);
    if (cmd == "demo") return cmdDemo(args);
    if (cmd == "run") return cmdRun(args);
    if (cmd == "list") return cmdList(args);
    if (cmd == "show") return cmdShow(args);
    if (cmd == "sql") return cmdSql(args);
    if (cmd == "prob") return cmdProb(args);
    if (cmd == "inverse") return cmdInverse(args);
    std::cerr << "quorvane: unknown command '" << cmd << "'\n\n" << kHelp;
    return 2;
}
