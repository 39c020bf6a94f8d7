// Fonts chosen by what they are (fixed-pitch), never by a family name that
// one machine happens to have: a family that exists here may be missing, or
// stand in for something else, on the next desktop.
#pragma once

#include <QFont>

namespace qrv::util {

// The font for text set in columns (generated code): the system's fixed font
// when it really resolves to a fixed-pitch face, else FixedPitchLike of it.
QFont FixedPitchFont();

// base itself when it resolves to a fixed-pitch face; else base's size and
// style in the first installed family that does, taking families that write
// Latin and scale smoothly first, then by name, so the choice is the same on
// every run. With no fixed-pitch family installed, base with a typewriter hint.
QFont FixedPitchLike(const QFont& base);

}  // namespace qrv::util
