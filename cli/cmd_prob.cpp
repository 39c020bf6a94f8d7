// prob and inverse: the engine's p-values and critical values on the command
// line, printed with 17 significant digits so that a double reads back as the
// same number.
#include <cctype>
#include <iomanip>
#include <iostream>

#include "cli/commands.h"
#include "cli/console_prompter.h"
#include "dataaccess/value.h"
#include "engine/quorvane.h"

namespace qrv::cli {

namespace {

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

// prob and inverse share their argument handling.
int probabilityCommand(const Args& args, bool inverse) {
    const std::string usage =
        inverse ? "usage: quorvane inverse TYPE P [DF1 [DF2]]   (TYPE: Z, T, C, F)"
                : "usage: quorvane prob TYPE VALUE [DF1 [DF2]]   (TYPE: Z, T, C, F)";
    if (args.size() < 2 || args.size() > 4) return fail(usage);
    if (args[0].empty()) return fail("TYPE is empty\n" + usage);
    double x = 0, df1 = 0, df2 = 0;
    if (!parseDouble(args[1], x)) return fail("'" + args[1] + "' is not a number\n" + usage);
    if (args.size() > 2 && !parseDouble(args[2], df1))
        return fail("'" + args[2] + "' is not a number\n" + usage);
    if (args.size() > 3 && !parseDouble(args[3], df2))
        return fail("'" + args[3] + "' is not a number\n" + usage);
    if (std::string problem = dfProblem(args, df1, df2); !problem.empty())
        return fail(problem + "\n" + usage);
    ConsolePrompter prompter;
    Quorvane engine(&prompter);
    engine.SetShowErrors(true);
    const double r = inverse ? engine.ProbInverse(args[0], x, df1, df2)
                             : engine.Probability(args[0], x, df1, df2);
    if (prompter.criticals > 0) return 1;
    std::cout << std::setprecision(17) << r << "\n";
    return 0;
}

}  // namespace

int cmdProb(const Args& args) {
    return probabilityCommand(args, false);
}
int cmdInverse(const Args& args) {
    return probabilityCommand(args, true);
}

}  // namespace qrv::cli
