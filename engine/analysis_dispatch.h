// The engine's way to the analyses: once a scenario is loaded and its roles
// checked, RunScenario hands it to DispatchAnalysis, which calls the routine
// registered for the scenario's analysis type. The engine knows none of the
// analyses; the analyses library registers them (RegisterAnalyses in
// analyses/registration.h), which every program that runs scenarios calls at
// start-up. The types themselves are those of scenario/analysis_types.h.
#pragma once

#include <string>
#include <string_view>

namespace qrv {

namespace scenario {
struct AnalysisType;
}

class Quorvane;

// Runs the loaded scenario's analysis; returns its failure text, empty on success.
using AnalysisRoutine = std::string (*)(Quorvane&);

// Sets the routine of one of the analysis types (nullptr takes it away).
void RegisterAnalysisRoutine(const scenario::AnalysisType& type, AnalysisRoutine routine);
// The same by the type's name in any letter case; false when no type has it.
bool RegisterAnalysisRoutine(std::string_view typeName, AnalysisRoutine routine);
// The routine registered for the type; nullptr when there is none.
AnalysisRoutine FindAnalysisRoutine(const scenario::AnalysisType& type);

// Runs the loaded scenario's analysis through its registered routine; a type
// without one fails the run with a message that says so.
std::string DispatchAnalysis(Quorvane& engine);

}  // namespace qrv
