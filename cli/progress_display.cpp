// The progress display: all timing goes through the clock it is given, so
// its redraw limit and time estimates can be tested without waiting.
#include "cli/progress_display.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>

namespace qrv::cli {

namespace {

std::string grouped(long n) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return n < 0 ? "-" + out : out;
}

}  // namespace

ProgressDisplay::ProgressDisplay(std::ostream& out, bool terminal, int width, Clock clock)
    : out_(out), terminal_(terminal), width_(width), clock_(std::move(clock)) {
    stageStart_ = clock_();
    lastPlain_ = stageStart_;
}

ProgressDisplay ProgressDisplay::forStandardError() {
    const bool tty = ::isatty(STDERR_FILENO) != 0;
    int width = 80;
    struct winsize ws {};
    if (tty && ::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) width = ws.ws_col;
    const auto start = std::chrono::steady_clock::now();
    return ProgressDisplay(std::cerr, tty, width, [start] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    });
}

std::string ProgressDisplay::formatDuration(double seconds) {
    const long s = std::lround(std::max(0.0, seconds));
    char buf[32];
    if (s >= 3600)
        std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
    return buf;
}

std::string ProgressDisplay::barLine(long done, long total, double now) const {
    const double elapsed = now - stageStart_;
    if (total <= 0) return "    " + grouped(done) + " rows  " + formatDuration(elapsed);
    const long shown = std::clamp(done, 0L, total);
    const int percent = static_cast<int>(static_cast<double>(shown) * 100.0 / total);
    // The estimate needs some rows and some time behind it to mean anything.
    std::string left = "--:--";
    if (shown > 0 && elapsed >= 1.0)
        left = formatDuration(elapsed * static_cast<double>(total - shown) / shown);
    const std::string text = "  " + grouped(shown) + " / " + grouped(total) + " rows  " +
                             std::to_string(percent) + "%  " + left + " left";
    // The bar takes what the line leaves, within limits; a narrow terminal
    // gets the numbers alone. One column stays free so the line never wraps.
    const int room = width_ - 1 - static_cast<int>(text.size()) - 6;
    if (room < 10) return "    " + text.substr(2);
    const int barWidth = std::min(room, 40);
    const int filled = static_cast<int>(static_cast<double>(shown) * barWidth / total);
    return "    [" + std::string(static_cast<size_t>(filled), '#') +
           std::string(static_cast<size_t>(barWidth - filled), '-') + "]" + text;
}

void ProgressDisplay::clearBar() {
    if (!barShown_) return;
    out_ << "\r\033[K" << std::flush;
    barShown_ = false;
}

void ProgressDisplay::plainLine(long done, long total) {
    if (total > 0)
        out_ << "    " << grouped(done) << " of " << grouped(total) << " rows ("
             << static_cast<int>(static_cast<double>(std::min(done, total)) * 100.0 / total) << "%)"
             << std::endl;
    else
        out_ << "    " << grouped(done) << " rows" << std::endl;
}

void ProgressDisplay::stage(const std::string& message) {
    finish();
    out_ << "  " << message << std::endl;
    stageStart_ = clock_();
    lastPlain_ = stageStart_;
    lastDraw_ = -1e300;
    lastTenth_ = 0;
    lastDone_ = 0;
    lastTotal_ = -1;
    printedDone_ = 0;
}

void ProgressDisplay::note(const std::string& message) {
    const bool bar = barShown_;
    clearBar();
    out_ << "  " << message << std::endl;
    // The bar comes back with the next count.
    if (bar) lastDraw_ = -1e300;
}

void ProgressDisplay::progress(long done, long total) {
    const double now = clock_();
    lastDone_ = done;
    lastTotal_ = total;
    if (terminal_) {
        const bool last = total > 0 && done >= total;
        if (now - lastDraw_ < kRedrawSeconds && !last) return;
        lastDraw_ = now;
        out_ << "\r" << barLine(done, total, now) << "\033[K" << std::flush;
        barShown_ = true;
        return;
    }
    if (total > 0) {
        const int tenth =
            static_cast<int>(static_cast<double>(std::min(done, total)) * 10.0 / total);
        if (tenth <= lastTenth_) return;
        lastTenth_ = tenth;
    } else if (now - lastPlain_ < kPlainLineSeconds) {
        return;
    }
    lastPlain_ = now;
    printedDone_ = done;
    plainLine(done, total);
}

void ProgressDisplay::finish() {
    if (terminal_) {
        // The bar's last state stays on the screen, as the count a log keeps.
        if (barShown_) out_ << "\r" << barLine(lastDone_, lastTotal_, clock_()) << "\033[K\n";
        out_ << std::flush;
        barShown_ = false;
    } else if (lastDone_ > printedDone_) {
        // The count reached since the last line, so the log shows how far it got.
        plainLine(lastDone_, lastTotal_);
    }
    printedDone_ = lastDone_;
}

}  // namespace qrv::cli
