#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PictureView;

struct RegionRun {
    int left = 0, top = 0, right = 0, bottom = 0; // right and bottom exclusive
};

// The shape picture is the BMP the program ships: an uncompressed 8, 24 or 32-bit
// BMP of at most this many pixels.
inline constexpr uint64_t kMaxShapePixels = uint64_t(4096) * 4096;
// More rectangles than a window system takes for a window's shape.
inline constexpr size_t kMaxRegionRuns = 10000;

// The kept runs of each row: a pixel is cut when its red, green and blue (its grey
// level for 8 bits) are all below the threshold; each run of kept pixels becomes
// the rectangle (start, y) to (end, y + 1), a run reaching the row's end ending at
// the width. False, with the runs found so far, when there are more than maxRuns.
bool RegionRunsFromPicture(const PictureView& picture, int threshold, size_t maxRuns, std::vector<RegionRun>& runs);

// The same for the shape file (the path resolved as the program writes it), at most
// kMaxRegionRuns runs. False, with no runs and the reason in `why`, when the file
// is missing, is not such a BMP, is larger, or gives more runs.
bool RegionRunsFromFile(const std::string& fileName, int threshold, std::vector<RegionRun>& runs, std::string& why);
