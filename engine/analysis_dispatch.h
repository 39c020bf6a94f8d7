// The engine's way to the analyses: once a scenario is loaded and its roles
// checked, RunScenario hands it to DispatchAnalysis, which the analyses
// library defines (it is the one place that knows every analysis). The
// engine itself knows none of them.
#pragma once

#include <string>

namespace qrv {

class Quorvane;

// Runs the loaded scenario's analysis; returns its failure text, empty on
// success (an unknown subtype runs nothing and succeeds).
std::string DispatchAnalysis(Quorvane& engine);

}  // namespace qrv
