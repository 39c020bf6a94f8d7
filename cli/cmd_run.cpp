// run: running stored scenarios by number.
#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/authoring_common.h"
#include "cli/commands.h"
#include "cli/console_prompter.h"
#include "cli/lock_wait.h"
#include "cli/progress_display.h"
#include "cli/run_progress.h"
#include "dataaccess/dataaccess.h"
#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/fold.h"
#include "engine/quorvane.h"
#include "scenario/analysis_types.h"
#include "scenario/scenario_tables.h"

namespace qrv::cli {

using namespace qrv::dao;

namespace {

struct RunOptions {
    std::string db, source, output, password;
    std::vector<std::int32_t> ids;
    bool progress = false, showErrors = false, replace = false;
};

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Runs the scenarios with the engine; returns how many failed, or -1 when
// the databases could not be opened.
int runScenarios(const RunOptions& o, int& succeeded) {
    ConsolePrompter prompter(o.replace);
    Quorvane engine(&prompter);
    engine.SetDatabasePassword(o.password);
    if (Error e = engine.SetScenarioDatabase(o.db)) {
        fail(e.description);
        return -1;
    }
    Database scenarios = engine.ScenarioDatabase();
    UpgradeOnWrite(scenarios);
    if (!o.source.empty())
        if (Error e = engine.SetSourceDatabase(o.source)) {
            fail(e.description);
            return -1;
        }
    if (!o.output.empty())
        if (Error e = engine.SetOutputDatabase(o.output)) {
            fail(e.description);
            return -1;
        }
    engine.SetShowProgress(o.progress);
    engine.SetShowErrors(o.showErrors);
    ProgressDisplay display = ProgressDisplay::forStandardError();
    if (o.progress) {
        connectProgress(engine, display);
        announceLockWaits(&display);
    }

    int failed = 0;
    for (std::int32_t id : o.ids) {
        const std::string label = "Scenario " + std::to_string(id) + ": ";
        // The line is printed whole when the run ends, so that progress and
        // lock-wait messages on the same terminal never break into it.
        if (o.progress) display.stage("Scenario " + std::to_string(id));
        const bool ok = engine.RunScenario(id);
        display.finish();
        std::cout << label;
        if (ok) {
            ++succeeded;
            std::cout << "ok\n";
            continue;
        }
        ++failed;
        std::string why = plainLines(engine.ErrorInfo());
        if (why.find("were not written by this scenario") != std::string::npos)
            why += " Run with --replace to replace them.";
        std::cout << why << "\n";
        // The handler appended a report of what went wrong to its log.
        if (engine.ErrorHandler().HasError())
            std::cout << "  The details are in the error log "
                      << engine.ErrorHandler().Destination() << "\n";
    }
    if (o.progress) announceLockWaits();
    return failed;
}

int run(const RunOptions& o) {
    // A missing output database is made for the run, and removed again when
    // nothing was written into it.
    bool created = false;
    if (!o.output.empty() && !fileExists(o.output)) {
        auto out = DBEngine::Instance().CreateDatabase(o.output, dbLangGeneral);
        if (!out) return fail(out.error().description);
        out->Close();
        created = true;
    }
    int succeeded = 0;
    const int failed = runScenarios(o, succeeded);
    if (created && succeeded == 0) std::remove(o.output.c_str());
    return failed != 0 ? kExitFailed : 0;
}

}  // namespace

void addRunCommands(CLI::App& app, int& exitCode) {
    auto o = std::make_shared<RunOptions>();
    CLI::App* c = app.add_subcommand("run", "run scenarios by number");
    c->add_option("DB", o->db, "database file holding the scenarios")->required();
    c->add_option("ID", o->ids, "scenario numbers")->required();
    c->add_option("--source", o->source, "read the input tables from this database")
        ->type_name("DB");
    c->add_option("--output", o->output,
                  "write the output tables into this database (made when missing)")
        ->type_name("DB");
    c->add_flag("--replace", o->replace, "replace output tables the scenario did not write");
    c->add_flag("--progress", o->progress,
                "show the stages and the records done (a bar on a terminal)");
    c->add_flag("--show-errors", o->showErrors,
                "print the engine's failure messages as they happen");
    setExample(*c, "  quorvane run sales.db 1 2 --output results.db --progress",
               "Prints ok or the failure text for each scenario. An output table that the\n"
               "scenario did not write itself is replaced only when you answer yes, or\n"
               "with --replace. A missing output database is made for the run.\n"
               "Exit codes: 0 every scenario ran, 1 one failed (or names an unknown\n"
               "analysis type), 2 usage error.");
    c->callback([o, c, &exitCode] {
        o->password = databasePassword(*c);
        exitCode = run(*o);
    });
}

}  // namespace qrv::cli
