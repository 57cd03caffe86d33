// fuzz max_len: 4194304
// Track set file reader: any bytes load without crashing or unbounded allocation,
// the meshes built from what was read are finite, and what a set holds writes
// out and reads back unchanged.
#include <cmath>
#include "fuzz_file.h"

#include <cstdint>
#include <vector>
#include <cstdlib>
#include <vector>

#include "foundation/core/Versions.h"
#include "tracks/SplineDot.h"
#include "tracks/TrackFile.h"

namespace {

bool Finite(const CVec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool Usable(const CVec3& v)
{
    return Finite(v) && std::fabs(v.x) <= kTrackMaxCoordinate && std::fabs(v.y) <= kTrackMaxCoordinate &&
           std::fabs(v.z) <= kTrackMaxCoordinate;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // through the file and the helper the program reads with
    std::vector<uint8_t> held;
    if (!platform::ReadWholeFile(fuzzfile::Put("input", data, size), held, kMaxTrackFileSize))
        return 0;
    data = held.data();
    size = held.size();
    static const bool quiet = (CVersions::EnableLog(false), true);
    (void)quiet;

    CSplineDot set;
    set.LoadFromBytes(data, size);

    bool allUsable = true;
    for (const TrackHost& h : set.m_Hosts) {
        if (h.dots.empty() || h.dirty)
            std::abort();
        for (const CVec3& d : h.dots)
            allUsable = allUsable && Usable(d);
        for (const CVec3& p : h.mesh.m_Positions)
            if (!Finite(p))
                std::abort();
        for (const CVec3& n : h.mesh.m_Normals)
            if (!Finite(n))
                std::abort();
        for (uint32_t i : h.mesh.m_Indices)
            if (i >= h.mesh.m_Positions.size())
                std::abort();
    }

    const std::vector<uint8_t> bytes = WriteTrackSet(set.m_Hosts);
    std::vector<TrackHost> again;
    const TrackFileReadResult r = ReadTrackSet(bytes.data(), bytes.size(), again);
    if (!r.ok) {
        // only a dot moved past the coordinate limit by snapping may fail to read back
        if (allUsable)
            std::abort();
        return 0;
    }
    if (again.size() != set.m_Hosts.size())
        std::abort();
    for (size_t i = 0; i < again.size(); ++i)
        if (again[i].dots != set.m_Hosts[i].dots || again[i].closed != set.m_Hosts[i].closed)
            std::abort();
    return 0;
}
