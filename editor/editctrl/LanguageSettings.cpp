#include "editor/editctrl/LanguageSettings.h"

#include "editor/editctrl/Outlining.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <vector>

namespace {

std::string Upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

// The file's lines joined with nothing between them, a line's trailing "\r" dropped.
std::string JoinLines(const std::vector<uint8_t>& bytes)
{
    std::string text;
    text.reserve(bytes.size());
    size_t lineStart = 0;
    for (size_t i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && bytes[i] != '\n')
            continue;
        size_t lineEnd = i;
        if (lineEnd > lineStart && bytes[lineEnd - 1] == '\r')
            --lineEnd;
        text.append(reinterpret_cast<const char*>(bytes.data()) + lineStart, lineEnd - lineStart);
        lineStart = i + 1;
    }
    return text;
}

} // namespace

bool CLanguageSettings::LoadSettings(const std::string& path)
{
    const bool bareName = path.find_first_of("\\/:") == std::string::npos;
    const std::string file =
        bareName ? platform::JoinPath(platform::ExecutableFolder(), path) : platform::ResolvePath(path);
    std::vector<uint8_t> bytes;
    if (!platform::ReadWholeFile(file, bytes))
        return false;
    return ParseSettings(JoinLines(bytes));
}

bool CLanguageSettings::ParseSettings(const std::string& settings)
{
    ClearSettings();
    std::string text = settings;
    std::string section;
    if (GetXmlElement(text, "OPTIONS", section, false))
        ParseOptions(section);
    if (GetXmlElement(text, "COLOR_DATA", section, false))
        ParseColorData(section);
    if (GetXmlElement(text, "OUTLINE_DATA", section, false) && !ParseOutlineSettings(section))
        return false;
    if (GetXmlElement(text, "HYPERLINKS", section, false) && !ParseHyperlinkSettings(section))
        return false;
    return true;
}

void CLanguageSettings::ClearSettings()
{
    RemoveAllKeywords();
    RemoveAllBlocks();
}

void CLanguageSettings::ParseOptions(std::string& options)
{
    std::string value;
    if (GetXmlElement(options, "WordDelimeters", value, true))
        m_strWordDelimiters = value;
    if (GetXmlElement(options, "SpecialDelimiters", value, true))
        m_strSpecialDelimiters = value;
}

void CLanguageSettings::ParseColorData(std::string& colorData)
{
    GetXmlColor(colorData, "EditTextColor", m_crText);
    GetXmlColor(colorData, "EditBackColor", m_crBack);
    if (GetXmlColor(colorData, "SelTextColor", m_crSelText))
        m_crSelText2 = m_crSelText;
    if (GetXmlColor(colorData, "SelBackColor", m_crSelBack))
        m_crSelBack2 = m_crSelBack;
    ParseKeywordGroup(colorData);
    ParseWordList(colorData);
    ParseBlockList(colorData);
}

void CLanguageSettings::ParseKeywordGroup(std::string& colorData)
{
    std::string group;
    if (!GetXmlElement(colorData, "KEYWORDS", group, false))
        return;
    bool caseSensitive = true;
    GetXmlTruth(group, "CaseSensitive", caseSensitive);
    COLORREF text = kNoColor;
    if (!GetXmlColor(group, "Color", text))
        return;
    COLORREF back = kNoColor;
    GetXmlColor(group, "BackColor", back);
    XmlElementReader words(group, "Keyword", false);
    std::string word;
    while (words.Next(word))
        AddKeyword(word, text, back, caseSensitive);
}

void CLanguageSettings::ParseWordList(std::string& colorData)
{
    std::string list;
    if (!GetXmlElement(colorData, "WORDS", list, false))
        return;
    XmlElementReader entries(list, "WORD", false);
    std::string entry;
    while (entries.Next(entry)) {
        std::string word;
        COLORREF text = kNoColor;
        if (!GetXmlElement(entry, "Val", word, false) || !GetXmlColor(entry, "Color", text))
            return;
        COLORREF back = kNoColor;
        GetXmlColor(entry, "BackColor", back);
        bool caseSensitive = true;
        GetXmlTruth(entry, "CaseSensitive", caseSensitive);
        AddKeyword(word, text, back, caseSensitive);
    }
}

void CLanguageSettings::ParseBlockList(std::string& colorData)
{
    std::string list;
    if (!GetXmlElement(colorData, "BLOCKS", list, false))
        return;
    XmlElementReader entries(list, "BLOCK", false);
    std::string entry;
    while (entries.Next(entry)) {
        std::string start;
        if (!GetXmlElement(entry, "Start", start, false))
            return;
        std::string end;
        GetXmlElement(entry, "End", end, false);
        COLORREF text = kNoColor;
        COLORREF back = kNoColor;
        GetXmlColor(entry, "Color", text);
        GetXmlColor(entry, "BackColor", back);
        bool wholeText = false;
        GetXmlTruth(entry, "WholeText", wholeText);
        AddBlock(start, end, wholeText, text, back);
    }
}

bool CLanguageSettings::ParseOutlineSettings(const std::string& content)
{
    return m_pOutlining ? m_pOutlining->ReadOutlineSettings(content, m_strWordDelimiters) : true;
}

bool CLanguageSettings::ParseHyperlinkSettings(const std::string& content)
{
    std::string links = content;
    GetXmlTruth(links, "EnableHyperlinkSupport", m_bHyperlinks);
    m_bHighlightLinks = true;
    GetXmlTruth(links, "HighlightWithColor", m_bHighlightLinks);
    m_crLink = m_crSelBack;
    GetXmlColor(links, "Color", m_crLink);
    std::string prefixes;
    if (GetXmlElement(links, "URLPrefixes", prefixes, false)) {
        m_lstUrlPrefixes.clear();
        OnUrlPrefixesReset();
        XmlElementReader items(prefixes, "URLPrefix", false);
        std::string prefix;
        while (items.Next(prefix))
            m_lstUrlPrefixes.push_back(prefix);
    }
    return true;
}

void CLanguageSettings::AddKeyword(const std::string& word, COLORREF text, COLORREF back, bool caseSensitive)
{
    m_mapKeywords[caseSensitive ? word : Upper(word)] = KeywordInfo{text, back, caseSensitive};
}

bool CLanguageSettings::RemoveKeyword(const std::string& word) { return m_mapKeywords.erase(word) > 0; }

void CLanguageSettings::RemoveAllKeywords() { m_mapKeywords.clear(); }

ColorBlock* CLanguageSettings::AddBlock(const std::string& start, const std::string& end, bool wholeText,
                                        COLORREF text, COLORREF back)
{
    if (start.size() > kMaxBlockString || end.size() > kMaxBlockString)
        return nullptr;
    BlockIndex& index = m_blockIndex;
    if (!index.valid) {
        index.hasWholeText = false;
        index.insertAt.fill(m_lstBlocks.end());
        for (auto b = m_lstBlocks.begin(); b != m_lstBlocks.end(); ++b) {
            index.hasWholeText |= b->bWholeText;
            for (size_t n = b->strStart.size(); n <= kMaxBlockString; ++n)
                if (index.insertAt[n] == m_lstBlocks.end())
                    index.insertAt[n] = b;
        }
        index.valid = true;
    }
    if (wholeText && (start.empty() || end.empty() || index.hasWholeText))
        return nullptr;
    const auto pos = index.insertAt[start.size()];
    const auto it = m_lstBlocks.insert(pos, ColorBlock{start, end, text, back, wholeText, 0});
    // the new entry is now the first one no longer than its own length or any longer one
    for (size_t n = start.size(); n <= kMaxBlockString; ++n)
        if (index.insertAt[n] == pos)
            index.insertAt[n] = it;
    index.hasWholeText |= wholeText;
    return &*it;
}

void CLanguageSettings::RemoveBlock(BlockList::iterator pos)
{
    m_lstBlocks.erase(pos);
    m_blockIndex.valid = false;
}

void CLanguageSettings::RemoveAllBlocks()
{
    m_lstBlocks.clear();
    m_blockIndex.valid = false;
}
