// The seventeen analysis types a scenario can have: their category, sort
// order, which field roles each takes and how many, and the labels of their
// output tables. The wizard and the command line both author scenarios from
// this one table.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace qrv::scenario {

// When an analysis writes a second output table. WithDetail: when the type's
// detail option (AnalysisType::detailOption) is Yes.
enum class SecondOutput { None, WithDetail, WithXChi, WithResidual };

struct AnalysisType {
    const char* name;    // the subtype as stored ("Two Sample t-Test")
    char category;       // 'P' parametric, 'G' group, 'N' non-parametric
    int sortOrder;       // SortOrder stored with the scenario
    int fieldFrame;      // which set of field lists the fields page shows (1 to 6)
    int optionsPage;     // the wizard's page number of the analysis's options
    const char* label1;  // label of the first output table
    const char* label2;  // label of the second, nullptr when there is none
    SecondOutput second;
    const char* detailOption;  // the Yes/No option of the detail table, or nullptr
};

// All seventeen, in the order the type page shows them.
std::span<const AnalysisType> AnalysisTypes();
// The type of that name in any letter case; nullptr when there is none.
const AnalysisType* FindAnalysisType(std::string_view name);
// SortOrder of a subtype; 0 for one that is not known.
int GetScenarioSort(std::string_view subtype);

// The role letters in the order the engine lists the fields.
inline constexpr char kRoles[] = {'G', 'C', 'X', 'Y', 'W'};

// How many fields of one role an analysis takes. max 0: the role is not offered;
// max -1: any number.
struct RoleLimits {
    int min = 0;
    int max = 0;
    const char* caption = nullptr;  // the list's caption on the fields page
};
RoleLimits RoleLimitsFor(const AnalysisType& type, char role);
// The role's name on the command line: "group", "compare", "x", "y", "weight".
const char* RoleOptionName(char role);

}  // namespace qrv::scenario
