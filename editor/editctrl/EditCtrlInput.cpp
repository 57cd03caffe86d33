// CEditCtrl: keys, typed characters, mouse points, wheel and focus as the
// window hands them over.
#include "editor/editctrl/EditCtrl.h"

#include <algorithm>

namespace {
enum : unsigned {
    kBack = 8,
    kTab = 9,
    kReturn = 13,
    kEscape = 27,
    kPrior = 33,
    kNext = 34,
    kEnd = 35,
    kHome = 36,
    kLeft = 37,
    kUp = 38,
    kRight = 39,
    kDown = 40,
    kInsert = 45,
    kDelete = 46,
};
} // namespace

bool CEditCtrl::ScrollView(int bar, int code, int position)
{
    if (!Scroll(bar, code, position))
        return false;
    Repaint();
    EcPoint p;
    PointFromOffset(m_nCaret, p);
    if (m_rcText.Contains(p)) {
        m_ptCaret = p;
        if (m_pSink)
            m_pSink->SetCaretPos(p);
    } else if (m_pSink) {
        m_pSink->SetCaretPos({-10, -10});
    }
    return true;
}

bool CEditCtrl::OnKeyDown(unsigned vk, bool shift, bool ctrl)
{
    if (m_bReadOnly) {
        int moved = 0;
        switch (vk) {
        case kTab: moved = shift ? MovePageUp() : MovePageDown(); break;
        case kPrior: moved = MovePageUp(); break;
        case kNext: moved = MovePageDown(); break;
        case kEnd: moved = MoveDocumentEnd(); break;
        case kHome: moved = MoveDocumentStart(); break;
        case kLeft: moved = ScrollView(0, 0); break;
        case kRight: moved = ScrollView(0, 1); break;
        case kUp: moved = ScrollView(1, 0); break;
        case kDown: moved = ScrollView(1, 1); break;
        default: return false;
        }
        (void)moved;
        return true;
    }
    NoteKeyDown(vk);
    const bool had = HasSelection();
    if ((vk == kPrior || vk == kNext || vk == kUp || vk == kDown || vk == kDelete || (vk == kEscape && had)) &&
        !m_rcText.Contains(m_ptCaret))
        SetCaretOffset(m_nCaret, true, true);
    auto cancel = [&](bool toStart) { CancelSelection(toStart, false, true); };
    switch (vk) {
    case kBack:
        if (had) {
            // the selection goes as one step; the caret stays at its start
            SetLastAction(actBackspace);
            DeleteSelection(true, false, false);
            SetCaretOffset(m_nCaret, true, true);
            SetWantedColumn();
            return true;
        }
        if (m_nCaret == 0)
            return true;
        {
            EcPoint p;
            PointFromOffset(m_nCaret - 1, p);
            if (p.y < m_rcText.top) {
                SetCaretOffset(m_nCaret - 1, true, true);
                SetLastAction(actBackspace);
                DeleteChar(true, false);
            } else {
                --m_nCaret;
                SetLastAction(actBackspace);
                if (!DeleteChar(true, false))
                    ++m_nCaret;
            }
        }
        SetCaretOffset(m_nCaret, true, true);
        SetWantedColumn();
        return true;
    case kTab:
        if (ctrl)
            return true;
        if (shift) {
            if (had)
                IndentSelection(false);
            else
                MoveTabLeft();
        } else if (!had) {
            SetLastAction(actTab);
            InsertTab();
        } else if (!IndentSelection(true)) {
            DeleteSelection(true, false, true);
            InsertTab();
            CloseUndoChain(); // the tab may have stored nothing
        }
        return true;
    case kReturn:
        if (had)
            DeleteSelection(true, false, true);
        if (IsOverwrite()) {
            MoveLineDown();
            MoveLineStart();
        } else {
            SetLastAction(actEnter);
            NewLine(true, false);
        }
        if (had)
            CloseUndoChain(); // only the deletion chains to the break
        SetWantedColumn();
        return true;
    case kEscape: CancelSelection(false, true, true); return true;
    case kPrior:
    case kNext:
        if (ctrl)
            return true;
        if (shift) {
            ExtendSelection(vk == kPrior ? selPageUp : selPageDown);
        } else {
            cancel(true);
            vk == kPrior ? MovePageUp() : MovePageDown();
        }
        return true;
    case kEnd:
    case kHome: {
        const bool home = vk == kHome;
        if (shift) {
            ExtendSelection(ctrl ? (home ? selDocStart : selDocEnd) : (home ? selLineStart : selLineEnd));
        } else {
            cancel(home);
            if (ctrl)
                home ? MoveDocumentStart() : MoveDocumentEnd();
            else
                home ? MoveLineStart() : MoveLineEnd();
        }
        return true;
    }
    case kLeft:
    case kRight: {
        const bool left = vk == kLeft;
        if (shift) {
            ExtendSelection(ctrl ? (left ? selWordLeft : selWordRight) : (left ? selCharLeft : selCharRight));
        } else {
            cancel(left);
            if (ctrl)
                left ? MoveWordLeft() : MoveWordRight();
            else if (!had)
                left ? MoveCharLeft() : MoveCharRight();
        }
        return true;
    }
    case kUp:
    case kDown: {
        const bool up = vk == kUp;
        if (shift && ctrl)
            return true;
        if (shift) {
            ExtendSelection(up ? selLineUp : selLineDown);
        } else if (ctrl) {
            LineScroll(!up);
        } else {
            cancel(up);
            up ? MoveLineUp(!had) : MoveLineDown(!had);
        }
        return true;
    }
    case kInsert: ToggleOverwrite(); return true;
    case kDelete:
        SetLastAction(actDelete);
        DeleteChar(true, false);
        return true;
    default: return false;
    }
}

void CEditCtrl::OnChar(unsigned char c)
{
    if (m_bReadOnly || c < 32 || c == 127)
        return;
    const bool had = HasSelection();
    if (had)
        DeleteSelection(true, false, true);
    SetLastAction(actTypeOverSel);
    InsertChar(char(c), true, !had); // a typed-over selection is only replaced
    if (had)
        CloseUndoChain(); // the character may have been refused
}

int CEditCtrl::DragSelectTo(EcPoint pt)
{
    pt.x = std::clamp(pt.x, m_rcText.left, std::max(m_rcText.left, m_rcText.right - 1));
    const int at = OffsetFromPoint(pt, true, true);
    if (at < 0)
        return -1;
    if (m_nSelStart < 0 || m_nSelEnd < 0) {
        m_nSelStart = m_nSelEnd = m_nCaret;
        m_nLastDragOffset = m_nCaret;
    }
    const int oldEnd = m_nSelEnd;
    m_nSelEnd = at;
    SetCaretOffset(at, true, true);
    if (at != m_nLastDragOffset) {
        const int a = LineFromOffset(std::min(oldEnd, at)), b = LineFromOffset(std::max(oldEnd, at));
        RedrawLines(a, b);
    }
    m_nLastDragOffset = at;
    return at;
}

void CEditCtrl::GetWordBounds(int offset, int& start, int& end) const
{
    const std::string& text = m_strText.Str();
    const int len = int(text.size());
    int a = std::clamp(offset, 0, len);
    while (a > 0 && !IsDelimiter(text[size_t(a - 1)]))
        --a;
    int b = std::clamp(offset, 0, len);
    while (b < len && !IsDelimiter(text[size_t(b)]))
        ++b;
    if (b == a && b < len)
        ++b; // a delimiter alone
    start = a;
    end = b;
}

void CEditCtrl::SelectWordAt(EcPoint pt)
{
    const int at = OffsetFromPoint(pt, false, false);
    const std::string& text = m_strText.Str();
    const int len = int(text.size());
    if (at < 0 || at >= len)
        return;
    if (m_bOutlining) {
        if (COutlineNode* node = FindCollapsedNodeAt(at)) {
            ToggleOutlineNode(node);
            return;
        }
    }
    auto blank = [&](int i) { return i >= 0 && i < len && (text[size_t(i)] == ' ' || text[size_t(i)] == '\t'); };
    int start, end;
    if (blank(at) && (blank(at - 1) || blank(at + 1))) {
        start = end = at;
        while (blank(start - 1))
            --start;
        while (blank(end))
            ++end;
    } else {
        int o = at;
        if (m_strWhitespace.find(text[size_t(o)]) != std::string::npos) {
            while (o < len && m_strWhitespace.find(text[size_t(o)]) != std::string::npos)
                ++o;
            if (o >= len)
                while (o > 0 && m_strWhitespace.find(text[size_t(o - 1)]) != std::string::npos)
                    --o;
        }
        GetWordBounds(o, start, end);
    }
    m_nSelStart = start;
    m_nSelEnd = end;
    SetCaretOffset(end, true, true);
    Repaint();
}

void CEditCtrl::OnLButtonUp(EcPoint pt)
{
    SetWantedColumn();
    if (m_nSelStart < 0 || m_nSelEnd < 0 || m_nSelStart != m_nSelEnd) {
        if (m_bOutlining) {
            COutlineNode* node = CollapsedNodeFromPoint(pt.x, pt.y);
            if (node && LineFromOffset(node->m_nStart) == LineFromOffset(m_nCaret))
                SetSelection(node->m_nStart, node->m_nEnd + 1);
        }
    }
    if (m_nSelStart >= 0 && m_nSelStart == m_nSelEnd) {
        m_nSelStart = m_nSelEnd = -1;
        Repaint();
    }
}

void CEditCtrl::OnRButtonDown(EcPoint pt)
{
    if (PtInSelection(pt))
        return;
    CancelSelection(true, true, true);
    const int at = OffsetFromPoint(pt, true, true);
    if (at >= 0)
        SetCaretOffset(at, true, true);
}

bool CEditCtrl::AllLinesFit() const
{
    return m_nVScrollMax <= PageLines();
}

bool CEditCtrl::WheelLines(int lines)
{
    if (AllLinesFit())
        return false;
    for (int i = 0; i < std::abs(lines); ++i)
        ScrollView(1, lines > 0 ? 1 : 0);
    return true;
}

void CEditCtrl::OnSetFocus()
{
    m_bHasFocus = true;
    if (!m_bReadOnly && m_pSink) {
        int w, h;
        GetCaretSize(w, h);
        m_pSink->CreateCaret(w, h, false);
        EcPoint p;
        PointFromOffset(m_nCaret, p);
        SetCaretOffset(m_nCaret, m_rcText.Contains(p), false);
        m_pSink->ShowCaret(true);
    }
    Repaint();
}

void CEditCtrl::OnKillFocus()
{
    m_bHasFocus = false;
    m_nSavedCaret = m_nCaret;
    m_ptCaretDoc = ClientToDoc(m_ptCaret);
    Repaint();
    if (!m_bReadOnly && m_pSink)
        m_pSink->DestroyCaret();
}
