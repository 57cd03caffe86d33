#include "editor/editctrl/SettingsText.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace {

constexpr const char* kBlanks = " \t\n\v\f\r";

std::string_view Trimmed(std::string_view s)
{
    const size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const size_t last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

// One pass over the value. No escape overlaps another or itself, and none is
// made by a replacement, so this gives what replacing each escape over the whole
// value in turn gives.
std::string Unescaped(std::string_view v)
{
    // the closing quote is not checked: stored files may rely on that
    if (v.size() > 1 && v[0] == '"')
        v = v.substr(1, v.size() - 2);
    std::string out;
    out.reserve(v.size());
    for (size_t i = 0; i < v.size();) {
        const std::string_view at = v.substr(i);
        char c = 0;
        size_t length = 2;
        if (at.size() >= 2 && at[0] == '\\') {
            switch (at[1]) {
            case 't': c = '\t'; break;
            case 'n': c = '\n'; break;
            case 'r': c = '\r'; break;
            case 'b': c = '\b'; break;
            default: break;
            }
        } else if (at.starts_with("LT")) {
            c = '<';
        } else if (at.starts_with("GT")) {
            c = '>';
        } else if (at.starts_with("AMP")) {
            c = '&';
            length = 3;
        }
        if (c) {
            out += c;
            i += length;
        } else {
            out += v[i++];
        }
    }
    return out;
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

XmlElementReader::XmlElementReader(std::string_view source, const std::string& name, bool unescape)
    : m_source(source), m_open("<" + name + ">"), m_close("</" + name + ">"), m_unescape(unescape)
{
}

bool XmlElementReader::Next(std::string& value)
{
    // The text as repeated reads would have it is m_kept followed by the unread
    // source. m_kept holds no whole open tag, but one may begin in it and end in
    // the unread source: removing an element joins the text on its two sides.
    const std::string_view rest = m_source.substr(m_pos);
    const std::string_view open = m_open;
    size_t keptCut = std::string::npos;  // where an open tag begins in m_kept
    size_t tagEnd = 0;                   // in m_source, just after the open tag
    const size_t seamFrom = m_kept.size() >= open.size() ? m_kept.size() - open.size() + 1 : 0;
    for (size_t k = seamFrom; k < m_kept.size(); ++k) {
        const size_t head = m_kept.size() - k;
        if (std::string_view(m_kept).substr(k) == open.substr(0, head) &&
            rest.substr(0, open.size() - head) == open.substr(head)) {
            keptCut = k;
            tagEnd = m_pos + open.size() - head;
            break;
        }
    }
    size_t found = std::string::npos;  // in rest
    if (keptCut == std::string::npos) {
        found = rest.find(open);
        if (found == std::string::npos)
            return false;
        tagEnd = m_pos + found + open.size();
    }

    size_t pos = tagEnd;
    int depth = 1;
    size_t contentEnd = std::string::npos;
    while ((pos = m_source.find('<', pos)) != std::string::npos) {
        if (pos + open.size() < m_source.size() && m_source.compare(pos, open.size(), open) == 0) {
            ++depth;
            pos += open.size();
        } else if (m_source.compare(pos, m_close.size(), m_close) == 0) {
            if (depth == 1) {
                contentEnd = pos;
                break;
            }
            --depth;
            pos += m_close.size();
        } else {
            ++pos;
        }
    }
    if (contentEnd == std::string::npos)
        return false;

    if (keptCut != std::string::npos)
        m_kept.resize(keptCut);
    else
        m_kept.append(rest.substr(0, found));
    m_pos = contentEnd + m_close.size();
    const std::string_view v = Trimmed(m_source.substr(tagEnd, contentEnd - tagEnd));
    value = m_unescape ? Unescaped(v) : std::string(v);
    return true;
}

std::string XmlElementReader::Rest() const
{
    std::string rest = m_kept;
    rest.append(m_source.substr(m_pos));
    return rest;
}

bool GetXmlElement(std::string& source, const std::string& name, std::string& value, bool unescape)
{
    XmlElementReader reader(source, name, unescape);
    std::string v;
    if (!reader.Next(v))
        return false;
    source = reader.Rest();
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
