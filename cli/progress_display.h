// Progress of a run for the command line. On a terminal: stage messages on
// lines of their own and one bar line (rows done of the total, the share and
// the time left) redrawn in place, at most a few times a second. Elsewhere
// (a pipe, a log file): plain lines, one per stage and one at each tenth of
// the rows, or every few seconds while the total is unknown.
#pragma once

#include <functional>
#include <ostream>
#include <string>

namespace qrv::cli {

class ProgressDisplay {
  public:
    // Seconds from any fixed start; tests pass a clock they move by hand.
    using Clock = std::function<double()>;

    static constexpr double kRedrawSeconds = 0.25;     // terminal bar
    static constexpr double kPlainLineSeconds = 10.0;  // plain lines, total unknown

    // `width` is the terminal's width in columns (ignored when not a terminal).
    ProgressDisplay(std::ostream& out, bool terminal, int width, Clock clock);
    // The engine's clock and the real terminal of standard error.
    static ProgressDisplay forStandardError();

    // A stage of the run: a line of its own; the row count starts again.
    void stage(const std::string& message);
    // Rows done out of total (total -1 when not known).
    void progress(long done, long total);
    // A message that must be seen now (a wait for a lock): a line of its own.
    void note(const std::string& message);
    // Ends the bar line, if one is shown, leaving its last state; in a log,
    // writes the count reached since the last line.
    void finish();

    // "1:05", "1:02:03".
    static std::string formatDuration(double seconds);
    // The bar line as drawn at `now` (exposed for tests).
    std::string barLine(long done, long total, double now) const;

  private:
    void clearBar();
    void plainLine(long done, long total);

    std::ostream& out_;
    bool terminal_;
    int width_;
    Clock clock_;
    bool barShown_ = false;
    double lastDraw_ = -1e300;
    double stageStart_ = 0;
    double lastPlain_ = 0;
    int lastTenth_ = -1;
    long lastDone_ = 0, lastTotal_ = -1;
    long printedDone_ = 0;  // the count of the last plain line
};

}  // namespace qrv::cli
