// The analysis types and their field roles. Field frames: 1 independent fields
// only; 2 dependent fields and one factor; 3 one dependent (Y) and independent
// fields; 4 dependent fields and two factors; 5 crosstab row, column and value
// fields; 6 the compare fields of the chi-square test. Every frame also has
// group fields and at most one weight field.
#include "scenario/analysis_types.h"

#include "dataaccess/fold.h"

namespace qrv::scenario {

namespace {

constexpr AnalysisType kTypes[] = {
    {"Describe", 'P', 100, 1, 4, "Describe", nullptr, SecondOutput::None, nullptr},
    {"Frequency", 'P', 200, 1, 5, "Frequency", nullptr, SecondOutput::None, nullptr},
    {"Percentiles", 'P', 300, 1, 6, "Percentiles", nullptr, SecondOutput::None, nullptr},
    {"Compare", 'P', 400, 3, 7, "Compare", nullptr, SecondOutput::None, nullptr},
    {"Matrix", 'P', 500, 1, 8, "Matrix", nullptr, SecondOutput::None, nullptr},
    {"Regression", 'P', 600, 3, 9, "Regression", "Residual", SecondOutput::WithResidual, nullptr},
    {"Crosstab", 'P', 700, 5, 10, "Crosstab", "Crosstab Chi-Square", SecondOutput::WithXChi,
     nullptr},
    {"Two Sample t-Test", 'G', 100, 2, 11, "Two Sample t-Test", "Two Sample t-Test Details",
     SecondOutput::WithDetail, "GroupDetail"},
    {"ANOVA", 'G', 200, 2, 11, "ANOVA", "ANOVA Details", SecondOutput::WithDetail, "GroupDetail"},
    {"Two way ANOVA", 'G', 300, 4, 11, "Two Way ANOVA", "Two Way ANOVA Details",
     SecondOutput::WithDetail, "GroupDetail"},
    {"Chi-Square", 'N', 100, 6, 12, "Chi-Square", "Chi-Square Details", SecondOutput::WithDetail,
     "ChiDetail"},
    {"Sign Test", 'N', 200, 1, 13, "SignTest", nullptr, SecondOutput::None, nullptr},
    {"K-S Fit", 'N', 300, 1, 14, "K-S Fit", nullptr, SecondOutput::None, nullptr},
    {"2 Sample", 'N', 400, 2, 15, "2 Sample", nullptr, SecondOutput::None, nullptr},
    {"N Sample", 'N', 500, 2, 16, "N Sample Kruskal", "N Sample Kruskal Details",
     SecondOutput::WithDetail, "NPKruskalDetail"},
    {"Paired Fields", 'N', 600, 3, 17, "PairedFields", nullptr, SecondOutput::None, nullptr},
    {"N Fields", 'N', 700, 1, 18, "N Fields Friedman", "N Fields Friedman Details",
     SecondOutput::WithDetail, "NPFriedmanDetail"},
};

}  // namespace

std::span<const AnalysisType> AnalysisTypes() {
    return kTypes;
}

const AnalysisType* FindAnalysisType(std::string_view name) {
    for (const AnalysisType& t : kTypes)
        if (dao::iequal(t.name, name)) return &t;
    return nullptr;
}

int GetScenarioSort(std::string_view subtype) {
    const AnalysisType* t = FindAnalysisType(subtype);
    return t ? t->sortOrder : 0;
}

RoleLimits RoleLimitsFor(const AnalysisType& type, char role) {
    const int frame = type.fieldFrame;
    switch (role) {
        case 'G':
            return frame == 5 ? RoleLimits{1, -1, "Row Fields"} : RoleLimits{0, -1, "Group Fields"};
        case 'W':
            return {0, 1, "Weight Field (Optional)"};
        case 'X':
            switch (frame) {
                case 1:
                    return {std::string_view(type.name) == "N Fields" ? 2 : 1, -1,
                            "Independent Fields (X)"};
                case 2:
                case 4:
                    return {1, -1, "Dependent Fields"};
                case 3:
                    return {1, -1, "Independent Fields (X)"};
                case 5:
                    return {1, -1, "Value Fields"};
                default:
                    return {};
            }
        case 'Y':
            return frame == 3 ? RoleLimits{1, 1, "Dependent Field (Y)"} : RoleLimits{};
        case 'C':
            switch (frame) {
                case 2:
                    return {1, 1, "Comparison Field (Factor)"};
                case 4:
                    // Two factors or more: the analysis crosses them all.
                    return {2, -1, "Comparison Fields (Factors)"};
                case 5:
                    return {1, 1, "Column Field"};
                case 6:
                    // The chi-square test reads its categories from compare fields.
                    return {1, -1, "Compare Fields"};
                default:
                    return {};
            }
        default:
            return {};
    }
}

const char* RoleOptionName(char role) {
    switch (role) {
        case 'G':
            return "group";
        case 'C':
            return "compare";
        case 'X':
            return "x";
        case 'Y':
            return "y";
        case 'W':
            return "weight";
        default:
            return "?";
    }
}

}  // namespace qrv::scenario
