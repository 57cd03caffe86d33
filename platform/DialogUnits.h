#pragma once

class QFont;

namespace platform {

// A dialog font's base units: the average character width and the character height
// in pixels. Dialog templates measure in quarters of the one and eighths of the other.
struct DialogBaseUnits {
    int cx = 0;
    int cy = 0;
};

// The average width of the letters A..Z and a..z, rounded as the window system
// does it, and the font's height.
DialogBaseUnits BaseUnitsFor(const QFont& font);
// The stand-in for the dialog font "MS Shell Dlg" at 8 points.
QFont DialogFont();

// Dialog units to pixels, rounded to the nearest pixel.
int DialogUnitsToPixelsX(int dlu, const DialogBaseUnits& base);
int DialogUnitsToPixelsY(int dlu, const DialogBaseUnits& base);

} // namespace platform
