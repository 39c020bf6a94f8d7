#include "designer/frame/window_arrangement.h"

#include <algorithm>

namespace qrv::designer {

namespace {

int ceilDiv(int a, int b) {
    return (a + b - 1) / b;
}

}  // namespace

std::vector<QRect> TileRects(const QRect& area, int count, bool sideBySide, int minExtent) {
    std::vector<QRect> out;
    if (count <= 0 || area.isEmpty()) return out;
    // "Along" is the direction the windows are stacked in; "across" is the
    // one they share.
    const int along = sideBySide ? area.width() : area.height();
    const int across = sideBySide ? area.height() : area.width();
    int lines = 1;
    int perLine = count;
    if (minExtent > 0 && along / count < minExtent) {
        const int fit = std::max(1, along / minExtent);
        lines = ceilDiv(count, fit);
        perLine = ceilDiv(count, lines);
    }
    const int cell = along / perLine;
    const int lineWidth = across / lines;
    for (int i = 0; i < count; ++i) {
        const int line = i / perLine;
        const int at = i % perLine;
        if (sideBySide)
            out.emplace_back(area.x() + at * cell, area.y() + line * lineWidth, cell, lineWidth);
        else
            out.emplace_back(area.x() + line * lineWidth, area.y() + at * cell, lineWidth, cell);
    }
    return out;
}

std::vector<QRect> CascadeRects(const QRect& area, int count, int step) {
    std::vector<QRect> out;
    if (count <= 0 || area.isEmpty()) return out;
    step = std::max(step, 1);
    const int offset = (count - 1) * step;
    const int w = std::max(area.width() * 3 / 5, area.width() - offset);
    const int h = std::max(area.height() * 3 / 5, area.height() - offset);
    // How many steps fit before a window would leave the area.
    const int steps = std::min(area.width() - w, area.height() - h) / step + 1;
    for (int i = 0; i < count; ++i) {
        const int k = i % steps;
        out.emplace_back(area.x() + k * step, area.y() + k * step, w, h);
    }
    return out;
}

std::vector<QRect> IconRects(const QRect& area, int count, QSize icon) {
    std::vector<QRect> out;
    if (count <= 0 || icon.isEmpty()) return out;
    const int perRow = std::max(1, area.width() / icon.width());
    for (int i = 0; i < count; ++i) {
        const int row = i / perRow;
        const int col = i % perRow;
        out.emplace_back(area.x() + col * icon.width(),
                         area.y() + area.height() - (row + 1) * icon.height(), icon.width(),
                         icon.height());
    }
    return out;
}

}  // namespace qrv::designer
