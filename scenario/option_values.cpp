// Option values typed by a user, checked against the option's type, its
// range and, for the text options, the texts the analyses read.
#include "scenario/option_values.h"

#include <cmath>

#include "dataaccess/fold.h"
#include "dataaccess/types.h"

namespace qrv::scenario {

using namespace qrv::dao;

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

constexpr OptionRange kRanges[] = {
    {"CIStdDev", 0, true, HUGE_VAL, false, "the standard deviation for the Normal method",
     "Please enter a number greater than zero."},
    {"CIUser", 1, false, 99.999, true, "the confidence level of the user's choice",
     "Please enter a value between 1 and 99.999"},
    {"InterV", 2, false, 50, false, "the number of intervals",
     "Please enter a number between 2 and 50."},
    {"RPoly", 2, false, 9, false, "the polynomial order", "Please enter a number between 2 and 9."},
    {"FreqWidth", 0, true, HUGE_VAL, false, "the interval width",
     "Interval Width must be greater than zero"},
};

}  // namespace

std::span<const OptionRange> OptionRanges() {
    return kRanges;
}

const OptionRange* FindOptionRange(std::string_view option) {
    for (const OptionRange& r : kRanges)
        if (iequal(r.option, option)) return &r;
    return nullptr;
}

std::string OptionRangeWords(const OptionRange& r) {
    if (r.high == HUGE_VAL)
        return (r.lowOpen ? "greater than " : "at least ") + numberToText(r.low);
    if (r.lowOpen)
        return "greater than " + numberToText(r.low) + " and at most " + numberToText(r.high);
    return numberToText(r.low) + " to " + numberToText(r.high);
}

const OptionColumn* FindOption(std::string_view name) {
    for (const OptionColumn& c : OptionColumns())
        if (iequal(c.name, name)) return &c;
    return nullptr;
}

std::size_t OptionIndex(const OptionColumn& column) {
    return static_cast<std::size_t>(&column - OptionColumns().data());
}

Value OptionDefault(const OptionColumn& c) {
    if (!c.deflt) return Value();
    const std::string_view d = c.deflt;
    switch (c.type) {
        case dbBoolean:
            return Value::boolean(d == "True");
        case dbInteger:
            return Value::int16(static_cast<std::int16_t>(parseNumber(d).value_or(0)));
        case dbDouble:
            return Value::real(parseNumber(d).value_or(0));
        default:
            return Value::text(std::string(d));
    }
}

std::vector<std::string> OptionChoices(const OptionColumn& c) {
    const std::string_view n = c.name;
    if (n == "VarNRadio") return {"N", "N-1"};
    if (n == "CITypeRadio") return {"t-Test", "Normal"};
    if (n == "PercentileRadio") return {"Median", "Quartiles", "5", "Deciles", "Percentiles"};
    if (n == "FreqIncRadio") return {"Lower", "Upper"};
    if (n == "FreqDispRadio") return {"Count", "Cumulative"};
    if (n == "FreqGroupRadio") return {"Default", "Specified"};
    if (n == "MProbTail") return {"1-tail", "2-tail"};
    if (n == "RegressType") return {"S", "M", "P"};
    if (n == "XType") return {"C", "S", "A", "M", "X", "R", "V", "F", "D", "E", "U", "O", "1", "L"};
    if (n == "NPTwoType") return {"Mann", "Wald"};
    return {};
}

std::optional<Refusal> ParseOptionValue(const OptionColumn& c, std::string_view typed, Value& out) {
    const std::string_view text = trim(typed);
    const std::string subject = std::string(c.name) + "=" + std::string(typed);
    const bool numeric = c.type == dbInteger || c.type == dbDouble;
    if (text.empty()) {
        if (numeric || !c.deflt) {
            out = Value();
            return std::nullopt;
        }
        Refusal r{subject, std::string(c.name) + " needs a value.", "Valid values", {}};
        r.choices = c.type == dbBoolean ? std::vector<std::string>{"Yes", "No", "True", "False"}
                                        : OptionChoices(c);
        return r;
    }
    if (c.type == dbBoolean) {
        if (iequal(text, "Yes") || iequal(text, "True")) {
            out = Value::boolean(true);
            return std::nullopt;
        }
        if (iequal(text, "No") || iequal(text, "False")) {
            out = Value::boolean(false);
            return std::nullopt;
        }
        return Refusal{subject,
                       std::string(c.name) + " is Yes or No.",
                       "Valid values",
                       {"Yes", "No", "True", "False"}};
    }
    if (numeric) {
        const std::optional<double> x = parseNumber(text);
        if (!x || !std::isfinite(*x))
            return Refusal{subject, quoted(text) + " is not a number.", {}, {}};
        if (const OptionRange* r = FindOptionRange(c.name)) {
            const bool below = r->lowOpen ? !(*x > r->low) : *x < r->low;
            if (below || *x > r->high) return Refusal{subject, r->message, {}, {}};
        }
        if (c.type == dbDouble) {
            out = Value::real(*x);
            return std::nullopt;
        }
        if (*x != std::floor(*x) || *x < -32768 || *x > 32767)
            return Refusal{subject,
                           std::string(c.name) + " holds a whole number from -32768 to 32767.",
                           {},
                           {}};
        out = Value::int16(static_cast<std::int16_t>(*x));
        return std::nullopt;
    }
    const std::vector<std::string> choices = OptionChoices(c);
    if (choices.empty()) {
        const auto length = utf8Length(text);
        if (!length || static_cast<long>(*length) > c.size)
            return Refusal{subject,
                           std::string(c.name) + " holds at most " + std::to_string(c.size) +
                               (c.size == 1 ? " character." : " characters."),
                           {},
                           {}};
        out = Value::text(std::string(text));
        return std::nullopt;
    }
    for (const std::string& choice : choices) {
        if (iequal(choice, text)) {
            out = Value::text(choice);
            return std::nullopt;
        }
    }
    return Refusal{subject, quoted(text) + " is not a value of " + c.name + ".", "Valid values",
                   choices};
}

std::string OptionValueText(const OptionColumn& c, const Value& v) {
    if (v.isNull()) return {};
    if (c.type == dbBoolean) return v.asBool() ? "Yes" : "No";
    if (c.type == dbInteger || c.type == dbDouble) {
        if (auto x = v.toDouble()) return numberToText(*x);
    }
    return v.toText();
}

bool IsOptionDefault(const OptionColumn& c, const Value& v) {
    const Value d = OptionDefault(c);
    if (d.isNull() || v.isNull()) return d.isNull() && v.isNull();
    if (c.type == dbBoolean) return d.asBool() == v.asBool();
    if (c.type == dbInteger || c.type == dbDouble) return d.toDouble() == v.toDouble();
    return d.toText() == v.toText();
}

}  // namespace qrv::scenario
