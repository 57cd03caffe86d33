#pragma once
#include "editor/editctrl/OutlineNode.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct OutlineChangeSet;

// One kind of outline region. A nesting block is found as separate opening and
// closing strings that pair up; any other block runs from its start string to
// the next end string. Regions of an ignored block shield their text and are
// then dropped.
struct OutlineBlock {
    std::string strStart;
    std::string strEnd;
    std::string strReplace = "...";
    bool bNested = true;
    bool bIgnore = false;
    std::vector<std::string> keywords;  // header keywords
};

struct OutlineToken {
    enum Kind { kEnd = -1, kRegion = 1, kOpen = 2, kClose = 3 };
    int nKind = kEnd;
    int nBlock = -1;
    int nFirst = -1;
    int nLast = -1;
};

// Finds outline regions in a stretch of text and places them into the tree.
class COutlineParser {
public:
    using NodeList = std::vector<std::unique_ptr<COutlineNode>>;
    static constexpr int kHeaderSearchLimit = 256;

    virtual ~COutlineParser() = default;

    // Rebuilds the outline of start .. start + length - 1 under the root,
    // recording every node taken out or placed.
    virtual void Parse(std::string_view text, int start, int length, COutlineNode& root, OutlineChangeSet& changes);

    // A block with an empty end string is taken as an escape sequence (its start).
    virtual void AddBlock(const std::string& start, const std::string& end, const char* replace, bool nested,
                          bool ignore, const std::vector<std::string>& keywords);
    virtual void AddEscapeSequence(const std::string& sequence);
    // Escape sequences stay.
    virtual void RemoveAllBlocks();

    // The next token from pos up to last (inclusive); pos moves past it.
    virtual OutlineToken NextToken(std::string_view text, int& pos, int last);
    virtual std::unique_ptr<COutlineNode> HandleToken(const OutlineToken& token, uint32_t kind);
    virtual void Scan(std::string_view text, int first, int last, NodeList& nodes);
    virtual void AdjustHeaders(std::string_view text, NodeList& nodes);
    // The header keyword's first offset (its last in keywordEnd), or -1.
    virtual int FindHeaderKeyword(std::string_view text, const COutlineNode& node, const NodeList& nodes,
                                  int& keywordEnd);
    virtual void MoveStartBack(std::string_view text, COutlineNode& node, int keywordStart, int keywordEnd);
    // The word before pos, not before limit; false at ";", "{", "}" or the limit.
    virtual bool PreviousWord(std::string_view text, int& pos, int limit, int& wordStart, int& wordEnd);
    // The word ending at wordEnd is followed, after blanks, by "(".
    virtual bool IsCallHeader(std::string_view text, int wordEnd);
    // Pairs an unmatched opening or closing with its partner, or places it alone.
    virtual bool PlaceNode(std::unique_ptr<COutlineNode> node, COutlineNode* region, OutlineChangeSet& changes);
    virtual COutlineNode* FindPartner(const COutlineNode& node, COutlineNode* parent);
    // Widens first .. last over the regions it touches; returns the parent for new nodes.
    virtual COutlineNode* ExpandRange(COutlineNode& root, int& first, int& last);

    // The offset of the delimiter's last character when it matches at pos, else -1.
    int MatchAt(std::string_view text, int pos, const std::string& delimiter) const;
    const OutlineBlock* Block(int index) const;

    std::vector<OutlineBlock> m_arrBlocks;
    std::vector<std::string> m_lstEscapes;
    std::string m_strWordDelimiters = " \t\n,./?<>;:\"'{[}]~`%^&*()-+=!";
    bool m_bCaseSensitive = true;
    bool m_bWholeWords = false;
    std::string m_strTrace;

private:
    int MatchEscape(std::string_view text, int pos) const;
    bool IsKeyword(const OutlineBlock& block, std::string_view word) const;
};
