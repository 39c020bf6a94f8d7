// The verdict on a stored scenario. The run-time messages for missing roles
// come first, in the words the engine has always used for them; then the
// authoring checks of the field rows, the ignore rule and the options; then
// the values of the options the analysis reads, as if a user had typed them.
#include "scenario/scenario_validity.h"

#include <cctype>

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/fold.h"
#include "dataaccess/objects/database.h"
#include "dataaccess/types.h"
#include "scenario/analysis_types.h"
#include "scenario/option_values.h"
#include "scenario/scenario_author.h"
#include "scenario/scenario_checks.h"
#include "scenario/scenario_tables.h"

namespace qrv::scenario {

using namespace qrv::dao;

namespace {

Refusal at(std::string subject, Refusal r) {
    r.subject = r.subject.empty() ? std::move(subject) : std::move(subject) + ", " + r.subject;
    return r;
}

std::string column(const char* table, const char* name, const std::string& value) {
    return std::string(table) + "." + name + "=" + quoted(value);
}

std::optional<Refusal> message(const char* text) {
    return Refusal{{}, text, {}, {}};
}

// The role checks a run has always made, with their messages.
std::optional<Refusal> checkRunRoles(const ScenarioDraft& d, const AnalysisType& type) {
    const int x = d.count('X'), y = d.count('Y'), c = d.count('C'), g = d.count('G');
    const std::string_view name = type.name;
    if (name == "Chi-Square") {
        if (c == 0) return message("At least one Compare field required");
    } else if (name == "Compare" || name == "Regression") {
        if (y == 0) return message("Y Field must be assigned");
        if (x == 0) return message("At least one X field must be assigned");
    } else if (name != "Crosstab" && x == 0) {
        return message("At least one X field must be assigned");
    }
    if (name == "Crosstab" && g == 0) return message("At least one row field must be assigned");
    if (name == "Paired Fields" && y == 0) return message("Y Field not assigned");
    if (c == 0 && (name == "2 Sample" || name == "N Sample" || type.category == 'G'))
        return message("At least one Compare field must be assigned");
    if (c > 1 && (name == "2 Sample" || name == "N Sample"))
        return message("Only one Compare field may be assigned");
    return std::nullopt;
}

std::optional<Refusal> checkIgnoreRule(const ScenarioDraft& d) {
    const std::string subject = column(kScenarioTable, "MissingType", d.missingType);
    if (d.missingType != "0" && d.missingType != "1" && d.missingType != "2")
        return Refusal{subject,
                       "The rule for values to ignore is 0 (none), 1 (one value) or 2 (a "
                       "range).",
                       {},
                       {}};
    // A bound stored as text must not quietly read as 0.
    for (auto [name, v] :
         {std::pair{"MissingEqual", &d.missingEqual}, std::pair{"MissingLow", &d.missingLow},
          std::pair{"MissingHigh", &d.missingHigh}})
        if (!v->isNull() && !v->toDouble())
            return Refusal{{},
                           std::string("The ignore rule's value ") + name +
                               " is not a number: " + quoted(v->toText()),
                           {},
                           {}};
    if (auto r = CheckIgnore(d)) {
        r->message += d.missingType == "1" ? " (MissingEqual)" : " (MissingLow, MissingHigh)";
        return at(subject, *r);
    }
    return std::nullopt;
}

// An option the analysis reads, and the Yes/No option that puts it in use
// (nullptr: always in use; "Freq": Describe's frequency columns).
struct ReadOption {
    const char* option;
    const char* inUseWith;
};

std::vector<ReadOption> optionsRead(const ScenarioDraft& d, std::string_view type) {
    if (type == "Describe")
        return {{"VarNRadio", "VarStd"},     {"CITypeRadio", "CI"},
                {"CIStdDev", "CI"},          {"CIUser", "CI"},
                {"TTestValue", "TTestMean"}, {"PercentileRadio", "Percentile"},
                {"InterV", "Freq"},          {"FreqIncRadio", "Freq"},
                {"FreqDispRadio", "Freq"},   {"FreqGroupRadio", "Freq"},
                {"FreqWidth", "Freq"},       {"FreqInit", "Freq"}};
    if (type == "Frequency")
        return {{"InterV", nullptr},
                {"FreqIncRadio", nullptr},
                {"FreqGroupRadio", nullptr},
                {"FreqWidth", nullptr},
                {"FreqInit", nullptr}};
    if (type == "Percentiles") return {{"PercentileRadio", nullptr}};
    if (type == "Matrix") return {{"MProbTail", "MProb"}};
    if (type == "Regression") {
        std::vector<ReadOption> read{{"RegressType", nullptr}};
        if (iequal(d.option("RegressType").toText(), "P")) read.push_back({"RPoly", nullptr});
        return read;
    }
    if (type == "Crosstab") return {{"XType", nullptr}};
    if (type == "Sign Test") return {{"SignValue", "SignCustom"}};
    if (type == "2 Sample") return {{"NPTwoType", nullptr}};
    return {};
}

std::optional<Refusal> checkOptionValues(const ScenarioDraft& d, const AnalysisType& type) {
    for (const ReadOption& r : optionsRead(d, type.name)) {
        const OptionColumn* c = FindOption(r.option);
        if (!c) continue;
        const bool inUse = !r.inUseWith || (std::string_view(r.inUseWith) == "Freq"
                                                ? d.flag("FreqN") || d.flag("FreqP")
                                                : d.flag(r.inUseWith));
        const Value& v = d.option(c->name);
        if (v.isNull() && !inUse) continue;
        // A user level of 0 means none, as Null does.
        if (std::string_view(c->name) == "CIUser" && v.toDouble() == 0.0) continue;
        // Read back as a user would type it, so a stored value meets the
        // same ranges and choices as a typed one.
        Value parsed;
        if (auto refused = ParseOptionValue(*c, OptionValueText(*c, v), parsed)) {
            refused->subject = column(kOptionsTable, c->name, OptionValueText(*c, v));
            return refused;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<Refusal> CheckStoredScenario(const ScenarioDraft& d,
                                           const std::vector<InputField>* input) {
    const AnalysisType* type = nullptr;
    if (auto r = CheckAnalysisType(d.subtype, type))
        return at(column(kScenarioTable, "Scenario_Analysis_SubType", d.subtype), *r);
    if (d.category.size() != 1 ||
        std::toupper(static_cast<unsigned char>(d.category[0])) != type->category)
        return Refusal{column(kScenarioTable, "Scenario_Analysis_Type", d.category),
                       std::string(type->name) + " is an analysis of category " +
                           std::string(1, type->category) + ".",
                       {},
                       {}};
    if (auto r = checkRunRoles(d, *type)) return r;
    if (auto r = CheckFields(d, FieldRules{input, true})) return at(kFieldsTable, *r);
    if (auto r = checkIgnoreRule(d)) return r;
    if (auto r = checkOptionValues(d, *type)) return r;
    if (auto r = CheckOptions(d)) return at(kOptionsTable, *r);
    return std::nullopt;
}

Result<std::optional<Refusal>> CheckStoredScenario(Database& db, std::int32_t id,
                                                   bool* inputChecked) {
    auto d = LoadDraft(db, id);
    if (!d) return d.error();
    auto input = InputFieldsOf(db, d->input);
    if (inputChecked) *inputChecked = input.ok();
    return CheckStoredScenario(*d, input ? &*input : nullptr);
}

void ReadScenarioRow(const Recordset& rs, ScenarioDraft& d) {
    auto value = [&](const char* name) {
        auto v = rs.GetValue(name);
        return v ? *v : Value();
    };
    auto text = [&](const char* name) { return value(name).toText(); };
    d.description = text("Scenario_Description");
    d.category = text("Scenario_Analysis_Type");
    d.subtype = text("Scenario_Analysis_SubType");
    d.input = text("Scenario_Input_Table_Name");
    d.output1 = text("Scenario_Output_Table1_Name");
    d.output2 = text("Scenario_Output_Table2_Name");
    d.missingType = text("MissingType");
    d.missingEqual = value("MissingEqual");
    d.missingLow = value("MissingLow");
    d.missingHigh = value("MissingHigh");
    ReadOptionColumns(rs, d);
}

void ReadOptionColumns(const Recordset& rs, ScenarioDraft& d) {
    d.options.clear();
    for (const OptionColumn& c : OptionColumns()) {
        auto stored = rs.GetValue(c.name);
        d.options.push_back(stored ? *stored : OptionDefault(c));
    }
}

void ReadFieldRow(const Recordset& rs, ScenarioDraft& d) {
    auto value = [&](const char* name) {
        auto v = rs.GetValue(name);
        return v ? *v : Value();
    };
    const std::string choice = value("FieldDef_Choice").toText();
    const Value position = value("FieldDef_Ordinal_Position");
    DraftField f;
    f.name = value("FieldDef_Name").toText();
    f.role = choice.size() == 1
                 ? static_cast<char>(std::toupper(static_cast<unsigned char>(choice[0])))
                 : '?';
    if (choice.size() != 1) f.choice = choice;
    f.position = position.isNull() ? 0 : static_cast<int>(position.asDouble());
    d.fields.push_back(std::move(f));
}

Result<std::vector<InputField>> InputFieldsOf(Database& db, const std::string& name) {
    std::vector<InputField> out;
    if (auto def = db.GetTableDef(name)) {
        for (const Field& f : def->Fields()) out.push_back({f.Name, f.Type});
        return out;
    }
    // No row is fetched: a query over many rows costs its planning only.
    auto rs =
        db.OpenRecordset("SELECT * FROM " + bracketName(name) + " WHERE 1 = 0", dbOpenSnapshot);
    if (!rs) return rs.error();
    for (int i = 0; i < rs->FieldCount(); ++i)
        out.push_back({rs->FieldAt(i).Name, rs->FieldAt(i).Type});
    rs->Close();
    return out;
}

}  // namespace qrv::scenario
