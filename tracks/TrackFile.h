#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tracks/SplineDot.h"

// The track set file: u64 host count, then per host a u64 dot count, the dots as
// float triples, a closed byte and a dirty byte; little-endian, no header.
struct TrackFileReadResult {
    bool ok = true;          // false when the bytes hold a fault
    std::string fault;       // what was wrong, for the log
    uint64_t declaredHosts = 0;
    size_t emptyHosts = 0;   // hosts without dots, dropped
};

// Coordinates beyond this size are treated as damage.
inline constexpr float kTrackMaxCoordinate = 1.0e8f;
// Largest track set file read (a set of 100 000 hosts takes a few MB).
inline constexpr uint64_t kMaxTrackFileSize = uint64_t(64) << 20;

// Appends the hosts read from the bytes (dots, closed and dirty as stored). Every
// count is checked against the bytes left; on a fault the complete hosts read
// before it are kept.
TrackFileReadResult ReadTrackSet(const uint8_t* data, size_t size, std::vector<TrackHost>& hosts);
std::vector<uint8_t> WriteTrackSet(const std::vector<TrackHost>& hosts);
