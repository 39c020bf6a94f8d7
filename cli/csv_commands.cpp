// Registration of the CSV commands and the signal flag they poll.
#include "cli/csv_commands.h"

#include "cli/commands.h"

#include <CLI/CLI.hpp>
#include <csignal>
#include <memory>

namespace qrv::cli {

namespace {

// The one piece of process state a signal handler may touch.
volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void onInterrupt(int) {
    gInterrupted = 1;
}

}  // namespace

InterruptGuard::InterruptGuard() {
    gInterrupted = 0;
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &sa, &oldInt_);
    sigaction(SIGTERM, &sa, &oldTerm_);
}

InterruptGuard::~InterruptGuard() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
}

bool InterruptGuard::interrupted() {
    return gInterrupted != 0;
}

void addCsvCommands(CLI::App& app, int& exitCode) {
    auto in = std::make_shared<ImportArgs>();
    CLI::App* imp =
        app.add_subcommand("import", "import a CSV file as a new table; prints the number of rows");
    imp->add_option("DB", in->db, "database file (created when missing)")->required();
    imp->add_option("TABLE", in->table, "name of the new table")->required();
    imp->add_option("FILE", in->file, "the CSV file")->required();
    imp->add_flag("--replace", in->replace, "replace an existing table of that name");
    imp->add_option("--delimiter", in->delimiter,
                    "field delimiter: one character, or 'tab' (default: guessed among comma, "
                    "semicolon and tab)")
        ->type_name("C")
        ->check(checkDelimiter);
    imp->add_option("--encoding", in->encoding,
                    "utf-8 or windows-1252 (default: UTF-8 when the file is valid UTF-8, "
                    "else Windows-1252)")
        ->type_name("E")
        ->check(checkEncoding);
    imp->add_option("--date-order", in->dateOrder,
                    "DMY, MDY or YMD: the order of dates written with slashes, such as "
                    "01/02/2026 (default: decided by each column's dates)")
        ->type_name("ORDER")
        ->check(checkDateOrder);
    setExample(*imp,
               "  quorvane import sales.db Orders orders.csv\n"
               "  quorvane import sales.db Orders orders.csv --replace --delimiter ';'\n"
               "  quorvane import sales.db Visits visits.csv --date-order DMY",
               "A header row names the columns (each a valid field name, used once); their\n"
               "types are guessed from the cells, and empty cells are Null. The table appears\n"
               "whole or not at all.\n\n"
               "Dates are yyyy-mm-dd, or use slashes. Without --date-order a column's own dates\n"
               "decide: 13/02/2026 can only be day-first, 02/13/2026 month-first. A column whose\n"
               "dates read both ways (01/02/2026 and nothing to settle it) is kept as text, with\n"
               "a note; give --date-order to read it as dates.");
    imp->callback([in, imp, &exitCode] {
        in->connect = databaseConnect(*imp);
        exitCode = runImport(*in);
    });

    auto out = std::make_shared<ExportArgs>();
    CLI::App* exp = app.add_subcommand(
        "export", "write a table, query or SELECT to a CSV file; prints the number of rows");
    exp->add_option("DB", out->db, "database file")->required();
    exp->add_option("SOURCE", out->source, "table, stored query or SELECT statement")->required();
    exp->add_option("FILE", out->file, "the CSV file to write (replaced when complete)")
        ->required();
    setExample(*exp,
               "  quorvane export sales.db Orders orders.csv\n"
               "  quorvane export sales.db \"SELECT * FROM [Orders] WHERE [Units] > 4\" big.csv",
               "RFC 4180 in UTF-8 with a header row, ISO dates, and numbers that read back to\n"
               "the same value.");
    exp->callback([out, exp, &exitCode] {
        out->connect = databaseConnect(*exp);
        exitCode = runExport(*out);
    });
}

}  // namespace qrv::cli
