// Large and odd track sets: the end index agrees with a plain search, chaining
// does little work per host, and the meshes a set builds stay within its budget.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <random>
#include <vector>

#include "log_capture.h"
#include "track_test_support.h"
#include "work_folder.h"
#include "tracks/EndpointGrid.h"

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

// Hosts of `dotsPerHost` dots 1000 apart along a winding line, stored shuffled
// and a third of them backwards.
std::vector<TrackHost> HostsAlongALine(int count, int dotsPerHost)
{
    std::vector<TrackHost> hosts(static_cast<size_t>(count));
    for (int h = 0; h < count; ++h)
        for (int d = 0; d < dotsPerHost; ++d) {
            const float t = float(d);
            hosts[size_t(h)].dots.emplace_back(1000.0f * float(h) + 150.0f * t, 900.0f * std::sin(t * 0.12f), 0.0f);
        }
    for (size_t h = 0; h < hosts.size(); h += 3)
        std::reverse(hosts[h].dots.begin(), hosts[h].dots.end());
    std::mt19937 rng(3);
    std::shuffle(hosts.begin(), hosts.end(), rng);
    return hosts;
}

// Chaining a large set looks at a few cells and ends per host (time and memory
// growth are measured in bench/track_set_bench).
TEST(TrackScale, ChainingLooksAtAFewEndsPerHost)
{
    const int count = 10000;
    const std::vector<uint8_t> bytes = WriteTrackSet(HostsAlongALine(count, 2));
    const uint64_t before = CEndpointGrid::Probes();
    CSplineDot set;
    int loaded = 0;
    EXPECT_TRUE(set.LoadFromBytes(bytes.data(), bytes.size(), &loaded));
    const uint64_t probes = CEndpointGrid::Probes() - before;
    EXPECT_EQ(loaded, count);
    EXPECT_GE(probes, uint64_t(count - 1));  // every host after the first was searched for
    EXPECT_LE(probes, uint64_t(count) * 40) << probes;  // about 11 here; 32 000 for a search of every end
    // chained in order along the line, each host after the first (the start,
    // kept as stored) turned to run the same way
    for (size_t i = 1; i < set.m_Hosts.size(); ++i) {
        ASSERT_FLOAT_EQ(set.m_Hosts[i].dots.front().x, 1000.0f * float(i)) << i;
        ASSERT_LT(set.m_Hosts[i].dots.front().x, set.m_Hosts[i].dots.back().x) << i;
    }
}

// A set whose meshes would pass the budget: the hosts past it get no mesh, one
// line names the file, and every dot is kept and saved.
TEST(TrackScale, MeshesStayWithinTheSetsBudget)
{
    WorkFolder folder("tracks");
    std::vector<TrackHost> hosts = HostsAlongALine(3, 20);
    hosts.push_back({});
    for (int d = 0; d < 100000; ++d)  // about 1.2 MB of file
        hosts.back().dots.emplace_back(150.0f * float(d), 900.0f * std::sin(float(d) * 0.12f), 5000.0f);
    CSplineDot writer;
    writer.m_Name = "Huge";
    writer.m_Hosts = std::move(hosts);
    ASSERT_TRUE(writer.SaveTrack());
    const std::vector<uint8_t> saved = WriteTrackSet(writer.m_Hosts);

    LogCapture log;
    CSplineDot set;
    ASSERT_EQ(set.LoadTrack("Huge"), 4);
    size_t held = 0, built = 0, dots = 0;
    for (const TrackHost& h : set.m_Hosts) {
        held += h.mesh.HeldBytes();
        built += h.mesh.GetVertexCount() > 0;
        dots += h.dots.size();
    }
    EXPECT_LE(held, CSplineDot::kMeshBudgetBytes);
    EXPECT_EQ(built, 3u);
    EXPECT_EQ(dots, 100060u);
    EXPECT_TRUE(log.Contains("CSplineDot::LoadTrack " + CSplineDot::TrackFilePath("Huge") +
                             ": 1 hosts not built, the set's meshes would take more than 256 MB"));
    ASSERT_TRUE(set.SaveTrack());
    CSplineDot again;
    ASSERT_EQ(again.LoadTrack("Huge"), 4);
    size_t dotsAgain = 0;
    for (const TrackHost& h : again.m_Hosts)
        dotsAgain += h.dots.size();
    EXPECT_EQ(dotsAgain, 100060u);
}

} // namespace
