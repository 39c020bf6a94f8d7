// Dispatch of the Frequency and Percentiles analyses.
#include "engine/quorvane.h"

namespace qrv {

std::string Quorvane::RunFrequency_s_Zelk() {
    ProcedureScope scope(err_, "RunFrequency_s_Zelk");
    return "The analysis type \"Frequency\" is not available in this version of Quorvane.";
}

std::string Quorvane::RunPercentile_s_Zelk() {
    ProcedureScope scope(err_, "RunPercentile_s_Zelk");
    return "The analysis type \"Percentiles\" is not available in this version of Quorvane.";
}

}  // namespace qrv
