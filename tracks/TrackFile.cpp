#include "tracks/TrackFile.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

uint64_t ReadU64(const uint8_t* p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

float ReadF32(const uint8_t* p)
{
    uint32_t bits = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

void PutU64(std::vector<uint8_t>& out, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

void PutF32(std::vector<uint8_t>& out, float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(bits >> (8 * i)));
}

std::string Format(const char* fmt, auto... args)
{
    char buf[256];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

bool UsableCoordinate(float v) { return std::isfinite(v) && std::fabs(v) <= kTrackMaxCoordinate; }

} // namespace

TrackFileReadResult ReadTrackSet(const uint8_t* data, size_t size, std::vector<TrackHost>& hosts)
{
    TrackFileReadResult r;
    size_t at = 0;
    auto fail = [&](std::string why) {
        r.ok = false;
        r.fault = std::move(why);
        return r;
    };
    if (size < 8)
        return fail(Format("file of %zu bytes has no host count", size));
    r.declaredHosts = ReadU64(data);
    at = 8;
    for (uint64_t h = 0; h < r.declaredHosts; ++h) {
        const size_t left = size - at;
        if (left < 8)
            return fail(Format("host %" PRIu64 " of %" PRIu64 ": dot count cut off", h + 1, r.declaredHosts));
        const uint64_t n = ReadU64(data + at);
        at += 8;
        const size_t avail = size - at;
        // dots plus the closed and dirty bytes must fit in what is left
        if (avail < 2 || n > (avail - 2) / 12)
            return fail(Format("host %" PRIu64 " of %" PRIu64 ": %" PRIu64 " dots do not fit in %zu bytes", h + 1,
                               r.declaredHosts, n, avail));
        TrackHost host;
        host.dots.reserve(size_t(n));
        for (uint64_t i = 0; i < n; ++i) {
            const float x = ReadF32(data + at), y = ReadF32(data + at + 4), z = ReadF32(data + at + 8);
            at += 12;
            if (!UsableCoordinate(x) || !UsableCoordinate(y) || !UsableCoordinate(z))
                return fail(Format("host %" PRIu64 " of %" PRIu64 ": dot %" PRIu64 " is not a usable position",
                                   h + 1, r.declaredHosts, i + 1));
            host.dots.emplace_back(x, y, z);
        }
        host.closed = data[at] != 0;
        host.dirty = data[at + 1] != 0;
        at += 2;
        if (host.dots.empty()) {
            ++r.emptyHosts;
            continue;
        }
        hosts.push_back(std::move(host));
    }
    if (at != size)
        return fail(Format("%zu bytes after the last host", size - at));
    return r;
}

std::vector<uint8_t> WriteTrackSet(const std::vector<TrackHost>& hosts)
{
    size_t bytes = 8;
    for (const TrackHost& h : hosts)
        bytes += 10 + 12 * h.dots.size();
    std::vector<uint8_t> out;
    out.reserve(bytes);
    PutU64(out, hosts.size());
    for (const TrackHost& h : hosts) {
        PutU64(out, h.dots.size());
        for (const CVec3& d : h.dots) {
            PutF32(out, d.x);
            PutF32(out, d.y);
            PutF32(out, d.z);
        }
        out.push_back(h.closed);
        out.push_back(h.dirty);
    }
    return out;
}
