#pragma once
#include <type_traits>
#include <vector>

// Degree/radian factors (double precision; products are rounded back to float).
inline constexpr double kDegToRad = 0.017453292519943295;
inline constexpr double kRadToDeg = 57.29577951308232;

// Point, direction, rotation triple or colour: three floats, copied by value.
class CVec3 {
public:
    float x, y, z;

    CVec3() : x(0.0f), y(0.0f), z(0.0f) {}
    explicit CVec3(int v) : x(float(v)), y(float(v)), z(float(v)) {}
    template <typename T>
        requires(std::is_arithmetic_v<T> && !std::is_same_v<T, int>)
    explicit CVec3(T v) : x(float(v)), y(float(v)), z(float(v))
    {
    }
    CVec3(int ix, int iy, int iz) : x(float(ix)), y(float(iy)), z(float(iz)) {}
    CVec3(float fx, float fy, float fz) : x(fx), y(fy), z(fz) {}
    // Any other mix of arithmetic components (doubles, int/float mixes) converts each to float.
    template <typename A, typename B, typename C>
        requires(std::is_arithmetic_v<A> && std::is_arithmetic_v<B> && std::is_arithmetic_v<C> &&
                 !(std::is_same_v<A, float> && std::is_same_v<B, float> && std::is_same_v<C, float>) &&
                 !(std::is_same_v<A, int> && std::is_same_v<B, int> && std::is_same_v<C, int>))
    CVec3(A ax, B by, C cz) : x(float(ax)), y(float(by)), z(float(cz))
    {
    }
    ~CVec3() = default;
    CVec3(const CVec3&) = default;
    CVec3& operator=(const CVec3&) = default;

    CVec3& operator=(float v)
    {
        x = y = z = v;
        return *this;
    }

    CVec3 operator+(const CVec3& o) const { return CVec3(x + o.x, y + o.y, z + o.z); }
    CVec3 operator-(const CVec3& o) const { return CVec3(x - o.x, y - o.y, z - o.z); }
    CVec3 operator-() const { return CVec3(-x, -y, -z); }
    CVec3 operator*(float f) const { return CVec3(x * f, y * f, z * f); }
    CVec3& operator+=(const CVec3& o)
    {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }
    CVec3& operator-=(const CVec3& o)
    {
        x -= o.x;
        y -= o.y;
        z -= o.z;
        return *this;
    }
    CVec3& operator*=(float f)
    {
        x *= f;
        y *= f;
        z *= f;
        return *this;
    }
    bool operator==(const CVec3& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator==(float v) const { return x == v && y == v && z == v; }
    bool operator!=(const CVec3& o) const { return !(*this == o); }
    bool operator!=(float v) const { return !(*this == v); }

    float Length() const;
    float LengthSq() const { return x * x + y * y + z * z; }
    // Scales to unit length; a zero vector becomes non-finite.
    CVec3& Normalize();
    float Dot(const CVec3& o) const { return x * o.x + y * o.y + z * o.z; }
    static float DotOf(const CVec3& a, const CVec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
    // this := a x b
    CVec3& Cross(const CVec3& a, const CVec3& b);
    // this := b x this
    CVec3& CrossWith(const CVec3& b);
    // this := n / (n.n) with n = (p1 - p2) x (p2 - p3)
    CVec3& PlaneNormal(const CVec3& p1, const CVec3& p2, const CVec3& p3);
    float Distance(const CVec3& o) const;
    float DistanceSq(const CVec3& o) const;

    CVec3& Max(const CVec3& o);
    CVec3& Min(const CVec3& o);
    // Write max/min of both into the other vector; this is unchanged.
    void MaxTo(CVec3& o) const;
    void MinTo(CVec3& o) const;
    // Widens the box [boxMin, boxMax] to hold this point.
    void ExtendBounds(CVec3& boxMax, CVec3& boxMin) const;
    // Per component: min with hi, then max with lo (lo wins when lo > hi).
    CVec3& Clamp(const CVec3& hi, const CVec3& lo);

    // Rotations in degrees; the component along the axis is scaled by the cosine too.
    CVec3& RotateX(float deg);
    CVec3& RotateY(float deg);
    CVec3& RotateZ(float deg);
    CVec3& Rotate(float a, float b, float c);

    // Look direction d from position p to view angles (degrees) in out.
    static void ToAngles(CVec3& out, const CVec3& d, const CVec3& p);

    // "%0.3f %0.3f %0.3f"; the text lives in a per-thread buffer overwritten by the next call.
    const char* ToString() const;
};

static_assert(sizeof(CVec3) == 12, "CVec3 must be three packed floats");
static_assert(std::is_trivially_copyable_v<CVec3>, "CVec3 must be trivially copyable");
static_assert(std::is_standard_layout_v<CVec3>, "CVec3 must be standard layout");

using CVec3Array = std::vector<CVec3>;

// Planar four-corner polygon, corners 0 to 3 in order.
class CQuad {
public:
    CVec3 p[4];

    CQuad() = default;
    CQuad(const CVec3& a, const CVec3& b, const CVec3& c, const CVec3& d) : p{a, b, c, d} {}
    // Rectangle of width a and height b centred on m in an axis plane:
    // kind 1 = X-Z, 2 = Y-Z, 4 = X-Y; any other kind leaves all corners zero.
    CQuad(CVec3 m, float a, float b, int kind);
    ~CQuad() = default;

    CVec3& operator[](int i) { return p[i]; }
    const CVec3& operator[](int i) const { return p[i]; }

    void Translate(const CVec3& v);
    CVec3 Centre() const;
    float Radius() const;
    static float SquareDiagonal(const CVec3& a, const CVec3& b);
    // Sum of the angles the edges subtend at pt (2*pi inside, in plane).
    static float AngleSum(const CQuad& q, const CVec3& pt);
    // The same after moving the corners by -pt in place.
    float AngleSumInPlace(const CVec3& pt);
};

class CTriangle {
public:
    CVec3 p[3];

    CTriangle() = default;
    CTriangle(const CVec3& a, const CVec3& b, const CVec3& c) : p{a, b, c} {}
    ~CTriangle() = default;

    CVec3& operator[](int i) { return p[i]; }
    const CVec3& operator[](int i) const { return p[i]; }

    static float AngleSum(const CTriangle& t, const CVec3& pt);
    float AngleSumInPlace(const CVec3& pt);
};
