// prob and inverse: the engine's p-values and critical values on the command
// line, printed with 17 significant digits so that a double reads back as the
// same number.
#include <CLI/CLI.hpp>
#include <cctype>
#include <iomanip>
#include <iostream>
#include <memory>
#include <vector>

#include "cli/commands.h"
#include "cli/console_prompter.h"
#include "dataaccess/value.h"
#include "engine/quorvane.h"

namespace qrv::cli {

namespace {

using Args = std::vector<std::string>;

bool parseDouble(const std::string& s, double& out) {
    auto v = dao::parseNumber(s);
    if (!v) return false;
    out = *v;
    return true;
}

// The engine would give 0 for a missing or non-positive degrees of freedom,
// which reads like a result; the command line says what is wrong instead.
// Z uses none, T and C use DF1, F both; other types are the engine's to judge.
std::string dfProblem(const Args& args, double df1, double df2) {
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(args[0][0])));
    const int needed = letter == 'T' || letter == 'C' ? 1 : letter == 'F' ? 2 : 0;
    if (needed == 0) return "";
    const std::string names = needed == 1 ? "DF1" : "DF1 and DF2";
    if (args.size() < static_cast<size_t>(2 + needed)) {
        return "missing degrees of freedom: type " + std::string(1, letter) + " needs " + names;
    }
    if (!(df1 > 0)) return "degrees of freedom must be greater than 0, DF1 is " + args[2];
    if (needed == 2 && !(df2 > 0))
        return "degrees of freedom must be greater than 0, DF2 is " + args[3];
    return "";
}

// prob and inverse share their argument handling. args: TYPE, the value,
// then the degrees of freedom given.
int probabilityCommand(const Args& args, bool inverse) {
    const std::string command = inverse ? "inverse" : "prob";
    if (args[0].empty()) return usageFail(command, "TYPE is empty");
    double x = 0, df1 = 0, df2 = 0;
    for (size_t i = 1; i < args.size(); ++i)
        if (!parseDouble(args[i], i == 1 ? x : i == 2 ? df1 : df2))
            return usageFail(command, "'" + args[i] + "' is not a number");
    if (std::string problem = dfProblem(args, df1, df2); !problem.empty())
        return usageFail(command, problem);
    ConsolePrompter prompter;
    Quorvane engine(&prompter);
    engine.SetShowErrors(true);
    const double r = inverse ? engine.ProbInverse(args[0], x, df1, df2)
                             : engine.Probability(args[0], x, df1, df2);
    if (prompter.criticals > 0) return kExitFailed;
    std::cout << std::setprecision(17) << r << "\n";
    return 0;
}

void addProbabilityCommand(CLI::App& app, int& exitCode, bool inverse) {
    auto args = std::make_shared<Args>(2);
    auto dfs = std::make_shared<Args>();
    CLI::App* c = inverse ? app.add_subcommand("inverse", "critical value for the p-value P")
                          : app.add_subcommand("prob",
                                               "p-value of VALUE: TYPE Z or T (two-tailed), C or "
                                               "F (upper tail)");
    c->add_option("TYPE", (*args)[0], "Z normal, T Student's t, C chi-square, F")->required();
    c->add_option(inverse ? "P" : "VALUE", (*args)[1],
                  inverse ? "p-value, between 0 and 1" : "the statistic")
        ->required();
    c->add_option("DF", *dfs, "degrees of freedom: DF1 for T and C, DF1 DF2 for F")->expected(0, 2);
    setExample(*c, inverse ? "  quorvane inverse T 0.05 10" : "  quorvane prob F 3.7 3 10");
    c->callback([args, dfs, &exitCode, inverse] {
        Args all = *args;
        all.insert(all.end(), dfs->begin(), dfs->end());
        exitCode = probabilityCommand(all, inverse);
    });
}

}  // namespace

void addProbCommands(CLI::App& app, int& exitCode) {
    addProbabilityCommand(app, exitCode, false);
    addProbabilityCommand(app, exitCode, true);
}

}  // namespace qrv::cli
