// The routines of the analysis types: each reads the options it needs, makes
// the type's extra role checks, turns options into the analysis's arguments
// and calls its entry. RegisterAnalyses hands them to the engine's registry.
#include <algorithm>
#include <array>
#include <cctype>

#include "analyses/nonparametric/chi_square.h"
#include "analyses/nonparametric/field_rank_tests.h"
#include "analyses/nonparametric/paired_tests.h"
#include "analyses/nonparametric/runs_test.h"
#include "analyses/nonparametric/sample_rank_tests.h"
#include "analyses/nonparametric/sign_test.h"
#include "analyses/parametric/anova.h"
#include "analyses/parametric/compare.h"
#include "analyses/parametric/correlation_matrix.h"
#include "analyses/parametric/crosstab.h"
#include "analyses/parametric/describe.h"
#include "analyses/parametric/frequency.h"
#include "analyses/parametric/multiple_regression.h"
#include "analyses/parametric/percentiles.h"
#include "analyses/parametric/polynomial_regression.h"
#include "analyses/parametric/simple_regression.h"
#include "analyses/registration.h"
#include "engine/analysis_dispatch.h"
#include "engine/quorvane.h"
#include "scenario/analysis_types.h"

namespace qrv {

using namespace qrv::dao;

namespace {

char firstLetter(const std::string& s) {
    return s.empty() ? '-' : s[0];
}

double nullAsZero(const Value& v) {
    return v.isNull() ? 0.0 : v.asDouble();
}

std::string RunGroup_s_Zelk(Quorvane& e) {
    ProcedureScope scope(e.ErrorHandler(), "RunGroup_s_Zelk");
    const CLumvarScenario& s = *e.Scenario();
    const std::string type = iequal(s.CalcType, "TWO SAMPLE T-TEST") ? "T" : "A";
    // The group analysis has no Y role: a Y field assigned anyway is left out,
    // so that the weight field follows the data fields.
    std::vector<std::string> fields = e.FieldNames();
    if (e.HasY()) fields.erase(fields.begin() + e.GroupCount() + e.CompareCount() + e.XCount());
    return CAnova().Quorvane_ANOVA(type, !s.GroupIgnoreBlanks, s.OutputTable1, s.OutputTable2,
                                   s.Table, fields, e.GroupCount(), e.CompareCount(), e.XCount(),
                                   e.HasWeight(), e);
}

std::string RunDescribe_s_Zelk(Quorvane& e) {
    ProcedureScope scope(e.ErrorHandler(), "RunDescribe_s_Zelk");
    const CLumvarScenario& s = *e.Scenario();
    DescribeArgs a;
    a.outputTable = s.OutputTable1;
    a.input = s.Table;
    a.fields = e.FieldNames();
    a.groups = e.GroupCount();
    a.analysisFields = e.XCount();
    a.weighted = e.HasWeight();
    a.range = s.Range;
    // Only "N" asks for the population method; the texts compare without case.
    a.varMethod = !s.VarStd ? "" : iequal(s.VarNRadio, "N") ? "N" : "N-1";
    a.sums = s.Sum;
    a.otherMeans = s.Mean;
    a.skew = s.Skew;
    a.mode = s.Mode;
    a.percentileType =
        s.Percentile ? static_cast<char>(
                           std::toupper(static_cast<unsigned char>(firstLetter(s.PercentileRadio))))
                     : '-';
    const char ciType =
        static_cast<char>(std::toupper(static_cast<unsigned char>(firstLetter(s.CITypeRadio))));
    a.intervalType = !s.CI ? '-' : ciType == 'T' ? 't' : ciType == 'N' ? 'N' : '-';
    a.ci95 = s.CI95;
    a.userLevel = static_cast<int>(nullAsZero(s.CIUser));
    a.popStdDevs.assign(static_cast<size_t>(e.XCount()), nullAsZero(s.CIStdDev));
    a.tTest = s.TTestMean;
    a.testMeans.assign(static_cast<size_t>(e.XCount()), nullAsZero(s.TTestValue));
    if (s.FreqN || s.FreqP) {
        const bool lower = iequal(s.FreqIncRadio, "Lower");
        const bool specified = !iequal(s.FreqGroupRadio, "Default");
        a.freqDescriptor = std::string(1, s.FreqN && s.FreqP ? 'B'
                                          : s.FreqN          ? 'N'
                                                             : 'P') +
                           "C" + (iequal(s.FreqDispRadio, "Count") ? "N" : "Y") +
                           (lower ? "Y" : "N") + (specified ? "Y" : "N");
        a.intervals = s.InterV.isNull() ? 10 : static_cast<int>(s.InterV.asDouble());
        if (specified) {
            a.initial = nullAsZero(s.FreqInit);
            a.width = nullAsZero(s.FreqWidth);
        } else {
            std::string error = e.DescFreqInit(false, a.intervals, lower, s.Table, e.FieldNames(),
                                               e.GroupCount(), e.XCount(), a.initial, a.width);
            if (!error.empty()) return error;
        }
    }
    return CDescribe().Quorvane_Describe(a, e);
}

std::string RunFrequency_s_Zelk(Quorvane& e) {
    ProcedureScope scope(e.ErrorHandler(), "RunFrequency_s_Zelk");
    const CLumvarScenario& s = *e.Scenario();
    const bool lower = iequal(s.FreqIncRadio, "Lower");
    const bool specified = !iequal(s.FreqGroupRadio, "Default");
    const std::string descriptor =
        std::string(s.FreqSum ? "S" : "-") + (lower ? "Y" : "N") + (specified ? "Y" : "N");
    const int intervals = s.InterV.isNull() ? 10 : static_cast<int>(s.InterV.asDouble());
    double initial = 0, width = 0;
    if (specified) {
        initial = s.FreqInit.isNull() ? 0 : s.FreqInit.asDouble();
        width = s.FreqWidth.isNull() ? 0 : s.FreqWidth.asDouble();
    } else {
        std::string error = e.DescFreqInit(true, intervals, lower, s.Table, e.FieldNames(),
                                           e.GroupCount(), e.XCount(), initial, width);
        if (!error.empty()) return error;
    }
    return CFrequency().Quorvane_Frequency(s.OutputTable1, s.Table, e.FieldNames(), e.GroupCount(),
                                           e.XCount(), e.HasWeight(), descriptor, intervals,
                                           initial, width, e);
}

std::string RunPercentile_s_Zelk(Quorvane& e) {
    ProcedureScope scope(e.ErrorHandler(), "RunPercentile_s_Zelk");
    const CLumvarScenario& s = *e.Scenario();
    const std::string type = s.PercentileRadio.empty() ? "" : s.PercentileRadio.substr(0, 1);
    return CPercentiles().Quorvane_Percentile(s.OutputTable1, s.Table, e.FieldNames(),
                                              e.GroupCount(), e.XCount(), e.HasWeight(), type, e);
}

std::string RunCompare_s_Zelk(Quorvane& e) {
    ProcedureScope scope(e.ErrorHandler(), "RunCompare_s_Zelk");
    if (!e.HasY()) return "Y Field not assigned";
    const CLumvarScenario& s = *e.Scenario();
    // The fifth letter (chi-square) is always off for Compare.
    const std::string descriptor = std::string(s.CountXY ? "Y" : "N") + (s.MeanXY ? "Y" : "N") +
                                   (s.CorrXY ? "Y" : "N") + (s.TTest ? "Y" : "N") + "N";
    return CCompare().Quorvane_Compare(s.OutputTable1, s.Table, e.FieldNames(), e.GroupCount(),
                                       e.XCount(), e.HasWeight(), descriptor, e);
}

std::string RunMatrix_s_Zelk(Quorvane& e) {
    ProcedureScope scope(e.ErrorHandler(), "RunMatrix_s_Zelk");
    const CLumvarScenario& s = *e.Scenario();
    std::string descriptor;
    for (bool on : {s.MCnt, s.MMis, s.MMean, s.MDev, s.MCov, s.MCor, s.MR2, s.MT, s.MProb})
        descriptor += on ? "Y" : "N";
    return CCorrMatrix().Quorvane_Matrix(s.OutputTable1, s.Table, e.FieldNames(), e.GroupCount(),
                                         e.XCount(), e.HasWeight(), descriptor,
                                         s.MProbTail.substr(0, 1), e);
}

// The stored order (2 when Null); one beyond a 16-bit integer is passed as 0,
// which the analysis refuses.
int polyOrder(const Value& v) {
    if (v.isNull()) return 2;
    const double k = v.asDouble();
    return k >= 1 && k <= 32767 ? static_cast<int>(k) : 0;
}

std::string RunRegression_s_Zelk(Quorvane& e) {
    ProcedureScope scope(e.ErrorHandler(), "RunRegression_s_Zelk");
    const CLumvarScenario& s = *e.Scenario();
    const std::string& type = s.RegressType;
    if (iequal(type, "S"))
        return CRegressSimple().Quorvane_RegressSimple(s.OutputTable1, s.OutputTable2, s.Table,
                                                       e.FieldNames(), e.GroupCount(), e.XCount(),
                                                       e.HasWeight(), s.RAnova, s.RYInt, 0, e);
    if (iequal(type, "M"))
        return CRegressMulti().Quorvane_RegressMulti(s.OutputTable1, s.OutputTable2, s.Table,
                                                     e.FieldNames(), e.GroupCount(), e.XCount(),
                                                     e.HasWeight(), s.RAnova, s.RYInt, 0, e);
    if (iequal(type, "P"))
        return CRegressPoly().Quorvane_RegressPoly(
            s.OutputTable1, s.OutputTable2, s.Table, e.FieldNames(), e.GroupCount(), e.XCount(),
            e.HasWeight(), s.RAnova, s.RYInt, 0, polyOrder(s.RPoly), e);
    return {};  // any other type runs nothing
}

std::string RunCrosstab_s_Zelk(Quorvane& e) {
    ProcedureScope scope(e.ErrorHandler(), "RunCrosstab_s_Zelk");
    if (e.GroupCount() < 1) return "At least one row field must be assigned";
    // The columns come from exactly one field.
    if (e.CompareCount() < 1) return "Column field must be assigned";
    if (e.CompareCount() > 1) return "Only one Column field may be assigned";
    const CLumvarScenario& s = *e.Scenario();
    // Row fields, the column field, the value fields ("*" when none), the
    // weight field; a Y field has no part in a crosstab.
    const std::vector<std::string>& all = e.FieldNames();
    const auto upTo = static_cast<long>(e.GroupCount() + 1 + e.XCount());
    std::vector<std::string> fields(all.begin(), all.begin() + upTo);
    if (e.HasWeight()) fields.push_back(all.back());
    std::string descriptor;
    for (bool flag : {s.XRowPCnt, s.XColPcnt, s.XTotPcnt, s.XExpectPcnt, s.XExpect, s.XChi})
        descriptor += flag ? 'Y' : 'N';
    return CXTab().Quorvane_Xtab(s.OutputTable1, s.OutputTable2, s.Table, fields, e.GroupCount(),
                                 e.XCount(), e.HasWeight(), s.XType, descriptor, e);
}

std::string RunChiSquare_s_Zelk(Quorvane& e) {
    ProcedureScope scope(e.ErrorHandler(), "RunChiSquare_s_Zelk");
    const CLumvarScenario& s = *e.Scenario();
    // Group fields, compare fields, the weight field; X and Y fields have no
    // part in the test.
    const std::vector<std::string>& all = e.FieldNames();
    const auto upTo = static_cast<long>(e.GroupCount() + e.CompareCount());
    std::vector<std::string> fields(all.begin(), all.begin() + upTo);
    if (e.HasWeight()) fields.push_back(all.back());
    return CNonParamChiSquare().Quorvane_ChiSquare(s.OutputTable1, s.OutputTable2, s.Table, fields,
                                                   e.GroupCount(), e.CompareCount(), e.HasWeight(),
                                                   s.ChiDetail, !s.ChiIgnoreBlanks, s.ChiAll, e);
}

std::string RunSignFit_s_Zelk(Quorvane& e, const std::string& which) {
    ProcedureScope scope(e.ErrorHandler(), "RunSignFit_s_Zelk");
    const CLumvarScenario& s = *e.Scenario();
    // Only group, data and weight fields take part: compare and Y fields
    // assigned anyway are left out, so that the weight follows the data.
    std::vector<std::string> fields = e.FieldNames();
    const auto groupEnd = fields.begin() + e.GroupCount();
    if (e.HasY()) fields.erase(groupEnd + e.CompareCount() + e.XCount());
    fields.erase(groupEnd, groupEnd + e.CompareCount());
    const bool fit = which == "Fit";
    const std::array<bool, 3> fitChoices = {fit && s.FitUniform, fit && s.FitNormal,
                                            fit && s.FitPoisson};
    return CNonParamSign().Quorvane_SignFitTest(
        s.OutputTable1, s.Table, fields, e.GroupCount(), e.XCount(), e.HasWeight(), fit, fitChoices,
        !fit && s.SignMean, !fit && s.SignMedian, !fit && s.SignCustom,
        fit ? 0.0 : nullAsZero(s.SignValue), e);
}

std::string RunNPPaired_s_Zelk(Quorvane& e) {
    ProcedureScope scope(e.ErrorHandler(), "RunNPPaired_s_Zelk");
    if (!e.HasY()) return "Y Field not assigned";
    const CLumvarScenario& s = *e.Scenario();
    // Compare fields have no part in paired tests: the X fields follow the
    // group fields.
    std::vector<std::string> fields = e.FieldNames();
    fields.erase(fields.begin() + e.GroupCount(),
                 fields.begin() + e.GroupCount() + e.CompareCount());
    const int yPosition = e.GroupCount() + e.XCount() + 1;
    return CNonParametric().Quorvane_NonParametric(
        s.OutputTable1, s.Table, fields, e.GroupCount(), e.XCount(), yPosition, e.HasWeight(),
        false, std::vector<double>(static_cast<size_t>(e.XCount()), 0.0), s.NPPair_Sign,
        s.NPPair_Wilcoxon, s.NPPair_Spearman, false, false, e);
}

// The Friedman test has no routine of its own in the dispatch: the class is
// called directly. Its field list is the group fields, the compared (X)
// fields and the weight: compare or Y fields have no part in it.
std::string RunFriedman(Quorvane& e) {
    const CLumvarScenario& s = *e.Scenario();
    const std::vector<std::string>& all = e.FieldNames();
    const auto groups = static_cast<long>(e.GroupCount());
    const auto xFrom = groups + e.CompareCount();
    std::vector<std::string> fields(all.begin(), all.begin() + groups);
    fields.insert(fields.end(), all.begin() + xFrom, all.begin() + xFrom + e.XCount());
    if (e.HasWeight()) fields.push_back(all.back());
    return CNonParamFriedman().Quorvane_NonParamFriedman(s.OutputTable1, s.OutputTable2, s.Table,
                                                         fields, e.GroupCount(), e.XCount(),
                                                         e.HasWeight(), e);
}

// Two- and N-sample tests split the rows by exactly one compare field.
std::string oneCompareField(int compareCount) {
    if (compareCount < 1) return "At least one Compare field must be assigned";
    if (compareCount > 1) return "Only one Compare field may be assigned";
    return {};
}

// The sample tests have no Y role: a Y field assigned anyway is left out, so
// that the weight field follows the data fields.
std::vector<std::string> sampleFields(Quorvane& e) {
    std::vector<std::string> fields = e.FieldNames();
    if (e.HasY()) fields.erase(fields.begin() + e.GroupCount() + e.CompareCount() + e.XCount());
    return fields;
}

std::string RunNPTwoSample_s_Zelk(Quorvane& e) {
    ProcedureScope scope(e.ErrorHandler(), "RunNPTwoSample_s_Zelk");
    if (std::string m = oneCompareField(e.CompareCount()); !m.empty()) return m;
    const CLumvarScenario& s = *e.Scenario();
    const std::string& type = s.NPTwoType;
    // The runs test.
    if (iequal(type, "Wald"))
        return CNonParamWald().Quorvane_NonParametricRuns(s.OutputTable1, s.Table, sampleFields(e),
                                                          e.GroupCount() + 1, e.XCount(),
                                                          e.HasWeight(), e);
    // Mann-Whitney and Kolmogorov-Smirnov; no detail table.
    if (iequal(type, "Mann"))
        return CNonParamMannKruskalKS().Quorvane_MannKSKruskal(
            s.OutputTable1, "", s.Table, sampleFields(e), e.GroupCount() + 1, e.XCount(),
            e.HasWeight(), true, true, false, e);
    return {};  // any other type runs nothing
}

std::string RunNPNSample_s_Zelk(Quorvane& e) {
    ProcedureScope scope(e.ErrorHandler(), "RunNPNSample_s_Zelk");
    if (std::string m = oneCompareField(e.CompareCount()); !m.empty()) return m;
    const CLumvarScenario& s = *e.Scenario();
    return CNonParamMannKruskalKS().Quorvane_MannKSKruskal(
        s.OutputTable1, s.OutputTable2, s.Table, sampleFields(e), e.GroupCount() + 1, e.XCount(),
        e.HasWeight(), false, false, true, e);
}

// The routine of each analysis type that is not a group analysis, by the
// type's name; every group type runs the group analysis.
struct TypeRoutine {
    const char* type;
    AnalysisRoutine routine;
};
constexpr TypeRoutine kRoutines[] = {
    {"Describe", RunDescribe_s_Zelk},
    {"Frequency", RunFrequency_s_Zelk},
    {"Percentiles", RunPercentile_s_Zelk},
    {"Compare", RunCompare_s_Zelk},
    {"Matrix", RunMatrix_s_Zelk},
    {"Regression", RunRegression_s_Zelk},
    {"Crosstab", RunCrosstab_s_Zelk},
    {"Chi-Square", RunChiSquare_s_Zelk},
    {"Sign Test", [](Quorvane& e) { return RunSignFit_s_Zelk(e, "Sign"); }},
    {"K-S Fit", [](Quorvane& e) { return RunSignFit_s_Zelk(e, "Fit"); }},
    {"Paired Fields", RunNPPaired_s_Zelk},
    {"N Fields", RunFriedman},
    {"2 Sample", RunNPTwoSample_s_Zelk},
    {"N Sample", RunNPNSample_s_Zelk},
};

AnalysisRoutine routineOf(const scenario::AnalysisType& type) {
    if (type.category == 'G') return RunGroup_s_Zelk;
    for (const TypeRoutine& r : kRoutines)
        if (iequal(r.type, type.name)) return r.routine;
    return nullptr;
}

}  // namespace

void RegisterAnalyses() {
    for (const scenario::AnalysisType& type : scenario::AnalysisTypes())
        RegisterAnalysisRoutine(type, routineOf(type));
}

}  // namespace qrv
