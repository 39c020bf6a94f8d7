// The authoring state of one scenario.
#include "scenario/scenario_draft.h"

#include "scenario/analysis_types.h"
#include "scenario/option_values.h"

namespace qrv::scenario {

const dao::Value& ScenarioDraft::option(std::string_view name) const {
    static const dao::Value kNull;
    const OptionColumn* c = FindOption(name);
    if (!c || OptionIndex(*c) >= options.size()) return kNull;
    return options[OptionIndex(*c)];
}

void ScenarioDraft::setOption(std::string_view name, dao::Value v) {
    const OptionColumn* c = FindOption(name);
    if (!c) return;
    if (options.size() < OptionColumns().size()) options.resize(OptionColumns().size());
    options[OptionIndex(*c)] = std::move(v);
}

bool ScenarioDraft::flag(std::string_view name) const {
    const dao::Value& v = option(name);
    return !v.isNull() && v.asBool();
}

int ScenarioDraft::count(char role) const {
    int n = 0;
    for (const DraftField& f : fields) n += f.role == role;
    return n;
}

void ScenarioDraft::addField(std::string name, char role) {
    fields.push_back({std::move(name), role, count(role) + 1});
}

namespace {
std::string number(const dao::Value& v) {
    auto x = v.toDouble();
    return x ? dao::numberToText(*x) : v.toText();
}
}  // namespace

std::string IgnoreRuleText(const ScenarioDraft& d) {
    if (d.missingType == "1")
        return "values equal to " +
               (d.missingEqual.isNull() ? std::string("(no value given)") : number(d.missingEqual));
    if (d.missingType == "2") {
        std::string t;
        if (!d.missingLow.isNull()) t = "values below " + number(d.missingLow);
        if (!d.missingHigh.isNull())
            t += (t.empty() ? "values above " : " and above ") + number(d.missingHigh);
        return t.empty() ? "none" : t;
    }
    if (d.missingType.empty() || d.missingType == "0") return "none";
    return "rule code " + d.missingType;
}

ScenarioDraft NewDraft(const AnalysisType& type) {
    ScenarioDraft d;
    d.category = std::string(1, type.category);
    d.subtype = type.name;
    for (const OptionColumn& c : OptionColumns()) d.options.push_back(OptionDefault(c));
    return d;
}

}  // namespace qrv::scenario
