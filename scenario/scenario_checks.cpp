// The wizard's checks, one routine per page, shared by every way of authoring
// a scenario so that a scenario saved from the command line is one the
// wizard would have saved.
#include "scenario/scenario_checks.h"

#include <cctype>
#include <initializer_list>

#include "dataaccess/fold.h"
#include "dataaccess/objects/tabledef.h"
#include "dataaccess/types.h"
#include "scenario/scenario_tables.h"

namespace qrv::scenario {

using namespace qrv::dao;

namespace {

// Type codes beyond the ones this data layer creates; files made elsewhere use them.
constexpr int kBigInt = 16, kChar = 18, kNumeric = 19, kDecimal = 20, kFloat = 21, kTime = 22;

std::optional<Refusal> refuse(std::string message, std::string label = {},
                              std::vector<std::string> choices = {}) {
    return Refusal{{}, std::move(message), std::move(label), std::move(choices)};
}

const char* roleWord(char role) {
    switch (role) {
        case 'G':
            return "Group";
        case 'C':
            return "Compare";
        case 'Y':
            return "Y";
        case 'W':
            return "Weight";
        default:
            return "X";
    }
}

// What the fields page reports when a role has too few fields, in the order
// it checks them.
struct Requirement {
    char role;
    const char* phrase;
};

std::vector<Requirement> requirements(const AnalysisType& t) {
    switch (t.fieldFrame) {
        case 1:
            if (std::string_view(t.name) == "N Fields")
                return {{'X', "At least 2 Independent (X) fields"}};
            return {{'X', "Independent (X) field"}};
        case 2:
            return {{'X', "At least one Dependent field"}, {'C', "Compare field"}};
        case 3:
            return {{'Y', "Dependent (Y) field"}, {'X', "Independent (X) field"}};
        case 4:
            return {{'X', "At least one Dependent field"}, {'C', "Two Comparison fields"}};
        case 5:
            return {{'G', "At least one Row field"},
                    {'C', "Column field"},
                    {'X', "At least one Value field"}};
        default:
            return {{'C', "At least one Comparison field"}};
    }
}

std::vector<std::string> rolesOffered(const AnalysisType& t) {
    std::vector<std::string> out;
    for (char r : kRoles)
        if (RoleLimitsFor(t, r).max != 0) out.emplace_back(RoleOptionName(r));
    return out;
}

bool isNull(const ScenarioDraft& d, const char* option) {
    return d.option(option).isNull();
}

}  // namespace

std::optional<Refusal> CheckAnalysisType(std::string_view name, const AnalysisType*& type) {
    type = FindAnalysisType(name);
    if (type) return std::nullopt;
    Refusal r{"", quoted(name) + " is not an analysis type.", "Valid types", {}};
    for (const AnalysisType& t : AnalysisTypes()) r.choices.emplace_back(t.name);
    return r;
}

bool IsNumericFieldType(int type) {
    switch (type) {
        case dbByte:
        case dbInteger:
        case dbLong:
        case dbCurrency:
        case dbSingle:
        case dbDouble:
        case kBigInt:
        case kNumeric:
        case kDecimal:
        case kFloat:
            return true;
        default:
            return false;
    }
}

std::string FieldTypeText(int type) {
    switch (type) {
        case kBigInt:
            return "#, Big Integer";
        case dbBoolean:
            return "Yes/No";
        case dbByte:
            return "#, Byte";
        case kChar:
            return "Char";
        case dbCurrency:
            return "#, Currency";
        case dbDate:
            return "Date/Time";
        case kDecimal:
            return "#, Decimal";
        case dbDouble:
            return "#, Double";
        case kFloat:
            return "#, Float";
        case dbInteger:
            return "#, Integer";
        case dbLong:
            return "#, Long";
        case kNumeric:
            return "#, Numeric";
        case dbSingle:
            return "#, Single";
        case dbText:
            return "Text";
        case kTime:
            return "Time";
        default:
            return typeName(type);
    }
}

std::optional<Refusal> CheckFields(const ScenarioDraft& d, const std::vector<InputField>& input) {
    return CheckFields(d, FieldRules{&input, false});
}

std::optional<Refusal> CheckFields(const ScenarioDraft& d, const FieldRules& rules) {
    const AnalysisType* type = FindAnalysisType(d.subtype);
    if (!type) return CheckAnalysisType(d.subtype, type);
    auto inputNames = [&](bool numericOnly) {
        std::vector<std::string> names;
        for (const InputField& f : *rules.input)
            if (!numericOnly || IsNumericFieldType(f.type)) names.push_back(f.name);
        return names;
    };
    for (size_t i = 0; i < d.fields.size(); ++i) {
        const DraftField& f = d.fields[i];
        if (std::string_view(kRoles, sizeof kRoles).find(f.role) == std::string_view::npos)
            return refuse("Field " + quoted(f.name) + " has the role letter " +
                              quoted(f.choice.empty() ? std::string(1, f.role) : f.choice) +
                              ", which no analysis knows.",
                          "Role letters", {"G", "C", "X", "Y", "W"});
        const InputField* in = nullptr;
        if (rules.input) {
            for (const InputField& candidate : *rules.input)
                if (iequal(candidate.name, f.name)) in = &candidate;
            if (!in)
                return refuse("Field " + quoted(f.name) + " is not a field of [" + d.input + "].",
                              "Fields of " + d.input, inputNames(false));
        }
        const RoleLimits limits = RoleLimitsFor(*type, f.role);
        if (limits.max == 0)
            return refuse(std::string(type->name) + " takes no " + roleWord(f.role) + " field (" +
                              quoted(f.name) + ").",
                          std::string("Roles of ") + type->name, rolesOffered(*type));
        // Group fields lead the output table, before the columns every
        // analysis writes after them.
        if (f.role == 'G')
            for (const char* column : {"DataField", "Count", "Observations", "Missing"})
                if (iequal(f.name, column))
                    return refuse("The group field " + quoted(f.name) +
                                  " has the name of an output column; give it another name in "
                                  "a query and use that as the input.");
        for (size_t j = 0; j < i; ++j)
            if (iequal(d.fields[j].name, f.name))
                return refuse("Field " + quoted(f.name) +
                              " is assigned twice; a field holds one role in a scenario.");
        if (in && !rules.stored && (f.role == 'X' || f.role == 'Y' || f.role == 'W') &&
            !IsNumericFieldType(in->type))
            return Refusal{f.name + " - (" + FieldTypeText(in->type) + ")",
                           "Field must be numeric.", "Numeric fields of " + d.input,
                           inputNames(true)};
    }
    for (char role : kRoles) {
        const RoleLimits limits = RoleLimitsFor(*type, role);
        const int n = d.count(role);
        if (rules.stored && role == 'C' && type->category == 'G') continue;
        if (limits.max == 1 && n > 1)
            return refuse(std::string("Only one ") + roleWord(role) + " field may be assigned");
        if (limits.max == 2 && n > 2)
            return refuse(std::string("Only two ") + roleWord(role) + " fields may be assigned");
    }
    for (const Requirement& r : requirements(*type)) {
        if (rules.stored && type->fieldFrame == 5 && r.role == 'X') continue;
        if (type->fieldFrame == 5 && r.role == 'X' && d.count('W') > 0 && d.count('X') == 0)
            return refuse(
                "Weight field requires a value field. Or, you can make the Weight field a Value "
                "field and use the Sum Crosstab option.");
        if (d.count(r.role) < RoleLimitsFor(*type, r.role).min)
            return refuse(std::string(r.phrase) + " must be assigned.");
    }
    return std::nullopt;
}

std::optional<char> RoleLackingFields(const ScenarioDraft& d) {
    const AnalysisType* type = FindAnalysisType(d.subtype);
    if (!type) return std::nullopt;
    for (const Requirement& r : requirements(*type))
        if (d.count(r.role) < RoleLimitsFor(*type, r.role).min) return r.role;
    return std::nullopt;
}

std::optional<Refusal> CheckIgnore(const ScenarioDraft& d) {
    if (d.missingType == "1" && d.missingEqual.isNull()) return refuse("Missing required value");
    if (d.missingType == "2") {
        if (d.missingLow.isNull() && d.missingHigh.isNull())
            return refuse("Missing required value");
        if (!d.missingLow.isNull() && !d.missingHigh.isNull() &&
            !(d.missingHigh.asDouble() > d.missingLow.asDouble()))
            return refuse("Greater Than Value must be Larger than Less Than Value");
    }
    return std::nullopt;
}

std::optional<Refusal> CheckDescribe(const ScenarioDraft& d) {
    if (d.flag("CI")) {
        const Value& user = d.option("CIUser");
        const bool userLevel = !user.isNull() && user.asDouble() != 0;
        if (d.flag("CI95") && userLevel && user.asDouble() == 95)
            return refuse("Duplicate Confidence Interval % selected");
        if (!d.flag("CI95") && !userLevel)
            return refuse("Confidence Interval value (95% or Other%) required", "Set one of",
                          {"CI95", "CIUser"});
        if (d.option("CITypeRadio").toText().substr(0, 1) == "N" && isNull(d, "CIStdDev"))
            return refuse("Confidence Interval standard deviation required", "Set", {"CIStdDev"});
    }
    if (d.flag("TTestMean") && isNull(d, "TTestValue"))
        return refuse("Mean value for t-Test vs. Mean required", "Set", {"TTestValue"});
    return std::nullopt;
}

std::optional<Refusal> CheckFrequency(const ScenarioDraft& d) {
    if (isNull(d, "InterV"))
        return refuse("Frequency: Number of intervals required", "Set", {"InterV"});
    if (d.option("FreqGroupRadio").toText() == "Specified") {
        if (isNull(d, "FreqInit"))
            return refuse("Frequency: Specified Initial Value required", "Set", {"FreqInit"});
        if (isNull(d, "FreqWidth"))
            return refuse("Frequency: Specified Interval Width required", "Set", {"FreqWidth"});
    }
    return std::nullopt;
}

std::optional<Refusal> CheckSignTest(const ScenarioDraft& d) {
    if (!d.flag("SignMean") && !d.flag("SignMedian") && !d.flag("SignCustom"))
        return refuse("No test type selected", "Set one of",
                      {"SignMean", "SignMedian", "SignCustom"});
    if (d.flag("SignCustom") && isNull(d, "SignValue"))
        return refuse("Custom value required", "Set", {"SignValue"});
    return std::nullopt;
}

std::optional<Refusal> CheckKSFit(const ScenarioDraft& d) {
    if (!d.flag("FitUniform") && !d.flag("FitNormal") && !d.flag("FitPoisson"))
        return refuse("No test type selected", "Set one of",
                      {"FitUniform", "FitNormal", "FitPoisson"});
    return std::nullopt;
}

std::optional<Refusal> CheckPaired(const ScenarioDraft& d) {
    if (!d.flag("NPPair_Sign") && !d.flag("NPPair_Wilcoxon") && !d.flag("NPPair_Spearman"))
        return refuse("At least one analysis type must be selected", "Set one of",
                      {"NPPair_Sign", "NPPair_Wilcoxon", "NPPair_Spearman"});
    return std::nullopt;
}

namespace {
// An analysis whose statistics are all switched off would write a table of
// nothing but its leading columns.
std::optional<Refusal> checkStatistics(const ScenarioDraft& d,
                                       std::initializer_list<const char*> choices) {
    for (const char* option : choices)
        if (d.flag(option)) return std::nullopt;
    return refuse("No statistic selected", "Set one of",
                  std::vector<std::string>(choices.begin(), choices.end()));
}
}  // namespace

std::optional<Refusal> CheckCompare(const ScenarioDraft& d) {
    return checkStatistics(d, {"CountXY", "MeanXY", "CorrXY", "TTest"});
}

std::optional<Refusal> CheckMatrix(const ScenarioDraft& d) {
    if (auto r = checkStatistics(
            d, {"MCnt", "MMis", "MMean", "MDev", "MCov", "MCor", "MR2", "MT", "MProb"}))
        return r;
    if (d.flag("MProb") && isNull(d, "MProbTail"))
        return refuse("Probability tails required", "Set", {"MProbTail"});
    return std::nullopt;
}

std::optional<Refusal> CheckOptions(const ScenarioDraft& d) {
    const std::string_view t = d.subtype;
    if (iequal(t, "Describe")) {
        if (auto r = CheckDescribe(d)) return r;
        if (d.flag("FreqN") || d.flag("FreqP")) return CheckFrequency(d);
        return std::nullopt;
    }
    if (iequal(t, "Frequency")) return CheckFrequency(d);
    if (iequal(t, "Compare")) return CheckCompare(d);
    if (iequal(t, "Matrix")) return CheckMatrix(d);
    if (iequal(t, "Sign Test")) return CheckSignTest(d);
    if (iequal(t, "K-S Fit")) return CheckKSFit(d);
    if (iequal(t, "Paired Fields")) return CheckPaired(d);
    return std::nullopt;
}

bool HasSecondOutput(const AnalysisType& type, const ScenarioDraft& d) {
    switch (type.second) {
        case SecondOutput::WithDetail:
            return d.flag(type.detailOption);
        case SecondOutput::WithXChi: {
            // The chi-square table exists for counts and sums only.
            const std::string cell = d.option("XType").toText();
            return d.flag("xChi") && (iequal(cell, "C") || iequal(cell, "S"));
        }
        case SecondOutput::WithResidual:
            return d.flag("Residual");
        default:
            return false;
    }
}

std::string PlainTableName(std::string_view label) {
    std::string name(label);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') c = '_';
    return name;
}

void DefaultOutputNames(ScenarioDraft& d, std::string_view prefix) {
    const AnalysisType* type = FindAnalysisType(d.subtype);
    if (!type) return;
    if (d.output1.empty()) d.output1 = std::string(prefix) + PlainTableName(type->label1);
    if (!HasSecondOutput(*type, d))
        d.output2.clear();
    else if (d.output2.empty())
        d.output2 = std::string(prefix) + PlainTableName(type->label2);
}

std::optional<Refusal> CheckSecondName(const ScenarioDraft& d) {
    const AnalysisType* type = FindAnalysisType(d.subtype);
    if (!type || d.output2.empty() || HasSecondOutput(*type, d)) return std::nullopt;
    std::string why = std::string(type->name) + " writes one output table";
    if (type->second == SecondOutput::WithResidual) why += " unless Residual is Yes";
    if (type->second == SecondOutput::WithXChi) why += " unless xChi is Yes and XType is C or S";
    if (type->second == SecondOutput::WithDetail)
        why += std::string(" unless ") + type->detailOption + " is Yes";
    return Refusal{"Out2=" + d.output2, why + ".", {}, {}};
}

std::optional<Refusal> CheckFinal(const ScenarioDraft& d) {
    const AnalysisType* type = FindAnalysisType(d.subtype);
    if (!type) return CheckAnalysisType(d.subtype, type);
    const bool two = HasSecondOutput(*type, d);
    if (d.output1.empty()) return refuse("Output table name required.");
    if (two && d.output2.empty()) return refuse("Second Output table name required.");
    if (two && iequal(d.output1, d.output2))
        return refuse("The first and second output table names names must not be the same.");
    for (const std::string* name : {&d.output1, &d.output2}) {
        if (name->empty()) continue;
        if (Error e = CheckObjectName(*name)) return Refusal{*name, e.description, {}, {}};
        if (iequal(*name, d.input))
            return refuse("The output table [" + *name + "] is the input of this scenario.");
        for (const char* t : {kScenarioTable, kOptionsTable, kFieldsTable})
            if (iequal(*name, t))
                return refuse("The output table [" + *name + "] is one of the scenario tables.");
    }
    return std::nullopt;
}

std::optional<Refusal> CheckDraft(const ScenarioDraft& d, const std::vector<InputField>& input) {
    const AnalysisType* type = nullptr;
    if (auto r = CheckAnalysisType(d.subtype, type)) return r;
    if (auto r = CheckFields(d, input)) return r;
    if (auto r = CheckIgnore(d)) return r;
    if (auto r = CheckOptions(d)) return r;
    return CheckFinal(d);
}

}  // namespace qrv::scenario
