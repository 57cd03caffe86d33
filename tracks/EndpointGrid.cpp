#include "tracks/EndpointGrid.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

bool Finite(const CVec3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

} // namespace

CEndpointGrid::CEndpointGrid(std::vector<End> ends)
{
    uint32_t hosts = 0;
    for (const End& e : ends)
        hosts = std::max(hosts, e.host + 1);
    m_Removed.assign(hosts, 0);
    // an end that is not finite is never nearest to anything
    ends.erase(std::remove_if(ends.begin(), ends.end(), [](const End& e) { return !Finite(e.point); }), ends.end());
    m_Ends = std::move(ends);
    Rebuild();
}

int CEndpointGrid::CellX(double x) const
{
    return std::clamp(int(std::floor((x - m_MinX) / m_Cell)), 0, m_Width - 1);
}

int CEndpointGrid::CellY(double y) const
{
    return std::clamp(int(std::floor((y - m_MinY) / m_Cell)), 0, m_Height - 1);
}

void CEndpointGrid::Rebuild()
{
    m_Ends.erase(std::remove_if(m_Ends.begin(), m_Ends.end(), [&](const End& e) { return m_Removed[e.host] != 0; }),
                 m_Ends.end());
    m_Live = m_Ends.size();
    const size_t n = std::max<size_t>(m_Ends.size(), 1);
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (size_t i = 0; i < m_Ends.size(); ++i) {
        const double x = m_Ends[i].point.x, y = m_Ends[i].point.y;
        if (i == 0) {
            minX = maxX = x;
            minY = maxY = y;
        }
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    const double ex = maxX - minX, ey = maxY - minY;
    // about one end per cell; a long thin set gets cells along its length
    double cell = std::sqrt(ex * ey / double(n));
    cell = std::max({cell, std::max(ex, ey) / double(n), 1e-3});
    m_MinX = minX;
    m_MinY = minY;
    m_Cell = cell;
    m_Width = int(std::min(ex / cell, double(n)) + 1);
    m_Height = int(std::min(ey / cell, double(n)) + 1);
    const size_t cells = size_t(m_Width) * size_t(m_Height);
    m_CellStart.assign(cells + 1, 0);
    for (const End& e : m_Ends)
        ++m_CellStart[size_t(CellY(e.point.y)) * size_t(m_Width) + size_t(CellX(e.point.x)) + 1];
    for (size_t c = 0; c < cells; ++c)
        m_CellStart[c + 1] += m_CellStart[c];
    m_CellEnds.assign(m_Ends.size(), 0);
    std::vector<uint32_t> fill(m_CellStart.begin(), m_CellStart.end() - 1);
    for (uint32_t i = 0; i < uint32_t(m_Ends.size()); ++i) {
        const End& e = m_Ends[i];
        m_CellEnds[fill[size_t(CellY(e.point.y)) * size_t(m_Width) + size_t(CellX(e.point.x))]++] = i;
    }
}

void CEndpointGrid::RemoveHost(uint32_t host)
{
    if (host >= m_Removed.size() || m_Removed[host])
        return;
    m_Removed[host] = 1;
    // a host has two ends (fewer when one was not finite: the count only steers
    // when to rebuild)
    m_Live = m_Live > 2 ? m_Live - 2 : 0;
    if (m_Live * 4 < m_Ends.size() && m_Ends.size() > 64)
        Rebuild();
}

thread_local uint64_t CEndpointGrid::s_Probes = 0;

bool CEndpointGrid::Nearest(const CVec3& from, uint32_t& host, bool& back, float& distance) const
{
    if (!Finite(from) || m_Ends.empty())
        return false;
    float best = FLT_MAX;
    bool found = false;
    auto consider = [&](const End& e) {
        if (m_Removed[e.host])
            return;
        const float d = e.point.Distance(from);
        if (d < best || (found && d == best && (e.host < host || (e.host == host && !e.back && back)))) {
            best = d;
            host = e.host;
            back = e.back;
            found = true;
        }
    };
    uint64_t probes = 0;
    const int cx = CellX(from.x), cy = CellY(from.y);
    const int rings = std::max({cx, cy, m_Width - 1 - cx, m_Height - 1 - cy});
    for (int r = 0; r <= rings; ++r) {
        // every end in ring r lies at least (r - 1) cells away across x or y
        if (found && r >= 2 && double(r - 1) * m_Cell > double(best) * (1.0 + 1e-5))
            break;
        const int x0 = cx - r, x1 = cx + r, y0 = cy - r, y1 = cy + r;
        for (int y = std::max(y0, 0); y <= std::min(y1, m_Height - 1); ++y) {
            const bool edgeRow = y == y0 || y == y1;
            const int step = edgeRow ? 1 : std::max(x1 - x0, 1);
            for (int x = x0; x <= x1; x += step) {
                if (x < 0 || x >= m_Width)
                    continue;
                const size_t c = size_t(y) * size_t(m_Width) + size_t(x);
                probes += 1 + (m_CellStart[c + 1] - m_CellStart[c]);
                for (uint32_t k = m_CellStart[c]; k < m_CellStart[c + 1]; ++k)
                    consider(m_Ends[m_CellEnds[k]]);
            }
        }
    }
    s_Probes += probes;
    distance = best;
    return found;
}
