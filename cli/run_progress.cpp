#include "cli/run_progress.h"

#include <charconv>

#include "cli/progress_display.h"
#include "engine/quorvane.h"

namespace qrv::cli {

namespace {

constexpr std::string_view kWalkPrefix = "Analyzing record: ";
constexpr std::string_view kResidualPrefix = "Residual analysis record: ";

long countAfter(const std::string& status, std::string_view prefix) {
    if (status.rfind(prefix, 0) != 0) return -1;
    const char* first = status.data() + prefix.size();
    const char* last = status.data() + status.size();
    long n = -1;
    auto [p, ec] = std::from_chars(first, last, n);
    return ec == std::errc() && p == last && n >= 0 ? n : -1;
}

}  // namespace

long recordCountOf(const std::string& status) {
    const long n = countAfter(status, kWalkPrefix);
    return n >= 0 ? n : countAfter(status, kResidualPrefix);
}

void connectProgress(Quorvane& engine, ProgressDisplay& display) {
    // Rows come with the input's total, those of the residual pass too (it
    // reads the input again); the status texts then carry the stages.
    engine.OnStatProgress([&display](long done, long total) { display.progress(done, total); });
    engine.OnStatStatus([&display](const std::string& message) {
        if (recordCountOf(message) < 0) display.stage(message);
    });
}

}  // namespace qrv::cli
