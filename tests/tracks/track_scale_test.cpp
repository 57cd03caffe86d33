// Large and odd track sets: the end index agrees with a plain search, and big
// sets load in bounded time and memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <random>
#include <vector>

#include "platform/Memory.h"
#include "track_test_support.h"
#include "tracks/EndpointGrid.h"

// The time bounds are for an optimised build; AddressSanitizer debug builds run several times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr double kSlowdown = 6.0;
#else
constexpr double kSlowdown = 1.0;
#endif
#include "tracks/TrackFile.h"

namespace {

using End = CEndpointGrid::End;

// The nearest live end by looking at every one, with the grid's tie rule.
bool PlainNearest(const std::vector<End>& ends, const std::vector<bool>& removed, const CVec3& from, uint32_t& host,
                  bool& back)
{
    float best = FLT_MAX;
    bool found = false;
    for (const End& e : ends) {
        if (removed[e.host])
            continue;
        const float d = e.point.Distance(from);
        if (d < best || (found && d == best && (e.host < host || (e.host == host && !e.back && back)))) {
            best = d;
            host = e.host;
            back = e.back;
            found = true;
        }
    }
    return found;
}

TEST(EndpointGrid, AgreesWithAPlainSearchWhileHostsAreTaken)
{
    struct Layout {
        const char* name;
        float spread;  // of the ends
        float grain;   // positions are rounded to this, so many ends share a place
        bool line;     // all on one line (a very thin grid)
        bool outlier;  // one end very far away, and some that are not finite
    } layouts[] = {
        {"scattered", 50000.0f, 0.0f, false, false},
        {"shared places", 2000.0f, 500.0f, false, false},
        {"one line", 100000.0f, 0.0f, true, false},
        {"far outlier and non-finite ends", 5000.0f, 0.0f, false, true},
    };
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.name);
        std::mt19937 rng(11);
        std::uniform_real_distribution<float> u(0.0f, l.spread);
        std::vector<End> ends;
        const uint32_t hosts = 600;
        for (uint32_t h = 0; h < hosts; ++h)
            for (bool back : {false, true}) {
                CVec3 p(u(rng), l.line ? 0.0f : u(rng), u(rng) * 0.01f);
                if (l.grain > 0)
                    p = CVec3(std::round(p.x / l.grain) * l.grain, std::round(p.y / l.grain) * l.grain, 0.0f);
                ends.push_back({p, h, back});
            }
        if (l.outlier) {
            ends[0].point = CVec3(3.0e7f, -2.0e7f, 0.0f);
            ends[5].point = CVec3(NAN, 0.0f, 0.0f);
            ends[8].point = CVec3(INFINITY, 1.0f, 0.0f);
        }
        CEndpointGrid grid(ends);
        std::vector<bool> removed(hosts, false);
        CVec3 from(l.spread / 2, l.spread / 2, 0.0f);
        for (uint32_t step = 0; step < hosts; ++step) {
            uint32_t gh = 0, ph = 0;
            bool gb = false, pb = false;
            float d = 0;
            const bool g = grid.Nearest(from, gh, gb, d);
            const bool p = PlainNearest(ends, removed, from, ph, pb);
            ASSERT_EQ(g, p) << "step " << step;
            if (!g)
                break;
            ASSERT_EQ(gh, ph) << "step " << step;
            ASSERT_EQ(gb, pb) << "step " << step;
            grid.RemoveHost(gh);
            removed[gh] = true;
            // continue from the other end of the host taken, as chaining does
            for (const End& e : ends)
                if (e.host == gh && e.back != gb)
                    from = e.point;
            if (!std::isfinite(from.x) || !std::isfinite(from.y))
                from = CVec3(0, 0, 0);
        }
    }
}

TEST(TrackScale, LargeSetsLoadInBoundedTimeAndMemory)
{
    struct Case {
        const char* name;
        int hosts;
        int dotsPerHost;
    } cases[] = {
        {"30 000 hosts of two dots", 30000, 2},
        {"one host of 20 000 dots", 1, 20000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<TrackHost> hosts;
        hosts.resize(size_t(c.hosts));
        std::mt19937 rng(3);
        // hosts 1000 apart along a winding line: too far apart to be snapped, so
        // the chain must take them in order
        for (int h = 0; h < c.hosts; ++h)
            for (int d = 0; d < c.dotsPerHost; ++d) {
                const float t = float(d);
                hosts[size_t(h)].dots.emplace_back(1000.0f * float(h) + 150.0f * t, 900.0f * std::sin(t * 0.12f),
                                                   0.0f);
            }
        for (size_t h = 0; h < hosts.size(); h += 3)
            std::reverse(hosts[h].dots.begin(), hosts[h].dots.end());
        std::shuffle(hosts.begin(), hosts.end(), rng);
        const std::vector<uint8_t> bytes = WriteTrackSet(hosts);

        const uint64_t before = platform::WorkingSetBytes();
        const auto t0 = std::chrono::steady_clock::now();
        CSplineDot set;
        int loaded = 0;
        EXPECT_TRUE(set.LoadFromBytes(bytes.data(), bytes.size(), &loaded));
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const double heldMB = (double(platform::WorkingSetBytes()) - double(before)) / 1048576.0;
        EXPECT_EQ(loaded, c.hosts);
        EXPECT_LT(seconds, 30.0 * kSlowdown);
        EXPECT_LT(heldMB, 800.0);
        // chained in order along the line, each host after the first (the start,
        // kept as stored) turned to run the same way
        if (c.hosts > 1)
            for (size_t i = 1; i < set.m_Hosts.size(); ++i) {
                ASSERT_FLOAT_EQ(set.m_Hosts[i].dots.front().x, 1000.0f * float(i)) << i;
                ASSERT_LT(set.m_Hosts[i].dots.front().x, set.m_Hosts[i].dots.back().x) << i;
            }
    }
}

} // namespace
