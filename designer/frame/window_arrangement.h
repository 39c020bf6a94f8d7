// Where the Window menu's arrangements put the frame's child windows: pure
// geometry in the coordinates of the area the windows live in, so that the
// rules can be checked without windows.
#pragma once

#include <QRect>
#include <QSize>
#include <vector>

namespace qrv::designer {

// count windows one above another (sideBySide false) or side by side, each
// the full width (height). When the cells would be thinner than minExtent
// the windows go into more columns (rows) instead, so that no title bar is
// cut away.
std::vector<QRect> TileRects(const QRect& area, int count, bool sideBySide, int minExtent);

// count windows each step lower and to the right of the one before, all of
// one size: as large as the steps leave, but never below 60% of the area
// each way; once the steps reach the edge they start again at the top left.
std::vector<QRect> CascadeRects(const QRect& area, int count, int step);

// count minimised windows of size icon in rows along the bottom of area,
// left to right, the next row above the last.
std::vector<QRect> IconRects(const QRect& area, int count, QSize icon);

}  // namespace qrv::designer
