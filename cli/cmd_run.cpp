// run and list: running stored scenarios and listing them.
#include <charconv>
#include <iomanip>
#include <iostream>

#include "cli/commands.h"
#include "cli/console_prompter.h"
#include "dataaccess/dataaccess.h"
#include "dataaccess/sql_dialect.h"
#include "engine/quorvane.h"
#include "scenario/scenario_tables.h"

namespace qrv::cli {

using namespace qrv::dao;

namespace {

bool parseInt(const std::string& s, std::int32_t& out) {
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
}

}  // namespace

int cmdRun(const Args& args) {
    const char* usage =
        "usage: quorvane run DB SCENARIO_ID... [--source DB] [--output DB] [--replace] "
        "[--progress] [--show-errors]";
    std::string db, source, output;
    std::vector<std::int32_t> ids;
    bool progress = false, showErrors = false, replace = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--progress")
            progress = true;
        else if (a == "--show-errors")
            showErrors = true;
        else if (a == "--replace")
            replace = true;
        else if ((a == "--source" || a == "--output") && i + 1 < args.size())
            (a == "--source" ? source : output) = args[++i];
        else if (a.rfind("--", 0) == 0)
            return fail("unknown option '" + a + "'\n" + usage);
        else if (db.empty())
            db = a;
        else {
            std::int32_t id;
            if (!parseInt(a, id)) return fail("'" + a + "' is not a scenario number\n" + usage);
            ids.push_back(id);
        }
    }
    if (db.empty() || ids.empty()) return fail(usage);

    ConsolePrompter prompter(replace);
    Quorvane engine(&prompter);
    if (Error e = engine.SetScenarioDatabase(db)) return fail(e.description);
    if (!source.empty())
        if (Error e = engine.SetSourceDatabase(source)) return fail(e.description);
    if (!output.empty())
        if (Error e = engine.SetOutputDatabase(output)) return fail(e.description);
    engine.SetShowProgress(progress);
    engine.SetShowErrors(showErrors);
    ProgressPrinter printer;
    engine.OnStatStatus([&](const std::string& m) { printer.show(m); });

    int failed = 0;
    for (std::int32_t id : ids) {
        std::cout << "Scenario " << id << ": " << std::flush;
        if (progress) std::cout << "\n";
        const bool ok = engine.RunScenario(id);
        printer.done();
        if (ok) {
            std::cout << (progress ? "  ok\n" : "ok\n");
        } else {
            ++failed;
            std::string why = plainLines(engine.ErrorInfo());
            if (why.find("were not written by this scenario") != std::string::npos)
                why += " Run with --replace to replace them.";
            std::cout << (progress ? "  " : "") << why << "\n";
        }
    }
    return failed ? 1 : 0;
}

int cmdList(const Args& args) {
    if (args.size() != 1) return fail("usage: quorvane list DB");
    auto db = DBEngine::Instance().OpenDatabase(args[0], false, true);
    if (!db) return fail(db.error().description);
    auto rs = db->OpenRecordset(
        "SELECT [Scenario_ID], [Scenario_Analysis_Type], [Scenario_Analysis_SubType], "
        "[Scenario_Description], [Scenario_Input_Table_Name], [Scenario_Output_Table1_Name], "
        "[Scenario_Output_Table2_Name] FROM " +
        bracketName(scenario::kScenarioTable) + " ORDER BY [Scenario_ID]");
    if (!rs) return fail(rs.error().description);
    std::cout << std::left << std::setw(6) << "No" << std::setw(4) << "Cat" << std::setw(20)
              << "Type" << std::setw(36) << "Description" << std::setw(24) << "Input"
              << "Outputs\n";
    for (; !rs->Eof(); rs->MoveNext()) {
        std::string outputs = rs->GetValue(5).toText();
        if (!rs->GetValue(6).toText().empty()) outputs += ", " + rs->GetValue(6).toText();
        std::cout << std::left << std::setw(6) << rs->GetValue(0).toText() << std::setw(4)
                  << rs->GetValue(1).toText() << std::setw(20) << rs->GetValue(2).toText()
                  << std::setw(36) << rs->GetValue(3).toText() << std::setw(24)
                  << rs->GetValue(4).toText() << outputs << "\n";
    }
    return 0;
}

}  // namespace qrv::cli
