#pragma once
// A text-backed outline for tests: edits run the hooks in the order the edit
// control runs them, and the view calls are counted.
#include "editor/editctrl/Outlining.h"

#include <string>
#include <string_view>

class TextOutline : public COutlining {
public:
    explicit TextOutline(std::string initial = std::string()) : text(std::move(initial)) {}

    void Insert(int at, const std::string& s)
    {
        text.insert(size_t(at), s);
        OnOutlineTextInserted(at, at + int(s.size()));
        ReparseOutline(at, int(s.size()), false);
    }
    void Erase(int at, int count)
    {
        OnOutlineTextDeleted(at, at + count);
        text.erase(size_t(at), size_t(count));
        ReparseOutline(at, 0, false);
    }
    // Outlining on, parsing on, a parser: everything the editor sets up.
    void Enable()
    {
        m_bOutlining = true;
        m_bOutlineParse = true;
        if (!m_pOutlineParser)
            CreateOutlineParser();
    }

    std::string text;
    int redraws = 0;
    int invalidates = 0;
    int caret = 0;
    int selFirst = -1;  // the selection first .. selEnd (excluded); -1: none
    int selEnd = -1;

protected:
    bool OutlineSelection(int& first, int& end) const override
    {
        first = selFirst;
        end = selEnd;
        return selFirst >= 0;
    }
    std::string_view OutlineText() const override { return text; }
    int OutlineCaretOffset() const override { return caret; }
    void OutlineSetCaret(int offset) override { caret = offset; }
    void OutlineRedrawRange(int, int) override { ++redraws; }
    void OutlineInvalidateFrom(int) override { ++invalidates; }
};

// Children ordered by start, not overlapping, inside their parent, with the
// right parent pointer. Returns an empty text when the tree holds, else what broke.
inline std::string CheckOutlineTree(const COutlineNode& node)
{
    int previousEnd = -1;
    bool first = true;
    for (const auto& child : node.Children()) {
        if (child->Parent() != &node)
            return "parent pointer";
        if (child->m_nStart > child->m_nEnd)
            return "start after end";
        if (!first && child->m_nStart <= previousEnd)
            return "children overlap or out of order";
        if (node.m_nStart != -1 && (child->m_nStart < node.m_nStart || child->m_nEnd > node.m_nEnd))
            return "child outside its parent";
        previousEnd = child->m_nEnd;
        first = false;
        const std::string inner = CheckOutlineTree(*child);
        if (!inner.empty())
            return inner;
    }
    return std::string();
}
