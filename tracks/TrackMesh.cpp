#include "tracks/TrackMesh.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "foundation/math/Tables.h"

namespace {

// Profile faces: (line, offset) of three corners, colour choice, upward flag.
constexpr int kProfileFaces[6][8] = {
    {0, 0, 0, 1, 2, 1, 0, 0}, {0, 0, 2, 1, 2, 0, 0, 0}, {1, 0, 1, 1, 3, 1, 0, 0},
    {1, 0, 3, 1, 3, 0, 0, 0}, {2, 0, 2, 1, 3, 1, 1, 1}, {2, 0, 3, 1, 3, 0, 1, 1},
};
// Box faces: corners 0-3 bottom, 4-7 top.
constexpr int kBoxFaces[6][4] = {
    {0, 1, 2, 3}, {4, 5, 6, 7}, {0, 1, 5, 4}, {2, 3, 7, 6}, {1, 2, 6, 5}, {3, 0, 4, 7},
};

constexpr float kMinLength = 0.000001f;

// Unit normal of the triangle a, b, c; (0, 0, 1) for a degenerate triangle
// (the weld drops those anyway).
CVec3 FaceNormal(const CVec3& a, const CVec3& b, const CVec3& c)
{
    CVec3 n;
    n.Cross(b - a, c - a);
    const float len = n.Length();
    if (!(len > kMinLength) || !std::isfinite(len))
        return CVec3(0.0f, 0.0f, 1.0f);
    return n * (1.0f / len);
}

// Side vector per point: the unit tangent T (towards the next point, at the last
// point from the previous one) turned left in the ground plane, (-T.y, T.x, 0).
// A segment too short for a direction takes the nearest valid tangent before it,
// else after it, else +x.
void SideVectors(const std::vector<CVec3>& pts, std::vector<CVec3>& side)
{
    const size_t n = pts.size();
    side.resize(n);
    std::vector<uint8_t> valid(n, 0);
    for (size_t i = 0; i < n; ++i) {
        CVec3 t(1.0f, 0.0f, 0.0f);
        bool ok = true;
        if (n > 1) {
            t = (i + 1 < n) ? pts[i + 1] - pts[i] : pts[i] - pts[i - 1];
            const float len = t.Length();
            ok = len >= kMinLength && std::isfinite(len);
            if (ok)
                t.Normalize();
        }
        side[i] = t;
        valid[i] = ok;
    }
    int last = -1;
    for (size_t i = 0; i < n; ++i) {
        if (valid[i])
            last = int(i);
        else if (last >= 0)
            side[i] = side[size_t(last)], valid[i] = 1;
    }
    int next = -1;
    for (size_t i = n; i-- > 0;) {
        if (valid[i])
            next = int(i);
        else
            side[i] = next >= 0 ? side[size_t(next)] : CVec3(1.0f, 0.0f, 0.0f);
    }
    for (size_t i = 0; i < n; ++i) {
        CVec3 s(-side[i].y, side[i].x, 0.0f);
        if (s.Length() < kMinLength)
            s = CVec3(0.0f, 0.0f, 1.0f);
        else
            s.Normalize();
        side[i] = s;
    }
}

// floor(v) as an int, saturated; NaN gives 0.
int32_t FloorToInt(float v)
{
    if (!(v == v))
        return 0;
    const double f = std::floor(double(v));
    if (f <= double(INT32_MIN))
        return INT32_MIN;
    if (f >= double(INT32_MAX))
        return INT32_MAX;
    return int32_t(f);
}

struct TriangleKey {
    uint32_t a, b, c; // sorted
    bool operator==(const TriangleKey&) const = default;
};
struct TriangleKeyHash {
    size_t operator()(const TriangleKey& k) const
    {
        uint64_t h = k.a * 0x9E3779B97F4A7C15ull;
        h ^= (uint64_t(k.b) + 0x632BE59BD9B4E019ull + (h << 6) + (h >> 2)) * 0xBF58476D1CE4E5B9ull;
        h ^= (uint64_t(k.c) + 0x94D049BB133111EBull + (h << 6) + (h >> 2)) * 0x94D049BB133111EBull;
        return size_t(h ^ (h >> 31));
    }
};

} // namespace

size_t VertexKeyHash::operator()(const VertexKey& k) const
{
    // every field mixed in, so keys on a regular grid spread over the table
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (int32_t v : k.v) {
        h ^= uint64_t(uint32_t(v));
        h *= 0xBF58476D1CE4E5B9ull;
        h ^= h >> 29;
    }
    h *= 0x94D049BB133111EBull;
    return size_t(h ^ (h >> 32));
}

bool VertexKeyEqual::operator()(const VertexKey& a, const VertexKey& b) const
{
    for (int i = 0; i < 9; ++i)
        if (a.v[i] != b.v[i])
            return false;
    return true;
}

CTrackMesh::CTrackMesh() = default;

void CTrackMesh::FreeArrays()
{
    std::vector<CVec3>().swap(m_Positions);
    std::vector<CVec3>().swap(m_Normals);
    std::vector<CVec3>().swap(m_Colors);
    std::vector<uint32_t>().swap(m_Indices);
    for (auto& line : m_Lines)
        std::vector<CVec3>().swap(line);
}

void CTrackMesh::Clear()
{
    FreeArrays();
    m_Vbo.Reset();
    m_UploadPending = false;
}

size_t CTrackMesh::HeldBytes() const
{
    size_t points = m_Positions.capacity() + m_Normals.capacity() + m_Colors.capacity();
    for (const auto& line : m_Lines)
        points += line.capacity();
    return sizeof(CVec3) * points + sizeof(uint32_t) * m_Indices.capacity();
}

size_t CTrackMesh::EstimateHeldBytes(const std::vector<CVec3>& curve, float width)
{
    const size_t n = curve.size();
    if (n < 2)
        return 0;
    // as Build makes them: profile points (every 4th curve point and the last),
    // 54 vertices and indices a profile segment, 24 vertices and 36 indices a
    // sleeper; lines 0-3 hold the profile points or the sleeper corners, 4-7 the
    // sleeper tops
    const size_t points = (n - 1) / 4 + 1 + ((n - 1) % 4 != 0);
    float length = 0.0f;
    for (size_t i = 1; i < n; ++i)
        length += curve[i - 1].Distance(curve[i]);
    const int maxCount = int(std::min<size_t>(n * kMaxSleepersPerPoint, size_t(kMaxSleepers)));
    const size_t sleepers = SleeperPositions(double(length), width, maxCount).size();
    const size_t reserved = 3 * 6 * 3 * (n / 4 + 2);
    const size_t vertices = std::max(reserved, 54 * (points - 1) + 24 * sleepers);
    const size_t indices = std::max(reserved, 54 * (points - 1) + 36 * sleepers);
    const size_t linePoints = 4 * std::max(points, sleepers) + 4 * sleepers;
    return sizeof(CVec3) * (3 * vertices + linePoints) + sizeof(uint32_t) * indices;
}

size_t CTrackMesh::MemoryBytes() const
{
    return 12 * (m_Positions.size() + m_Normals.size() + m_Colors.size()) + 4 * m_Indices.size();
}

void CTrackMesh::Build(const std::vector<CVec3>& curve, float width)
{
    m_Number = int(curve.size());
    if (curve.size() < 2)
        return;
    FreeArrays();  // fresh arrays: what an earlier build reserved is not held on
    const size_t n = curve.size();
    // the bed and two rails: 6 triangles per profile segment, a segment per 4 points
    const size_t vertices = 3 * 6 * 3 * (n / 4 + 2);
    m_Positions.reserve(vertices);
    m_Normals.reserve(vertices);
    m_Colors.reserve(vertices);
    m_Indices.reserve(vertices);

    BuildBed(curve, width);
    BuildRails(curve, width);
    BuildSleepers(curve, width);
    Weld();

    m_UploadPending = !m_Indices.empty();

    m_BoxMin = CVec3(1e9f, 1e9f, 1e9f);
    m_BoxMax = CVec3(-1e9f, -1e9f, -1e9f);
    for (const CVec3& p : m_Positions) {
        m_BoxMin.Min(p);
        m_BoxMax.Max(p);
    }
}

bool CTrackMesh::Upload()
{
    if (!m_UploadPending)
        return false;
    m_UploadPending = false;
    if (m_Indices.empty())
        return false;
    m_Vbo.Create(m_Positions.data(), m_Normals.data(), m_Colors.data(), nullptr, m_Indices.data(), false, true,
                 int(m_Positions.size()), int(m_Indices.size()));
    return true;
}

void CTrackMesh::AddQuad(const CVec3& a, const CVec3& b, const CVec3& c, const CVec3& d, const CVec3& normal,
                         const CVec3& colour)
{
    const uint32_t n = uint32_t(m_Positions.size());
    for (const CVec3* p : {&a, &b, &c, &d}) {
        m_Positions.push_back(*p);
        m_Normals.push_back(normal);
        m_Colors.push_back(colour);
    }
    m_Indices.insert(m_Indices.end(), {n, n + 1, n + 2, n, n + 2, n + 3});
}

const std::vector<CVec3>& CTrackMesh::EveryNthPoint(const std::vector<CVec3>& curve, int n)
{
    thread_local std::vector<CVec3> scratch;
    scratch.clear();
    if (curve.empty())
        return scratch;
    const size_t step = size_t(std::max(n, 1));
    scratch.reserve(curve.size() / step + 2);
    for (size_t i = 0; i < curve.size(); i += step)
        scratch.push_back(curve[i]);
    if (curve.back() != scratch.back())
        scratch.push_back(curve.back());
    return scratch;
}

void CTrackMesh::SlopedProfile(const std::vector<CVec3>& points, float topWidth, float height, float sideAngle,
                               float heightOffset)
{
    const float t = topWidth / 2.0f;
    Profile(points, t + TanRad(sideAngle) * height, t, height, heightOffset);
}

void CTrackMesh::BoxProfile(const std::vector<CVec3>& points, float width, float height, float heightOffset)
{
    const float m = width / 2.0f;
    Profile(points, m, m, height, heightOffset);
}

void CTrackMesh::Profile(const std::vector<CVec3>& points, float bottomHalf, float topHalf, float height,
                         float heightOffset)
{
    m_PointCount = int(points.size());
    for (int l = 0; l < 6; ++l)
        m_Lines[l].clear();
    for (int l = 0; l < 4; ++l)
        m_Lines[l].reserve(points.size());
    std::vector<CVec3> side;
    SideVectors(points, side);
    const CVec3 up(0.0f, 0.0f, height);
    for (size_t i = 0; i < points.size(); ++i) {
        const CVec3 base = points[i] + CVec3(0.0f, 0.0f, heightOffset);
        const CVec3& N = side[i];
        m_Lines[0].push_back(base - N * bottomHalf);
        m_Lines[1].push_back(base + N * bottomHalf);
        m_Lines[2].push_back(base - N * topHalf + up);
        m_Lines[3].push_back(base + N * topHalf + up);
    }
}

void CTrackMesh::AddProfileFaces(const CVec3& colour0, const CVec3& colour1)
{
    const int k = m_PointCount;
    for (int i = 0; i + 1 < k; ++i) {
        for (const auto& row : kProfileFaces) {
            const CVec3& a = m_Lines[row[0]][size_t(i + row[1])];
            const CVec3& b = m_Lines[row[2]][size_t(i + row[3])];
            const CVec3& c = m_Lines[row[4]][size_t(i + row[5])];
            const CVec3 normal = row[7] ? CVec3(0.0f, 0.0f, 1.0f) : FaceNormal(a, b, c);
            const CVec3& colour = row[6] == 1 ? colour1 : colour0;
            const uint32_t n = uint32_t(m_Positions.size());
            for (const CVec3* p : {&a, &b, &c}) {
                m_Positions.push_back(*p);
                m_Normals.push_back(normal);
                m_Colors.push_back(colour);
            }
            m_Indices.insert(m_Indices.end(), {n, n + 1, n + 2});
        }
    }
}

void CTrackMesh::BuildBed(const std::vector<CVec3>& curve, float w)
{
    const std::vector<CVec3>& points = EveryNthPoint(curve, 4);
    SlopedProfile(points, 2.6f * w, 2.0f * w, 0.4363323f, -145.0f);
    AddProfileFaces(CVec3(0.3575f, 0.3575f, 0.3575f), CVec3(0.3025f, 0.3025f, 0.3025f));
}

void CTrackMesh::BuildRails(const std::vector<CVec3>& curve, float w)
{
    const std::vector<CVec3> points = EveryNthPoint(curve, 4);
    std::vector<CVec3> side;
    SideVectors(points, side);
    std::vector<CVec3> left, right;
    left.reserve(points.size());
    right.reserve(points.size());
    const float offset = 0.675f * w;
    for (size_t i = 0; i < points.size(); ++i) {
        const CVec3 centre = points[i] + CVec3(0.0f, 0.0f, 2.09f * w - 145.0f);
        left.push_back(centre - side[i] * offset);
        right.push_back(centre + side[i] * offset);
    }
    for (const auto* line : {&left, &right}) {
        BoxProfile(*line, 0.11f * w, 0.18f * w, 0.0f);
        AddProfileFaces(CVec3(0.539f, 0.539f, 0.539f), CVec3(0.55f, 0.55f, 0.55f));
    }
}

std::vector<double> CTrackMesh::SleeperPositions(double length, float w, int maxCount)
{
    std::vector<double> out;
    if (!std::isfinite(length))
        return out;
    const double o = 0.1875 * double(w);
    const double t = 75.0 + o;
    const double u = length - 75.0 - o;
    if (!(t < u)) {
        out.push_back(t);
        return out;
    }
    double a = 1.0 + std::floor((u - t) / 150.0);
    a = std::min(a, double(std::clamp(maxCount, 2, kMaxSleepers)));
    const int count = int(a);
    out.reserve(size_t(std::max(count, 2)));
    out.push_back(t);
    for (int j = 1; j <= count - 2; ++j)
        out.push_back(t + double(j) * (u - t) / double(count - 1));
    out.push_back(u);
    return out;
}

void CTrackMesh::BuildSleepers(const std::vector<CVec3>& curve, float w)
{
    const size_t n = curve.size();
    std::vector<float> s(n, 0.0f);
    for (size_t i = 1; i < n; ++i)
        s[i] = s[i - 1] + curve[i - 1].Distance(curve[i]);
    for (auto& line : m_Lines)
        line.clear();
    m_PointCount = 0;

    // Very long segments (only a damaged file has them) get their sleepers spread
    // wider rather than without bound.
    const int maxCount = int(std::min<size_t>(n * kMaxSleepersPerPoint, size_t(kMaxSleepers)));
    const std::vector<double> positions =
        n ? SleeperPositions(double(s[n - 1]), w, maxCount) : std::vector<double>();
    for (auto& line : m_Lines)
        line.reserve(positions.size());
    const float o = 0.1875f * w;
    const float h = 2.0f * w * 0.495f;
    const CVec3 lift(0.0f, 0.0f, 0.09f * w);

    // Direction for segments too short to have one: the last valid one, else the first.
    CVec3 lastI(1.0f, 0.0f, 0.0f);
    for (size_t i = 1; i < n; ++i) {
        const CVec3 d = curve[i] - curve[i - 1];
        const float len = d.Length();
        if (len > kMinLength && std::isfinite(len)) {
            lastI = d * (1.0f / len);
            break;
        }
    }

    size_t k = 1;
    for (double pos : positions) {
        const float W = float(pos);
        while (k < n && !(W <= s[k]))
            ++k;
        if (k >= n)
            break; // beyond the curve: no further sleeper
        const float ds = s[k] - s[k - 1];
        const float f = ds > kMinLength ? (W - s[k - 1]) / ds : 0.0f;
        const CVec3 P = curve[k - 1] + (curve[k] - curve[k - 1]) * f;
        CVec3 I = curve[k] - curve[k - 1];
        const float len = I.Length();
        if (len > kMinLength && std::isfinite(len))
            lastI = I = I * (1.0f / len);
        else
            I = lastI;
        CVec3 J(I.y, -I.x, 0.0f);
        if (J.Length() < kMinLength)
            J = CVec3(0.0f, 1.0f, 0.0f);
        else
            J.Normalize();
        const CVec3 base = P + CVec3(0.0f, 0.0f, 2.0f * w - 145.0f);
        const CVec3 c[4] = {base - I * o - J * h, base - I * o + J * h, base + I * o + J * h, base + I * o - J * h};
        for (int q = 0; q < 4; ++q) {
            m_Lines[q].push_back(c[q]);
            m_Lines[q + 4].push_back(c[q] + lift);
        }
    }
    m_PointCount = int(m_Lines[0].size());
    AddBoxes(CVec3(0.3025f, 0.22f, 0.165f), CVec3(0.3575f, 0.275f, 0.22f));
}

void CTrackMesh::AddBoxes(const CVec3& sideColour, const CVec3& topColour)
{
    const size_t more = size_t(std::max(m_PointCount, 0)) * 24; // six faces of four corners
    m_Positions.reserve(m_Positions.size() + more);
    m_Normals.reserve(m_Normals.size() + more);
    m_Colors.reserve(m_Colors.size() + more);
    m_Indices.reserve(m_Indices.size() + more / 4 * 6);
    for (int b = 0; b < m_PointCount; ++b) {
        for (int f = 0; f < 6; ++f) {
            const uint32_t n = uint32_t(m_Positions.size());
            const CVec3& colour = f == 1 ? topColour : sideColour;
            for (int k = 0; k < 4; ++k) {
                const CVec3& first = m_Lines[kBoxFaces[f][k]][size_t(b)];
                const CVec3& second = m_Lines[kBoxFaces[f][(k + 1) % 4]][size_t(b)];
                const CVec3& third = m_Lines[kBoxFaces[f][(k + 2) % 4]][size_t(b)];
                m_Positions.push_back(first);
                m_Normals.push_back(FaceNormal(first, second, third));
                m_Colors.push_back(colour);
            }
            m_Indices.insert(m_Indices.end(), {n, n + 1, n + 2, n, n + 2, n + 3});
        }
    }
}

void CTrackMesh::DropRepeatedTriangles(std::vector<uint32_t>& indices)
{
    // an open-addressing table of the triangles kept (their first index in the
    // output), at most half full, so memory and work follow the triangle count
    const size_t triangles = indices.size() / 3;
    size_t slots = 16;
    while (slots < 2 * triangles)
        slots *= 2;
    std::vector<uint32_t> table(slots, UINT32_MAX);
    const size_t mask = slots - 1;
    const TriangleKeyHash hashOf;
    auto keyAt = [&indices](size_t t) {
        const uint32_t a = indices[t], b = indices[t + 1], c = indices[t + 2];
        const uint32_t lo = std::min({a, b, c}), hi = std::max({a, b, c});
        return TriangleKey{lo, a ^ b ^ c ^ lo ^ hi, hi};
    };
    size_t out = 0;
    for (size_t t = 0; t + 2 < indices.size(); t += 3) {
        const TriangleKey key = keyAt(t);
        size_t at = hashOf(key) & mask;
        bool seen = false;
        for (; table[at] != UINT32_MAX; at = (at + 1) & mask)
            if (keyAt(table[at]) == key) {
                seen = true;
                break;
            }
        if (seen)
            continue;
        const uint32_t a = indices[t], b = indices[t + 1], c = indices[t + 2];
        table[at] = uint32_t(out); // the kept triangle's place, written below
        indices[out++] = a;
        indices[out++] = b;
        indices[out++] = c;
    }
    indices.resize(out);
}

void CTrackMesh::Weld()
{
    if (m_Positions.empty() || m_Indices.empty())
        return;
    const size_t vertexCount = m_Positions.size();

    // 1. Degenerate triangles.
    std::vector<uint32_t> kept;
    kept.reserve(m_Indices.size());
    for (size_t t = 0; t + 2 < m_Indices.size(); t += 3) {
        const uint32_t i0 = m_Indices[t], i1 = m_Indices[t + 1], i2 = m_Indices[t + 2];
        if (i0 >= vertexCount || i1 >= vertexCount || i2 >= vertexCount)
            continue;
        CVec3 cr;
        cr.Cross(m_Positions[i1] - m_Positions[i0], m_Positions[i2] - m_Positions[i0]);
        if (cr.Length() > 0.0001f)
            kept.insert(kept.end(), {i0, i1, i2});
    }

    // 2. Vertex weld, in passes that read the vertices in order, so that work and
    // memory follow the mesh's size and stay in the processor's caches: (a) a
    // vertex equal to one met shortly before (a small table of recent vertices)
    // links to it; (b) the others are sorted by key hash, and equal keys among
    // them link to the first; (c) vertices are numbered in order of first
    // occurrence, each linked one taking its link's number.
    const auto keyOf = [](const CVec3& p, const CVec3& n, const CVec3& c) {
        CVec3 nq = n;
        const float nl = nq.Length();
        if (nl > kMinLength && std::isfinite(nl))
            nq = nq * (1.0f / nl);
        const float q = 3.3333333f;
        return VertexKey{{FloorToInt(q * p.x), FloorToInt(q * p.y), FloorToInt(q * p.z), FloorToInt(256.0f * nq.x),
                          FloorToInt(256.0f * nq.y), FloorToInt(256.0f * nq.z), FloorToInt(1024.0f * c.x),
                          FloorToInt(1024.0f * c.y), FloorToInt(1024.0f * c.z)}};
    };
    const auto keyAt = [&](uint32_t i) { return keyOf(m_Positions[i], m_Normals[i], m_Colors[i]); };
    const VertexKeyHash hashOf;
    const VertexKeyEqual same;
    std::vector<uint32_t> link(vertexCount); // an earlier vertex with the same key, or itself
    std::vector<uint64_t> firsts;            // hash << 32 | vertex, of the vertices linked to themselves
    {
        constexpr size_t kRecent = 4096;
        struct Recent {
            uint32_t hash = 0;
            uint32_t vertex = UINT32_MAX;
        };
        std::vector<Recent> recent(kRecent);
        for (uint32_t i = 0; i < uint32_t(vertexCount); ++i) {
            const VertexKey key = keyAt(i);
            const uint32_t hash = uint32_t(hashOf(key));
            Recent& r = recent[hash & (kRecent - 1)];
            if (r.vertex != UINT32_MAX && r.hash == hash && same(keyAt(r.vertex), key)) {
                link[i] = r.vertex;
            } else {
                link[i] = i;
                firsts.push_back(uint64_t(hash) << 32 | i);
            }
            r = Recent{hash, i};
        }
    }
    // (b) stable radix sort on the hash (the vertices stay in order within a hash)
    {
        std::vector<uint64_t> other(firsts.size());
        constexpr int kBits = 11;
        constexpr size_t kBuckets = size_t(1) << kBits;
        for (int shift = 32; shift < 64; shift += kBits) {
            std::vector<size_t> start(kBuckets + 1, 0);
            for (uint64_t v : firsts)
                ++start[((v >> shift) & (kBuckets - 1)) + 1];
            for (size_t b = 0; b < kBuckets; ++b)
                start[b + 1] += start[b];
            for (uint64_t v : firsts)
                other[start[(v >> shift) & (kBuckets - 1)]++] = v;
            firsts.swap(other);
        }
    }
    for (size_t g = 0; g < firsts.size();) {
        size_t end = g + 1;
        while (end < firsts.size() && (firsts[end] >> 32) == (firsts[g] >> 32))
            ++end;
        // the same hash: each vertex links to the first one before it with the same key
        for (size_t m = g + 1; m < end; ++m) {
            const uint32_t v = uint32_t(firsts[m]);
            const VertexKey key = keyAt(v);
            for (size_t e = g; e < m; ++e) {
                const uint32_t earlier = uint32_t(firsts[e]);
                if (link[earlier] == earlier && same(keyAt(earlier), key)) {
                    link[v] = earlier;
                    break;
                }
            }
        }
        g = end;
    }
    std::vector<uint64_t>().swap(firsts);
    // (c) numbers in order of first occurrence
    std::vector<uint32_t> remap(vertexCount);
    size_t outputs = 0;
    for (size_t i = 0; i < vertexCount; ++i)
        outputs += link[i] == i;
    std::vector<CVec3> pos, nor, col; // reserved: growing them copies hundreds of MB
    pos.reserve(outputs);
    nor.reserve(outputs);
    col.reserve(outputs);
    for (size_t i = 0; i < vertexCount; ++i) {
        if (link[i] != i) {
            remap[i] = remap[link[i]];
            continue;
        }
        remap[i] = uint32_t(pos.size());
        pos.push_back(m_Positions[i]);
        nor.push_back(m_Normals[i]);
        col.push_back(m_Colors[i]);
    }
    std::vector<uint32_t>().swap(link);
    for (uint32_t& idx : kept)
        idx = remap[idx];

    // 3. Repeated triangles.
    DropRepeatedTriangles(kept);

    // 4. Unreferenced vertices.
    std::vector<uint32_t> newIndex(pos.size(), UINT32_MAX);
    for (uint32_t idx : kept)
        newIndex[idx] = 0;
    m_Positions.clear();
    m_Normals.clear();
    m_Colors.clear();
    for (size_t i = 0; i < pos.size(); ++i) {
        if (newIndex[i] == UINT32_MAX)
            continue;
        newIndex[i] = uint32_t(m_Positions.size());
        m_Positions.push_back(pos[i]);
        m_Normals.push_back(nor[i]);
        m_Colors.push_back(col[i]);
    }
    for (uint32_t& idx : kept)
        idx = newIndex[idx];
    m_Indices.swap(kept);
}
