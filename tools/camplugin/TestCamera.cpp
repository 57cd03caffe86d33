// A camera plug-in that films a synthetic moving picture: a colour (or grey)
// gradient with a bright bar that moves one step per frame. Frames are bottom-up
// rows of the reported width, height and depth (8, 24 or 32 bits).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#define CAM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
int g_width = 0, g_height = 0, g_bits = 0;
int g_picNum = 0;
bool g_live = false, g_trigger = false;
std::vector<uint8_t> g_frame;
char g_text[128];

void Paint(unsigned index)
{
    const int B = g_bits / 8;
    const int bar = g_width > 0 ? int(index % unsigned(g_width)) : 0;
    for (int y = 0; y < g_height; ++y) {
        uint8_t* row = g_frame.data() + size_t(y) * size_t(g_width) * size_t(B);
        for (int x = 0; x < g_width; ++x) {
            uint8_t* p = row + size_t(x) * size_t(B);
            const uint8_t v = x == bar ? 255 : uint8_t((x * 200) / (g_width > 1 ? g_width - 1 : 1));
            if (B == 1) {
                p[0] = v;
            } else {
                p[0] = v;
                p[1] = uint8_t((y * 255) / (g_height > 1 ? g_height - 1 : 1));
                p[2] = uint8_t(index * 7);
                if (B == 4)
                    p[3] = 255;
            }
        }
    }
}
} // namespace

CAM_EXPORT bool Create(unsigned, unsigned, const char*, int width, int height, int, int bitsPerPixel)
{
    if (width < 1 || height < 1 || width > 8192 || height > 8192)
        return false;
    if (bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32)
        bitsPerPixel = 24;
    g_width = width;
    g_height = height;
    g_bits = bitsPerPixel;
    g_picNum = 0;
    g_frame.assign(size_t(width) * size_t(height) * size_t(bitsPerPixel / 8), 0);
    return true;
}

CAM_EXPORT void Delete()
{
    g_frame.clear();
    g_frame.shrink_to_fit();
    g_width = g_height = g_bits = 0;
    g_live = false;
}

CAM_EXPORT void Stop() { g_live = false; }

CAM_EXPORT bool Start(bool on)
{
    g_live = on && !g_frame.empty();
    return g_live;
}

CAM_EXPORT bool ComInfo(int command, const void*, unsigned, int, void*) { return command == 0; }

#ifndef TEST_CAMERA_WITHOUT_ISLIVE
CAM_EXPORT bool IsLive() { return g_live; }
#endif

CAM_EXPORT bool SetTrigger(bool on)
{
    g_trigger = on;
    return true;
}

CAM_EXPORT const char* GetText(unsigned index)
{
    std::snprintf(g_text, sizeof g_text, "test camera %dx%d %d bits, text %u", g_width, g_height, g_bits, index);
    return g_text;
}

CAM_EXPORT uint8_t* GetFrame(unsigned index)
{
    if (g_frame.empty())
        return nullptr;
    if (!g_trigger)
        g_picNum = int(index);
    Paint(index);
    return g_frame.data();
}

CAM_EXPORT int GetPicNum() { return g_live && !g_trigger ? ++g_picNum : g_picNum; }

CAM_EXPORT bool SetPicNum(unsigned number)
{
    g_picNum = int(number);
    return true;
}

CAM_EXPORT void GetDimension(int* width, int* height, int* bitsPerPixel)
{
    if (width)
        *width = g_width;
    if (height)
        *height = g_height;
    if (bitsPerPixel)
        *bitsPerPixel = g_bits;
}
