// prob and inverse: the engine's p-values and critical values on the command
// line, printed with 17 significant digits so that a double reads back as the
// same number.
#include <CLI/CLI.hpp>
#include <cctype>
#include <cmath>
#include <iomanip>
#include <iostream>
#include <memory>
#include <vector>

#include "cli/commands.h"
#include "cli/console_prompter.h"
#include "dataaccess/value.h"
#include "engine/quorvane.h"
#include "errors/prompter.h"

namespace qrv::cli {

namespace {

using Args = std::vector<std::string>;

// Infinity is a number here (a statistic or degrees of freedom may be
// unbounded); NaN is not.
bool parseDouble(const std::string& s, double& out) {
    auto v = dao::parseNumber(s);
    if (!v || std::isnan(*v)) return false;
    out = *v;
    return true;
}

// The engine would give 0 for a missing or non-positive degrees of freedom,
// which reads like a result; the command line says what is wrong instead.
// Z uses none, T and C use DF1, F both. Infinite degrees of freedom are the
// normal limit of T; C and F have no finite limit to give.
std::string dfProblem(const Args& args, char letter, double df1, double df2) {
    const int needed = letter == 'T' || letter == 'C' ? 1 : letter == 'F' ? 2 : 0;
    if (needed == 0) return "";
    const std::string names = needed == 1 ? "DF1" : "DF1 and DF2";
    if (args.size() < static_cast<size_t>(2 + needed)) {
        return "missing degrees of freedom: type " + std::string(1, letter) + " needs " + names;
    }
    for (int i = 0; i < needed; ++i) {
        const double df = i == 0 ? df1 : df2;
        const std::string which = "DF" + std::to_string(i + 1) + " is " + args[2 + i];
        if (!(df > 0)) return "degrees of freedom must be greater than 0, " + which;
        if (std::isinf(df) && letter != 'T')
            return "degrees of freedom must be finite for type " + std::string(1, letter) + ", " +
                   which;
    }
    return "";
}

// The engine's messages, kept to be printed as every command prints its
// failures (the checks above leave it nothing to refuse today).
class KeptMessages final : public Prompter {
  public:
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void inform(const std::string&, const std::string& t) override { text += plainLines(t); }
    void critical(const std::string&, const std::string& t) override { text += plainLines(t); }
    void beep() override {}
    std::string text;
};

// Z, T, C or F in either case; '\0' for anything else.
char typeLetter(const std::string& type) {
    const char c =
        type.size() == 1 ? static_cast<char>(std::toupper(static_cast<unsigned char>(type[0]))) : 0;
    return c == 'Z' || c == 'T' || c == 'C' || c == 'F' ? c : '\0';
}

// Checks made while parsing, so that a malformed word is a usage error
// worded as every command's.
std::string checkType(const std::string& text) {
    return typeLetter(text) ? "" : "expected Z, T, C or F, not '" + text + "'";
}

std::string checkNumber(const std::string& text) {
    double d = 0;
    return parseDouble(text, d) ? "" : "'" + text + "' is not a number";
}

std::string checkP(const std::string& text) {
    double p = 0;
    return parseDouble(text, p) && p > 0 && p < 1
               ? ""
               : "expected a p-value greater than 0 and less than 1, not '" + text + "'";
}

// prob and inverse share their argument handling. args: TYPE, the value,
// then the degrees of freedom given, each already checked alone.
int probabilityCommand(const Args& args, bool inverse) {
    const std::string command = inverse ? "inverse" : "prob";
    const char letter = typeLetter(args[0]);
    double x = 0, df1 = 0, df2 = 0;
    for (size_t i = 1; i < args.size(); ++i) parseDouble(args[i], i == 1 ? x : i == 2 ? df1 : df2);
    if (std::string problem = dfProblem(args, letter, df1, df2); !problem.empty())
        return usageFail(command, problem);
    // Student's t with infinite degrees of freedom is the normal distribution
    // (both two-tailed here).
    const std::string engineType = letter == 'T' && std::isinf(df1) ? "Z" : std::string(1, letter);
    KeptMessages messages;
    Quorvane engine(&messages);
    engine.SetShowErrors(true);
    const double r = inverse ? engine.ProbInverse(engineType, x, df1, df2)
                             : engine.Probability(engineType, x, df1, df2);
    if (!messages.text.empty()) return fail(messages.text);
    if (std::isnan(r)) return fail("The distribution gives no value for these arguments.");
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
    c->add_option("TYPE", (*args)[0], "Z normal, T Student's t, C chi-square, F")
        ->required()
        ->check(checkType);
    c->add_option(inverse ? "P" : "VALUE", (*args)[1],
                  inverse ? "p-value, between 0 and 1" : "the statistic")
        ->required()
        ->check(inverse ? checkP : checkNumber);
    c->add_option("DF", *dfs,
                  "degrees of freedom: DF1 for T and C, DF1 DF2 for F; T takes inf (the normal "
                  "limit)")
        ->expected(0, 2)
        ->check(checkNumber);
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
