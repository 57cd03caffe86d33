#pragma once
#include <cmath>
#include <cstdint>

#include "foundation/math/Vec3.h"

// Sine, cosine and tangent at 0.1-degree steps: entry i holds the value at i/10 degrees.
inline constexpr int kTrigTableSize = 3600;
extern float g_SinTable[kTrigTableSize];
extern float g_CosTable[kTrigTableSize];
extern float g_TanTable[kTrigTableSize];

// Fills the trig tables. They are filled during static initialisation already; later
// calls (the GL context makes one) do nothing. Safe to call from any thread.
void InitTrigTables();

namespace trig_detail {
// Wraps a step count into 0..3599. Normal inputs are truncated toward zero and wrapped;
// values too large for an int are reduced exactly first, and NaN or infinities give 0.
inline int WrapIndex(double steps)
{
    if (!(std::fabs(steps) < 2.0e9)) [[unlikely]]
        steps = std::isfinite(steps) ? std::fmod(steps, double(kTrigTableSize)) : 0.0;
    const int k = int(steps);
    return ((k % kTrigTableSize) + kTrigTableSize) % kTrigTableSize;
}
inline int DegIndex(float deg) { return WrapIndex(double(deg * 10.0f)); }
inline int RadIndex(float rad) { return WrapIndex(double(rad) * 572.9577951308232); }
} // namespace trig_detail

// Table lookups; no rounding to the nearest step (0.09 degrees reads the entry for 0).
inline float SinDeg(float deg) { return g_SinTable[trig_detail::DegIndex(deg)]; }
inline float CosDeg(float deg) { return g_CosTable[trig_detail::DegIndex(deg)]; }
inline float TanDeg(float deg) { return g_TanTable[trig_detail::DegIndex(deg)]; }
inline float SinRad(float rad) { return g_SinTable[trig_detail::RadIndex(rad)]; }
inline float CosRad(float rad) { return g_CosTable[trig_detail::RadIndex(rad)]; }
inline float TanRad(float rad) { return g_TanTable[trig_detail::RadIndex(rad)]; }

// Colour ramps over [lo, hi]; colours are (red, green, blue) in 0..1.
// Four bands blue - cyan - green - yellow - red; v is clamped into the range.
void ValueToColor(CVec3& out, float v, float lo, float hi);
// Seven bands; t = (v - lo)/(hi - lo) is not clamped.
void ValueToColorFine(CVec3& out, float v, float lo, float hi);
// Logarithmic grey level in all three components.
void ValueToGreyLog(CVec3& out, float v, float lo, float hi);
// The ValueToColor ramp packed as 0x00BBGGRR.
int ValueToRGB(float v, float lo, float hi);

inline constexpr int kLogColorTableSize = 1024;
struct CLogColorTable {
    CVec3 color[kLogColorTableSize];
    uint8_t ready = 0;
};
extern CLogColorTable g_LogColorTable;
void InitLogColorTable();

// Log(1.9) as a float; the grey ramp and the log colour table divide by it.
inline constexpr float kLog19 = 0.6418538689613342f;

struct CPointD {
    double x, y;
};
struct CPointI {
    int32_t x, y;
};

// Signed angle in degrees (-90..90) of the line through p and q against the horizontal.
double LineAngleDeg(const CPointD& p, const CPointD& q);
double LineAngleDegInt(const CPointI& p, const CPointI& q);
// LineAngleDeg(p1, p2) + LineAngleDeg(p3, p4) / 2.
double LineAngleBlend(const CPointD& p1, const CPointD& p2, const CPointD& p3, const CPointD& p4);
// The same angle; out := p1 + p2 + p3 + 0.25 * p4.
double LineAngleBlendSum(const CPointD& p1, const CPointD& p2, const CPointD& p3, const CPointD& p4,
                         CPointD& out);

// Value at position a of the range b..c on a log scale running from e (at b) to d (at c).
double LogInterpolate(double a, double b, double c, double d, double e);
// The inverse: position in b..c of the value a on that scale.
double LogPosition(double a, double b, double c, double d, double e);
