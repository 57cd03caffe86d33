#include "platform/GlyphRaster.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace platform {

namespace {

QFont MakeFont(const GlyphFont& spec, int pixelSize)
{
    QFont f(QString::fromLatin1(spec.face.c_str()));
    f.setPixelSize(pixelSize);
    const int weight = spec.weight <= 0 ? 400 : std::min(spec.weight, 1000);
    f.setWeight(QFont::Weight(weight));
    f.setItalic(spec.italic);
    f.setUnderline(spec.underline);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::PreferBitmap));
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

} // namespace

bool RasterizeGlyphs(const GlyphFont& spec, int first, int count, std::vector<GlyphBitmap>& out)
{
    out.clear();
    if (!QGuiApplication::instance() || spec.height == 0 || std::abs(spec.height) > 1000 || first < 0 || count <= 0 ||
        first + count > 256)
        return false;

    // A positive height is the cell height: pick the pixel size whose ascent +
    // descent comes closest to it.
    int pixelSize = std::abs(spec.height);
    if (spec.height > 0) {
        const int cell = QFontMetrics(MakeFont(spec, pixelSize)).height();
        if (cell > 0)
            pixelSize = std::max(1, int(std::lround(double(pixelSize) * spec.height / cell)));
        while (pixelSize > 1 && QFontMetrics(MakeFont(spec, pixelSize)).height() > spec.height)
            --pixelSize;
    }
    const QFont font = MakeFont(spec, pixelSize);
    const QFontMetrics metrics(font);

    out.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        const int code = first + i;
        GlyphBitmap& g = out[size_t(i)];
        if (code < 32 || code == 127)
            continue;
        const QString text{QChar(char16_t(code))};
        g.advance = float(metrics.horizontalAdvance(text));
        const QRect box = metrics.boundingRect(QChar(char16_t(code)));
        if (box.isEmpty())
            continue;
        QImage image(box.width(), box.height(), QImage::Format_Grayscale8);
        image.fill(0);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::TextAntialiasing, false);
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setFont(font);
            painter.setPen(Qt::white);
            painter.drawText(-box.left(), -box.top(), text);
        }
        g.width = box.width();
        g.height = box.height();
        g.xOrigin = float(-box.left());
        g.yOrigin = float(box.top() + box.height());
        const int stride = (g.width + 7) / 8;
        g.bits.assign(size_t(stride) * size_t(g.height), 0);
        for (int y = 0; y < g.height; ++y) {
            const uchar* row = image.constScanLine(y);
            for (int x = 0; x < g.width; ++x)
                if (row[x] >= 128)
                    g.bits[size_t(y * stride + x / 8)] |= uint8_t(0x80 >> (x % 8));
        }
    }
    return true;
}

} // namespace platform
