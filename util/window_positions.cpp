#include "util/window_positions.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <charconv>
#include <optional>

namespace qrv::util {

namespace {

std::optional<int> readInt(const ProgramSettings& s, const std::string& name) {
    const std::string text = s.ReadEntry(name, "");
    int v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return v;
}

QScreen* screenOf(const QWidget& w) {
    if (QScreen* s = w.screen()) return s;
    return QGuiApplication::primaryScreen();
}

}  // namespace

void SaveWindowPosition(ProgramSettings& positions, const std::string& form, const QWidget& w) {
    // A maximised window keeps its normal place for when it is restored.
    const QRect r = w.isMaximized() ? w.normalGeometry() : w.geometry();
    if (!r.isValid()) return;
    positions.WriteEntry(form + ".Left", std::to_string(r.x()));
    positions.WriteEntry(form + ".Top", std::to_string(r.y()));
    positions.WriteEntry(form + ".Width", std::to_string(r.width()));
    positions.WriteEntry(form + ".Height", std::to_string(r.height()));
    positions.WriteEntry(form + ".Maximized", w.isMaximized() ? "True" : "False");
}

bool RestoreWindowPosition(const ProgramSettings& positions, const std::string& form, QWidget& w) {
    const auto left = readInt(positions, form + ".Left");
    const auto top = readInt(positions, form + ".Top");
    const auto width = readInt(positions, form + ".Width");
    const auto height = readInt(positions, form + ".Height");
    if (!left || !top || !width || !height || *width <= 0 || *height <= 0) {
        CentreWindow(w);
        return false;
    }
    const QRect r(*left, *top, *width, *height);
    // Use the saved place only when a good part of it is on some screen.
    bool visible = false;
    for (QScreen* s : QGuiApplication::screens()) {
        const QRect shared = s->availableGeometry().intersected(r);
        if (shared.width() >= 64 && shared.height() >= 32) visible = true;
    }
    if (!visible) {
        w.resize(r.size());
        CentreWindow(w);
        return false;
    }
    w.setGeometry(r);
    if (positions.ReadEntry(form + ".Maximized", "False") == "True")
        w.setWindowState(Qt::WindowMaximized);
    return true;
}

void CentreWindow(QWidget& w) {
    QScreen* s = screenOf(w);
    if (!s) return;
    const QRect area = s->availableGeometry();
    QSize size = w.size().boundedTo(area.size());
    w.resize(size);
    w.move(area.x() + (area.width() - size.width()) / 2,
           area.y() + (area.height() - size.height()) / 2);
}

QRect DefaultWindowGeometry(const QRect& available, int percent) {
    const int w = available.width() * percent / 100;
    const int h = available.height() * percent / 100;
    return {available.x() + (available.width() - w) / 2,
            available.y() + (available.height() - h) / 2, w, h};
}

void PlaceAtDefault(QWidget& w, int percent) {
    if (QScreen* s = screenOf(w))
        w.setGeometry(DefaultWindowGeometry(s->availableGeometry(), percent));
}

}  // namespace qrv::util
