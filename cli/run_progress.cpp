#include "cli/run_progress.h"

#include <charconv>

#include "cli/progress_display.h"
#include "engine/quorvane.h"

namespace qrv::cli {

namespace {
constexpr std::string_view kRecordPrefix = "Analyzing record: ";
}

long recordCountOf(const std::string& status) {
    if (status.rfind(kRecordPrefix, 0) != 0) return -1;
    const char* first = status.data() + kRecordPrefix.size();
    const char* last = status.data() + status.size();
    long n = -1;
    auto [p, ec] = std::from_chars(first, last, n);
    return ec == std::errc() && p == last && n >= 0 ? n : -1;
}

void connectProgress(Quorvane& engine, ProgressDisplay& display) {
    // The status texts carry the stages and, every fifth record, the count
    // of records read; the total is not in them, so the bar shows the count
    // alone.
    //
    // Where the engine offers OnStatProgress(done, total), the count comes
    // from there instead, with the total, and this is the one place to
    // change:
    //     engine.OnStatProgress([&display](long done, long total) {
    //         display.progress(done, total);
    //     });
    // and the status handler below then passes record counts over.
    engine.OnStatStatus([&display](const std::string& message) {
        const long n = recordCountOf(message);
        if (n >= 0)
            display.progress(n, -1);
        else
            display.stage(message);
    });
}

}  // namespace qrv::cli
