#include "tracks/SplineDot.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "foundation/core/Versions.h"
#include "foundation/math/Spline.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "tracks/TrackFile.h"

namespace {

// A set name is one folder below "User".
bool UsableName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos;
}

// Writes the bytes to "<path>.unsaved", or the first of "<path>.unsaved.1", .2,
// ... that is free; returns the name written, empty (and `why` set) when none
// could be.
std::string SaveBeside(const std::string& path, const std::vector<uint8_t>& bytes, std::string& why)
{
    constexpr int kNames = 100;
    for (int n = 0; n < kNames; ++n) {
        const std::string name = path + ".unsaved" + (n ? "." + std::to_string(n) : std::string());
        int error = 0;
        if (platform::WriteNewFile(name, bytes.data(), bytes.size(), &error))
            return name;
        if (error != EEXIST) {
            why = std::strerror(error);
            return {};
        }
    }
    why = "every name beside it is taken, up to .unsaved." + std::to_string(kNames - 1);
    return {};
}

} // namespace

std::string CSplineDot::TrackFilePath(const std::string& name)
{
    return platform::ResolvePath("User//" + name + "//hostlist.bin");
}

int CSplineDot::LoadTrack(const std::string& name)
{
    const uint64_t start = platform::NowMs();
    m_Name = name;
    m_LoadFailed = false;
    const std::string path = TrackFilePath(name);
    std::vector<uint8_t> bytes;
    std::string why;
    if (!platform::ReadWholeFile(path, bytes, kMaxTrackFileSize, &why)) {
        if (platform::NameExists(path)) {
            // There is something we could not read (a link to itself included):
            // never overwrite it unasked.
            m_LoadFailed = true;
            CVersions::Print(false, "CSplineDot::LoadTrack error: cannot read %s: %s\r\n", path.c_str(), why.c_str());
        }
        return 0;
    }
    int hosts = 0;
    LoadHosts(bytes.data(), bytes.size(), start, &hosts);
    return hosts;
}

bool CSplineDot::LoadFromBytes(const uint8_t* data, size_t size, int* hostsOut)
{
    return LoadHosts(data, size, platform::NowMs(), hostsOut);
}

bool CSplineDot::LoadHosts(const uint8_t* data, size_t size, uint64_t start, int* hostsOut)
{
    std::vector<TrackHost> hosts;
    const TrackFileReadResult read = ReadTrackSet(data, size, hosts);

    for (TrackHost& h : m_Hosts) {
        h.curveCache.clear();
        h.mesh.Clear();
        h.dots.clear();
    }
    m_Hosts = std::move(hosts);
    ClearLiveEdit(); // a pick named a host of the old list
    m_Modified = false;
    m_LoadFailed = !read.ok;
    if (!read.ok)
        CVersions::Print(false, "CSplineDot::LoadTrack error: %s: %s; kept %d hosts\r\n", m_Name.c_str(),
                         read.fault.c_str(), GetHostCount());

    const int hostCount = GetHostCount();
    long long dotTotal = 0;
    int dotMin = hostCount ? INT_MAX : 0, dotMax = 0;
    for (const TrackHost& h : m_Hosts) {
        const int n = int(h.dots.size());
        dotTotal += n;
        dotMin = std::min(dotMin, n);
        dotMax = std::max(dotMax, n);
    }

    // Chain first, so the meshes follow the hosts as they will be ridden.
    std::vector<size_t> leftOver;
    ChainHostsImpl(&leftOver);
    std::vector<int> numbers;
    for (size_t i : leftOver)
        numbers.push_back(m_Hosts[i].mesh.m_Number);
    long long vertices = 0, indices = 0;
    size_t meshBytes = 0;
    int unbuilt = 0;
    size_t held = BudgetHeld(); // of the sets served before this one: its own hosts are new
    for (TrackHost& h : m_Hosts) {
        // past the budget a host keeps its dots (they are saved) but gets no mesh
        if (BuildWithinBudget(h, held) < 0) {
            h.dirty = 0;
            ++unbuilt;
            continue;
        }
        vertices += h.mesh.GetVertexCount();
        indices += h.mesh.GetIndexCount();
        meshBytes += h.mesh.MemoryBytes();
    }
    if (unbuilt > 0)
        CVersions::Print(false,
                         "CSplineDot::LoadTrack %s: %d hosts not built, the track meshes would take more than "
                         "%zu MB\r\n",
                         TrackFilePath(m_Name).c_str(), unbuilt, BudgetLimit() >> 20);
    for (size_t k = 0; k < leftOver.size(); ++k)
        m_Hosts[leftOver[k]].mesh.m_Number = numbers[k];

    const double meshMB = double(meshBytes) / 1048576.0;
    const double dotsMB = double(dotTotal) * 12.0 / 1048576.0;
    CVersions::Print(true,
                     "CSplineDot::LoadTrack %d ms Hst=%d Dots=%d avg=%.1f min=%d max=%d VBO[V=%d I=%d MB=%.2f] "
                     "DotsMB=%.2f TotalMB=%.2f\r\n",
                     int(platform::NowMs() - start), hostCount, int(dotTotal),
                     hostCount ? double(dotTotal) / hostCount : 0.0, dotMin, dotMax, int(vertices), int(indices),
                     meshMB, dotsMB, meshMB + dotsMB);
    if (hostsOut)
        *hostsOut = hostCount;
    return read.ok;
}

bool CSplineDot::SaveTrack()
{
    if (!UsableName(m_Name))
        return CVersions::Print(false, "CSplineDot::SaveTrack error: no usable set name \"%s\"\r\n", m_Name.c_str());
    const std::string path = TrackFilePath(m_Name);
    if (m_LoadFailed && !m_Modified)
        return CVersions::Print(false, "CSplineDot::SaveTrack %s kept: damaged when loaded and not edited since\r\n",
                                path.c_str());
    platform::CreateDirectories(platform::ResolvePath("User"));
    platform::CreateDirectories(platform::ResolvePath("User//" + m_Name));
    const std::vector<uint8_t> bytes = WriteTrackSet(m_Hosts);
    if (!platform::WriteFileAtomic(path, bytes.data(), bytes.size())) {
        if (!m_Modified)
            return CVersions::Print(false, "CSplineDot::SaveTrack error: cannot write %s\r\n", path.c_str());
        // the user's edits go to a new file beside it that replaces nothing
        std::string why;
        const std::string beside = SaveBeside(path, bytes, why);
        if (beside.empty())
            return CVersions::Print(false,
                                    "CSplineDot::SaveTrack error: %s cannot be written, nor a new file beside it (%s): "
                                    "the edits are lost\r\n",
                                    path.c_str(), why.c_str());
        return CVersions::Print(false, "CSplineDot::SaveTrack error: %s cannot be written; the edited set is saved as %s\r\n",
                                path.c_str(), beside.c_str());
    }
    m_LoadFailed = false;
    return true;
}

void CSplineDot::KeyDown(int code)
{
    switch (code) {
    case kKeyDelete:
        DeletePickedDot();
        break;
    case kKeyBack:
        RemovePickedHost();
        break;
    case kKeyOptimize:
        SmoothPickedHost();
        break;
    default:
        break;
    }
}

void CSplineDot::OnMouseDown(bool down)
{
    if (!down)
        return;
    const bool validHost = m_PickedHost >= 0 && m_PickedHost < GetHostCount();
    if (m_PickedDot != 0.0f && validHost && m_Hosts[size_t(m_PickedHost)].closed)
        return; // a later move drags that dot
    if (PickOpenEnd()) {
        BeginStroke();
        return;
    }
    if (SnapToDot())
        return;
    if (m_PickedDot == 0.0f && m_PickedHost == -1)
        BeginStroke();
}

void CSplineDot::OnMouseUp(bool down)
{
    if (down)
        return;
    CommitTrack();
    ClearLiveEdit();
    if (GetHostCount() >= 1)
        ChainHosts();
}

void CSplineDot::OnMouseMove(const CVec3& point, bool down)
{
    m_Cursor = point;
    UpdateBend();
    if (!down) {
        CommitTrack();
        HoverPick(m_Cursor);
        return;
    }
    if (DragPickedDot() || SnapToDot() || MoveLastDot())
        return;
    ExtendStroke();
}

bool CSplineDot::UpdateLiveCurve()
{
    if (m_LiveDots.size() < 2)
        return false;
    if (!m_LiveCurve.empty() && m_LiveDots == m_LiveCurveDots)
        return false;
    m_LiveCurveDots = m_LiveDots;
    m_LiveCurveCount = int(m_LiveDots.size());
    Spline::Generate(m_LiveCurve, m_LiveDots, 10, false);
    return true;
}
