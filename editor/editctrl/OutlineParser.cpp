#include "editor/editctrl/OutlineParser.h"

#include "editor/editctrl/OutlineChangeSet.h"

#include <algorithm>
#include <cctype>

namespace {

// Header words are always split at the default delimiters.
constexpr std::string_view kHeaderDelimiters = " \t\n,./?<>;:\"'{[}]~`%^&*()-+=!";
constexpr std::string_view kBlanks = " \t\n";

bool IsIn(std::string_view set, char c) { return set.find(c) != std::string_view::npos; }

bool SameChar(char a, char b, bool caseSensitive)
{
    return caseSensitive ? a == b : std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

bool InTree(COutlineNode* node, COutlineNode& root) { return node && node->Top() == &root; }

} // namespace

// --- settings ---------------------------------------------------------------

void COutlineParser::AddBlock(const std::string& start, const std::string& end, const char* replace, bool nested,
                              bool ignore, const std::vector<std::string>& keywords)
{
    if (end.empty()) {
        AddEscapeSequence(start);
        return;
    }
    m_arrBlocks.push_back(OutlineBlock{start, end, replace ? replace : "...", nested, ignore, keywords});
}

void COutlineParser::AddEscapeSequence(const std::string& sequence)
{
    if (!sequence.empty())  // an empty sequence would match everywhere without moving on
        m_lstEscapes.push_back(sequence);
}

void COutlineParser::RemoveAllBlocks() { m_arrBlocks.clear(); }

const OutlineBlock* COutlineParser::Block(int index) const
{
    return index >= 0 && index < static_cast<int>(m_arrBlocks.size()) ? &m_arrBlocks[size_t(index)] : nullptr;
}

// --- tokens -----------------------------------------------------------------

int COutlineParser::MatchAt(std::string_view text, int pos, const std::string& delimiter) const
{
    const int length = static_cast<int>(delimiter.size());
    if (length == 0 || pos < 0 || pos + length > static_cast<int>(text.size()))
        return -1;
    for (int i = 0; i < length; ++i)
        if (!SameChar(text[size_t(pos + i)], delimiter[size_t(i)], m_bCaseSensitive))
            return -1;
    if (m_bWholeWords && delimiter.find_first_of(m_strWordDelimiters) == std::string::npos) {
        if (pos > 0 && !IsIn(m_strWordDelimiters, text[size_t(pos - 1)]))
            return -1;
        if (pos + length < static_cast<int>(text.size()) && !IsIn(m_strWordDelimiters, text[size_t(pos + length)]))
            return -1;
    }
    return pos + length - 1;
}

int COutlineParser::MatchEscape(std::string_view text, int pos) const
{
    for (const auto& escape : m_lstEscapes) {
        const int last = MatchAt(text, pos, escape);
        if (last >= 0)
            return last;
    }
    return -1;
}

OutlineToken COutlineParser::NextToken(std::string_view text, int& pos, int last)
{
    const int size = static_cast<int>(text.size());
    while (pos <= last && pos < size) {
        const int escapeLast = MatchEscape(text, pos);
        if (escapeLast >= 0) {
            pos = escapeLast + 1;
            continue;
        }
        for (int b = 0; b < static_cast<int>(m_arrBlocks.size()); ++b) {
            const OutlineBlock& block = m_arrBlocks[size_t(b)];
            const int startLast = MatchAt(text, pos, block.strStart);
            if (block.bNested) {
                if (startLast >= 0) {
                    OutlineToken token{OutlineToken::kOpen, b, pos, startLast};
                    pos = startLast + 1;
                    return token;
                }
                const int endLast = MatchAt(text, pos, block.strEnd);
                if (endLast >= 0) {
                    OutlineToken token{OutlineToken::kClose, b, pos, endLast};
                    pos = endLast + 1;
                    return token;
                }
                continue;
            }
            if (startLast < 0)
                continue;
            int regionLast = -1;
            for (int q = startLast + 1; q < size;) {
                const int skip = MatchEscape(text, q);
                if (skip >= 0) {
                    q = skip + 1;
                    continue;
                }
                const int endLast = MatchAt(text, q, block.strEnd);
                if (endLast >= 0) {
                    regionLast = block.strEnd == "\n" ? endLast - 1 : endLast;
                    break;
                }
                ++q;
            }
            if (regionLast < 0) {
                if (block.bIgnore)
                    continue;
                regionLast = size - 1;  // runs to the end of the text
            }
            OutlineToken token{OutlineToken::kRegion, b, pos, regionLast};
            pos = regionLast + 1;
            return token;
        }
        ++pos;
    }
    return OutlineToken{};
}

std::unique_ptr<COutlineNode> COutlineParser::HandleToken(const OutlineToken& token, uint32_t kind)
{
    auto node = std::make_unique<COutlineNode>();
    node->m_nBlock = token.nBlock;
    node->m_nStart = token.nFirst;
    node->m_nEnd = token.nLast;
    node->m_nKind = kind;
    if (const OutlineBlock* block = Block(token.nBlock))
        node->m_strReplace = block->strReplace;
    if (kind == COutlineNode::kRegion)
        m_strTrace += node->m_strReplace + "_" + std::to_string(token.nFirst) + "_" + std::to_string(token.nLast) + ", ";
    else if (kind == COutlineNode::kOpenOnly)
        m_strTrace += "{_" + std::to_string(token.nFirst) + ", ";
    else
        m_strTrace += "}_" + std::to_string(token.nLast) + ", ";
    return node;
}

void COutlineParser::Scan(std::string_view text, int first, int last, NodeList& nodes)
{
    m_strTrace.clear();
    std::vector<OutlineToken> stack;
    int pos = first;
    for (OutlineToken token = NextToken(text, pos, last); token.nKind != OutlineToken::kEnd;
         token = NextToken(text, pos, last)) {
        if (token.nKind == OutlineToken::kRegion) {
            nodes.push_back(HandleToken(token, COutlineNode::kRegion));
        } else if (token.nKind == OutlineToken::kOpen) {
            stack.push_back(token);
        } else if (!stack.empty() && stack.back().nKind == OutlineToken::kOpen && stack.back().nBlock == token.nBlock) {
            const OutlineToken region{OutlineToken::kRegion, token.nBlock, stack.back().nFirst, token.nLast};
            stack.pop_back();
            nodes.push_back(HandleToken(region, COutlineNode::kRegion));
        } else {
            stack.push_back(token);
        }
    }
    for (auto it = stack.rbegin(); it != stack.rend(); ++it)
        nodes.push_back(HandleToken(*it, it->nKind == OutlineToken::kOpen ? COutlineNode::kOpenOnly
                                                                         : COutlineNode::kCloseOnly));
}

// --- headers ----------------------------------------------------------------

bool COutlineParser::PreviousWord(std::string_view text, int& pos, int limit, int& wordStart, int& wordEnd)
{
    int i = pos - 1;
    for (; i >= limit && IsIn(kHeaderDelimiters, text[size_t(i)]); --i)
        if (IsIn(";{}", text[size_t(i)]))
            return false;
    if (i < limit)
        return false;
    wordEnd = i;
    while (i >= limit && !IsIn(kHeaderDelimiters, text[size_t(i)]))
        --i;
    wordStart = i + 1;
    pos = wordStart;
    return true;
}

bool COutlineParser::IsCallHeader(std::string_view text, int wordEnd)
{
    size_t i = size_t(wordEnd) + 1;
    while (i < text.size() && IsIn(kBlanks, text[i]))
        ++i;
    return i < text.size() && text[i] == '(';
}

bool COutlineParser::IsKeyword(const OutlineBlock& block, std::string_view word) const
{
    for (const auto& keyword : block.keywords) {
        if (keyword.size() != word.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < word.size() && same; ++i)
            same = SameChar(word[i], keyword[i], m_bCaseSensitive);
        if (same)
            return true;
    }
    return false;
}

int COutlineParser::FindHeaderKeyword(std::string_view text, const COutlineNode& node, const NodeList& nodes,
                                      int& keywordEnd)
{
    const OutlineBlock* block = Block(node.m_nBlock);
    if (!block || block->keywords.empty() || node.m_nStart <= 0)
        return -1;
    int limit = std::max(0, node.m_nStart - kHeaderSearchLimit);
    for (const auto& other : nodes)
        if (other.get() != &node && other->m_nEnd < node.m_nStart)
            limit = std::max(limit, other->m_nEnd + 1);

    int pos = node.m_nStart;
    int wordStart = 0;
    int wordEnd = 0;
    while (PreviousWord(text, pos, limit, wordStart, wordEnd)) {
        // a word inside another node (a comment, a string) is no header, unless
        // that node holds this one
        const bool hidden = std::any_of(nodes.begin(), nodes.end(), [&](const auto& other) {
            return other.get() != &node && other->m_nStart <= wordStart && wordEnd <= other->m_nEnd &&
                   !(other->m_nStart <= node.m_nStart && node.m_nEnd <= other->m_nEnd);
        });
        if (hidden)
            continue;
        if (IsKeyword(*block, text.substr(size_t(wordStart), size_t(wordEnd - wordStart + 1))) ||
            IsCallHeader(text, wordEnd)) {
            keywordEnd = wordEnd;
            return wordStart;
        }
    }
    return -1;
}

void COutlineParser::MoveStartBack(std::string_view text, COutlineNode& node, int keywordStart, int keywordEnd)
{
    int start = node.m_nStart;
    while (start > 0 && IsIn(kBlanks, text[size_t(start - 1)]))
        --start;
    if (start - 1 > keywordEnd)
        node.m_nStart = start;
    node.m_nHeaderLength = node.m_nStart - keywordStart;
}

void COutlineParser::AdjustHeaders(std::string_view text, NodeList& nodes)
{
    for (auto& node : nodes) {
        const OutlineBlock* block = Block(node->m_nBlock);
        if (!block || block->bIgnore)
            continue;
        int keywordEnd = -1;
        const int keywordStart = FindHeaderKeyword(text, *node, nodes, keywordEnd);
        if (keywordStart >= 0)
            MoveStartBack(text, *node, keywordStart, keywordEnd);
    }
}

// --- placing ----------------------------------------------------------------

COutlineNode* COutlineParser::ExpandRange(COutlineNode& root, int& first, int& last)
{
    int longestStart = 1;
    int longestEnd = 1;
    for (const auto& block : m_arrBlocks) {
        longestStart = std::max(longestStart, static_cast<int>(block.strStart.size()));
        longestEnd = std::max(longestEnd, static_cast<int>(block.strEnd.size()));
    }
    first -= longestStart - 1;
    last += longestEnd - 1;

    COutlineNode* parent = &root;
    if (last < first) {
        COutlineNode* region = root.FindRegionAt(first);
        while (region && region != &root && region->m_nBlock < 0)
            region = region->Parent();
        if (region && region != &root) {
            parent = region;
            first = region->HeaderStart();
            last = region->m_nEnd;
        }
    } else {
        const COutlineNode* container = &root;
        for (size_t i = 0; i < container->Children().size(); ++i) {
            COutlineNode& child = *container->Children()[i];
            const int headerStart = child.HeaderStart();
            const bool inside = child.m_nStart >= first && child.m_nEnd <= last;
            const bool headerInside = headerStart >= first && headerStart <= last;
            if (inside || headerInside || (child.m_nStart < first && child.m_nEnd >= first && child.m_nEnd <= last)) {
                first = std::min(first, headerStart);
                last = std::max(last, child.m_nEnd);
                continue;
            }
            if (child.m_nStart <= last && child.m_nEnd > last) {
                parent = &child;
                last = std::max(last, child.m_nEnd);
                const OutlineBlock* block = Block(child.m_nBlock);
                if (block && !block->bNested) {
                    first = std::min(first, headerStart);
                    break;
                }
                container = &child;  // nesting (or hand-made): walk on inside it
                i = size_t(-1);
            }
        }
    }
    first = std::min(first, parent->HeaderStart());
    last = std::max(last, parent->m_nEnd);
    return parent;
}

COutlineNode* COutlineParser::FindPartner(const COutlineNode& node, COutlineNode* parent)
{
    const bool opening = node.m_nKind == COutlineNode::kOpenOnly;
    for (COutlineNode* p = parent; p; p = p->Parent()) {
        const auto& children = p->Children();
        const size_t n = children.size();
        for (size_t k = 0; k < n; ++k) {
            COutlineNode& child = *children[opening ? k : n - 1 - k];
            if (&child == &node || child.m_nBlock != node.m_nBlock)
                continue;
            if (child.IsRegion() && child.m_nStart < node.m_nStart && child.m_nEnd > node.m_nEnd)
                return &child;
            if (opening && child.m_nKind == COutlineNode::kCloseOnly && child.m_nStart > node.m_nEnd)
                return &child;
            if (!opening && child.m_nKind == COutlineNode::kOpenOnly && child.m_nStart < node.m_nStart)
                return &child;
        }
    }
    return nullptr;
}

bool COutlineParser::PlaceNode(std::unique_ptr<COutlineNode> node, COutlineNode* region, OutlineChangeSet& changes)
{
    COutlineNode* partner = FindPartner(*node, region);
    if (!partner) {
        // the tree takes the node: it stays placed as an unmatched delimiter
        region->Top()->InsertChild(std::move(node), changes);
        return true;
    }
    const bool opening = node->m_nKind == COutlineNode::kOpenOnly;
    COutlineNode* partnerParent = partner->Parent();
    COutlineBaseNode former;
    former.CopyFrom(*partner);
    partner->Detach(changes);  // the change set owns it now

    auto joined = std::make_unique<COutlineNode>();
    joined->CopyFrom(opening ? static_cast<const COutlineBaseNode&>(*node) : former);
    joined->m_nEnd = opening ? former.m_nEnd : node->m_nEnd;
    joined->m_nKind = COutlineNode::kRegion;
    joined->m_bCollapsed = false;
    joined->m_rcBox = OutlineRect{};
    partnerParent->InsertChild(std::move(joined), changes);

    const OutlineBlock* block = Block(node->m_nBlock);
    if (former.IsRegion() && block) {
        // the partner's other delimiter is left without a partner
        auto rest = std::make_unique<COutlineNode>();
        rest->CopyFrom(former);
        rest->m_bCollapsed = false;
        rest->m_rcBox = OutlineRect{};
        if (opening) {
            rest->m_nKind = COutlineNode::kOpenOnly;
            rest->m_nEnd = former.m_nStart + static_cast<int>(block->strStart.size()) - 1;
        } else {
            rest->m_nKind = COutlineNode::kCloseOnly;
            rest->m_nStart = former.m_nEnd - static_cast<int>(block->strEnd.size()) + 1;
            rest->m_nHeaderLength = 0;
        }
        PlaceNode(std::move(rest), partnerParent, changes);
    }
    return true;
}

void COutlineParser::Parse(std::string_view text, int start, int length, COutlineNode& root,
                           OutlineChangeSet& changes)
{
    const int size = static_cast<int>(text.size());
    int first = start;
    int last = start + length - 1;
    COutlineNode* parent = ExpandRange(root, first, last);
    first = std::max(first, 0);
    last = std::min(last, size - 1);

    NodeList nodes;
    for (;;) {
        nodes.clear();
        if (first <= last)
            Scan(text, first, last, nodes);
        int wideFirst = first;
        int wideLast = last;
        for (const auto& node : nodes) {
            wideFirst = std::min(wideFirst, node->HeaderStart());
            wideLast = std::max(wideLast, node->m_nEnd);
        }
        if (wideFirst >= first && wideLast <= last)
            break;
        COutlineNode* wideParent = ExpandRange(root, wideFirst, wideLast);
        wideFirst = std::max(wideFirst, 0);
        wideLast = std::min(wideLast, size - 1);
        if (wideFirst >= first && wideLast <= last)
            break;  // the clamped stretch stopped growing
        parent = wideParent;
        first = std::min(first, wideFirst);
        last = std::max(last, wideLast);
    }
    changes.m_nFirst = std::min(changes.m_nFirst, first);
    changes.m_nLast = std::max(changes.m_nLast, last);

    AdjustHeaders(text, nodes);
    root.RemoveNodesInRange(first, last, changes);

    for (auto& node : nodes) {
        const OutlineBlock* block = Block(node->m_nBlock);
        if (!block || block->bIgnore)
            continue;  // shielded text only: dropped here
        if (node->IsRegion()) {
            if (!block->bNested)
                root.RemoveNodesInRange(node->HeaderStart(), node->m_nEnd, changes);
            root.InsertChild(std::move(node), changes);
            continue;
        }
        COutlineNode* region = parent;
        if (!InTree(region, root)) {
            const int at = node->m_nKind == COutlineNode::kOpenOnly ? node->m_nStart : node->m_nEnd;
            region = root.FindRegionAt(at);
            if (!region)
                region = &root;
        }
        PlaceNode(std::move(node), region, changes);
    }
}
