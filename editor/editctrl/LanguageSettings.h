#pragma once
#include "editor/editctrl/EditPorts.h"
#include "editor/editctrl/SettingsText.h"

#include <array>
#include <cstdint>
#include <iterator>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class COutlining;

struct KeywordInfo {
    COLORREF crText = kNoColor;
    COLORREF crBack = kNoColor;
    bool bCaseSensitive = true;
};

// One coloured block (comment, string): start and end strings of at most 4
// characters; an empty end string ends the block with its line.
struct ColorBlock {
    std::string strStart;
    std::string strEnd;
    COLORREF crText = kNoColor;
    COLORREF crBack = kNoColor;
    bool bWholeText = false;  // may run over line ends; at most one block has it
    int nData = 0;
};

using BlockList = std::list<ColorBlock>;

// The edit control's language: word delimiters, colours, the keyword table and
// the colour block list, read from a tagged settings text. The control derives
// from it; the outline and hyperlink sections go to virtual operations. The
// block list is also the control's block table.
class CLanguageSettings : public IEditBlockTable {
public:
    static constexpr size_t kMaxBlockString = 4;
    // a settings file above this is not read (the shipped one has a few KiB)
    static constexpr uint64_t kMaxSettingsFile = uint64_t(4) << 20;
    static constexpr const char* kDefaultWordDelimiters = " \t\n,./?<>;:\"'{[}]~`%^&*()-+=!";
    static constexpr const char* kDefaultSpecialDelimiters = ";.{}\n";

    CLanguageSettings() = default;
    virtual ~CLanguageSettings() = default;

    // A path without "\\", "/" or ":" names a file in the program's folder; any
    // other path is used as given. Lines are joined with nothing between them.
    // False when the file cannot be read, is over kMaxSettingsFile or binary (nothing
    // changes), else ParseSettings. Each fault found gives one log line naming the file.
    virtual bool LoadSettings(const std::string& path);
    // Empties the keyword table and block list, then reads OPTIONS, COLOR_DATA,
    // OUTLINE_DATA and HYPERLINKS. False when the outline or hyperlink step failed.
    virtual bool ParseSettings(const std::string& text);
    // Empties the keyword table and the block list only.
    virtual void ClearSettings();
    // The content of OUTLINE_DATA; goes to the outline when there is one.
    virtual bool ParseOutlineSettings(const std::string& content);
    virtual bool ParseHyperlinkSettings(const std::string& content);

    // Case-insensitive words are keyed in upper case; a second entry replaces the first.
    void AddKeyword(const std::string& word, COLORREF text, COLORREF back, bool caseSensitive);
    bool RemoveKeyword(const std::string& word);
    void RemoveAllKeywords();
    // Kept ordered longest start first (the newest first among equal lengths).
    // Null when a string is over 4 characters, or a whole-text block lacks a
    // string or would be the second one. The block's colours may be changed
    // through the result, its strings not (the look-ups hold them).
    ColorBlock* AddBlock(const std::string& start, const std::string& end, bool wholeText, COLORREF text,
                         COLORREF back);
    void RemoveBlock(BlockList::iterator pos);
    void RemoveAllBlocks();

    int BlockCount() const override { return static_cast<int>(m_lstBlocks.size()); }
    std::string_view BlockStart(int i) const override { return BlockAt(i).strStart; }
    std::string_view BlockEnd(int i) const override { return BlockAt(i).strEnd; }
    uint64_t BlockGeneration() const override { return m_nBlockGeneration; }

    // The block list indexed for look-ups, built again on first use after the
    // list changed through AddBlock, RemoveBlock or RemoveAllBlocks.
    struct BlockLookup {
        std::vector<const ColorBlock*> order; // the list's entries by position
        // the positions of the blocks with each start string, ascending; no empty string
        std::unordered_map<std::string_view, std::vector<int>> byStart;
        std::vector<size_t> startLengths;     // the lengths found in byStart
        std::array<bool, 256> firstChar{};    // some start string begins with the byte
        const ColorBlock* wholeText = nullptr; // the first whole-text block with a start string
    };
    const BlockLookup& Lookup() const;

    // Where OUTLINE_DATA goes (not owned); null reads nothing from it.
    void SetOutlining(COutlining* outlining) { m_pOutlining = outlining; }

    std::string m_strWordDelimiters = kDefaultWordDelimiters;
    std::string m_strSpecialDelimiters = kDefaultSpecialDelimiters;
    COLORREF m_crText = kNoColor;
    COLORREF m_crBack = kNoColor;
    // selection colours with and without the focus: the system's (-1) until the
    // window or a settings file gives them
    COLORREF m_crSelText = kNoColor;
    COLORREF m_crSelText2 = kNoColor;
    COLORREF m_crSelBack = kNoColor;
    COLORREF m_crSelBack2 = kNoColor;
    std::unordered_map<std::string, KeywordInfo> m_mapKeywords;
    BlockList m_lstBlocks;
    bool m_bHyperlinks = false;
    bool m_bHighlightLinks = true;
    COLORREF m_crLink = kNoColor;
    std::vector<std::string> m_lstUrlPrefixes = {"http://", "ftp://", "mailto:"};

protected:
    // The URL prefixes were replaced: the control forgets the links it found.
    virtual void OnUrlPrefixesReset() {}

private:
    const ColorBlock& BlockAt(int i) const { return *Lookup().order[size_t(i)]; }
    void BlocksChanged();
    void ParseOptions(std::string& text);
    void ParseColorData(std::string& text);
    void ParseKeywordGroup(std::string& colorData);
    void ParseWordList(std::string& colorData);
    void ParseBlockList(std::string& colorData);
    // GetXmlElement, noting an element that has no end as damage
    bool ReadSection(std::string& text, const char* name, std::string& section);
    void NoteDamage(const std::string& what);

    // What is worked out from the block list and points into it: a copy of the
    // settings starts without it and works it out again.
    template <class Data>
    struct ListCache : Data {
        ListCache() = default;
        ListCache(const ListCache&) {}
        ListCache& operator=(const ListCache&)
        {
            this->valid = false;
            return *this;
        }
    };
    // Where AddBlock inserts a start string of each length (the first entry no
    // longer than it) and whether a whole-text entry is in the list, so a long
    // list is built in linear time; worked out again after a removal.
    struct BlockIndexData {
        std::array<BlockList::iterator, kMaxBlockString + 1> insertAt{};
        bool hasWholeText = false;
        bool valid = false;
    };
    ListCache<BlockIndexData> m_blockIndex;
    // Lookup's table, of the list as it was at `generation` with `count` blocks
    struct LookupData {
        BlockLookup lookup;
        uint64_t generation = 0;
        size_t count = 0;
        bool valid = false;
    };
    mutable ListCache<LookupData> m_lookup;
    uint64_t m_nBlockGeneration = 0;
    // what ParseSettings found wrong, for LoadSettings to name with the file
    std::string m_strDamage;
    int m_nLongBlocks = 0;
    COutlining* m_pOutlining = nullptr;
};
