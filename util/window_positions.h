// Where each window was last: saved under the "Form Position" settings
// section when it closes, put back when it opens again. A window with no
// saved place, or one whose place is no longer on any screen (a monitor was
// unplugged), is centred on the screen it would open on.
#pragma once

#include <QRect>
#include <string>

#include "util/settings.h"

class QWidget;

namespace qrv::util {

// Values are "<form>.Left", ".Top", ".Width", ".Height" (pixels, the area
// inside the window's frame) and ".Maximized" ("True"/"False").
void SaveWindowPosition(ProgramSettings& positions, const std::string& form, const QWidget& w);
// Returns true when a saved place was used.
bool RestoreWindowPosition(const ProgramSettings& positions, const std::string& form, QWidget& w);
// Centres w on its screen (or the primary one) at its present size.
void CentreWindow(QWidget& w);
// The place of a main window that has none saved: percent of the available
// screen area each way, centred in it.
QRect DefaultWindowGeometry(const QRect& available, int percent = 80);
// The same on w's screen (or the primary one); w keeps its geometry when
// there is no screen.
void PlaceAtDefault(QWidget& w, int percent = 80);

}  // namespace qrv::util
