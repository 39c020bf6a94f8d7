// Changing a draft by name, as the options pages and the finish page do,
// and setting its rule for values to ignore as the ignore dialog stores it.
#include "dataaccess/fold.h"
#include "scenario/option_values.h"
#include "scenario/scenario_author.h"

namespace qrv::scenario {

using namespace qrv::dao;

namespace {

// The scenario-row settings besides the options, with the column size each fills.
struct RowSetting {
    const char* name;
    std::string ScenarioDraft::*member;
    long size;
};

constexpr RowSetting kRowSettings[] = {
    {"Description", &ScenarioDraft::description, 255},
    {"Input", &ScenarioDraft::input, 64},
    {"Out", &ScenarioDraft::output1, 50},
    {"Out2", &ScenarioDraft::output2, 64},
};

}  // namespace

std::optional<Refusal> ApplySetting(ScenarioDraft& d, std::string_view name,
                                    std::string_view value) {
    const std::string subject = std::string(name) + "=" + std::string(value);
    for (const RowSetting& s : kRowSettings) {
        if (!iequal(name, s.name)) continue;
        const auto length = utf8Length(value);
        if (!length || static_cast<long>(*length) > s.size)
            return Refusal{
                subject,
                std::string(s.name) + " holds at most " + std::to_string(s.size) + " characters.",
                {},
                {}};
        d.*s.member = std::string(value);
        return std::nullopt;
    }
    const OptionColumn* c = FindOption(name);
    if (!c) {
        Refusal r{subject, quoted(name) + " is not an option.", "Valid names", {}};
        for (const RowSetting& s : kRowSettings) r.choices.emplace_back(s.name);
        for (const OptionColumn& o : OptionColumns()) r.choices.emplace_back(o.name);
        return r;
    }
    Value v;
    if (auto r = ParseOptionValue(*c, value, v)) return r;
    if (d.options.size() < OptionColumns().size()) d.options.resize(OptionColumns().size());
    d.options[OptionIndex(*c)] = std::move(v);
    return std::nullopt;
}

void SetIgnoreNone(ScenarioDraft& d) {
    d.missingType.assign(1, '0');
    d.missingEqual = d.missingLow = d.missingHigh = Value();
}

void SetIgnoreEqual(ScenarioDraft& d, double value) {
    SetIgnoreNone(d);
    d.missingType.assign(1, '1');
    d.missingEqual = Value::real(value);
}

void SetIgnoreRange(ScenarioDraft& d, std::optional<double> below, std::optional<double> above) {
    SetIgnoreNone(d);
    d.missingType.assign(1, '2');
    if (below) d.missingLow = Value::real(*below);
    if (above) d.missingHigh = Value::real(*above);
}

}  // namespace qrv::scenario
