#include "editor/editctrl/LanguageSettings.h"

#include "editor/editctrl/Outlining.h"
#include "platform/LogSink.h"
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
    if (!platform::ReadWholeFile(file, bytes, kMaxSettingsFile))
        return false;
    if (std::find(bytes.begin(), bytes.end(), uint8_t(0)) != bytes.end()) {
        platform::LogWrite(file + ": binary, not a settings file; not read\n");
        return false;
    }
    const bool blank = std::all_of(bytes.begin(), bytes.end(), [](uint8_t c) { return std::isspace(c); });
    const bool parsed = ParseSettings(JoinLines(bytes));
    if (blank)
        platform::LogWrite(file + ": empty settings file\n");
    else if (!m_strDamage.empty())
        platform::LogWrite(file + ": damaged settings file (" + m_strDamage + "); the rest is read\n");
    if (m_nLongBlocks > 0)
        platform::LogWrite(file + ": " + std::to_string(m_nLongBlocks) + " colour blocks with a start or end over " +
                           std::to_string(kMaxBlockString) + " characters left out\n");
    return parsed;
}

bool CLanguageSettings::ParseSettings(const std::string& settings)
{
    ClearSettings();
    m_strDamage.clear();
    m_nLongBlocks = 0;
    std::string text = settings;
    std::string section;
    bool any = false;
    if (ReadSection(text, "OPTIONS", section)) {
        any = true;
        ParseOptions(section);
    }
    if (ReadSection(text, "COLOR_DATA", section)) {
        any = true;
        ParseColorData(section);
    }
    if (ReadSection(text, "OUTLINE_DATA", section)) {
        any = true;
        if (!ParseOutlineSettings(section))
            return false;
    }
    if (ReadSection(text, "HYPERLINKS", section)) {
        any = true;
        if (!ParseHyperlinkSettings(section))
            return false;
    }
    if (!any)
        NoteDamage("no settings section");
    return true;
}

bool CLanguageSettings::ReadSection(std::string& text, const char* name, std::string& section)
{
    if (GetXmlElement(text, name, section, false))
        return true;
    if (text.find("<" + std::string(name) + ">") != std::string::npos)
        NoteDamage(std::string("<") + name + "> without its end");
    return false;
}

void CLanguageSettings::NoteDamage(const std::string& what)
{
    if (m_strDamage.empty())
        m_strDamage = what;
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
    if (!ReadSection(colorData, "KEYWORDS", group))
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
    if (!ReadSection(colorData, "WORDS", list))
        return;
    XmlElementReader entries(list, "WORD", false);
    std::string entry;
    while (entries.Next(entry)) {
        std::string word;
        COLORREF text = kNoColor;
        if (!GetXmlElement(entry, "Val", word, false) || !GetXmlColor(entry, "Color", text)) {
            NoteDamage("a word without its value or colour ends the list");
            return;
        }
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
    if (!ReadSection(colorData, "BLOCKS", list))
        return;
    XmlElementReader entries(list, "BLOCK", false);
    std::string entry;
    while (entries.Next(entry)) {
        std::string start;
        if (!GetXmlElement(entry, "Start", start, false)) {
            NoteDamage("a block without its start ends the list");
            return;
        }
        std::string end;
        GetXmlElement(entry, "End", end, false);
        COLORREF text = kNoColor;
        COLORREF back = kNoColor;
        GetXmlColor(entry, "Color", text);
        GetXmlColor(entry, "BackColor", back);
        bool wholeText = false;
        GetXmlTruth(entry, "WholeText", wholeText);
        if (start.size() > kMaxBlockString || end.size() > kMaxBlockString)
            ++m_nLongBlocks;
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
    auto& index = m_blockIndex;
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
    BlocksChanged();
    return &*it;
}

void CLanguageSettings::RemoveBlock(BlockList::iterator pos)
{
    m_lstBlocks.erase(pos);
    m_blockIndex.valid = false;
    BlocksChanged();
}

void CLanguageSettings::RemoveAllBlocks()
{
    m_lstBlocks.clear();
    m_blockIndex.valid = false;
    BlocksChanged();
}

void CLanguageSettings::BlocksChanged()
{
    ++m_nBlockGeneration;
    m_lookup.valid = false;
}

const CLanguageSettings::BlockLookup& CLanguageSettings::Lookup() const
{
    auto& cache = m_lookup;
    if (cache.valid && cache.generation == m_nBlockGeneration && cache.count == m_lstBlocks.size())
        return cache.lookup;
    BlockLookup& l = cache.lookup;
    l = BlockLookup{};
    l.order.reserve(m_lstBlocks.size());
    for (const ColorBlock& b : m_lstBlocks) {
        const int at = int(l.order.size());
        l.order.push_back(&b);
        if (b.strStart.empty())
            continue;
        l.byStart[b.strStart].push_back(at);
        l.firstChar[static_cast<unsigned char>(b.strStart[0])] = true;
        if (std::find(l.startLengths.begin(), l.startLengths.end(), b.strStart.size()) == l.startLengths.end())
            l.startLengths.push_back(b.strStart.size());
        if (b.bWholeText && !l.wholeText)
            l.wholeText = &b;
    }
    cache.generation = m_nBlockGeneration;
    cache.count = m_lstBlocks.size();
    cache.valid = true;
    return l;
}
