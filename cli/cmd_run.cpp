// run, list, prob and inverse: running stored scenarios, listing them, and
// the engine's probability functions.
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

bool parseDouble(const std::string& s, double& out) {
    auto v = parseNumber(s);
    if (!v) return false;
    out = *v;
    return true;
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

// prob and inverse share their argument handling.
static int probabilityCommand(const Args& args, bool inverse) {
    const char* usage = inverse
                            ? "usage: quorvane inverse TYPE P [DF1 [DF2]]   (TYPE: Z, T, C, F)"
                            : "usage: quorvane prob TYPE VALUE [DF1 [DF2]]   (TYPE: Z, T, C, F)";
    if (args.size() < 2 || args.size() > 4) return fail(usage);
    double x = 0, df1 = 0, df2 = 0;
    if (!parseDouble(args[1], x)) return fail("'" + args[1] + "' is not a number\n" + usage);
    if (args.size() > 2 && !parseDouble(args[2], df1))
        return fail("'" + args[2] + "' is not a number\n" + usage);
    if (args.size() > 3 && !parseDouble(args[3], df2))
        return fail("'" + args[3] + "' is not a number\n" + usage);
    ConsolePrompter prompter;
    Quorvane engine(&prompter);
    engine.SetShowErrors(true);
    const double r = inverse ? engine.ProbInverse(args[0], x, df1, df2)
                             : engine.Probability(args[0], x, df1, df2);
    if (prompter.criticals > 0 || args[0].empty()) return 1;
    std::cout << std::setprecision(10) << r << "\n";
    return 0;
}

int cmdProb(const Args& args) {
    return probabilityCommand(args, false);
}
int cmdInverse(const Args& args) {
    return probabilityCommand(args, true);
}

}  // namespace qrv::cli
