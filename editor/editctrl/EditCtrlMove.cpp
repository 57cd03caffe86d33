// CEditCtrl: caret movement, the wanted column and scrolling.
#include "editor/editctrl/EditCtrl.h"

#include <algorithm>

int CEditCtrl::Scroll(int bar, int code, int position)
{
    if ((bar != 0 && bar != 1) || code < 0 || code > 7)
        return 0;
    const int max = bar == 0 ? m_nHScrollMax : m_nVScrollMax;
    const int page = bar == 0 ? VisibleColumns() : PageLines();
    const int b = bar == 0 ? m_nFirstColumn : m_nFirstLine;
    int n = b;
    switch (code) {
    case 0: n = std::max(b - 1, 0); break;
    case 1: n = b + 1; break;
    case 2: n = b - page + 1; break;
    case 3: n = b + page - 1; break;
    case 4:
    case 5: n = position; break;
    case 6: n = 0; break;
    case 7: n = max; break;
    }
    n = std::max(std::min(n, max - 1), 0);
    if (bar == 1 && max <= page)
        n = 0; // everything is visible: nothing to scroll
    if (n == b)
        return 0;
    if (bar == 0) {
        m_nFirstColumn = n;
    } else {
        int top = m_nFirstLineOffset;
        int from = b;
        if (!(m_bOutlining && m_pOutline && m_pOutline->HiddenLines() > 0)) {
            // no hidden lines: the visible line is the text line
            if (n >= m_strText.LineCount())
                return 0;
            top = m_strText.LineStart(n);
            from = n;
        }
        // walk the top line over visible lines
        for (int i = from; i < n; ++i) {
            const int e = LineEndOf(top, true);
            if (m_strText.At(e) != '\n')
                return 0; // the end of the text: the old position stays
            top = e + 1;
        }
        for (int i = from; i > n && top > 0; --i)
            top = LineStartOf(top - 1, true);
        m_nFirstLineOffset = top;
        m_nFirstLine = n;
        m_nHiddenAbove = m_strText.LineOf(top) - n;
    }
    if (m_pSink)
        m_pSink->SetScrollPos(bar, n);
    return 1;
}

namespace {
int ScrollAndPaint(CEditCtrl& c, int bar, int code, bool redraw)
{
    const int moved = c.Scroll(bar, code, -1);
    if (moved && redraw)
        c.RedrawLines(0, -1);
    return moved;
}
} // namespace

int CEditCtrl::ScrollLineDown(int bar, bool redraw) { return ScrollAndPaint(*this, bar, 1, redraw); }
int CEditCtrl::ScrollLineUp(int bar, bool redraw) { return ScrollAndPaint(*this, bar, 0, redraw); }
int CEditCtrl::ScrollPageDown(int bar, bool redraw) { return ScrollAndPaint(*this, bar, 3, redraw); }
int CEditCtrl::ScrollPageUp(int bar, bool redraw) { return ScrollAndPaint(*this, bar, 2, redraw); }
int CEditCtrl::ScrollToTop(int bar, bool redraw) { return ScrollAndPaint(*this, bar, 6, redraw); }
int CEditCtrl::ScrollToBottom(int bar, bool redraw) { return ScrollAndPaint(*this, bar, 7, redraw); }

void CEditCtrl::SetWantedColumn()
{
    m_nWantedColumn = ColumnFromOffset(m_nCaret, true);
}

int CEditCtrl::MoveCharLeft(bool redraw)
{
    if (m_nCaret <= 0) {
        OnError(errCharLeft);
        return 0;
    }
    int target = m_nCaret - 1;
    EcCollapsedRegion r;
    if (CollapsedAt(target, r))
        target = r.start;
    else if (m_bSequenceImages)
        target -= GetSequenceLength(m_strText.Str(), m_nCaret, false);
    if (!SetCaretOffset(target, true, redraw)) {
        OnError(errCharLeft);
        return 0;
    }
    SetWantedColumn();
    return 1;
}

int CEditCtrl::MoveCharRight(bool redraw)
{
    if (m_nCaret >= m_strText.Length()) {
        OnError(errCharRight);
        return 0;
    }
    int target = m_nCaret + 1;
    EcCollapsedRegion r;
    if (CollapsedAt(m_nCaret, r) && r.start == m_nCaret)
        target = r.end + 1;
    else if (m_bSequenceImages)
        target += GetSequenceLength(m_strText.Str(), m_nCaret, true);
    if (!SetCaretOffset(std::min(target, m_strText.Length()), true, redraw)) {
        OnError(errCharRight);
        return 0;
    }
    SetWantedColumn();
    return 1;
}

int CEditCtrl::MoveToWantedColumn(int lineOffset, bool redraw)
{
    if (ColumnFromOffset(lineOffset, true) >= m_nWantedColumn)
        return 0;
    // the true end of the line: its "\n", or the end of the text
    const int end = TrueLineEnd(lineOffset, true);
    int target = end;
    if (ColumnFromOffset(end, true) >= m_nWantedColumn)
        target = std::max(OffsetFromColumn(m_nWantedColumn, lineOffset, false, true), lineOffset);
    SetCaretOffset(target, true, target < lineOffset || redraw);
    return 1;
}

int CEditCtrl::MoveLineUp(bool wantedColumn, bool redraw)
{
    if (m_strText.Length() == 0 || LineFromOffset(m_nCaret) == 0) {
        OnError(errLineUp);
        return 0;
    }
    EcPoint pt = m_ptCaret;
    if (pt.y - m_nLineHeight < m_rcText.top)
        ScrollLineUp(1, redraw);
    else
        pt.y -= m_nLineHeight;
    const int offset = OffsetFromPoint(pt, true, false);
    if (offset < 0) {
        OnError(errLineUp);
        return 0;
    }
    if (!(wantedColumn && MoveToWantedColumn(offset, redraw)))
        SetCaretOffset(offset, true, redraw);
    return 1;
}

int CEditCtrl::MoveLineDown(bool wantedColumn, bool redraw)
{
    EcPoint pt = m_ptCaret;
    if (pt.y + m_nLineHeight < m_rcText.bottom - m_nLineHeight || LineFromOffset(m_nCaret) >= m_nVScrollMax)
        pt.y += m_nLineHeight;
    else if (!ScrollLineDown(1, redraw))
        pt.y += m_nLineHeight; // the text fits: the next line is in view already
    const int offset = OffsetFromPoint(pt, true, false);
    if (offset < 0) {
        OnError(errLineDown);
        return 0;
    }
    if (!(wantedColumn && MoveToWantedColumn(offset, redraw)))
        SetCaretOffset(offset, true, redraw);
    return 1;
}

int CEditCtrl::MoveLineStart(bool redraw)
{
    if (m_strText.Length() == 0) {
        OnError(errLineStart);
        return 0;
    }
    ScrollToTop(0, redraw);
    const int s = GetCaretLineStart(true);
    const int t = SkipWhitespace(s, true);
    SetCaretOffset(m_nCaret == t ? s : t, true, redraw);
    SetWantedColumn();
    return 1;
}

int CEditCtrl::MoveLineEnd(bool redraw)
{
    SetCaretOffset(GetCaretLineEnd(true), true, redraw);
    SetWantedColumn();
    return 1;
}

int CEditCtrl::MoveDocumentStart(bool redraw)
{
    const bool a = Scroll(0, 6);
    const bool b = Scroll(1, 6);
    const int placed = SetCaretOffset(0, true, false);
    m_nWantedColumn = 0;
    if (redraw && (a || b))
        Repaint();
    return placed;
}

int CEditCtrl::MoveDocumentEnd(bool redraw)
{
    if (m_strText.Length() == 0)
        return 1;
    return SetCaretOffset(m_strText.Length(), true, redraw);
}

int CEditCtrl::MovePageUp(bool redraw)
{
    if (m_strText.Length() == 0) {
        OnError(errPageUp);
        return 0;
    }
    EcPoint pt = m_ptCaret;
    if (LineFromOffset(m_nCaret) < PageLines() && m_nFirstLine == 0)
        pt.y = m_rcText.top;
    else
        ScrollPageUp(1, redraw);
    const int offset = OffsetFromPoint(pt, true, false);
    if (offset < 0) {
        OnError(errPageUp);
        return 0;
    }
    if (!MoveToWantedColumn(offset, redraw))
        SetCaretOffset(offset, true, redraw);
    return 1;
}

int CEditCtrl::MovePageDown(bool redraw)
{
    const int offset = ScrollPageDown(1, redraw) ? OffsetFromPoint(m_ptCaret, true, false) : m_strText.Length();
    if (offset < 0) {
        OnError(errPageDown);
        return 0;
    }
    if (!MoveToWantedColumn(offset, redraw))
        SetCaretOffset(offset, true, redraw);
    return 1;
}

int CEditCtrl::MoveWordRight(bool redraw)
{
    const int len = m_strText.Length();
    if (m_nCaret >= len - 1) {
        OnError(errWordRight);
        return 0;
    }
    EcCollapsedRegion r;
    auto regionStart = [&](int i) { return CollapsedAt(i, r) && r.start == i; };
    int i = m_nCaret;
    const char c = m_strText.At(i);
    if (regionStart(i)) {
        while (i < len && regionStart(i))
            i = r.end + 1;
    } else if (!IsDelimiter(c)) {
        while (i < len && !IsDelimiter(m_strText.At(i)) && !regionStart(i))
            ++i;
    } else if (!IsSpecial(c) && c != ' ') {
        for (char d = m_strText.At(i); i < len && IsDelimiter(d) && !IsSpecial(d) && d != ' ' && !regionStart(i);
             d = m_strText.At(i))
            ++i;
    } else if (c != ' ') {
        ++i;
        if (c != '\n')
            while (i < len && m_strText.At(i) == c)
                ++i;
    }
    while (i < len && m_strText.At(i) == ' ')
        ++i;
    if (!SetCaretOffset(std::min(i, len), true, redraw)) {
        OnError(errWordRight);
        return 0;
    }
    SetWantedColumn();
    return 1;
}

int CEditCtrl::MoveWordLeft(bool redraw)
{
    if (m_nCaret <= 0) {
        OnError(errWordLeft);
        return 0;
    }
    int i = std::min(m_nCaret, m_strText.Length());
    while (i > 0 && m_strText.At(i - 1) == ' ')
        --i;
    EcCollapsedRegion r;
    auto collapsed = [&](int k) { return CollapsedAt(k, r); };
    if (i > 0) {
        const char c = m_strText.At(i - 1);
        if (collapsed(i - 1)) {
            while (i > 0 && collapsed(i - 1))
                i = r.start;
        } else if (c == '\n') {
            --i; // the end of the previous line
        } else if (!IsDelimiter(c)) {
            while (i > 0 && !IsDelimiter(m_strText.At(i - 1)) && !collapsed(i - 1))
                --i;
        } else if (!IsSpecial(c)) {
            for (char d = c; i > 0 && IsDelimiter(d) && !IsSpecial(d) && d != ' ' && d != '\n' && !collapsed(i - 1);
                 d = m_strText.At(i - 1))
                --i;
        } else {
            --i;
            while (i > 0 && m_strText.At(i - 1) == c)
                --i;
        }
    }
    if (!SetCaretOffset(i, true, redraw)) {
        OnError(errWordLeft);
        return 0;
    }
    SetWantedColumn();
    return 1;
}

int CEditCtrl::MoveTabLeft()
{
    const int column = ColumnFromOffset(m_nCaret, true);
    if (column == 0) {
        OnError(errTabLeft);
        return 0;
    }
    const int indent = std::max(1, m_nIndentWidth);
    const int distance = column % indent ? column % indent : indent;
    for (int count = 0; count < distance;) {
        if (!MoveCharLeft(false))
            break;
        count += m_strText.At(m_nCaret) == '\t' ? m_nTabWidth + 1 : 1;
    }
    return 1;
}

int CEditCtrl::LineScroll(bool down)
{
    if (Scroll(1, down ? 1 : 0, -1))
        Repaint();
    EcPoint pt;
    PointFromOffset(m_nCaret, pt);
    EcRect keep = m_rcText;
    if (!down)
        keep.bottom -= 2 * m_nLineHeight;
    if (keep.Contains(pt)) {
        SetCaretOffset(m_nCaret, false, false);
    } else {
        pt.y += down ? m_nLineHeight : -m_nLineHeight;
        const int offset = OffsetFromPoint(pt, false, false);
        if (offset >= 0 && !MoveToWantedColumn(offset, true))
            SetCaretOffset(offset, false, false);
    }
    if (m_pSink)
        m_pSink->SetCaretPos(m_ptCaret);
    return 1;
}
