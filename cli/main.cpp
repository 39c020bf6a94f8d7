// quorvane: the command-line face of the engine. Each group of commands
// registers itself on the parser; the command that runs sets the exit code:
// 0 done, 1 failed, 2 usage error.
#include <CLI/CLI.hpp>
#include <iostream>
#include <string>

#include "analyses/registration.h"
#include "cli/authoring_commands.h"
#include "cli/commands.h"
#include "cli/csv_commands.h"
#include "cli/lock_wait.h"

namespace {

using qrv::cli::kExitUsage;

// The innermost command the words named, and its name as typed after "quorvane".
CLI::App* innermost(CLI::App& app, std::string& path) {
    CLI::App* c = &app;
    for (;;) {
        auto used = c->get_subcommands();
        if (used.empty()) return c;
        c = used.front();
        path += (path.empty() ? "" : " ") + c->get_name();
    }
}

// The parser reports a missing argument before an unknown option; the unknown
// option is the likelier mistake (a misspelt flag took no argument's place).
// An option the command does not know goes on to the program (which knows
// --password), so the program's leftovers are looked at too.
std::string usageMessage(const CLI::ParseError& e, CLI::App& command, CLI::App& app) {
    if (dynamic_cast<const CLI::RequiredError*>(&e))
        for (CLI::App* c : {&command, &app})
            for (const std::string& a : c->remaining())
                if (a.size() > 1 && a[0] == '-')
                    return "The following argument was not expected: " + a;
    return e.what();
}

int run(CLI::App& app, int argc, char** argv, int& exitCode) {
    if (argc < 2) {
        std::cerr << app.help();
        return kExitUsage;
    }
    // A first word that is no command is a mistyped command, not a stray argument.
    const std::string first = argv[1];
    if (first[0] != '-' &&
        app.get_subcommands([&](CLI::App* c) { return c->get_name() == first; }).empty()) {
        std::cerr << "quorvane: unknown command '" << first
                  << "'\nRun 'quorvane --help' for the list of commands.\n";
        return kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::string path;
        CLI::App* command = innermost(app, path);
        std::cerr << "quorvane: " << usageMessage(e, *command, app) << "\nRun 'quorvane "
                  << (path.empty() ? "" : path + " ") << "--help' for its usage and an example.\n";
        return kExitUsage;
    }
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace qrv::cli;
    qrv::RegisterAnalyses();
    CLI::App app{"Quorvane keeps statistical scenarios inside a database file and runs them.",
                 "quorvane"};
    app.set_version_flag("--version", std::string("quorvane ") + QRV_VERSION);
    app.require_subcommand(1);
    app.footer(
        "Run 'quorvane help COMMAND' or 'quorvane COMMAND --help' for a command's usage\n"
        "and an example. Exit codes: 0 done, 1 a command or scenario failed, 2 usage error.");
    app.get_formatter()->column_width(28);

    // Each group of commands registers itself here, in the order the help
    // lists them; the help command comes last.
    // One password for every database the command opens; it may stand after
    // the command's own words too.
    app.add_option("--password", "the password of a database that has one")
        ->envname("QUORVANE_PASSWORD")
        ->type_name("TEXT");
    app.fallthrough();
    int exitCode = 0;
    addDatabaseCommands(app, exitCode);
    addAuthoringCommands(app, exitCode);
    addShowCommands(app, exitCode);
    addSqlCommand(app, exitCode);
    addCsvCommands(app, exitCode);
    addRunCommands(app, exitCode);
    addProbCommands(app, exitCode);
    addPasswordCommand(app, exitCode);
    addWorkgroupCommand(app, exitCode);
    addHelpCommand(app, exitCode);
    // A wait for another program's lock is said on standard error, whatever the command.
    announceLockWaits();
    return run(app, argc, argv, exitCode);
}
