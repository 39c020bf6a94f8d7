// What every command shares: help layout, the help command, and the
// failure messages with their exit codes.
#include <CLI/CLI.hpp>
#include <charconv>
#include <iostream>

#include "cli/commands.h"

namespace qrv::cli {

int fail(const std::string& text) {
    std::cerr << "quorvane: " << text << "\n";
    return kExitFailed;
}

int usageFail(const std::string& command, const std::string& text) {
    std::cerr << "quorvane: " << text << "\nRun 'quorvane " << command
              << " --help' for its usage and an example.\n";
    return kExitUsage;
}

void setExample(CLI::App& command, const std::string& example, const std::string& details) {
    command.footer((details.empty() ? "" : details + "\n\n") + "Example:\n" + example);
}

std::string checkCount(const std::string& text) {
    long n = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || p != text.data() + text.size() || n < 0)
        return "expected a whole number of 0 or more, not '" + text + "'";
    return "";
}

std::string databasePassword(const CLI::App& command) {
    const CLI::App* root = &command;
    while (root->get_parent() != nullptr) root = root->get_parent();
    const CLI::Option* option = root->get_option_no_throw("--password");
    if (option == nullptr || option->empty()) return "";
    return option->as<std::string>();
}

std::string databaseConnect(const CLI::App& command) {
    return ";pwd=" + databasePassword(command);
}

void addHelpCommand(CLI::App& app, int& exitCode) {
    auto command = std::make_shared<std::string>();
    CLI::App* help = app.add_subcommand("help", "show the usage of a command, with an example");
    help->add_option("COMMAND", *command, "the command to explain");
    setExample(*help, "  quorvane help run");
    help->callback([&app, &exitCode, command] {
        if (command->empty()) {
            // The program's own help, not the help command's (which the
            // parser would give for the command that is running).
            std::cout << app.get_formatter()->make_help(&app, app.get_name(),
                                                        CLI::AppFormatMode::Normal);
            exitCode = 0;
            return;
        }
        auto found = app.get_subcommands([&](CLI::App* c) { return c->get_name() == *command; });
        if (found.empty()) {
            exitCode = usageFail("help", "unknown command '" + *command + "'");
            return;
        }
        std::cout << found.front()->help("quorvane");
        exitCode = 0;
    });
}

}  // namespace qrv::cli
