// Large and odd track sets: the end index agrees with a plain search, chaining
// does little work per host, and the meshes a set builds stay within its budget.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "log_capture.h"
#include "track_test_support.h"
#include "work_folder.h"
#include "tracks/EndpointGrid.h"

#include "tracks/TrackFile.h"

namespace {

using End = CEndpointGrid::End;
using tracktest::DrawStroke;

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
                             ": 1 hosts not built, the track meshes would take more than 256 MB"));
    ASSERT_TRUE(set.SaveTrack());
    CSplineDot again;
    ASSERT_EQ(again.LoadTrack("Huge"), 4);
    size_t dotsAgain = 0;
    for (const TrackHost& h : again.m_Hosts)
        dotsAgain += h.dots.size();
    EXPECT_EQ(dotsAgain, 100060u);
}

// A figure of /proc/self/status in kB ("VmHWM", "VmRSS"); -1 when it is not there.
long StatusKB(const char* field)
{
    std::ifstream f("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(f, line))
        if (line.compare(0, key.size(), key) == 0)
            return std::atol(line.c_str() + key.size());
    return -1;
}

// Runs `steps` in a child process and returns, after each step, how far the
// child's peak resident memory rose above what it held when it started, in MB
// (the allocator's own figures are not reliable under the sanitizers, a fresh
// process's peak is). Each step returns a figure of its own, passed back too.
std::vector<std::pair<double, long>> PeakRisesInAChild(const std::vector<std::function<long()>>& steps)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts again from here
        const long start = StatusKB("VmRSS");
        for (const auto& step : steps) {
            const long figure = step();
            const double rise = double(StatusKB("VmHWM") - start) / 1024.0;
            const std::pair<double, long> out(rise, figure);
            if (::write(fds[1], &out, sizeof out) != ssize_t(sizeof out))
                break;
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::vector<std::pair<double, long>> got;
    std::pair<double, long> in;
    while (::read(fds[0], &in, sizeof in) == ssize_t(sizeof in))
        got.push_back(in);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return got;
}

// A host of 60 000 dots (a 720 KB file) is past the mesh budget: it is refused
// from its estimate, before any of its mesh is made, and stays unbuilt (with its
// dots) when a release elsewhere snaps it, and frames do not weigh it again
// (nor log its refusal again) until an edit of it.
TEST(TrackScale, HostPastTheBudgetIsNeverBuilt)
{
    WorkFolder folder("tracks");
    std::vector<TrackHost> hosts(2);
    for (int d = 0; d < 60000; ++d) {
        const float t = float(d);
        hosts[0].dots.emplace_back(150.0f * t, 900.0f * std::sin(t * 0.12f), 40.0f * std::sin(t * 0.05f));
    }
    // a short host whose end lies 100 before the long one's start: chaining puts
    // the long host after it and snapping marks the long host dirty
    hosts[1].dots = {CVec3(-2000.0f, 0.0f, 0.0f), CVec3(-1000.0f, 0.0f, 0.0f), CVec3(-100.0f, 0.0f, 0.0f)};
    CSplineDot writer;
    writer.m_Name = "Long";
    writer.m_Hosts = std::move(hosts);
    ASSERT_TRUE(writer.SaveTrack());

    // what each step finds, as bits passed back from the child, and how many
    // per-host refusal lines were logged since the last look, in units of kRefusalLine
    constexpr long kBuilt = 1, kDirty = 2, kMarked = 4, kPicked = 8, kRefusalLine = 16;
    const std::string file = CSplineDot::TrackFilePath("Long");
    CSplineDot set;
    LogCapture log;
    auto state = [&] {
        const std::vector<std::string> lines = log.Lines();
        log.Clear();
        const long refusals = std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.find(file + ": a host of ") != std::string::npos;
        });
        for (const TrackHost& h : set.m_Hosts)
            if (h.dots.size() >= 59999)
                return (h.mesh.GetVertexCount() > 0 || h.mesh.HeldBytes() > 0 ? kBuilt : 0) | (h.dirty ? kDirty : 0) |
                       (h.oversized ? kMarked : 0) | refusals * kRefusalLine;
        return -1L;
    };
    const auto steps = PeakRisesInAChild({
        [&] { // loading (its line is for the whole set)
            set.LoadTrack("Long");
            return state();
        },
        [&] { // frames, a stroke far from it, the release, then more edit-mode frames
            set.BuildDirtyMeshes();
            DrawStroke(set, CVec3(0.0f, -30000.0f, 0.0f), CVec3(3000.0f, -30000.0f, 0.0f));
            for (int frame = 0; frame < 3; ++frame)
                set.BuildDirtyMeshes();
            return state();
        },
        [&] { // the user deletes one of its dots (snapping moved it 100 along -x), then frames
            set.OnMouseMove(CVec3(150.0f * 300.0f - 100.0f, 900.0f * std::sin(300 * 0.12f), 0.0f), false);
            const bool picked = set.m_PickedHost >= 0 && set.m_Hosts[size_t(set.m_PickedHost)].dots.size() == 60000;
            set.KeyDown(CSplineDot::kKeyDelete);
            for (int frame = 0; frame < 3; ++frame)
                set.BuildDirtyMeshes();
            return state() | (picked ? kPicked : 0);
        },
    });
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_LT(steps[0].first, 64.0) << "peak rise loading, MB";
    EXPECT_EQ(steps[0].second, kMarked) << "no mesh, marked for its size";
    EXPECT_LT(steps[1].first, 64.0) << "peak rise after the release and the frames, MB";
    EXPECT_EQ(steps[1].second, kDirty | kMarked)
        << "snapped (dirty), still marked and without a mesh, and not weighed again; refusal lines: "
        << steps[1].second / kRefusalLine;
    EXPECT_LT(steps[2].first, 64.0) << "peak rise after editing it, MB";
    EXPECT_EQ(steps[2].second, kDirty | kMarked | kPicked | kRefusalLine)
        << "the edit is weighed again once: refused with one log line, not built; refusal lines: "
        << steps[2].second / kRefusalLine;
}

} // namespace
