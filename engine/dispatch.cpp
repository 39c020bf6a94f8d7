// Dispatch of a loaded scenario to its analysis: one routine per analysis
// type reads the options it needs, makes the type's extra role checks, turns
// options into the analysis's arguments and calls its entry. A known type
// whose analysis is not part of this build says so by name; an unknown
// subtype runs nothing.
#include <algorithm>
#include <cctype>

#include "analyses/parametric/cdescribe.h"
#include "analyses/parametric/cfrequency.h"
#include "analyses/parametric/cpercentiles.h"
#include "engine/quorvane.h"

namespace qrv {

using namespace qrv::dao;

namespace {

std::string notBuilt(const std::string& type) {
    return "The analysis type \"" + type + "\" is not available in this version of Quorvane.";
}

char firstLetter(const std::string& s) {
    return s.empty() ? '-' : s[0];
}

double nullAsZero(const Value& v) {
    return v.isNull() ? 0.0 : v.asDouble();
}

}  // namespace

std::string Quorvane::dispatch() {
    const CLumvarScenario& s = *scenario_;
    const std::string& t = s.CalcType;
    if (iequal(s.Scenario_Type, "G")) return RunGroup_s_Zelk();
    if (iequal(t, "Describe")) return RunDescribe_s_Zelk();
    if (iequal(t, "Frequency")) return RunFrequency_s_Zelk();
    if (iequal(t, "Percentiles")) return RunPercentile_s_Zelk();
    if (iequal(t, "Compare")) return RunCompare_s_Zelk();
    if (iequal(t, "Matrix")) return RunMatrix_s_Zelk();
    if (iequal(t, "Regression")) return RunRegression_s_Zelk();
    if (iequal(t, "Crosstab")) return RunCrosstab_s_Zelk();
    if (iequal(t, "Chi-Square")) return RunChiSquare_s_Zelk();
    if (iequal(t, "Sign Test")) return RunSignFit_s_Zelk("Sign");
    if (iequal(t, "K-S Fit")) return RunSignFit_s_Zelk("Fit");
    if (iequal(t, "Paired Fields")) return RunNPPaired_s_Zelk();
    if (iequal(t, "N Fields")) return notBuilt("N Fields");
    if (iequal(t, "2 Sample")) return RunNPTwoSample_s_Zelk();
    if (iequal(t, "N Sample")) return RunNPNSample_s_Zelk();
    return {};
}

std::string Quorvane::RunGroup_s_Zelk() {
    ProcedureScope scope(err_, "RunGroup_s_Zelk");
    return notBuilt(scenario_->CalcType);
}

std::string Quorvane::RunDescribe_s_Zelk() {
    ProcedureScope scope(err_, "RunDescribe_s_Zelk");
    const CLumvarScenario& s = *scenario_;
    DescribeArgs a;
    a.outputTable = s.OutputTable1;
    a.input = s.Table;
    a.fields = fieldNames_;
    a.groups = groupCount_;
    a.analysisFields = xCount_;
    a.weighted = hasWeight_;
    a.range = s.Range;
    a.varMethod = s.VarStd ? s.VarNRadio : "";
    a.sums = s.Sum;
    a.otherMeans = s.Mean;
    a.skew = s.Skew;
    a.mode = s.Mode;
    a.percentileType =
        s.Percentile ? static_cast<char>(
                           std::toupper(static_cast<unsigned char>(firstLetter(s.PercentileRadio))))
                     : '-';
    a.intervalType = s.CI ? firstLetter(s.CITypeRadio) : '-';
    a.ci95 = s.CI95;
    a.userLevel = static_cast<int>(nullAsZero(s.CIUser));
    a.popStdDevs.assign(static_cast<size_t>(xCount_), nullAsZero(s.CIStdDev));
    a.tTest = s.TTestMean;
    a.testMeans.assign(static_cast<size_t>(xCount_), nullAsZero(s.TTestValue));
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
            std::string error = DescFreqInit(false, a.intervals, lower, s.Table, fieldNames_,
                                             groupCount_, xCount_, a.initial, a.width);
            if (!error.empty()) return error;
        }
    }
    return CDescribe().Quorvane_Describe(a, *this);
}

std::string Quorvane::RunFrequency_s_Zelk() {
    ProcedureScope scope(err_, "RunFrequency_s_Zelk");
    const CLumvarScenario& s = *scenario_;
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
        std::string error = DescFreqInit(true, intervals, lower, s.Table, fieldNames_, groupCount_,
                                         xCount_, initial, width);
        if (!error.empty()) return error;
    }
    return CFrequency().Quorvane_Frequency(s.OutputTable1, s.Table, fieldNames_, groupCount_,
                                           xCount_, hasWeight_, descriptor, intervals, initial,
                                           width, *this);
}

std::string Quorvane::RunPercentile_s_Zelk() {
    ProcedureScope scope(err_, "RunPercentile_s_Zelk");
    const CLumvarScenario& s = *scenario_;
    const std::string type = s.PercentileRadio.empty() ? "" : s.PercentileRadio.substr(0, 1);
    return CPercentiles().Quorvane_Percentile(s.OutputTable1, s.Table, fieldNames_, groupCount_,
                                              xCount_, hasWeight_, type, *this);
}

std::string Quorvane::RunCompare_s_Zelk() {
    ProcedureScope scope(err_, "RunCompare_s_Zelk");
    if (!hasY_) return "Y Field not assigned";
    return notBuilt("Compare");
}

std::string Quorvane::RunMatrix_s_Zelk() {
    ProcedureScope scope(err_, "RunMatrix_s_Zelk");
    return notBuilt("Matrix");
}

std::string Quorvane::RunRegression_s_Zelk() {
    ProcedureScope scope(err_, "RunRegression_s_Zelk");
    const std::string& type = scenario_->RegressType;
    if (type == "S" || type == "M" || type == "P") return notBuilt("Regression");
    return {};  // any other type runs nothing
}

std::string Quorvane::RunCrosstab_s_Zelk() {
    ProcedureScope scope(err_, "RunCrosstab_s_Zelk");
    if (groupCount_ < 1) return "At least one row field must be assigned";
    return notBuilt("Crosstab");
}

std::string Quorvane::RunChiSquare_s_Zelk() {
    ProcedureScope scope(err_, "RunChiSquare_s_Zelk");
    return notBuilt("Chi-Square");
}

std::string Quorvane::RunSignFit_s_Zelk(const std::string& which) {
    ProcedureScope scope(err_, "RunSignFit_s_Zelk");
    return notBuilt(which == "Sign" ? "Sign Test" : "K-S Fit");
}

std::string Quorvane::RunNPPaired_s_Zelk() {
    ProcedureScope scope(err_, "RunNPPaired_s_Zelk");
    if (!hasY_) return "Y Field not assigned";
    return notBuilt("Paired Fields");
}

// Two- and N-sample tests split the rows by exactly one compare field.
static std::string oneCompareField(int compareCount) {
    if (compareCount < 1) return "At least one Compare field must be assigned";
    if (compareCount > 1) return "Only one Compare field may be assigned";
    return {};
}

std::string Quorvane::RunNPTwoSample_s_Zelk() {
    ProcedureScope scope(err_, "RunNPTwoSample_s_Zelk");
    if (std::string e = oneCompareField(compareCount_); !e.empty()) return e;
    const std::string& type = scenario_->NPTwoType;
    if (type == "Wald" || type == "Mann") return notBuilt("2 Sample");
    return {};  // any other type runs nothing
}

std::string Quorvane::RunNPNSample_s_Zelk() {
    ProcedureScope scope(err_, "RunNPNSample_s_Zelk");
    if (std::string e = oneCompareField(compareCount_); !e.empty()) return e;
    return notBuilt("N Sample");
}

}  // namespace qrv
