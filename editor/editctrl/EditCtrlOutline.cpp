// CEditCtrl: the outline seam, and what the outline asks of the view (caret,
// selection, repaints).
#include "editor/editctrl/EditCtrl.h"

#include <algorithm>

void CEditCtrl::OnOutlineTextInserted(int start, int end)
{
    if (m_pOutline)
        m_pOutline->TextInserted(start, end);
}

void CEditCtrl::OnOutlineTextDeleted(int start, int end)
{
    if (m_pOutline)
        m_pOutline->TextDeleted(start, end);
}

void CEditCtrl::ReparseOutline(int start, int length, bool redraw)
{
    if (m_pOutline == OutlinePort())
        COutlining::ReparseOutline(start, length, redraw); // keeps the redraw flag
    else if (m_pOutline)
        m_pOutline->Reparse(start, length);
}

void CEditCtrl::OutlineSetCaret(int offset)
{
    SetCaretOffset(std::clamp(offset, 0, m_strText.Length()), true, true);
}

void CEditCtrl::OutlineCancelSelection() { CancelSelection(false, true, true); }

bool CEditCtrl::OutlineSelection(int& first, int& end) const
{
    if (!HasSelection())
        return false;
    first = std::min(m_nSelStart, m_nSelEnd);
    end = std::max(m_nSelStart, m_nSelEnd);
    return true;
}

void CEditCtrl::OutlineRedrawRange(int first, int last) { RedrawRange(first, last); }

void CEditCtrl::OutlineInvalidateFrom(int offset) { RedrawFromLine(offset); }

int CEditCtrl::OutlinePlaceholderWidth(const std::string& text) const
{
    return GetTabbedTextExtent(text.data(), int(text.size()));
}
