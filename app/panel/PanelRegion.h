#pragma once
#include <string>
#include <vector>

class QImage;

struct RegionRun {
    int left = 0, top = 0, right = 0, bottom = 0; // right and bottom exclusive
};

// The kept runs of each row: a pixel is cut when its red, green and blue are all
// below the threshold; each run of kept pixels becomes the rectangle (start, y) to
// (end, y + 1), a run reaching the row's end ending at the width. Any depth and
// width; a null picture gives no runs.
std::vector<RegionRun> RegionRunsFromImage(const QImage& image, int threshold);

// The same for a picture file (any format the image loader reads, the path
// resolved as the program writes it). False when the file cannot be read.
bool RegionRunsFromFile(const std::string& fileName, int threshold, std::vector<RegionRun>& runs);
