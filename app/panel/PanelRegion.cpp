#include "app/panel/PanelRegion.h"

#include "platform/Paths.h"

#include <QImage>

std::vector<RegionRun> RegionRunsFromImage(const QImage& image, int threshold)
{
    std::vector<RegionRun> runs;
    if (image.isNull())
        return runs;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const int w = rgb.width();
    const int h = rgb.height();
    auto kept = [threshold](QRgb p) { return qRed(p) >= threshold || qGreen(p) >= threshold || qBlue(p) >= threshold; };
    for (int y = 0; y < h; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        int x = 0;
        while (x < w) {
            while (x < w && !kept(row[x]))
                ++x;
            if (x == w)
                break;
            const int start = x;
            while (x < w && kept(row[x]))
                ++x;
            runs.push_back({start, y, x, y + 1});
        }
    }
    return runs;
}

bool RegionRunsFromFile(const std::string& fileName, int threshold, std::vector<RegionRun>& runs)
{
    runs.clear();
    const std::string path = platform::ResolvePath(fileName);
    QImage image;
    if (!platform::FileExists(path) || !image.load(QString::fromStdString(path)))
        return false;
    runs = RegionRunsFromImage(image, threshold);
    return true;
}
