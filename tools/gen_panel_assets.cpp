// Writes the panel's assets into the data folder:
// - map/main-bg.bmp: the panel's shape, a dark-blue panel rounded on the left, on black (the
//   black, cut out of the panel window), 24-bit, 460 x 1600 (taller than the panel gets);
// - Html/HtmlItems.dat: the default settings, only when there is no store yet
//   (frame rate 60, train speed 100, track editing off, vertical sync, wireframe
//   and full screen off).
#include "foundation/image/Dib.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr int kWidth = 460;
constexpr int kHeight = 1600;
constexpr int kInset = 4;
constexpr float kRadius = 26.0f;

// Distance outside the panel shape (negative inside): rounded on the left, flush
// with the owner's right edge.
float OutsideBy(int x, int y)
{
    const float cx = std::max(float(x) + 0.5f, kInset + kRadius);
    const float cy = std::clamp(float(y) + 0.5f, kInset + kRadius, kHeight - kInset - kRadius);
    const float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy;
    return std::sqrt(dx * dx + dy * dy) - kRadius;
}

bool WriteShape(const std::string& path)
{
    CDib dib;
    if (!dib.Create(kWidth, kHeight, 24))
        return false;
    uint8_t* px = dib.GetBits();
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* p = px + (size_t(y) * kWidth + x) * 3; // blue, green, red
            const float d = OutsideBy(x, y);
            if (d > 0.0f) {
                p[0] = p[1] = p[2] = 0;
            } else if (d > -2.0f) { // a light rim
                p[0] = 200, p[1] = 170, p[2] = 140;
            } else {
                const float t = float(y) / float(kHeight);
                p[0] = uint8_t(72 - 24 * t), p[1] = uint8_t(50 - 16 * t), p[2] = uint8_t(38 - 12 * t);
            }
        }
    return dib.Save(path.c_str(), nullptr);
}

constexpr const char* kDefaultStore = "Options|framerate|60|0|rangeSlider\n"
                                      "Options|vsync|0|0|styledCheckbox\n"
                                      "Options|wireframe|0|0|styledCheckbox\n"
                                      "Options|fullscreen|0|0|styledCheckbox\n"
                                      "Tracks|TrackOn|1|0|toggleButton active\n"
                                      "Trains|Speed|100|0|rangeSlider\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: gen_panel_assets <data folder>\n");
        return 2;
    }
    const std::string map = platform::JoinPath(argv[1], "map");
    platform::CreateDirectories(map);
    const std::string shape = platform::JoinPath(map, "main-bg.bmp");
    bool ok = WriteShape(shape);
    if (!ok)
        std::fprintf(stderr, "gen_panel_assets: cannot write %s\n", shape.c_str());

    const std::string html = platform::JoinPath(argv[1], "Html");
    const std::string store = platform::JoinPath(html, "HtmlItems.dat");
    if (!platform::FileExists(store)) {
        platform::CreateDirectories(html);
        const std::string text = kDefaultStore;
        if (!platform::WriteFileAtomic(store, text.data(), text.size())) {
            std::fprintf(stderr, "gen_panel_assets: cannot write %s\n", store.c_str());
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
