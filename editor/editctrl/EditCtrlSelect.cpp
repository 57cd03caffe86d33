// CEditCtrl: selection, clipboard and dragging the selection out.
#include "editor/editctrl/EditCtrl.h"

#include <algorithm>

int CEditCtrl::ExtendSelection(int movement)
{
    const bool forward = movement == selWordRight || movement == selCharRight || movement == selLineDown ||
                         movement == selPageDown;
    if (forward && m_nCaret >= m_strText.Length()) {
        OnError(errExtend);
        return 0;
    }
    if (movement == selAll) {
        SetCaretOffset(0, true, true);
        m_nSelStart = m_strText.Length();
        m_nSelEnd = 0;
        Repaint();
        return 1;
    }
    const int oldStart = m_nSelStart, oldEnd = m_nSelEnd, oldCaret = m_nCaret;
    const int oldLine = m_nFirstLine, oldColumn = m_nFirstColumn;
    if (m_nSelStart < 0)
        m_nSelStart = m_nCaret;
    int ok = 0;
    switch (movement) {
    case selWordLeft: ok = MoveWordLeft(false); break;
    case selWordRight: ok = MoveWordRight(false); break;
    case selCharLeft:
    case selCharRight:
        if (m_pSink)
            m_pSink->ShowCaret(false);
        ok = movement == selCharLeft ? MoveCharLeft(false) : MoveCharRight(false);
        if (m_pSink)
            m_pSink->ShowCaret(true);
        break;
    case selLineUp: ok = MoveLineUp(true, false); break;
    case selLineDown: ok = MoveLineDown(true, false); break;
    case selPageUp: ok = MovePageUp(false); break;
    case selPageDown: ok = MovePageDown(false); break;
    case selLineStart: ok = MoveLineStart(false); break;
    case selLineEnd: ok = MoveLineEnd(false); break;
    case selDocStart: ok = MoveDocumentStart(true); break;
    case selDocEnd: ok = MoveDocumentEnd(false); break;
    default: break;
    }
    if (!ok) {
        m_nSelStart = oldStart; // a refused movement leaves the selection as it was
        m_nSelEnd = oldEnd;
        OnError(errExtend);
        return 0;
    }
    m_nSelEnd = m_nCaret;
    if (movement <= selLineDown && oldLine == m_nFirstLine && oldColumn == m_nFirstColumn)
        RedrawRange(std::min({oldCaret, m_nSelStart, m_nSelEnd}), std::max({oldCaret, m_nSelStart, m_nSelEnd}));
    else
        Repaint();
    return 1;
}

int CEditCtrl::CancelSelection(bool toStart, bool keepCaret, bool redraw)
{
    const bool hadOffsets = m_nSelStart >= 0 && m_nSelEnd >= 0;
    if (!hadOffsets && m_ptBlockStart.x == -1)
        return 0;
    const int a = std::min(m_nSelStart, m_nSelEnd), b = std::max(m_nSelStart, m_nSelEnd);
    m_nSelStart = m_nSelEnd = -1;
    m_bColumnSelect = false;
    m_ptBlockStart = m_ptBlockEnd = {-1, -1};
    if (redraw)
        Repaint();
    if (!keepCaret && hadOffsets)
        SetCaretOffset(std::clamp(toStart ? a : b, 0, m_strText.Length()), true, true);
    return 1;
}

void CEditCtrl::SelectRange(int start, int end, bool noCaret, bool redraw)
{
    if (m_strText.Length() == 0)
        return;
    if (start == -1) {
        m_nSelStart = m_nSelEnd = -1;
    } else {
        start = std::clamp(start, 0, m_strText.Length());
        if (end < 0 || end > m_strText.Length())
            end = m_strText.Length();
        m_nSelStart = start;
        m_nSelEnd = end;
        if (!noCaret)
            SetCaretOffset(end, true, false);
    }
    if (redraw)
        Repaint();
}

void CEditCtrl::SetSelection(int start, int end, bool noCaret)
{
    SelectRange(start, end, noCaret, true);
}

void CEditCtrl::SelectLines(int firstLine, int count, bool keepCaret, bool redraw)
{
    if (firstLine < 0 || firstLine >= m_strText.LineCount())
        return;
    m_nSelStart = m_strText.LineStart(firstLine);
    m_nSelEnd = m_strText.LineStart(firstLine + std::max(0, count) + 1); // the text length past the last line
    if (!keepCaret)
        SetCaretOffset(m_nSelStart, true, false);
    if (redraw)
        Repaint();
}

void CEditCtrl::SelectLine(int line, bool keepCaret, bool redraw)
{
    SelectLines(line, 0, keepCaret, redraw);
}

std::string CEditCtrl::GetSelectedText() const
{
    if (m_nSelStart < 0 || m_nSelEnd < 0)
        return std::string();
    if (m_bColumnSelect && m_ptBlockStart.x >= 0) {
        // the lines of the rectangle, each ended by "\n"
        const EcPoint a = DocToClient(m_ptBlockStart), b = DocToClient(m_ptBlockEnd);
        const int x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x);
        std::string out;
        for (int y = std::min(a.y, b.y); y <= std::max(a.y, b.y); y += std::max(1, m_nLineHeight)) {
            const int s = OffsetFromPoint({x0, y}, false, true), e = OffsetFromPoint({x1, y}, false, true);
            if (s >= 0 && e >= s)
                out += m_strText.Str().substr(size_t(s), size_t(e - s));
            out += '\n';
        }
        return out;
    }
    const int a = std::clamp(std::min(m_nSelStart, m_nSelEnd), 0, m_strText.Length());
    const int b = std::clamp(std::max(m_nSelStart, m_nSelEnd), 0, m_strText.Length());
    return m_strText.Str().substr(size_t(a), size_t(b - a));
}

std::string CEditCtrl::MakeClipboardText(const std::string& text) const
{
    return MakeGlobalText(text, m_bCrLfClipboard);
}

int CEditCtrl::CopyTextToClipboard(const std::string& text)
{
    return m_pClipboard && m_pClipboard->SetText(MakeClipboardText(text), m_bColumnSelect) ? 1 : 0;
}

int CEditCtrl::CanCopy() const
{
    return m_bCopyWholeText || HasSelection();
}

int CEditCtrl::CanCut() const
{
    return HasSelection() && !m_bReadOnly;
}

int CEditCtrl::CanPaste() const
{
    return !m_bReadOnly && m_pClipboard && m_pClipboard->HasText();
}

int CEditCtrl::Copy()
{
    if (!CanCopy() || !CopyTextToClipboard(HasSelection() ? GetSelectedText() : m_strText.Str())) {
        OnError(errCopy);
        return 0;
    }
    return 1;
}

int CEditCtrl::Cut()
{
    if (!CanCut()) {
        OnError(errCopy);
        return 0;
    }
    SetLastAction(actCut);
    return DeleteSelection(true, true, false);
}

int CEditCtrl::Clear()
{
    SetLastAction(actDelete);
    return DeleteSelection(true, false, false);
}

int CEditCtrl::Paste(int offset)
{
    if (m_bReadOnly) {
        OnError(errPasteReadOnly);
        return 0;
    }
    std::string text;
    bool column = false;
    if (!m_pClipboard || !m_pClipboard->HasText() || !m_pClipboard->GetText(text, column)) {
        OnError(errPasteNoText);
        return 0;
    }
    const bool chain = m_nSelStart >= 0 && m_nSelEnd >= 0 && std::min(m_nSelStart, m_nSelEnd) != 0;
    DeleteSelection(false, false, chain);
    SetLastAction(actPaste);
    InsertFromData(text, column, offset, true, false, true, false);
    CloseUndoChain();
    m_bModified = true;
    return 1;
}

int CEditCtrl::InsertFromData(const std::string& text, bool column, int offset, bool redraw, bool clearUndo,
                              bool moveMarkers, bool chain)
{
    if (column)
        return InsertTextLines(text, offset, redraw);
    return InsertText(text, offset, redraw, clearUndo, moveMarkers, chain);
}

int CEditCtrl::DragSelection(EcPoint pressed)
{
    if (!m_pDragSource || !HasSelection())
        return 0;
    const std::string text = GetSelectedText();
    const int len = int(text.size());
    int a = std::min(m_nSelStart, m_nSelEnd), b = std::max(m_nSelStart, m_nSelEnd);
    m_nDragState = 1;
    EcPoint cursor = pressed;
    const int effect = m_pDragSource->RunDrag(MakeClipboardText(text), cursor);
    m_nDragState = 0;
    if (m_pSink && !m_bReadOnly)
        m_pSink->ShowCaret(true);
    if (effect == 2) {
        if (m_nDropOffset != -1) {
            if (m_nDropOffset <= a) {
                a += len;
                b += len;
            } else {
                m_nDropOffset -= len;
            }
        }
        if (!m_bReadOnly)
            DeleteRange(a, b, false);
        m_ptBlockStart = m_ptBlockEnd = {-1, -1};
    }
    if (m_nDropOffset != -1) {
        m_nSelStart = m_nDropOffset;
        m_nSelEnd = std::min(m_nDropOffset + len, m_strText.Length());
        SetCaretOffset(m_nSelEnd, true, false);
        m_nDropOffset = -1;
        Repaint();
    }
    if (cursor == pressed) {
        // a click on the selection, not a drag
        m_nSelStart = m_nSelEnd = -1;
        Repaint();
        const int at = OffsetFromPoint(pressed, true, true);
        if (at >= 0)
            SetCaretOffset(at, true, true);
    }
    return effect;
}

int CEditCtrl::OnDragEnter(const std::string& text, unsigned keyState, EcPoint pt)
{
    if (!m_bReadOnly && m_pSink) {
        m_pSink->DestroyCaret();
        m_pSink->CreateCaret(2, m_nLineHeight, true);
    }
    return OnDragOver(text, keyState, pt);
}

int CEditCtrl::OnDragOver(const std::string& text, unsigned keyState, EcPoint pt)
{
    if (text.empty() || m_bReadOnly)
        return 0;
    EcRect area = m_rcText;
    area.left = m_rcClient.left;
    if (!area.Contains(pt))
        return 0;
    bool moved = false;
    if (pt.y >= m_rcText.bottom - m_nLineHeight) {
        pt.y += m_nLineHeight;
        moved = true;
    } else if (pt.y < m_rcText.top + m_nLineHeight) {
        pt.y -= m_nLineHeight;
        moved = true;
    }
    if (pt.x >= m_rcText.right - m_nCharWidth) {
        pt.x += m_nCharWidth;
        moved = true;
    } else if (pt.x < m_rcText.left + m_nCharWidth) {
        pt.x -= m_nCharWidth;
        moved = true;
    }
    const int at = OffsetFromPoint(pt, true, true);
    if (at >= 0)
        SetCaretOffset(at, moved, moved);
    return (keyState & 8) ? 1 : 2;
}

void CEditCtrl::OnDragLeave()
{
    if (!m_bReadOnly && m_pSink) {
        int w, h;
        GetCaretSize(w, h);
        m_pSink->DestroyCaret();
        m_pSink->CreateCaret(w, h, false);
    }
}

int CEditCtrl::OnDrop(const std::string& text, bool column, int effect, EcPoint pt)
{
    OnDragLeave();
    if (text.empty())
        return 0;
    const int at = OffsetFromPoint(pt, false, true);
    const bool inSelection = m_nSelStart >= 0 && at >= std::min(m_nSelStart, m_nSelEnd) &&
                             at <= std::max(m_nSelStart, m_nSelEnd);
    if (at < 0 || inSelection) {
        OnError(errDrop);
        return 0;
    }
    SetLastAction(actDrop);
    if (m_nDragState == 0)
        m_nSavedCaret = m_nSelEnd;
    InsertFromData(text, column, at, m_nDragState == 0, false, true, effect == 2);
    m_nDropOffset = at;
    return 1;
}
