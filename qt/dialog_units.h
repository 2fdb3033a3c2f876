#pragma once
// Dialog units to pixels, the way the platform lays out a dialog template: one horizontal
// unit is a quarter of the font's average character width, one vertical unit an eighth of
// its height. The whole dialog therefore scales with its font.
#include <QFont>
#include <QRect>

#include "frame/dialog_template.h"

namespace vorlix::qt {

struct BaseUnits {
    int x = 0;  // average width of the 52 Latin letters, rounded
    int y = 0;  // character height (ascent + descent)
};

BaseUnits baseUnits(const QFont& font);

// Rounds each edge as the platform's MulDiv does (halves away from zero). The platform rounds
// the size instead of the far edge, which with its fonts' base units rarely shows; with
// other fonts neighbours that touch in the template would overlap by a pixel.
QRect toPixels(const frame::Rect& place, BaseUnits units);

// The font every dialog of the program is drawn in. The templates ask for an 8-point
// "MS Sans Serif", which Linux does not have; Liberation Sans at 7.5 points has the same
// base units (6 pixels wide at 96 dpi) and lets every caption fit beside the check and
// radio indicators of the Qt styles, which are wider than the platform's.
QFont dialogFont();

}  // namespace vorlix::qt
