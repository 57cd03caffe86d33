#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Windows colour value 0x00BBGGRR; kNoColor marks an item without a colour of its own.
using COLORREF = uint32_t;
inline constexpr COLORREF kNoColor = 0xFFFFFFFFu;

// Reads the first element <name>...</name> anywhere in the source (same-name
// elements nested inside it are counted), trims its value and removes the whole
// element from the source, so reading the same name again yields the next one.
// With unescape set, a value in double quotes loses its first and last character,
// then \t, \n, \r, \b, LT, GT and AMP are replaced (as if one after another, in
// that order). An element without its close tag counts as absent. Returns false
// when absent (source unchanged).
bool GetXmlElement(std::string& source, const std::string& name, std::string& value, bool unescape);

// Reads the elements of one name from a text one after another, giving what
// repeated GetXmlElement calls on it would give, in time linear in the text: the
// text left after each element is never moved. The text must outlive the reader.
class XmlElementReader {
public:
    XmlElementReader(std::string_view source, const std::string& name, bool unescape);
    bool Next(std::string& value);
    // The source without the elements read so far.
    std::string Rest() const;

private:
    std::string_view m_source;
    size_t m_pos = 0;    // the source from here on is still unread
    std::string m_kept;  // what stays of the source before m_pos
    std::string m_open, m_close;
    bool m_unescape;
};

// A quoted colour name (16 names, any case), or six hex digits RRGGBB; anything
// else is black.
COLORREF ParseColor(const std::string& value);

// "true" in any case.
bool IsTrueValue(const std::string& value);

// Element readers for a colour or a truth value: the target is set only when
// the element is present; returns whether it was.
bool GetXmlColor(std::string& source, const char* name, COLORREF& color);
bool GetXmlTruth(std::string& source, const char* name, bool& flag);
