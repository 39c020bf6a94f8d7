// The checks the wizard makes before it lets a scenario be saved, page by
// page, with its own messages: the analysis type, the field roles, the
// values to ignore, the analysis's options and the output table names. Each
// answers nothing when all is well, else the first thing wrong. None of them
// touches a database.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scenario/analysis_types.h"
#include "scenario/refusal.h"
#include "scenario/scenario_draft.h"

namespace qrv::scenario {

// The prefix of the output names the wizard proposes.
inline constexpr const char* kOutputTablePrefix = "Quorvane_";

// The type of that name in any letter case, or a refusal listing the valid ones.
std::optional<Refusal> CheckAnalysisType(std::string_view name, const AnalysisType*& type);

// A numeric field holds numbers ("#" types on the fields page).
bool IsNumericFieldType(int type);
// The fields page's text for a database type ("#, Double", "Text" ...).
std::string FieldTypeText(int type);

// The fields page: every field is a field of the input, holds one role that
// the analysis offers, is numeric where the role needs it, and every role has
// as many fields as the analysis needs.
std::optional<Refusal> CheckFields(const ScenarioDraft& d, const std::vector<InputField>& input);
// The same for stored field rows. Without input the fields' presence is not
// checked. Stored rows may use what the engine has always run though the
// wizard does not offer it: a crosstab without value fields (it counts
// records), a group analysis over more factors than its page offers, and a
// text column whose values
// are numbers (a text that is not a number ends the run with its own
// message).
struct FieldRules {
    const std::vector<InputField>* input = nullptr;
    bool stored = false;
};
std::optional<Refusal> CheckFields(const ScenarioDraft& d, const FieldRules& rules);

// The first role, in the order CheckFields reports them, that has fewer
// fields than the analysis needs; nothing when every role has enough.
std::optional<char> RoleLackingFields(const ScenarioDraft& d);

// The values-to-ignore dialog: the chosen rule has its values, and a range's
// upper bound lies above its lower bound.
std::optional<Refusal> CheckIgnore(const ScenarioDraft& d);

// The options pages.
std::optional<Refusal> CheckDescribe(const ScenarioDraft& d);
std::optional<Refusal> CheckFrequency(const ScenarioDraft& d);
std::optional<Refusal> CheckSignTest(const ScenarioDraft& d);
std::optional<Refusal> CheckKSFit(const ScenarioDraft& d);
std::optional<Refusal> CheckPaired(const ScenarioDraft& d);
// At least one statistic is switched on.
std::optional<Refusal> CheckCompare(const ScenarioDraft& d);
std::optional<Refusal> CheckMatrix(const ScenarioDraft& d);
// The checks of the options page of the draft's analysis.
std::optional<Refusal> CheckOptions(const ScenarioDraft& d);

// True when the analysis writes a second output table with these options.
bool HasSecondOutput(const AnalysisType& type, const ScenarioDraft& d);
// A label as a table name that needs no brackets in SQL: every character
// other than a letter, a digit or "_" becomes "_" ("K-S Fit" -> "K_S_Fit").
std::string PlainTableName(std::string_view label);
// Fills empty output names with prefix + the label as a plain table name, and
// clears the second name when the analysis writes no second table.
void DefaultOutputNames(ScenarioDraft& d, std::string_view prefix = kOutputTablePrefix);
// A second output name given for an analysis that writes no second table.
std::optional<Refusal> CheckSecondName(const ScenarioDraft& d);
// The finish page: both names given where needed, different, valid table
// names, and neither the input nor a scenario table.
std::optional<Refusal> CheckFinal(const ScenarioDraft& d);

// Every check above in the wizard's page order.
std::optional<Refusal> CheckDraft(const ScenarioDraft& d, const std::vector<InputField>& input);

}  // namespace qrv::scenario
