#include "editor/editctrl/SettingsText.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace {

constexpr const char* kBlanks = " \t\n\v\f\r";

std::string Trimmed(const std::string& s)
{
    const size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return std::string();
    const size_t last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

// Every occurrence, left to right; replaced text is not searched again.
void ReplaceAll(std::string& s, const std::string& from, const std::string& to)
{
    size_t pos = 0;
    while ((pos = s.find(from, pos)) != std::string::npos) {
        s.replace(pos, from.size(), to);
        pos += to.size();
    }
}

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

constexpr COLORREF Rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }

struct NamedColor {
    const char* name;
    COLORREF color;
};

constexpr NamedColor kColorNames[] = {
    {"black", Rgb(0, 0, 0)},           {"darkred", Rgb(128, 0, 0)},      {"darkgreen", Rgb(0, 128, 0)},
    {"brown", Rgb(128, 128, 0)},       {"darkblue", Rgb(0, 0, 128)},     {"darkmagenta", Rgb(128, 0, 128)},
    {"darkcyan", Rgb(0, 128, 128)},    {"gray", Rgb(192, 192, 192)},     {"darkgray", Rgb(128, 128, 128)},
    {"red", Rgb(255, 0, 0)},           {"green", Rgb(0, 255, 0)},        {"yellow", Rgb(255, 255, 0)},
    {"blue", Rgb(0, 0, 255)},          {"magenta", Rgb(255, 0, 255)},    {"cyan", Rgb(0, 255, 255)},
    {"white", Rgb(255, 255, 255)},
};

} // namespace

bool GetXmlElement(std::string& source, const std::string& name, std::string& value, bool unescape)
{
    const std::string open = "<" + name + ">";
    const std::string close = "</" + name + ">";
    const size_t begin = source.find(open);
    if (begin == std::string::npos)
        return false;
    const size_t contentBegin = begin + open.size();
    size_t pos = contentBegin;
    int depth = 1;
    size_t contentEnd = std::string::npos;
    while ((pos = source.find('<', pos)) != std::string::npos) {
        if (pos + open.size() < source.size() && source.compare(pos, open.size(), open) == 0) {
            ++depth;
            pos += open.size();
        } else if (source.compare(pos, close.size(), close) == 0) {
            if (depth == 1) {
                contentEnd = pos;
                break;
            }
            --depth;
            pos += close.size();
        } else {
            ++pos;
        }
    }
    if (contentEnd == std::string::npos)
        return false;

    std::string v = Trimmed(source.substr(contentBegin, contentEnd - contentBegin));
    source.erase(begin, contentEnd + close.size() - begin);
    if (unescape) {
        // the closing quote is not checked: stored files may rely on that
        if (v.size() > 1 && v[0] == '"')
            v = v.substr(1, v.size() - 2);
        ReplaceAll(v, "\\t", "\t");
        ReplaceAll(v, "\\n", "\n");
        ReplaceAll(v, "\\r", "\r");
        ReplaceAll(v, "\\b", "\b");
        ReplaceAll(v, "LT", "<");
        ReplaceAll(v, "GT", ">");
        ReplaceAll(v, "AMP", "&");
    }
    value = std::move(v);
    return true;
}

COLORREF ParseColor(const std::string& value)
{
    if (!value.empty() && value[0] == '"') {
        if (value.size() < 2)
            return 0;
        const std::string name = Lower(value.substr(1, value.size() - 2));
        for (const auto& c : kColorNames)
            if (name == c.name)
                return c.color;
        return 0;
    }
    if (value.size() != 6)
        return 0;
    unsigned rgb[3];
    for (int i = 0; i < 3; ++i) {
        const int hi = HexDigit(value[2 * i]);
        const int lo = HexDigit(value[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return 0;  // not all hex digits: black, like any other malformed value
        rgb[i] = unsigned(hi * 16 + lo);
    }
    return Rgb(rgb[0], rgb[1], rgb[2]);
}

bool IsTrueValue(const std::string& value) { return Lower(value) == "true"; }

bool GetXmlColor(std::string& source, const char* name, COLORREF& color)
{
    std::string value;
    if (!GetXmlElement(source, name, value, false))
        return false;
    color = ParseColor(value);
    return true;
}

bool GetXmlTruth(std::string& source, const char* name, bool& flag)
{
    std::string value;
    if (!GetXmlElement(source, name, value, false))
        return false;
    flag = IsTrueValue(value);
    return true;
}
