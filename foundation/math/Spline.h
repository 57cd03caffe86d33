#pragma once
#include "foundation/math/Vec3.h"

// Curve geometry over point lists: smooth curves through control dots, smoothing and
// thinning of dot lists, bend and curvature tests.
namespace Spline {

// Cubic Hermite segment from a to b with tangents ta at a and tb at b, s in [0, 1].
CVec3 HermiteSegment(const CVec3& a, const CVec3& b, const CVec3& ta, const CVec3& tb, float s);

// Fills out (emptied first) with the curve through points: k points per interval, or,
// with k = 0, an adaptive subdivision of each interval. Nothing for fewer than 2 points;
// with k < 0 only the first point. Open: 1 + k*(N-1) points; closed: 1 + k*N.
void Generate(CVec3Array& out, const CVec3Array& points, int k, bool closed);

// Blends x and y of the interior points with their four neighbours for the given
// passes (lists of more than 4 points), then thins the list. The second argument is
// accepted for the callers' sake and has no effect.
void Smooth(CVec3Array& points, int unused, float f, int passes);
// Removes interior points of straight runs; lists of at most 9 points stay unchanged.
void Thin(CVec3Array& points);
// True unless the unit directions a->b and b->c have a dot product of at least 0.9999
// (a zero-length direction counts as a bend).
bool IsBend(const CVec3& a, const CVec3& b, const CVec3& c);

// The smoothing passes of Smooth without the thinning (x and y / all components).
void SmoothPlanar(CVec3Array& points, float f, int passes);
void SmoothFull(CVec3Array& points, float f, int passes);
// 1/R of the circle through three points; 0 when they are (nearly) collinear or coincide.
float Curvature(const CVec3& a, const CVec3& b, const CVec3& c);

// Segment evaluators between p1 and p2 (Hermite: between a and b).
CVec3 CatmullRom(const CVec3& p0, const CVec3& p1, const CVec3& p2, const CVec3& p3, float s);
CVec3 Cardinal(const CVec3& p0, const CVec3& p1, const CVec3& p2, const CVec3& p3, float s, float w);
CVec3 Hermite(const CVec3& a, const CVec3& b, float s, float sa, float sb);

// Adaptive subdivision of s0..s1: splits while the curve at the midpoint lies more than
// tolerance away from the chord and depth < maxDepth; appends the curve point at the end
// of every leaf interval (never the point at s0), in order of s.
void Subdivide(const CVec3& p0, const CVec3& p1, const CVec3& p2, const CVec3& p3, float s0, float s1,
               float tolerance, int depth, int maxDepth, CVec3Array& out);
void SubdivideCardinal(const CVec3& p0, const CVec3& p1, const CVec3& p2, const CVec3& p3, float w, float s0,
                       float s1, float tolerance, int depth, int maxDepth, CVec3Array& out);
void SubdivideHermite(const CVec3& a, const CVec3& b, float sa, float sb, float s0, float s1, float tolerance,
                      int depth, int maxDepth, CVec3Array& out);

} // namespace Spline
