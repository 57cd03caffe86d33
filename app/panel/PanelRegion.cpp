#include "app/panel/PanelRegion.h"

#include "foundation/image/BmpFile.h"
#include "platform/Paths.h"

namespace {

// The largest shape file: 32-bit pixels and a generous header.
constexpr uint64_t kMaxShapeFile = kMaxShapePixels * 4 + 65536;

// Width x height as a BMP header says, before anything is decoded; 0 when the
// bytes are too short to say.
uint64_t HeaderPixels(const std::vector<uint8_t>& file)
{
    if (file.size() < 26 || file[0] != 'B' || file[1] != 'M')
        return 0;
    auto rd32 = [&](size_t at) {
        return int32_t(uint32_t(file[at]) | uint32_t(file[at + 1]) << 8 | uint32_t(file[at + 2]) << 16 |
                       uint32_t(file[at + 3]) << 24);
    };
    const int64_t w = rd32(18), h = rd32(22);
    return uint64_t(w < 0 ? -w : w) * uint64_t(h < 0 ? -h : h);
}

std::string PixelsTooMany(uint64_t pixels)
{
    return std::to_string(pixels) + " pixels, more than " + std::to_string(kMaxShapePixels);
}

} // namespace

bool RegionRunsFromPicture(const PictureView& picture, int threshold, size_t maxRuns, std::vector<RegionRun>& runs)
{
    runs.clear();
    const int bytes = picture.bitCount / 8;
    if (!picture.firstRow || picture.width <= 0 || picture.height <= 0 || (bytes != 1 && bytes != 3 && bytes != 4))
        return true;
    const int w = picture.width;
    auto kept = [&](const uint8_t* p) {
        return bytes == 1 ? p[0] >= threshold : (p[0] >= threshold || p[1] >= threshold || p[2] >= threshold);
    };
    for (int y = 0; y < picture.height; ++y) {
        const uint8_t* row = picture.firstRow + picture.stride * ptrdiff_t(y);
        int x = 0;
        while (x < w) {
            while (x < w && !kept(row + ptrdiff_t(x) * bytes))
                ++x;
            if (x == w)
                break;
            const int start = x;
            while (x < w && kept(row + ptrdiff_t(x) * bytes))
                ++x;
            if (runs.size() == maxRuns)
                return false;
            runs.push_back({start, y, x, y + 1});
        }
    }
    return true;
}

bool RegionRunsFromFile(const std::string& fileName, int threshold, std::vector<RegionRun>& runs, std::string& why)
{
    runs.clear();
    std::vector<uint8_t> file;
    if (!platform::ReadWholeFile(platform::ResolvePath(fileName), file, kMaxShapeFile, &why))
        return false;
    if (const uint64_t pixels = HeaderPixels(file); pixels > kMaxShapePixels) {
        why = PixelsTooMany(pixels);
        return false;
    }
    PictureView view;
    std::vector<uint8_t> scratch;
    switch (ParseBmp(file.data(), file.size(), view, scratch)) {
    case BmpParse::Ok:
        break;
    case BmpParse::Bad:
        why = "the BMP header does not match the file";
        return false;
    case BmpParse::Other:
        why = "not an uncompressed 8, 24 or 32-bit BMP";
        return false;
    }
    if (!RegionRunsFromPicture(view, threshold, kMaxRegionRuns, runs)) {
        runs.clear();
        why = "more than " + std::to_string(kMaxRegionRuns) + " rectangles";
        return false;
    }
    return true;
}
