// The progress display with a hand-moved clock: what a terminal and what a
// log receive, how often the bar is redrawn, and the time-left estimate
// (worked by hand: at a constant rate, time left = elapsed * (total - done) / done).
#include "cli/progress_display.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/lock_wait.h"
#include "cli/run_progress.h"

namespace qrv::cli {
namespace {

struct FakeClock {
    double now = 100.0;
    ProgressDisplay::Clock fn() {
        return [this] { return now; };
    }
};

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

TEST(ProgressDisplay, Durations) {
    EXPECT_EQ(ProgressDisplay::formatDuration(0), "0:00");
    EXPECT_EQ(ProgressDisplay::formatDuration(59.4), "0:59");
    EXPECT_EQ(ProgressDisplay::formatDuration(65), "1:05");
    EXPECT_EQ(ProgressDisplay::formatDuration(3723), "1:02:03");
    EXPECT_EQ(ProgressDisplay::formatDuration(-3), "0:00");
}

TEST(ProgressDisplay, BarShowsDoneTotalShareAndTimeLeft) {
    FakeClock clock;
    std::ostringstream out;
    ProgressDisplay d(out, true, 100, clock.fn());
    d.stage("Analyzing records...");
    // 250,000 of 1,000,000 rows in 20 s: 60 s more at that rate.
    const std::string line = d.barLine(250000, 1000000, clock.now + 20);
    EXPECT_NE(line.find("250,000 / 1,000,000 rows"), std::string::npos) << line;
    EXPECT_NE(line.find(" 25% "), std::string::npos) << line;
    EXPECT_NE(line.find("1:00 left"), std::string::npos) << line;
    // A quarter of a 40-column bar.
    EXPECT_NE(line.find("[##########------------------------------]"), std::string::npos) << line;
    EXPECT_LT(static_cast<int>(line.size()), 100);
}

TEST(ProgressDisplay, NoEstimateTooEarlyAndNarrowTerminals) {
    FakeClock clock;
    std::ostringstream out;
    ProgressDisplay d(out, true, 40, clock.fn());
    d.stage("s");
    const std::string early = d.barLine(10, 1000, clock.now + 0.5);
    EXPECT_NE(early.find("--:-- left"), std::string::npos) << early;
    // Forty columns leave no room for a bar, but the numbers stay.
    EXPECT_EQ(early.find('['), std::string::npos) << early;
    EXPECT_NE(early.find("10 / 1,000 rows  1%"), std::string::npos) << early;
    // Total unknown: the count and the time so far.
    EXPECT_EQ(d.barLine(12345, -1, clock.now + 75), "    12,345 rows  1:15");
}

TEST(ProgressDisplay, TerminalRedrawsAtMostFourTimesASecond) {
    FakeClock clock;
    std::ostringstream out;
    ProgressDisplay d(out, true, 80, clock.fn());
    d.stage("Analyzing records...");
    // 1,000 counts over one second, one per millisecond.
    for (int i = 1; i <= 1000; ++i) {
        clock.now += 0.001;
        d.progress(i * 10, 100000);
    }
    const int draws = count(out.str(), "\r    [");
    EXPECT_GE(draws, 4);
    EXPECT_LE(draws, 5);
    // The last count is always drawn, however soon.
    clock.now += 0.5;
    d.progress(100000, 100000);
    EXPECT_NE(out.str().rfind("100,000 / 100,000 rows  100%"), std::string::npos);
    // A new stage leaves the last state of the bar on its line, then its message.
    d.stage("Writing");
    EXPECT_NE(out.str().find("100,000 / 100,000 rows  100%  0:00 left\033[K\n  Writing\n"),
              std::string::npos);
}

TEST(ProgressDisplay, PlainOutputWritesEachTenthOnce) {
    FakeClock clock;
    std::ostringstream out;
    ProgressDisplay d(out, false, 0, clock.fn());
    d.stage("Analyzing records...");
    for (long i = 5; i <= 1000; i += 5) d.progress(i, 1000);
    d.finish();
    const std::string s = out.str();
    EXPECT_EQ(s.find('\r'), std::string::npos);
    EXPECT_EQ(s.find('\033'), std::string::npos);
    EXPECT_EQ(count(s, " rows ("), 10) << s;
    EXPECT_NE(s.find("    100 of 1,000 rows (10%)\n"), std::string::npos) << s;
    EXPECT_NE(s.find("    1,000 of 1,000 rows (100%)\n"), std::string::npos) << s;
    EXPECT_EQ(s.find("rows (0%)"), std::string::npos) << s;
}

TEST(ProgressDisplay, PlainOutputWithUnknownTotalWritesNowAndThen) {
    FakeClock clock;
    std::ostringstream out;
    ProgressDisplay d(out, false, 0, clock.fn());
    d.stage("Analyzing records...");
    // 25 seconds of counts: lines at 10 s and 20 s, then the final count.
    for (long i = 1; i <= 2500; ++i) {
        clock.now += 0.01;
        d.progress(i * 5, -1);
    }
    d.finish();
    const std::string s = out.str();
    EXPECT_EQ(count(s, " rows\n"), 3) << s;
    EXPECT_NE(s.find("    12,500 rows\n"), std::string::npos) << s;
    // A count already written is not written again.
    d.finish();
    EXPECT_EQ(count(out.str(), " rows\n"), 3);
}

TEST(ProgressDisplay, NoteInterruptsTheBar) {
    FakeClock clock;
    std::ostringstream out;
    ProgressDisplay d(out, true, 80, clock.fn());
    d.progress(5, -1);
    d.note(lockWaitMessage("/data/sales.db", 15000));
    EXPECT_NE(out.str().find("\r\033[K  Waiting for another program to release /data/sales.db "
                             "(up to 15 s)…\n"),
              std::string::npos)
        << out.str();
    // The bar comes back with the next count, at once.
    clock.now += 0.01;
    d.progress(10, -1);
    EXPECT_NE(out.str().rfind("\r    10 rows"), std::string::npos);
}

TEST(ProgressDisplay, LockWaitRoundsSecondsUp) {
    EXPECT_EQ(lockWaitMessage("a.db", 15000),
              "Waiting for another program to release a.db (up to 15 s)…");
    EXPECT_EQ(lockWaitMessage("a.db", 1500),
              "Waiting for another program to release a.db (up to 2 s)…");
}

TEST(RunProgress, RecordCountsAndStages) {
    EXPECT_EQ(recordCountOf("Analyzing record: 35"), 35);
    EXPECT_EQ(recordCountOf("Analyzing record: 0"), 0);
    EXPECT_EQ(recordCountOf("Residual analysis record: 15"), 15);
    EXPECT_EQ(recordCountOf("Analyzing records..."), -1);
    EXPECT_EQ(recordCountOf("Analyzing record: 12x"), -1);
    EXPECT_EQ(recordCountOf("Analyzing record: "), -1);
    EXPECT_EQ(recordCountOf("Creating output table..."), -1);
}

}  // namespace
}  // namespace qrv::cli
