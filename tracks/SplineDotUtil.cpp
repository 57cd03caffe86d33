#include <algorithm>
#include <cfloat>
#include <cmath>
#include <utility>

#include "foundation/core/Versions.h"
#include "foundation/math/Spline.h"
#include "foundation/math/Tables.h"
#include "tracks/EndpointGrid.h"
#include "tracks/SplineDot.h"

namespace {

constexpr float kDirEpsilon = 0.00001f;
constexpr float kDegenerate = 0.000001f;
constexpr double kRadToDegree = 57.29577951308232;

bool IsNone(const CVec3& v) { return v == 0.0f; }

// The user changed the host's dots: its mesh is built again, and weighed again.
void MarkEdited(TrackHost& h)
{
    h.dirty = 1;
    h.oversized = 0;
}

bool Within(const CVec3& a, const CVec3& b, float r) { return a.DistanceSq(b) <= r * r; }

float Dist2D(const CVec3& a, const CVec3& b)
{
    const float dx = b.x - a.x, dy = b.y - a.y;
    return std::sqrt(dx * dx + dy * dy);
}

float AngleDeg(float cosine) { return float(std::acos(std::clamp(cosine, -1.0f, 1.0f)) * kRadToDegree); }

// Unit direction of the segment from dot j - 1 to dot j; false when it has no length.
bool SegmentDirection(const std::vector<CVec3>& d, size_t j, CVec3& out)
{
    const CVec3 v = d[j] - d[j - 1];
    const float len = v.Length();
    if (len >= kDegenerate && std::isfinite(len)) {
        out = v * (1.0f / len);
        return true;
    }
    return false;
}

// Unit direction of the last segment of the dots that has a length; false when none has.
bool LastDirection(const std::vector<CVec3>& d, CVec3& out)
{
    for (size_t j = d.size(); j-- > 1;)
        if (SegmentDirection(d, j, out))
            return true;
    return false;
}

bool FirstDirection(const std::vector<CVec3>& d, CVec3& out)
{
    for (size_t j = 1; j < d.size(); ++j)
        if (SegmentDirection(d, j, out))
            return true;
    return false;
}

} // namespace

// ---------------------------------------------------------------------------
// State

void CSplineDotUtil::ClearAll()
{
    if (!m_Hosts.empty())
        m_Modified = true;
    for (TrackHost& h : m_Hosts) {
        std::vector<CVec3>().swap(h.curveCache);
        h.mesh.Clear();
        std::vector<CVec3>().swap(h.dots);
    }
    m_Hosts.clear();
    ClearLiveEdit();
}

void CSplineDotUtil::ClearLiveEdit()
{
    m_LiveDots.clear();
    m_LiveCurve.clear();
    m_PickedHost = -1;
    m_PickedDot = CVec3();
    m_AnchorDot = CVec3();
    m_StartDir = CVec3();
    m_LastDir = CVec3();
    m_Bent = 0;
}

namespace {

std::vector<CVec3> HostCurve(const TrackHost& host)
{
    std::vector<CVec3> curve;
    Spline::Generate(curve, host.dots, 10, host.closed != 0);
    return curve;
}

int BuildFromCurve(TrackHost& host, const std::vector<CVec3>& curve)
{
    host.mesh.Build(curve, CTrackMesh::kTrackWidth);
    host.dirty = 0;
    host.oversized = 0;
    host.curveCache.clear();
    return int(curve.size());
}

} // namespace

int CSplineDotUtil::BuildHostMesh(TrackHost& host)
{
    return BuildFromCurve(host, HostCurve(host));
}

void CSplineDotUtil::BuildDirtyMeshes()
{
    size_t held = kHeldUnknown;
    for (TrackHost& h : m_Hosts)
        BuildDirtyHost(h, held);
}

size_t CSplineDotUtil::MeshBytesHeld() const
{
    size_t held = 0;
    for (const TrackHost& h : m_Hosts)
        held += h.mesh.HeldBytes();
    return held;
}

size_t CTrackMeshBudget::Held() const
{
    size_t held = 0;
    for (const CSplineDotUtil* set : m_Sets)
        held += set->MeshBytesHeld();
    return held;
}

int CSplineDotUtil::BuildWithinBudget(TrackHost& host, size_t& held) const
{
    const size_t limit = BudgetLimit();
    const std::vector<CVec3> curve = HostCurve(host);
    // weighed before building (a build briefly takes about twice what it keeps),
    // then by what it holds
    const size_t room = held < limit ? limit - held : 0;
    if (CTrackMesh::EstimateHeldBytes(curve, CTrackMesh::kTrackWidth) <= room) {
        const int points = BuildFromCurve(host, curve);
        if (host.mesh.HeldBytes() <= room) {
            held += host.mesh.HeldBytes();
            return points;
        }
        host.dirty = 1;  // not kept: still to be built
    }
    host.mesh.Clear();
    host.oversized = 1;
    return -1;
}

int CSplineDotUtil::BuildDirtyHost(TrackHost& host, size_t& held)
{
    if (!host.dirty || host.oversized)
        return -1;
    if (held == kHeldUnknown)
        held = BudgetHeld();
    held -= std::min(held, host.mesh.HeldBytes()); // the old mesh goes either way
    const int points = BuildWithinBudget(host, held);
    if (points < 0)
        CVersions::Print(false,
                         "CSplineDot %s: a host of %d dots not built, the track meshes would take more than %zu "
                         "MB\r\n",
                         CSplineDot::TrackFilePath(m_Name).c_str(), int(host.dots.size()), BudgetLimit() >> 20);
    return points;
}

// ---------------------------------------------------------------------------
// Picking

CVec3 CSplineDotUtil::FindDotNear(const TrackHost& host, const CVec3& point, float radius) const
{
    for (const CVec3& d : host.dots)
        if (Within(d, point, radius))
            return d;
    return CVec3();
}

bool CSplineDotUtil::HoverPick(const CVec3& point)
{
    ClearLiveEdit();
    for (size_t i = 0; i < m_Hosts.size(); ++i) {
        const CVec3 s = FindDotNear(m_Hosts[i], point, kPickRadius);
        if (!IsNone(s)) {
            m_PickedDot = s;
            m_PickedHost = int(i);
            return true;
        }
    }
    return false;
}

bool CSplineDotUtil::IsNearClosedEnd() const
{
    for (const TrackHost& h : m_Hosts) {
        if (!h.closed || h.dots.empty())
            continue;
        if (Within(h.dots.front(), m_Cursor, kPickRadius) || Within(h.dots.back(), m_Cursor, kPickRadius))
            return true;
    }
    return false;
}

bool CSplineDotUtil::PickOpenEnd()
{
    for (size_t i = 0; i < m_Hosts.size(); ++i) {
        const TrackHost& h = m_Hosts[i];
        if (h.closed || h.dots.empty())
            continue;
        if (Within(h.dots.front(), m_Cursor, kPickRadius))
            m_PickedDot = h.dots.front();
        else if (Within(h.dots.back(), m_Cursor, kPickRadius))
            m_PickedDot = h.dots.back();
        else
            continue;
        m_PickedHost = int(i);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Strokes

void CSplineDotUtil::SetDirection(CVec3 v, bool toStart, bool toLast)
{
    if (v.Length() > kDirEpsilon) {
        v.Normalize();
        if (toStart)
            m_StartDir = v;
        if (toLast)
            m_LastDir = v;
    } else if (toStart) {
        m_StartDir = CVec3(1.0f, 0.0f, 0.0f);
    }
}

void CSplineDotUtil::BeginStroke()
{
    m_LiveDots.clear();
    m_AnchorDot = CVec3();
    m_StartDir = CVec3();
    m_LastDir = CVec3();
    m_Bent = 0;

    const bool validHost = m_PickedHost >= 0 && m_PickedHost < GetHostCount();
    if (!IsNone(m_PickedDot) && validHost) {
        const TrackHost& h = m_Hosts[size_t(m_PickedHost)];
        const auto& d = h.dots;
        if (!h.closed && !d.empty() && (m_PickedDot == d.front() || m_PickedDot == d.back())) {
            m_LiveDots.push_back(m_PickedDot);
            if (d.size() >= 2) {
                CVec3 out;
                if (m_PickedDot == d.front()) {
                    m_AnchorDot = d[1];
                    for (size_t j = 1; j < d.size(); ++j)
                        if (d[j].Distance(d[0]) > 0.001f) {
                            out = d[0] - d[j];
                            break;
                        }
                } else {
                    m_AnchorDot = d[d.size() - 2];
                    for (size_t j = d.size() - 1; j-- > 0;)
                        if (d[j].Distance(d.back()) > 0.001f) {
                            out = d.back() - d[j];
                            break;
                        }
                }
                SetDirection(out, true, true);
            }
            m_PickedHost = -1;
            return;
        }
    }
    m_LiveDots.push_back(m_Cursor);
}

void CSplineDotUtil::UpdateBend()
{
    const size_t n = m_LiveDots.size();
    if (n == 0) {
        m_BendAngle = 0.0f;
        m_Bent = 0;
        return;
    }
    if (n >= 2) {
        const CVec3 s = m_LiveDots[n - 1] - m_LiveDots[n - 2];
        if (IsNone(m_LastDir)) {
            m_LastDir = s;
            if (m_LastDir.Length() > kDirEpsilon)
                m_LastDir.Normalize();
        }
        const CVec3 c = m_Cursor - m_LiveDots[n - 1];
        const float ls = s.Length(), lc = c.Length();
        if (ls > kDirEpsilon && lc > kDirEpsilon) {
            m_BendAngle = AngleDeg((s * (1.0f / ls)).Dot(c * (1.0f / lc)));
            if (m_BendAngle > kBendOn)
                m_Bent = 1;
            else if (m_BendAngle <= kBendOff)
                m_Bent = 0;
        } else {
            m_BendAngle = 0.0f;
            m_Bent = 0;
        }
        if (Within(m_Cursor, m_LiveDots[0], kPickRadius)) {
            m_BendAngle = 0.0f;
            m_Bent = 0;
        }
        return;
    }
    if (IsNone(m_StartDir) && IsNone(m_AnchorDot)) {
        m_BendAngle = 0.0f;
        m_Bent = 0;
        return;
    }
    if (m_StartDir.Length() > kDirEpsilon)
        m_StartDir.Normalize();
    const CVec3 c = m_Cursor - m_LiveDots[0];
    const float lc = c.Length();
    m_BendAngle = lc > kDirEpsilon ? AngleDeg(m_StartDir.Dot(c * (1.0f / lc))) : 0.0f;
    m_Bent = 0;
}

bool CSplineDotUtil::DragPickedDot()
{
    if (IsNone(m_PickedDot) || m_PickedHost < 0 || m_PickedHost >= GetHostCount())
        return false;
    TrackHost& h = m_Hosts[size_t(m_PickedHost)];
    auto& d = h.dots;
    const auto it = std::find(d.begin(), d.end(), m_PickedDot);
    if (it == d.end())
        return false;
    const size_t j = size_t(it - d.begin());
    const bool isEnd = j == 0 || j + 1 == d.size();

    if (isEnd && !h.closed) {
        if (m_Cursor.Distance(d[j]) < kEndDragStart)
            return true;
        // Far enough from the end: a stroke leaves it, pointing out of the host.
        const CVec3 dot = d[j];
        ClearLiveEdit();
        m_LiveDots.push_back(dot);
        if (d.size() >= 2) {
            if (j == 0) {
                m_AnchorDot = d[1];
                SetDirection(d[0] - d[1], true, true);
            } else {
                m_AnchorDot = d[j - 1];
                SetDirection(d[j] - d[j - 1], true, true);
            }
        }
        m_PickedDot = dot;
        m_PickedHost = -1;
        return true;
    }
    if (!isEnd) {
        m_LiveDots.clear();
        if (!CanDragDot(h, int(j), m_Cursor))
            return true;
    }
    d[j] = m_Cursor;
    m_PickedDot = m_Cursor;
    MarkEdited(h);
    m_Modified = true;
    return true;
}

bool CSplineDotUtil::CanDragDot(const TrackHost& host, int dot, CVec3& cursor) const
{
    const auto& d = host.dots;
    const int n = int(d.size());
    if (n < 2 || dot < 0 || dot >= n)
        return false;
    if (dot == 0 || dot == n - 1)
        return true;
    const CVec3& D = d[size_t(dot)];
    const CVec3& P = d[size_t(dot - 1)];
    const CVec3& N = d[size_t(dot + 1)];
    const CVec3 raw = cursor;
    const float e = D.Distance(P), f = D.Distance(N), g = raw.Distance(P), h = raw.Distance(N);
    if (g < kDragMinGap || h < kDragMinGap)
        return false;

    const float w = P.Distance(N);
    if (!(w >= kDegenerate)) // neighbours on top of each other: no chord to measure against
        return false;
    const CVec3 b = (N - P) * (1.0f / w);
    const CVec3 c = raw - P;
    const float E = c.Dot(b);
    CVec3 offset = c - b * E;
    const float off = offset.Length();
    if (off > kDragMaxOffset)
        offset *= kDragMaxOffset / off;
    cursor = P + b * E + offset;

    const bool outside = E <= 16.0f || E >= std::max(w - 16.0f, 16.0f) || (g > e && g > kDragMaxOffset) ||
                         (h > f && h > kDragMaxOffset);
    const CVec3 dv = D - P;
    const float m = (dv - b * dv.Dot(b)).Length();
    const float nDist = (c - b * E).Length();
    return !(outside && m <= nDist && !(g < e && h < f));
}

bool CSplineDotUtil::SnapToDot()
{
    for (const TrackHost& h : m_Hosts) {
        if (h.closed || h.dots.empty())
            continue;
        if (Within(h.dots.front(), m_Cursor, kPickRadius) || Within(h.dots.back(), m_Cursor, kPickRadius))
            return false;
    }
    for (const TrackHost& h : m_Hosts) {
        if (h.dots.empty())
            continue;
        const CVec3& lo = h.mesh.m_BoxMin;
        const CVec3& hi = h.mesh.m_BoxMax;
        if (m_Cursor.x < lo.x - kPickRadius || m_Cursor.x > hi.x + kPickRadius || m_Cursor.y < lo.y - kPickRadius ||
            m_Cursor.y > hi.y + kPickRadius)
            continue;
        const CVec3 s = FindDotNear(h, m_Cursor, kPickRadius);
        if (IsNone(s))
            continue;
        if (m_LiveDots.size() >= 2 || (m_LiveDots.size() == 1 && m_LiveDots[0] == s)) {
            if (m_LiveDots.back() != s)
                m_LiveDots.push_back(s);
            return true;
        }
    }
    return false;
}

bool CSplineDotUtil::MoveLastDot()
{
    if (m_LiveDots.size() < 2)
        return false;
    if (Within(m_Cursor, m_LiveDots[0], kPickRadius)) {
        CommitTrack();
        return true;
    }
    const CVec3 remembered = m_LiveDots.back();
    m_LiveDots.back() = m_Cursor;
    const CVec3 point = m_Cursor;
    if (AttachStroke(m_LiveDots, point))
        return true;
    m_LiveDots.back() = remembered;
    return false;
}

bool CSplineDotUtil::AttachStroke(std::vector<CVec3>& dots, const CVec3& point)
{
    if (dots.size() < 2)
        return false;
    const float a = dots.front().DistanceSq(point);
    float c = a;
    for (size_t i = 1; i + 1 < dots.size(); ++i)
        c = std::min(c, dots[i].DistanceSq(point));
    if (a > kNearStart * kNearStart && c > kNearInner * kNearInner && (m_BendAngle > kBendOn || m_Bent))
        return false;
    if (MergeIntoHost(dots, point))
        return true;
    for (TrackHost& h : m_Hosts) {
        if (&h.dots != &dots)
            continue;
        if (dots.size() >= 3 && Within(dots.front(), dots.back(), kPickRadius)) {
            h.closed = 1;
            h.dots.pop_back();
            MarkEdited(h);
            m_Modified = true;
            return true;
        }
        break;
    }
    return false;
}

void CSplineDotUtil::ExtendStroke()
{
    auto& live = m_LiveDots;
    if (live.empty())
        return;
    if (live.size() == 1 && !IsNone(m_AnchorDot) && m_Cursor.Distance(live[0]) < kHostEndGap)
        return;

    const CVec3 L = live.back();
    const float r = Dist2D(L, m_Cursor);

    bool removed = false;
    while (live.size() >= 2) {
        const CVec3& B = live[live.size() - 2];
        const CVec3& A = live.back();
        const float sx = A.x - B.x, sy = A.y - B.y;
        const float l2 = sx * sx + sy * sy;
        if (!(l2 > 0.000001f)) {
            live.pop_back();
            removed = true;
            continue;
        }
        const float len = std::sqrt(l2);
        const float ux = sx / len, uy = sy / len;
        const float cx = m_Cursor.x - B.x, cy = m_Cursor.y - B.y;
        const float v = cx * ux + cy * uy;
        const float q = std::fabs(cx * uy - cy * ux);
        if (v > len - kBackTrack || q > kBackTrackSide)
            break;
        live.pop_back();
        removed = true;
    }
    if (removed) {
        if (live.size() < 2)
            ClearLiveEdit();
        else
            SetDirection(live.back() - live[live.size() - 2], true, true);
        return;
    }

    if (m_BendAngle > kBendOn || m_Bent)
        return;

    const size_t n = live.size();
    const float m = n == 1 ? 1e30f : live.front().DistanceSq(m_Cursor);
    float o = m;
    for (size_t i = 1; i + 1 < n; ++i)
        o = std::min(o, live[i].DistanceSq(m_Cursor));
    const bool nearStroke = !(m > kNearStart * kNearStart && o > kNearInner * kNearInner);
    const float spacing = nearStroke ? kSpacingNear : kSpacingFar;

    const float l = live.front().Distance(live.back());
    if (l < kMaxStroke && r >= spacing) {
        const int k = std::min(int(r / spacing), int((kMaxStroke - l) / spacing));
        if (k > 0) {
            const float ux = (m_Cursor.x - L.x) / r, uy = (m_Cursor.y - L.y) / r;
            for (int i = 1; i <= k; ++i) {
                const float step = float(i) * spacing;
                live.emplace_back(L.x + ux * step, L.y + uy * step, L.z + (float(i) / float(k)) * (m_Cursor.z - L.z));
            }
        }
    }
    if (IsNone(m_LastDir) && live.size() >= 2)
        SetDirection(live.back() - live[live.size() - 2], true, true);
}

// ---------------------------------------------------------------------------
// Keys

bool CSplineDotUtil::DeletePickedDot()
{
    if (IsNone(m_PickedDot) || m_PickedHost < 0 || m_PickedHost >= GetHostCount())
        return false;
    TrackHost& h = m_Hosts[size_t(m_PickedHost)];
    const auto it = std::find(h.dots.begin(), h.dots.end(), m_PickedDot);
    if (it != h.dots.end()) {
        h.dots.erase(it);
        MarkEdited(h);
        m_Modified = true;
        if (h.dots.size() <= 1)
            m_Hosts.erase(m_Hosts.begin() + m_PickedHost);
    }
    ClearLiveEdit();
    return true;
}

bool CSplineDotUtil::RemovePickedHost()
{
    if (m_PickedHost < 0 || m_PickedHost >= GetHostCount())
        return false;
    m_Hosts.erase(m_Hosts.begin() + m_PickedHost);
    m_Modified = true;
    ClearLiveEdit();
    return true;
}

bool CSplineDotUtil::SmoothPickedHost()
{
    if (m_PickedHost < 0 || m_PickedHost >= GetHostCount())
        return false;
    TrackHost& h = m_Hosts[size_t(m_PickedHost)];
    Spline::Smooth(h.dots, 192, 0.75f, 5);
    MarkEdited(h);
    h.curveCache.clear();
    m_Modified = true;
    CVersions::Print(true, "CSplineDot::KeyDown  Optimize size=%d\r\n", int(h.dots.size()));
    return true;
}

// ---------------------------------------------------------------------------
// Committing and merging

void CSplineDotUtil::CommitTrack()
{
    if (m_LiveDots.size() < 2) {
        ClearLiveEdit();
        return;
    }
    std::vector<CVec3> dots = m_LiveDots;
    const bool nearStart = Within(dots.front(), m_Cursor, kPickRadius);
    const bool closing = Within(dots.front(), dots.back(), kPickRadius);
    TrackHost host;
    host.dirty = 1;
    if (!nearStart && !closing) {
        std::vector<CVec3> smoothed = dots;
        Spline::Smooth(smoothed, 192, 0.75f, 5);
        CVersions::Print(true, "CSplineDotUtil::CommitTrack Optimize size=%d//%d\r\n", int(smoothed.size()),
                         int(dots.size()));
        host.dots = std::move(smoothed);
        host.closed = 0;
        m_Hosts.push_back(std::move(host));
        AddCornerDots(m_Hosts.back());
    } else {
        if (closing)
            dots.pop_back();
        host.dots = std::move(dots);
        host.closed = 1;
        m_Hosts.push_back(std::move(host));
    }
    m_Modified = true;
    ClearLiveEdit();
}

void CSplineDotUtil::AddCornerDots(TrackHost& host)
{
    auto& d = host.dots;
    if (d.size() < 4)
        return;
    auto corner = [&d](size_t k) { return Spline::IsBend(d[k - 1], d[k], d[k + 1]); };
    // The inserted dot lies 192 from one end by construction; allow for rounding.
    const float minGap = kSpacingFar - 0.001f;

    for (size_t k = 2; k + 1 < d.size(); ++k) {
        if (!corner(k) || corner(k - 1))
            continue;
        const CVec3 seg = d[k] - d[k - 1];
        const float len = seg.Length();
        if (!(len > kCornerSegment))
            continue;
        const CVec3 p = d[k - 1] + seg * (kSpacingFar / len);
        if (p.Distance(d[k - 1]) >= minGap && p.Distance(d[k]) >= minGap && p != d[k - 1] && p != d[k]) {
            d.insert(d.begin() + std::ptrdiff_t(k), p);
            ++k; // step over the inserted dot
        }
    }
    for (size_t k = 2; k + 2 < d.size(); ++k) {
        if (!corner(k - 1) || corner(k))
            continue;
        const CVec3 seg = d[k + 1] - d[k];
        const float len = seg.Length();
        if (!(len > kCornerSegment))
            continue;
        const CVec3 p = d[k + 1] - seg * (kSpacingFar / len);
        if (p.Distance(d[k]) >= minGap && p.Distance(d[k + 1]) >= minGap && p != d[k] && p != d[k + 1]) {
            d.insert(d.begin() + std::ptrdiff_t(k + 1), p);
            ++k;
        }
    }
}

bool CSplineDotUtil::MergeIntoHost(std::vector<CVec3>& list, const CVec3& point)
{
    if (list.empty())
        return false;
    int self = -1;
    for (size_t i = 0; i < m_Hosts.size(); ++i)
        if (&m_Hosts[i].dots == &list)
            self = int(i);

    int best = -1, bestCase = 0;
    const bool lf = Within(list.front(), point, kPickRadius);
    const bool ll = Within(list.back(), point, kPickRadius);
    for (size_t i = 0; i < m_Hosts.size(); ++i) {
        const TrackHost& h = m_Hosts[i];
        if (int(i) == self || h.closed || h.dots.empty())
            continue;
        const bool hf = Within(h.dots.front(), point, kPickRadius);
        const bool hl = Within(h.dots.back(), point, kPickRadius);
        const int cs = (ll && hl) ? 4 : (ll && hf) ? 3 : (lf && hl) ? 2 : (lf && hf) ? 1 : 0;
        if (cs > bestCase) {
            best = int(i);
            bestCase = cs;
            if (cs == 4)
                break;
        }
    }
    if (best < 0)
        return false;

    const std::vector<CVec3>& hd = m_Hosts[size_t(best)].dots;
    std::vector<CVec3> joined;
    joined.reserve(hd.size() + list.size());
    switch (bestCase) {
    case 4:
        joined = hd;
        joined.back() = point;
        joined.insert(joined.end(), list.rbegin() + 1, list.rend());
        break;
    case 3:
        joined = list;
        joined.back() = point;
        joined.insert(joined.end(), hd.begin() + 1, hd.end());
        break;
    case 2:
        joined = hd;
        joined.back() = point;
        joined.insert(joined.end(), list.begin() + 1, list.end());
        break;
    default:
        joined.assign(list.rbegin(), list.rend() - 1);
        joined.insert(joined.end(), hd.begin(), hd.end());
        joined[list.size() - 1] = point;
        break;
    }
    TrackHost& winner = m_Hosts[size_t(best)];
    winner.dots = std::move(joined);
    MarkEdited(winner);
    if (self >= 0)
        m_Hosts.erase(m_Hosts.begin() + self); // list is gone from here on
    m_Modified = true;
    ClearLiveEdit();
    return true;
}

// ---------------------------------------------------------------------------
// Chaining and snapping

void CSplineDotUtil::ChainHosts() { ChainHostsImpl(nullptr); }

void CSplineDotUtil::ChainHostsImpl(std::vector<size_t>* leftOver)
{
    const size_t count = m_Hosts.size();
    if (count < 2)
        return;
    const bool hadPick = !IsNone(m_PickedDot) && m_PickedHost >= 0 && m_PickedHost < int(count);
    const CVec3 pickedDot = m_PickedDot;
    const int oldPick = m_PickedHost;

    std::vector<uint32_t> visited((count + 31) / 32, 0);
    auto isVisited = [&](size_t i) { return (visited[i / 32] >> (i % 32)) & 1u; };
    auto mark = [&](size_t i) { visited[i / 32] |= 1u << (i % 32); };

    size_t start = 0;
    bool found = false;
    for (size_t i = 0; i < count; ++i) {
        const TrackHost& h = m_Hosts[i];
        if (h.closed || h.dots.empty())
            continue;
        if (!found || h.dots.front().x < m_Hosts[start].dots.front().x) {
            start = i;
            found = true;
        }
    }

    std::vector<TrackHost> chain;
    chain.reserve(count);
    std::vector<int> newIndexOf(count, -1);
    newIndexOf[start] = 0;

    // the ends hosts may be joined at (open hosts of two dots or more)
    std::vector<CEndpointGrid::End> ends;
    for (size_t i = 0; i < count; ++i) {
        const TrackHost& h = m_Hosts[i];
        if (i == start || h.closed || h.dots.size() < 2)
            continue;
        ends.push_back({h.dots.front(), uint32_t(i), false});
        ends.push_back({h.dots.back(), uint32_t(i), true});
    }
    CEndpointGrid grid(std::move(ends));
    chain.push_back(std::move(m_Hosts[start]));
    mark(start);

    for (;;) {
        if (chain.back().dots.empty())
            break; // an empty host has no end to continue from
        const CVec3 E = chain.back().dots.back();
        uint32_t best = 0;
        bool reversed = false;
        float bestDist = FLT_MAX;
        if (!grid.Nearest(E, best, reversed, bestDist))
            break;
        grid.RemoveHost(best);
        TrackHost& h = m_Hosts[size_t(best)];
        if (reversed)
            std::reverse(h.dots.begin(), h.dots.end());
        newIndexOf[size_t(best)] = int(chain.size());
        chain.push_back(std::move(h));
        mark(size_t(best));
    }
    for (size_t i = 0; i < count; ++i) {
        if (isVisited(i))
            continue;
        m_Hosts[i].mesh.m_Number = int(i);
        newIndexOf[i] = int(chain.size());
        if (leftOver)
            leftOver->push_back(chain.size());
        chain.push_back(std::move(m_Hosts[i]));
    }
    m_Hosts = std::move(chain);

    if (hadPick) {
        bool repicked = false;
        for (size_t i = 0; i < m_Hosts.size(); ++i) {
            const TrackHost& h = m_Hosts[i];
            if (!h.closed && !h.dots.empty() && h.dots.back() == pickedDot) {
                m_PickedHost = int(i);
                m_PickedDot = h.dots.back();
                repicked = true;
                break;
            }
        }
        if (!repicked)
            m_PickedHost = newIndexOf[size_t(oldPick)]; // keep naming the same host
    }
    SnapHosts();
}

void CSplineDotUtil::SnapHosts()
{
    for (size_t i = 1; i < m_Hosts.size(); ++i) {
        const TrackHost& prev = m_Hosts[i - 1];
        TrackHost& cur = m_Hosts[i];
        if (prev.closed || cur.closed || prev.dots.size() < 2 || cur.dots.size() < 2)
            continue;
        const CVec3 b = prev.dots.back();
        const CVec3 g = b - cur.dots.front();
        const float g2 = g.x * g.x + g.y * g.y;
        if (g2 > kSnapReach * kSnapReach)
            continue;
        if (g2 <= kSnapMove * kSnapMove) {
            for (CVec3& d : cur.dots)
                d += g;
        } else {
            CVec3 A, B;
            if (!LastDirection(prev.dots, A) || !FirstDirection(cur.dots, B))
                continue; // no direction to compare
            const float dot = std::clamp(A.Dot(B), -1.0f, 1.0f);
            if (dot < CosRad(0.34906584f))
                continue;
            const float angle = std::acos(dot);
            const float turn = (A.x * B.y - A.y * B.x) > 0.0f ? -angle : angle;
            const float s = SinRad(turn), c = CosRad(turn);
            const CVec3 pivot = cur.dots.front();
            for (CVec3& d : cur.dots) {
                const float dx = d.x - pivot.x, dy = d.y - pivot.y;
                d.x = pivot.x + dx * c - dy * s + g.x;
                d.y = pivot.y + dx * s + dy * c + g.y;
                d.z += g.z;
            }
        }
        cur.dots.front() = b;
        cur.dirty = 1;
    }
}
