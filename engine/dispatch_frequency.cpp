// Dispatch of the Frequency and Percentiles analyses.
#include "analyses/parametric/cfrequency.h"
#include "analyses/parametric/cpercentiles.h"
#include "engine/quorvane.h"

namespace qrv {

using namespace qrv::dao;

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

}  // namespace qrv
