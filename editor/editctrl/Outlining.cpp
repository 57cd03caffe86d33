#include "editor/editctrl/Outlining.h"

#include "editor/editctrl/SettingsText.h"

#include <algorithm>

void COutlining::CreateOutlineParser() { m_pOutlineParser = std::make_unique<COutlineParser>(); }

void COutlining::DeleteAllRegions()
{
    m_OutlineRoot.RemoveAllChildren();
    m_pActiveOutlineNode = nullptr;
    m_nHiddenLines = 0;
}

void COutlining::ResetOutline()
{
    DeleteAllRegions();
    m_pOutlineParser.reset();
}

bool COutlining::CollapsedRegionAt(int offset, EcCollapsedRegion& region) const
{
    if (!m_bOutlining)
        return false;
    const COutlineNode* node = m_OutlineRoot.FindCollapsedAt(offset);
    if (!node)
        return false;
    region.start = node->m_nStart;
    region.end = node->m_nEnd;
    region.placeholder = node->m_strReplace;
    region.boxWidth = node->m_rcBox.IsEmpty() ? OutlinePlaceholderWidth(node->m_strReplace)
                                              : node->m_rcBox.right - node->m_rcBox.left;
    return true;
}

int COutlining::HiddenLinesBefore(const COutlineNode& node, int offset) const
{
    int lines = 0;
    for (const auto& child : node.Children()) {
        if (child->m_nStart >= offset)
            break;
        if (child->m_bCollapsed && child->IsRegion()) {
            const std::string_view text = OutlineText();
            const int first = std::max(0, child->m_nStart);
            const int end = std::min({static_cast<int>(text.size()), child->m_nEnd + 1, offset});
            if (first < end)
                lines += static_cast<int>(std::count(text.begin() + first, text.begin() + end, '\n'));
        } else {
            lines += HiddenLinesBefore(*child, offset);
        }
    }
    return lines;
}

int COutlining::HiddenLinesBefore(int offset) const
{
    return m_bOutlining ? HiddenLinesBefore(m_OutlineRoot, offset) : 0;
}

bool COutlining::ReadOutlineSettings(const std::string& content, const std::string& wordDelimiters)
{
    if (!m_pOutlineParser)
        return true;
    COutlineParser& parser = *m_pOutlineParser;
    DeleteAllRegions();
    parser.RemoveAllBlocks();

    std::string data = content;
    std::string list;
    std::string value;
    if (GetXmlElement(data, "EscapeSequences", list, false)) {
        XmlElementReader escapes(list, "EscapeSequence", true);
        while (escapes.Next(value))
            parser.AddEscapeSequence(value);
    }
    if (GetXmlElement(data, "BLOCKS", list, false)) {
        XmlElementReader entries(list, "BLOCK", false);
        std::string entry;
        while (entries.Next(entry)) {
            std::string start;
            std::string end;
            if (!GetXmlElement(entry, "Start", start, true) || !GetXmlElement(entry, "End", end, true))
                break;
            std::string replace = "...";
            GetXmlElement(entry, "ReplaceString", replace, true);
            bool nested = true;
            bool ignore = false;
            GetXmlTruth(entry, "AllowNestedBlocks", nested);
            GetXmlTruth(entry, "Ignore", ignore);
            std::vector<std::string> keywords;
            std::string group;
            if (GetXmlElement(entry, "KEYWORDS", group, false)) {
                XmlElementReader words(group, "Keyword", false);
                while (words.Next(value))
                    keywords.push_back(value);
            }
            parser.AddBlock(start, end, replace.c_str(), nested, ignore, keywords);
        }
    }
    parser.m_strWordDelimiters = wordDelimiters;
    parser.m_bCaseSensitive = true;
    parser.m_bWholeWords = false;
    GetXmlTruth(data, "CaseSensitive", parser.m_bCaseSensitive);
    GetXmlTruth(data, "WholeWords", parser.m_bWholeWords);
    return true;
}

void COutlining::ReparseOutline(int start, int length, bool redraw)
{
    if (!m_bOutlining || !m_bOutliningStarted || !m_pOutlineParser || !m_bOutlineParse)
        return;
    const int size = static_cast<int>(OutlineText().size());
    if (start < 0 || length < 0 || start + length > size)
        return;
    OutlineChangeSet changes(start, start + length + 1);
    m_pOutlineParser->Parse(OutlineText(), start, length, m_OutlineRoot, changes);
    ApplyOutlineChanges(changes);
    OnOutlineChanged(changes, redraw);
}

void COutlining::ReparseOutlineRange(int first, int last, bool redraw)
{
    if (first == -1)
        first = 0;
    if (last == -1)
        last = static_cast<int>(OutlineText().size()) - 1;
    ReparseOutline(first, last - first + 1, redraw);
}

void COutlining::OnOutlineTextInserted(int offset, int endOffset)
{
    if (m_bOutlining)
        m_OutlineRoot.OnTextInserted(offset, endOffset - offset);
}

void COutlining::OnOutlineTextDeleted(int first, int end)
{
    if (!m_bOutlining || end <= first)
        return;
    OutlineChangeSet changes(first, end);
    m_OutlineRoot.RemoveNodesInRange(first, end - 1, changes);
    m_OutlineRoot.OnTextDeleted(first, end);
    ApplyOutlineChanges(changes);
    OnOutlineChanged(changes, false);
}

void COutlining::OnOutlineChanged(OutlineChangeSet& changes, bool redraw)
{
    for (COutlineNode* node : changes.m_added)
        changes.Widen(*node);
    for (const auto& node : changes.m_removed)
        changes.Widen(*node);
    for (COutlineNode* node : changes.m_added)
        OnOutlineHook1(node);
    for (const auto& node : changes.m_removed) {
        OnOutlineHook2(node.get());
        if (m_pActiveOutlineNode == node.get())
            m_pActiveOutlineNode = nullptr;
    }
    changes.m_added.clear();
    changes.m_removed.clear();  // the set is their one owner
    const int first = std::max(0, changes.m_nFirst);
    if (redraw)
        OutlineRedrawRange(first, static_cast<int>(OutlineText().size()));
    else
        OutlineInvalidateFrom(first);
}

int COutlining::HiddenLinesOf(const COutlineNode& node) const
{
    if (node.m_bCollapsed && node.IsRegion()) {
        const std::string_view text = OutlineText();
        const int first = std::max(0, node.m_nStart);
        const int end = std::min(static_cast<int>(text.size()), node.m_nEnd + 1);
        return first < end ? static_cast<int>(std::count(text.begin() + first, text.begin() + end, '\n')) : 0;
    }
    int lines = 0;
    for (const auto& child : node.Children())
        lines += HiddenLinesOf(*child);
    return lines;
}

// Counted from the tree, so nested and moved regions are never counted twice.
void COutlining::RecountHiddenLines() { m_nHiddenLines = HiddenLinesOf(m_OutlineRoot); }

void COutlining::ApplyOutlineChanges(const OutlineChangeSet&)
{
    RecountHiddenLines();
    OutlineUpdateScrollBars();
}

int COutlining::ToggleOutlineNode(COutlineNode* node)
{
    if (!node)
        return 0;
    OutlineCancelSelection();
    node->SetCollapsed(!node->m_bCollapsed);
    RecountHiddenLines();
    OutlineUpdateScrollBars();
    OutlineRedrawRange(std::max(0, node->m_nStart), static_cast<int>(OutlineText().size()));
    const std::string_view text = OutlineText();
    int lineStart = std::clamp(node->m_nStart, 0, static_cast<int>(text.size()));
    while (lineStart > 0 && text[size_t(lineStart - 1)] != '\n')
        --lineStart;
    // a line start hidden inside a collapsed region is passed over
    while (COutlineNode* hidden = m_OutlineRoot.FindCollapsedAt(lineStart)) {
        if (hidden->m_nStart >= lineStart || hidden == node)
            break;
        lineStart = hidden->m_nStart;
        while (lineStart > 0 && text[size_t(lineStart - 1)] != '\n')
            --lineStart;
    }
    OutlineSetCaret(lineStart);
    return 1;
}

int COutlining::ToggleOutlineAtLine(int offset)
{
    const std::string_view text = OutlineText();
    const int size = static_cast<int>(text.size());
    offset = std::clamp(offset, 0, size);
    int lineStart = offset;
    while (lineStart > 0 && text[size_t(lineStart - 1)] != '\n')
        --lineStart;
    int lineEnd = offset;
    while (lineEnd < size && text[size_t(lineEnd)] != '\n')
        ++lineEnd;
    std::vector<COutlineNode*> touching;
    m_OutlineRoot.CollectInRange(lineStart, lineEnd, touching);
    if (m_pActiveOutlineNode && m_pActiveOutlineNode->m_nStart >= lineStart &&
        std::find(touching.begin(), touching.end(), m_pActiveOutlineNode) != touching.end())
        return ToggleOutlineNode(m_pActiveOutlineNode);
    for (COutlineNode* node : touching)
        if (node->m_nStart >= lineStart)
            return ToggleOutlineNode(node);
    return 0;
}

void COutlining::ToggleAllOutlining()
{
    m_OutlineRoot.ToggleAllRegions();
    RecountHiddenLines();
    OutlineUpdateScrollBars();
    OutlineRedrawRange(0, static_cast<int>(OutlineText().size()));
    if (COutlineNode* holder = m_OutlineRoot.FindCollapsedAt(OutlineCaretOffset()))
        OutlineSetCaret(holder->m_nStart);
}

int COutlining::ToggleOutliningAtCaret()
{
    int first = 0;
    int end = 0;
    if (OutlineSelection(first, end)) {
        m_OutlineRoot.ToggleRegionsInRange(first, end - 1);
        RecountHiddenLines();
        OutlineUpdateScrollBars();
        OutlineRedrawRange(0, static_cast<int>(OutlineText().size()));
        return 1;
    }
    const int caret = OutlineCaretOffset();
    COutlineNode* region = m_OutlineRoot.FindRegionAt(caret);
    if (!region)
        return 0;
    const bool justAfter = caret == region->m_nEnd + 1;
    const int start = region->m_nStart;
    ToggleOutlineNode(region);
    OutlineSetCaret(justAfter ? caret : start);
    return 1;
}

void COutlining::HideSelection()
{
    int first = 0;
    int end = 0;
    if (!OutlineSelection(first, end) || end <= first)
        return;
    AddOutlineRegion(first, end - 1, 0, true, nullptr);
    OutlineSetCaret(end);
}

void COutlining::StopHidingSelection()
{
    if (m_bOutliningStarted)
        return;
    int first = 0;
    int end = 0;
    OutlineChangeSet changes(0, 0);
    const bool selection = OutlineSelection(first, end) && end > first;
    if (selection) {
        changes = OutlineChangeSet(first, end);
        m_OutlineRoot.RemoveNodesInRange(first, end - 1, changes);
    }
    if (changes.m_removed.empty()) {
        const int caret = OutlineCaretOffset();
        changes = OutlineChangeSet(caret, caret);
        m_OutlineRoot.RemoveRegionAt(caret, changes);
    }
    ApplyOutlineChanges(changes);
    OnOutlineChanged(changes, true);
}

void COutlining::StartOutlining()
{
    m_bOutliningStarted = true;
    ReparseOutlineRange(-1, -1, true);
    ToggleAllOutlining();
    OutlineUpdateScrollBars();
}

void COutlining::StopOutlining()
{
    m_bOutliningStarted = false;
    DeleteAllRegions();
    OutlineUpdateScrollBars();
    OutlineRedrawRange(0, static_cast<int>(OutlineText().size()));
}

COutlineNode* COutlining::AddOutlineRegion(int start, int end, int headerLength, bool collapsed, const char* replace)
{
    const std::string_view text = OutlineText();
    if (end - start > 0 && end >= 0 && end < static_cast<int>(text.size()) && text[size_t(end)] == '\n')
        --end;
    COutlineBaseNode region;
    region.m_nStart = start;
    region.m_nEnd = end;
    region.m_nHeaderLength = headerLength;
    region.m_bCollapsed = collapsed;
    region.m_strReplace = replace ? replace : "...";
    region.m_nBlock = -1;
    region.m_nKind = COutlineNode::kRegion;
    OutlineChangeSet changes(start, end);
    COutlineNode* node = m_OutlineRoot.AddCopy(region, changes);
    ApplyOutlineChanges(changes);
    OnOutlineChanged(changes, true);
    return node;
}

COutlineNode* COutlining::CollapsedNodeFromPoint(int x, int y)
{
    return m_bOutlining ? m_OutlineRoot.HitTestBoxes(x, y) : nullptr;
}

std::string COutlining::RegionText(const COutlineNode& node) const
{
    const std::string_view text = OutlineText();
    const int start = std::clamp(node.m_nStart, 0, static_cast<int>(text.size()));
    const int end = std::clamp(node.m_nEnd + 1, start, static_cast<int>(text.size()));
    const int length = std::min(end - start, std::max(0, m_nCollapsedTipLimit));
    return std::string(text.substr(size_t(start), size_t(length)));
}

bool COutlining::CollapsedTextAtPoint(int x, int y, std::string& text)
{
    const COutlineNode* node = CollapsedNodeFromPoint(x, y);
    if (!node)
        return false;
    text = RegionText(*node);
    return true;
}

bool COutlining::CollapsedTextAtOffset(int offset, std::string& text)
{
    const COutlineNode* node = FindCollapsedNodeAt(offset);
    if (!node && offset > 0)
        node = FindCollapsedNodeAt(offset - 1);
    if (!node)
        return false;
    text = RegionText(*node);
    return true;
}

COutlineNode* COutlining::FindCollapsedNodeAt(int offset)
{
    return m_bOutlining ? m_OutlineRoot.FindCollapsedAt(offset) : nullptr;
}

COutlineNode* COutlining::FindCollapsedNodeInRange(int first, int last, bool forward)
{
    return m_bOutlining ? m_OutlineRoot.FindCollapsedInRange(first, last, forward) : nullptr;
}

void COutlining::GetVisibleText(std::string& text, int start, int end)
{
    const std::string_view all = OutlineText();
    start = std::clamp(start, 0, static_cast<int>(all.size()));
    end = std::clamp(end, start, static_cast<int>(all.size()));
    text.clear();
    for (int pos = start; pos < end;) {
        if (COutlineNode* hidden = FindCollapsedNodeAt(pos); hidden && hidden->m_nEnd >= pos) {
            pos = hidden->m_nEnd + 1;
            continue;
        }
        text += all[size_t(pos++)];
    }
}
