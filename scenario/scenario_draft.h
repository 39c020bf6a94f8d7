// A scenario while it is being authored: every column of its scenario row and
// options row, and its field assignments. The wizard's controller and the
// command line edit one of these, check it and save it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/value.h"

namespace qrv::scenario {

struct AnalysisType;

struct DraftField {
    std::string name;
    char role = 'X';          // G, C, X, Y or W
    int position = 0;         // from 1 within its role's list
    std::string choice = {};  // the role as stored, when it is not one letter (for messages)
};

// A field of the input table or query, with its database type code.
struct InputField {
    std::string name;
    int type = 0;
};

struct ScenarioDraft {
    std::int32_t id = 0;  // 0 until saved
    std::string description;
    std::string category;  // "P", "G" or "N"
    std::string subtype;
    std::string input;
    std::string output1;
    std::string output2;
    std::string missingType = "0";
    dao::Value missingEqual, missingLow, missingHigh;
    std::vector<dao::Value> options;  // one per column of OptionColumns(), in order
    std::vector<DraftField> fields;

    // An option by its column name in any letter case; throws nothing: an
    // unknown name gives a Null that is not stored anywhere.
    const dao::Value& option(std::string_view name) const;
    void setOption(std::string_view name, dao::Value v);
    bool flag(std::string_view name) const;  // a Yes/No option, Null as No
    int count(char role) const;
    // Adds a field at the end of its role's list.
    void addField(std::string name, char role);
};

// The rule for values to ignore in words: "none", "values equal to -99",
// "values below 0 and above 100" ...
std::string IgnoreRuleText(const ScenarioDraft& d);

// A new scenario of that type: every option at its default, no fields, no
// ignore rule, no output names yet.
ScenarioDraft NewDraft(const AnalysisType& type);

}  // namespace qrv::scenario
