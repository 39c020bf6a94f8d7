// The engine's probability functions: p-values and critical values of the
// normal, t, chi-square and F distributions for callers outside the analyses
// (the probability calculator, user programs, the command line). Both work
// on the tail itself, never on 1 minus a central area, so small p-values and
// the critical values for them keep their precision.
#include <cctype>

#include "engine/quorvane.h"
#include "numeric/distributions.h"

namespace qrv {

namespace {

char letterOf(std::string_view type) {
    return type.empty() ? '\0'
                        : static_cast<char>(std::toupper(static_cast<unsigned char>(type[0])));
}

bool knownLetter(char c) {
    return c == 'Z' || c == 'T' || c == 'C' || c == 'F';
}

}  // namespace

double Quorvane::Probability(std::string_view type, double value, double df1, double df2) {
    ProcedureScope scope(err_, "Probability");
    const char letter = letterOf(type);
    if (letter == '\0') return 0;  // an empty type yields 0 without a message
    if (!knownLetter(letter)) {
        prompter_->beep();
        showCritical(std::string("Probability Calculation Syntax Error\r\n\r\nProbability type: ") +
                     std::string(type) + " not expected");
        return 0;
    }
    num::CZValue z;
    return z.Quorvane_CalcTailProb(std::string(1, letter), value, df1, df2);
}

double Quorvane::ProbInverse(std::string_view type, double probability, double df1, double df2) {
    ProcedureScope scope(err_, "ProbInverse");
    const char letter = letterOf(type);
    std::string message;
    if (!knownLetter(letter)) {
        message = "Probability type: " + std::string(type) + " not expected.";
    } else if (!(probability > 0 && probability < 1)) {
        message = "Probability value must greater than 0 and less than 1.";
    }
    if (!message.empty()) {
        showCritical("Inverse Probability Calculation Syntax Error\r\n\r\n" + message);
        return 0;
    }
    num::CZValue z;
    return z.Quorvane_FindTailValue(std::string(1, letter), probability, df1, df2);
}

}  // namespace qrv
