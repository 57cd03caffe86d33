#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/math/Vec3.h"

// Host ends in a grid over x and y, so the end nearest a point is found by looking
// at the cells around it instead of at every host. Ends are removed as hosts are
// taken; the grid is rebuilt smaller when most of its ends are gone.
class CEndpointGrid {
public:
    struct End {
        CVec3 point;
        uint32_t host;
        bool back; // the host's last dot (else its first)
    };

    explicit CEndpointGrid(std::vector<End> ends);

    // The live end nearest to `from` (3D distance, as CVec3::Distance gives it);
    // ties go to the lowest host, its first dot before its last. False when no
    // live end lies at a finite distance.
    bool Nearest(const CVec3& from, uint32_t& host, bool& back, float& distance) const;
    // Removes both ends of the host.
    void RemoveHost(uint32_t host);
    // Cells and ends Nearest has looked at on the calling thread so far: the work
    // of a search, which stays small per search however many hosts there are.
    static uint64_t Probes() { return s_Probes; }

private:
    void Rebuild();
    int CellX(double x) const;
    int CellY(double y) const;

    std::vector<End> m_Ends;        // live ends (finite ones only)
    std::vector<uint8_t> m_Removed; // per host
    std::vector<uint32_t> m_CellStart;
    std::vector<uint32_t> m_CellEnds; // indices into m_Ends, by cell
    double m_MinX = 0, m_MinY = 0, m_Cell = 1;
    int m_Width = 1, m_Height = 1;
    size_t m_Live = 0;
    static thread_local uint64_t s_Probes;
};
