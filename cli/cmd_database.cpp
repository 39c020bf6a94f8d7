// init, tables and list: creating a database with the scenario tables, and
// listing what a database holds.
#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console_prompter.h"
#include "cli/table_printer.h"
#include "dataaccess/dataaccess.h"
#include "dataaccess/dialect/sql_dialect.h"
#include "engine/quorvane.h"
#include "errors/cerr_zelk.h"
#include "errors/prompter.h"
#include "scenario/scenario_tables.h"

namespace qrv::cli {

using namespace qrv::dao;

namespace {

int init(const std::string& path, const std::string& connect) {
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    auto db = exists ? DBEngine::Instance().OpenDatabase(path, false, false, connect)
                     : DBEngine::Instance().CreateDatabase(path, dbLangGeneral);
    if (!db) return fail(db.error().description);
    if (!db->Updatable()) return fail("Cannot update. Database or object is read-only.");
    Quorvane::RemoveDeadRunLeftovers(*db);
    SilentPrompter yes(true);
    CErr_Zelk handler(&yes, false);
    scenario::StoreContext ctx{*db, &handler, &yes};
    if (exists && scenario::HasScenarioTables(*db)) {
        // Tables of an earlier layout are brought up to date, or init fails
        // naming the rows in the way; the file is then as it was.
        ctx.prompter = nullptr;
        const std::vector<std::string> refused = scenario::UpgradeScenarioTables(ctx);
        db->Close();
        if (!refused.empty()) return fail(plainLines(refused.front()));
        std::cout << "Scenario tables ready in " << path << "\n";
        return 0;
    }
    const bool ok = scenario::CheckQuorvaneTables(ctx);
    db->Close();
    if (!ok) {
        if (!exists) std::remove(path.c_str());
        return fail(handler.HasError() ? handler.ErrorDescription()
                                       : "The scenario tables could not be created.");
    }
    std::cout << "Scenario tables ready in " << path << "\n";
    return 0;
}

int list(const std::string& path, const std::string& connect) {
    auto db = DBEngine::Instance().OpenDatabase(path, false, true, connect);
    if (!db) return fail(db.error().description);
    auto rs = db->OpenRecordset(
        "SELECT [Scenario_ID], [Scenario_Analysis_Type], [Scenario_Analysis_SubType], "
        "[Scenario_Description], [Scenario_Input_Table_Name], [Scenario_Output_Table1_Name], "
        "[Scenario_Output_Table2_Name] FROM " +
        bracketName(scenario::kScenarioTable) + " ORDER BY [Scenario_ID]");
    if (!rs) return fail(rs.error().description);
    AlignedPrinter out(std::cout, {{"No", Align::Right},
                                   {"Cat", Align::Left},
                                   {"Type", Align::Left, 20},
                                   {"Description", Align::Left, 36},
                                   {"Input", Align::Left, 24},
                                   {"Outputs", Align::Left, 40}});
    for (; !rs->Eof(); rs->MoveNext()) {
        std::string outputs = rs->GetValue(5).toText();
        if (!rs->GetValue(6).toText().empty()) outputs += ", " + rs->GetValue(6).toText();
        out.addRow({{rs->GetValue(0).toText(), true},
                    {rs->GetValue(1).toText()},
                    {rs->GetValue(2).toText()},
                    {rs->GetValue(3).toText()},
                    {rs->GetValue(4).toText()},
                    {outputs}});
    }
    out.finish();
    return 0;
}

}  // namespace

int printTables(const std::string& path, const std::string& connect) {
    auto db = DBEngine::Instance().OpenDatabase(path, false, true, connect);
    if (!db) return fail(db.error().description);
    AlignedPrinter out(std::cout,
                       {{"Name", Align::Left, 40}, {"Kind", Align::Left}, {"Rows", Align::Right}});
    auto add = [&](const std::string& name, const char* kind) {
        auto rs = db->OpenRecordset("SELECT Count(*) FROM " + bracketName(name), dbOpenSnapshot);
        out.addRow(
            {{name}, {kind}, {rs ? rs->GetValue(0).toText() : "(" + rs.error().description + ")"}});
    };
    for (const std::string& t : db->TableDefNames()) add(t, "table");
    for (const std::string& q : db->QueryDefNames()) add(q, "query");
    out.finish();
    db->Close();
    return 0;
}

void addDatabaseCommands(CLI::App& app, int& exitCode) {
    auto path = std::make_shared<std::string>();
    CLI::App* init =
        app.add_subcommand("init", "create DB (if missing) and add the scenario tables to it");
    init->add_option("DB", *path, "database file")->required();
    setExample(*init, "  quorvane init sales.db");
    init->callback(
        [path, init, &exitCode] { exitCode = qrv::cli::init(*path, databaseConnect(*init)); });

    auto tablesPath = std::make_shared<std::string>();
    CLI::App* tables =
        app.add_subcommand("tables", "list the tables and stored queries of DB with row counts");
    tables->add_option("DB", *tablesPath, "database file")->required();
    setExample(*tables, "  quorvane tables sales.db");
    tables->callback([tablesPath, tables, &exitCode] {
        exitCode = printTables(*tablesPath, databaseConnect(*tables));
    });

    auto listPath = std::make_shared<std::string>();
    CLI::App* list = app.add_subcommand("list", "list the scenarios stored in DB");
    list->add_option("DB", *listPath, "database file")->required();
    setExample(*list, "  quorvane list sales.db");
    list->callback([listPath, list, &exitCode] {
        exitCode = qrv::cli::list(*listPath, databaseConnect(*list));
    });
}

}  // namespace qrv::cli
