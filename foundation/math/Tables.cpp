#include "foundation/math/Tables.h"

#include <algorithm>
#include <cmath>
#include <mutex>

float g_SinTable[kTrigTableSize];
float g_CosTable[kTrigTableSize];
float g_TanTable[kTrigTableSize];
CLogColorTable g_LogColorTable;

namespace {
std::once_flag g_trigOnce;

void FillTrigTables()
{
    for (int i = 0; i < kTrigTableSize; ++i) {
        const float angle = float(i * 0.0017453292519943296);
        const float s = std::sin(angle);
        const float c = std::cos(angle);
        g_SinTable[i] = s;
        g_CosTable[i] = c;
        if (std::fabs(c) >= 1e-6f)
            g_TanTable[i] = s / c;
        else
            g_TanTable[i] = c >= 0.0f ? 1e6f : -1e6f;
    }
}

// Fill at static initialisation so lookups work before the GL context exists.
const bool g_trigFilledAtStart = (InitTrigTables(), true);

// Position in the range; a zero-width range maps every value to the bottom of the ramp.
float RampPosition(float v, float lo, float hi)
{
    const float w = hi - lo;
    return w == 0.0f ? 0.0f : (v - lo) / w;
}
} // namespace

void InitTrigTables() { std::call_once(g_trigOnce, FillTrigTables); }

void ValueToColor(CVec3& out, float v, float lo, float hi)
{
    v = std::max(lo, std::min(hi, v));
    const float w = hi - lo;
    if (w == 0.0f) { // zero-width range: bottom of the ramp
        out = CVec3(0.0f, 0.0f, 1.0f);
        return;
    }
    const float t = (v - lo) / w;
    const double dv = v, dlo = lo, dw = w;
    if (dv < dlo + 0.25 * dw)
        out = CVec3(0.0f, 4.0f * t, 1.0f);
    else if (dv < dlo + 0.5 * dw)
        out = CVec3(0.0f, 1.0f, 1.0f - 4.0f * (t - 0.25f));
    else if (dv < dlo + 0.75 * dw)
        out = CVec3(4.0f * (t - 0.5f), 1.0f, 0.0f);
    else
        out = CVec3(1.0f, 1.0f - 4.0f * (t - 0.75f), 0.0f);
}

int ValueToRGB(float v, float lo, float hi)
{
    v = std::max(lo, std::min(hi, v));
    const double dv = v, dlo = lo, dw = double(hi - lo);
    if (dw == 0.0)
        return 255 << 16; // zero-width range: bottom of the ramp, blue
    auto scaled = [&](double bandStart) { return int(1020.0 * (dv - bandStart) / dw); };
    int r, g, b;
    if (dv < dlo + 0.25 * dw) {
        r = 0;
        g = scaled(dlo);
        b = 255;
    } else if (dv < dlo + 0.5 * dw) {
        r = 0;
        g = 255;
        b = 255 - scaled(dlo + 0.25 * dw);
    } else if (dv < dlo + 0.75 * dw) {
        r = scaled(dlo + 0.5 * dw);
        g = 255;
        b = 0;
    } else {
        r = 255;
        g = 255 - scaled(dlo + 0.75 * dw);
        b = 0;
    }
    return r + 256 * g + 65536 * b;
}

void ValueToColorFine(CVec3& out, float v, float lo, float hi)
{
    const float t = RampPosition(v, lo, hi);
    if (!(t >= 0.1f)) // also NaN
        out = CVec3(0.0f, 0.4f + 3.0f * t, 0.6f + 4.0f * t);
    else if (t < 0.3f)
        out = CVec3(0.0f, 0.7f + 1.5f * (t - 0.1f), 1.0f - 3.0f * (t - 0.1f));
    else if (t < 0.5f)
        out = CVec3(0.0f, 1.0f - 1.5f * (t - 0.3f), 0.5f - 2.5f * (t - 0.3f));
    else if (t < 0.75f)
        out = CVec3(0.8f + 0.8f * (t - 0.5f), 0.9f - 0.8f * (t - 0.5f), 0.0f);
    else if (t < 0.85f)
        out = CVec3(1.0f, 0.5f - 3.0f * (t - 0.75f), 0.0f);
    else if (t < 0.95f)
        out = CVec3(1.0f, 0.3f - 3.0f * (t - 0.85f), 0.0f);
    else
        out = CVec3(1.0f - 10.0f * (t - 0.95f), 0.0f, 1.0f);
}

void ValueToGreyLog(CVec3& out, float v, float lo, float hi)
{
    const float w = hi - lo;
    const float t = w > 0.0f ? (std::max(lo, std::min(hi, v)) - lo) / w : 0.0f;
    out = std::log(1.0f + 0.9f * t) / kLog19;
}

void InitLogColorTable()
{
    for (int i = 0; i < kLogColorTableSize; ++i) {
        const float v = std::log(1.0f + float(i) * 0.0008797654f) / kLog19;
        CVec3 c;
        if (v < 0.2f) {
            c = CVec3(0.0f, v, 0.5f + 2.5f * v);
        } else if (v < 0.4f) {
            c = CVec3(0.0f, 0.2f + 4.0f * (v - 0.2f), 1.0f);
        } else if (v < 0.6f) {
            const float q = (v - 0.4f) * 4.999999523162842f;
            c = CVec3(0.8f * q, 1.0f, 1.0f - q);
        } else if (v < 0.8f) {
            c = CVec3(0.8f - 0.5000001788139343f * (v - 0.6f), 1.0f - 2.0f * (v - 0.6f), 0.0f);
        } else {
            c = CVec3(0.7f - 0.49999988079071045f * (v - 0.8f), 0.6f - 3.000000476837158f * (v - 0.8f),
                      0.0f);
        }
        g_LogColorTable.color[i] = c;
    }
    g_LogColorTable.ready = 1;
}

namespace {
double LineAngleMagnitude(double px, double py, double qx, double qy, double factor)
{
    const double dx = px - qx, dy = py - qy;
    const double magnitude = std::asin(std::fabs(dy) / std::sqrt(dx * dx + dy * dy)) * factor;
    const bool positive = (py > qy && px < qx) || (py < qy && px > qx);
    return positive ? magnitude : -magnitude;
}
} // namespace

double LineAngleDeg(const CPointD& p, const CPointD& q)
{
    return LineAngleMagnitude(p.x, p.y, q.x, q.y, kRadToDeg);
}

double LineAngleDegInt(const CPointI& p, const CPointI& q)
{
    return LineAngleMagnitude(p.x, p.y, q.x, q.y, kRadToDeg);
}

double LineAngleBlend(const CPointD& p1, const CPointD& p2, const CPointD& p3, const CPointD& p4)
{
    return LineAngleMagnitude(p1.x, p1.y, p2.x, p2.y, kRadToDeg) +
           LineAngleMagnitude(p3.x, p3.y, p4.x, p4.y, 28.64788975654116);
}

double LineAngleBlendSum(const CPointD& p1, const CPointD& p2, const CPointD& p3, const CPointD& p4,
                         CPointD& out)
{
    const double angle = LineAngleBlend(p1, p2, p3, p4);
    out.x = p1.x + p2.x + p3.x + 0.25 * p4.x;
    out.y = p1.y + p2.y + p3.y + 0.25 * p4.y;
    return angle;
}

namespace {
constexpr double kSmallestNormalFloat = 1.1754943508222875e-38;
}

double LogInterpolate(double a, double b, double c, double d, double e)
{
    const double e1 = e + kSmallestNormalFloat;
    return std::exp(std::log(e1) + (std::log(d) - std::log(e1)) * (a - b) / (c - b));
}

double LogPosition(double a, double b, double c, double d, double e)
{
    const double e1 = e + kSmallestNormalFloat;
    return b + (c - b) * std::log(a / e1) / std::log(d / e1);
}
