#include "app/scene/SceneRules.h"
#include "foundation/math/NumberClamp.h"

int TerrainSizeFromScript(double value) { return ClampToInt(value, 1024, 8192); }

bool FitSplash(int viewWidth, int viewHeight, int pictureWidth, int pictureHeight, SplashRect& out)
{
    if (viewWidth < 1 || viewHeight < 1 || pictureWidth < 1 || pictureHeight < 1)
        return false;
    const double W = viewWidth, H = viewHeight;
    const double a = double(pictureHeight) / double(pictureWidth);
    double w, h;
    if (a > W / H) {
        w = 0.8 * W;
        h = 0.8 * W * a;
        if (h > 0.8 * H) {
            h = 0.8 * H;
            w = 0.8 * H / a;
        }
    } else {
        w = 0.8 * H / a;
        h = 0.8 * H;
        if (w > 0.8 * W) {
            w = 0.8 * W;
            h = 0.8 * W * a;
        }
    }
    out.width = w;
    out.height = h;
    out.x = (W - w) * 0.5;
    out.y = (H - h) * 0.5;
    return true;
}
