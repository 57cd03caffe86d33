#include "platform/DialogUnits.h"

#include <QFont>
#include <QFontMetrics>
#include <cmath>

namespace platform {
namespace {

// a * b / c rounded half away from zero, without overflow for pixel sizes.
int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return 0;
    return int(std::lround(double(a) * double(b) / double(c)));
}

} // namespace

DialogBaseUnits BaseUnitsFor(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return {(letters / 26 + 1) / 2, metrics.height()};
}

QFont DialogFont()
{
    // Liberation Sans has the metrics of the sans-serif face the dialog font names.
    QFont font("Liberation Sans");
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

int DialogUnitsToPixelsX(int dlu, const DialogBaseUnits& base) { return MulDiv(dlu, base.cx, 4); }
int DialogUnitsToPixelsY(int dlu, const DialogBaseUnits& base) { return MulDiv(dlu, base.cy, 8); }

} // namespace platform
