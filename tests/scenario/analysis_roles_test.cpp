// The analysis types and the fields page's checks: every type found by its
// name in any letter case with its category and sort order, the roles each
// type needs and the wizard's message when one is missing, roles a type does
// not offer, numeric-only roles, and fields that are not in the input. The
// expected names, numbers and messages are copied from the wizard's
// description, not from the code.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "scenario/analysis_types.h"
#include "scenario/scenario_checks.h"

namespace qrv::test {
namespace {

using namespace qrv::scenario;

std::vector<InputField> input() {
    // Type codes: 10 text, 7 double, 4 long, 8 date.
    return {{"Region", 10}, {"Plant", 10}, {"Yield", 7}, {"Temperature", 7},
            {"Batch", 4},   {"Weight", 7}, {"Seen", 8}};
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

struct TypeCase {
    const char* name;
    char category;
    int sortOrder;
    int optionsPage;
};

const TypeCase kTypes[] = {
    {"Describe", 'P', 100, 4},    {"Frequency", 'P', 200, 5},
    {"Percentiles", 'P', 300, 6}, {"Compare", 'P', 400, 7},
    {"Matrix", 'P', 500, 8},      {"Regression", 'P', 600, 9},
    {"Crosstab", 'P', 700, 10},   {"Two Sample t-Test", 'G', 100, 11},
    {"ANOVA", 'G', 200, 11},      {"Two way ANOVA", 'G', 300, 11},
    {"Chi-Square", 'N', 100, 12}, {"Sign Test", 'N', 200, 13},
    {"K-S Fit", 'N', 300, 14},    {"2 Sample", 'N', 400, 15},
    {"N Sample", 'N', 500, 16},   {"Paired Fields", 'N', 600, 17},
    {"N Fields", 'N', 700, 18},
};

TEST(AnalysisTypes, EveryTypeByNameInAnyCaseWithCategoryAndSortOrder) {
    ASSERT_EQ(AnalysisTypes().size(), 17u);
    for (const TypeCase& c : kTypes) {
        for (const std::string& spelled : {std::string(c.name), upper(c.name)}) {
            const AnalysisType* t = FindAnalysisType(spelled);
            ASSERT_NE(t, nullptr) << spelled;
            EXPECT_STREQ(t->name, c.name) << spelled;
            EXPECT_EQ(t->category, c.category) << c.name;
            EXPECT_EQ(GetScenarioSort(spelled), c.sortOrder) << c.name;
            EXPECT_EQ(t->optionsPage, c.optionsPage) << c.name;
        }
    }
    EXPECT_EQ(GetScenarioSort("Histogram"), 0);
    EXPECT_EQ(FindAnalysisType("Two Sample t Test"), nullptr);
}

TEST(AnalysisTypes, AnUnknownTypeIsRefusedWithTheSeventeenListed) {
    const AnalysisType* t = nullptr;
    auto r = CheckAnalysisType("Histogram", t);
    ASSERT_TRUE(r);
    EXPECT_EQ(t, nullptr);
    EXPECT_EQ(r->message, "'Histogram' is not an analysis type.");
    ASSERT_EQ(r->choices.size(), 17u);
    for (size_t i = 0; i < 17; ++i) EXPECT_EQ(r->choices[i], kTypes[i].name);
    EXPECT_FALSE(CheckAnalysisType("n fields", t));
    EXPECT_STREQ(t->name, "N Fields");
}

ScenarioDraft draft(const char* type, std::vector<std::pair<const char*, char>> fields) {
    ScenarioDraft d = NewDraft(*FindAnalysisType(type));
    d.input = "Measurements";
    for (auto& [name, role] : fields) d.addField(name, role);
    return d;
}

std::string fieldsMessage(const ScenarioDraft& d) {
    auto r = CheckFields(d, input());
    return r ? r->message : "";
}

// One type: a complete set of fields, and what each incomplete set is told.
struct RoleCase {
    const char* type;
    std::vector<std::pair<const char*, char>> complete;
    std::vector<std::pair<std::vector<std::pair<const char*, char>>, const char*>> incomplete;
};

TEST(FieldRoles, EachTypeNeedsItsRolesAndSaysWhichIsMissing) {
    const char* const kX = "Independent (X) field must be assigned.";
    const char* const kDependent = "At least one Dependent field must be assigned.";
    const std::vector<RoleCase> cases = {
        {"Describe", {{"Yield", 'X'}}, {{{{"Region", 'G'}}, kX}}},
        {"Frequency", {{"Yield", 'X'}, {"Weight", 'W'}}, {{{{"Weight", 'W'}}, kX}}},
        {"Percentiles", {{"Yield", 'X'}}, {{{}, kX}}},
        {"Matrix", {{"Yield", 'X'}, {"Temperature", 'X'}}, {{{}, kX}}},
        {"Sign Test", {{"Yield", 'X'}}, {{{}, kX}}},
        {"K-S Fit", {{"Yield", 'X'}}, {{{}, kX}}},
        {"N Fields",
         {{"Yield", 'X'}, {"Temperature", 'X'}},
         {{{{"Yield", 'X'}}, "At least 2 Independent (X) fields must be assigned."}}},
        {"Compare",
         {{"Yield", 'Y'}, {"Temperature", 'X'}},
         {{{{"Temperature", 'X'}}, "Dependent (Y) field must be assigned."},
          {{{"Yield", 'Y'}}, kX}}},
        {"Regression",
         {{"Yield", 'Y'}, {"Temperature", 'X'}, {"Batch", 'X'}},
         {{{{"Yield", 'Y'}}, kX}}},
        {"Paired Fields",
         {{"Yield", 'Y'}, {"Temperature", 'X'}},
         {{{{"Temperature", 'X'}}, "Dependent (Y) field must be assigned."}}},
        {"Two Sample t-Test",
         {{"Yield", 'X'}, {"Region", 'C'}},
         {{{{"Region", 'C'}}, kDependent},
          {{{"Yield", 'X'}}, "Compare field must be assigned."},
          {{{"Yield", 'X'}, {"Region", 'C'}, {"Plant", 'C'}},
           "Only one Compare field may be assigned"}}},
        {"ANOVA",
         {{"Yield", 'X'}, {"Region", 'C'}},
         {{{{"Yield", 'X'}}, "Compare field must be assigned."}}},
        {"2 Sample", {{"Yield", 'X'}, {"Region", 'C'}}, {{{{"Region", 'C'}}, kDependent}}},
        {"N Sample",
         {{"Yield", 'X'}, {"Plant", 'C'}},
         {{{{"Yield", 'X'}}, "Compare field must be assigned."}}},
        {"Two way ANOVA",
         {{"Yield", 'X'}, {"Region", 'C'}, {"Plant", 'C'}},
         {{{{"Yield", 'X'}, {"Region", 'C'}}, "Two Comparison fields must be assigned."},
          {{{"Region", 'C'}, {"Plant", 'C'}}, kDependent}}},
        {"Crosstab",
         {{"Region", 'G'}, {"Plant", 'C'}, {"Yield", 'X'}},
         {{{{"Plant", 'C'}, {"Yield", 'X'}}, "At least one Row field must be assigned."},
          {{{"Region", 'G'}, {"Yield", 'X'}}, "Column field must be assigned."},
          {{{"Region", 'G'}, {"Plant", 'C'}}, "At least one Value field must be assigned."},
          {{{"Region", 'G'}, {"Plant", 'C'}, {"Weight", 'W'}},
           "Weight field requires a value field. Or, you can make the Weight field a Value "
           "field and use the Sum Crosstab option."}}},
        {"Chi-Square",
         {{"Region", 'C'}, {"Plant", 'C'}, {"Weight", 'W'}},
         {{{{"Weight", 'W'}}, "At least one Comparison field must be assigned."}}},
    };
    ASSERT_EQ(cases.size(), 17u);
    for (const RoleCase& c : cases) {
        EXPECT_EQ(fieldsMessage(draft(c.type, c.complete)), "") << c.type;
        for (const auto& [fields, message] : c.incomplete)
            EXPECT_EQ(fieldsMessage(draft(c.type, fields)), message) << c.type;
    }
}

TEST(FieldRoles, TwoWayAnovaCrossesTwoFactorsOrMore) {
    // The n-way analysis takes any number of factors from two up.
    const std::vector<std::vector<std::pair<const char*, char>>> fields = {
        {{"Yield", 'X'}, {"Region", 'C'}, {"Plant", 'C'}, {"Seen", 'C'}},
        {{"Yield", 'X'}, {"Region", 'C'}, {"Plant", 'C'}, {"Seen", 'C'}, {"Batch", 'C'}},
    };
    for (const auto& f : fields)
        EXPECT_EQ(fieldsMessage(draft("Two way ANOVA", f)), "") << f.size() - 1 << " factors";
}

TEST(FieldRoles, RolesATypeDoesNotOfferAreRefusedWithTheOnesItDoes) {
    auto r = CheckFields(draft("Describe", {{"Yield", 'X'}, {"Region", 'C'}}), input());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->message, "Describe takes no Compare field ('Region').");
    EXPECT_EQ(r->choices, (std::vector<std::string>{"group", "x", "weight"}));
    r = CheckFields(draft("Chi-Square", {{"Region", 'C'}, {"Yield", 'X'}}), input());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->choices, (std::vector<std::string>{"group", "compare", "weight"}));
    r = CheckFields(draft("Compare", {{"Yield", 'Y'}, {"Temperature", 'Y'}, {"Batch", 'X'}}),
                    input());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->message, "Only one Y field may be assigned");
    EXPECT_EQ(fieldsMessage(draft("Describe", {{"Yield", 'X'}, {"Weight", 'W'}, {"Batch", 'W'}})),
              "Only one Weight field may be assigned");
}

TEST(FieldRoles, ValuesAndWeightsMustBeNumericGroupsAndFactorsNeedNot) {
    for (auto [field, role] :
         {std::pair{"Region", 'X'}, std::pair{"Seen", 'X'}, std::pair{"Plant", 'W'}}) {
        auto r = CheckFields(draft("Describe", {{"Yield", 'X'}, {field, role}}), input());
        ASSERT_TRUE(r) << field;
        EXPECT_EQ(r->message, "Field must be numeric.");
        EXPECT_EQ(r->choices,
                  (std::vector<std::string>{"Yield", "Temperature", "Batch", "Weight"}));
    }
    auto r = CheckFields(draft("Regression", {{"Plant", 'Y'}, {"Yield", 'X'}}), input());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->message, "Field must be numeric.");
    EXPECT_EQ(r->subject, "Plant - (Text)");
    EXPECT_EQ(fieldsMessage(draft("ANOVA", {{"Region", 'G'}, {"Plant", 'C'}, {"Batch", 'X'}})), "");
}

TEST(FieldRoles, AFieldNotInTheInputOrAssignedTwiceIsRefused) {
    auto r = CheckFields(draft("Describe", {{"Yeld", 'X'}}), input());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->message, "Field 'Yeld' is not a field of [Measurements].");
    EXPECT_EQ(r->choicesLabel, "Fields of Measurements");
    EXPECT_EQ(r->choices.size(), 7u);
    EXPECT_EQ(fieldsMessage(draft("Describe", {{"Yield", 'X'}, {"YIELD", 'G'}})),
              "Field 'YIELD' is assigned twice; a field holds one role in a scenario.");
    EXPECT_EQ(fieldsMessage(draft("Describe", {{"yield", 'X'}})), "") << "names in any case";
    EXPECT_EQ(fieldsMessage(draft("Describe", {{"Yield", 'X'}, {"Batch", 'Q'}})),
              "Field 'Batch' has the role letter 'Q', which no analysis knows.");
}

TEST(FieldRoles, PositionsRunFromOneWithinEachRole) {
    ScenarioDraft d = draft(
        "Crosstab",
        {{"Region", 'G'}, {"Yield", 'X'}, {"Plant", 'G'}, {"Temperature", 'X'}, {"Seen", 'C'}});
    std::vector<int> positions;
    for (const DraftField& f : d.fields) positions.push_back(f.position);
    EXPECT_EQ(positions, (std::vector<int>{1, 1, 2, 2, 1}));
}

TEST(FieldTypes, TheFieldsPageTypeTextsMarkTheNumericOnes) {
    // code, text as the fields page shows it
    const std::pair<int, const char*> cases[] = {
        {16, "#, Big Integer"}, {1, "Yes/No"},     {2, "#, Byte"},     {18, "Char"},
        {5, "#, Currency"},     {8, "Date/Time"},  {20, "#, Decimal"}, {7, "#, Double"},
        {21, "#, Float"},       {3, "#, Integer"}, {4, "#, Long"},     {19, "#, Numeric"},
        {6, "#, Single"},       {10, "Text"},      {22, "Time"},
    };
    for (auto [code, text] : cases) {
        EXPECT_EQ(FieldTypeText(code), text) << code;
        EXPECT_EQ(IsNumericFieldType(code), text[0] == '#') << code;
    }
}

}  // namespace
}  // namespace qrv::test
