#include "platform/TextCodec.h"

#include <cstdint>

namespace platform {

bool Widen(std::string_view s, std::wstring& out)
{
    out.clear();
    size_t i = 0;
    while (i < s.size()) {
        const auto b0 = uint8_t(s[i]);
        uint32_t cp = 0;
        int extra = 0;
        if (b0 < 0x80) {
            cp = b0;
        } else if ((b0 & 0xE0) == 0xC0) {
            cp = b0 & 0x1F;
            extra = 1;
        } else if ((b0 & 0xF0) == 0xE0) {
            cp = b0 & 0x0F;
            extra = 2;
        } else if ((b0 & 0xF8) == 0xF0) {
            cp = b0 & 0x07;
            extra = 3;
        } else {
            out.clear();
            return false;
        }
        if (i + size_t(extra) >= s.size() && extra > 0) {
            out.clear();
            return false;
        }
        for (int k = 1; k <= extra; ++k) {
            const auto b = uint8_t(s[i + size_t(k)]);
            if ((b & 0xC0) != 0x80) {
                out.clear();
                return false;
            }
            cp = (cp << 6) | (b & 0x3F);
        }
        static constexpr uint32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.clear();
            return false;
        }
        out.push_back(wchar_t(cp));
        i += size_t(extra) + 1;
    }
    return true;
}

std::wstring Widen(std::string_view bytes)
{
    std::wstring out;
    Widen(bytes, out);
    return out;
}

std::string Narrow(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        auto cp = uint32_t(wc);
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            cp = 0xFFFD;
        if (cp < 0x80) {
            out.push_back(char(cp));
        } else if (cp < 0x800) {
            out.push_back(char(0xC0 | (cp >> 6)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(char(0xE0 | (cp >> 12)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (cp >> 18)));
            out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

} // namespace platform
