// Feeding a run's progress to the display: the one place where the engine's
// events meet the ProgressDisplay.
#pragma once

#include <string>

namespace qrv {
class Quorvane;
}

namespace qrv::cli {

class ProgressDisplay;

// The row count in an engine status text "Analyzing record: N" or "Residual
// analysis record: N", or -1 when the text is a stage message.
long recordCountOf(const std::string& status);

// Stage messages become lines of their own, record counts move the bar. The
// display must outlive the engine's runs.
void connectProgress(Quorvane& engine, ProgressDisplay& display);

}  // namespace qrv::cli
