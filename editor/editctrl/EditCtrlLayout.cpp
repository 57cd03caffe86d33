// CEditCtrl: mapping between offsets and pixels, caret placement, layout,
// scroll bars, font metrics and repaint requests.
#include "editor/editctrl/EditCtrl.h"

#include <algorithm>

int CEditCtrl::CharExtent(unsigned char c) const
{
    int& w = m_mapCharWidths[c];
    if (w < 0)
        w = m_pMeasurer ? m_pMeasurer->CharWidth(c) : 0;
    return w;
}

// a special sequence counts as its image's width
int CEditCtrl::SequenceWidth(const SequenceInfo& seq) const
{
    if (!m_pImageList || seq.image < 0 || seq.image >= m_pImageList->ImageCount())
        return 0;
    return m_pImageList->ImageSize(seq.image).x;
}

int CEditCtrl::GetTabbedTextExtent(const char* text, int count) const
{
    int x = 0;
    for (int i = 0; i < count; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (m_bSequenceImages && !m_lstSequences.empty()) {
            SequenceInfo seq;
            int extra = 0;
            if (MatchSequence(std::string_view(text, size_t(count)), i, count, char(c), &seq, &extra, true)) {
                x += SequenceWidth(seq);
                i += extra;
                continue;
            }
        }
        if (c == '\t' && m_nTabStop > 0)
            x = (x / m_nTabStop + 1) * m_nTabStop;
        else
            x += CharExtent(c == '\t' ? ' ' : c);
    }
    return x;
}

int CEditCtrl::VisibleColumns() const
{
    return m_nCharWidth > 0 ? m_rcText.Width() / m_nCharWidth : 0;
}

int CEditCtrl::PageLines() const
{
    return m_nLineHeight > 0 ? m_rcText.Height() / m_nLineHeight : 0;
}

bool CEditCtrl::PointFromOffset(int offset, EcPoint& pt, EcPoint* colLine, int* wantedScroll) const
{
    if (offset < 0 || offset > m_strText.Length())
        return false;
    const int start = LineStartOf(offset, true);
    int width = 0;
    EcCollapsedRegion r;
    if (m_bOutlining && m_pOutline) {
        int run = start;
        for (int i = start; i < offset; ++i) {
            if (CollapsedAt(i, r)) {
                width += GetTabbedTextExtent(m_strText.Str().data() + run, i - run) + r.boxWidth;
                i = r.end;
                run = i + 1;
            }
        }
        if (run < offset)
            width += GetTabbedTextExtent(m_strText.Str().data() + run, offset - run);
    } else {
        width = GetTabbedTextExtent(m_strText.Str().data() + start, offset - start);
    }
    const int visLine = LineFromOffset(offset, false, true);
    pt.x = std::max(m_rcText.left + width - m_nFirstColumn * m_nCharWidth, m_rcText.left + 1);
    pt.y = (visLine - m_nFirstLine) * m_nLineHeight + m_rcText.top;
    if (colLine)
        *colLine = {ColumnFromOffset(offset, true), visLine};
    if (wantedScroll) {
        *wantedScroll = m_nFirstColumn;
        if (m_nCharWidth > 0) {
            if (pt.x < m_rcText.left + m_nCharWidth + 1)
                *wantedScroll = (pt.x - m_rcText.left - 1) / m_nCharWidth + m_nFirstColumn - m_nHScrollLeftKeep;
            else if (pt.x >= m_rcText.right - m_nCharWidth)
                *wantedScroll = (pt.x - m_rcText.right) / m_nCharWidth + m_nFirstColumn +
                                std::max(1, VisibleColumns() * m_nHScrollJump / 100);
        }
    }
    return true;
}

int CEditCtrl::OffsetFromPoint(EcPoint pt, bool snap, bool allowOutside, EcPoint* snapped) const
{
    if (!allowOutside && !m_rcText.Contains(pt))
        return -1;
    if (m_nLineHeight <= 0)
        return -1;
    int visLine = (pt.y - m_rcText.top + m_nLineHeight * m_nFirstLine) / m_nLineHeight;
    if (pt.y - m_rcText.top + m_nLineHeight * m_nFirstLine < 0)
        visLine = 0;
    // the visible line to a real line: walk past hidden lines
    int line = visLine;
    if (m_bOutlining && m_pOutline) {
        line = visLine;
        while (line < m_strText.LineCount() && VisibleLineFromLine(line) < visLine)
            ++line;
    }
    int result;
    if (line >= m_strText.LineCount()) {
        result = m_strText.Length();
    } else {
        const int start = m_strText.LineStart(line);
        const int end = TrueLineEnd(start, true);
        result = end;
        int x = m_rcText.left - m_nFirstColumn * m_nCharWidth;
        int col = 0;
        EcCollapsedRegion r;
        for (int i = start; i < end; ++i) {
            int w;
            int skipTo = i;
            if (CollapsedAt(i, r)) {
                w = r.boxWidth;
                skipTo = r.end;
                col += int(r.placeholder.size());
            } else if (m_strText.At(i) == '\t' && m_nTabWidth > 0) {
                const int span = m_nTabWidth - col % m_nTabWidth;
                w = span * (m_nTabStop > 0 ? m_nTabStop : m_nTabWidth * CharExtent(' ')) / m_nTabWidth;
                col += span;
            } else {
                w = CharExtent(static_cast<unsigned char>(m_strText.At(i)));
                ++col;
            }
            const bool last = skipTo + 1 >= end;
            if (last ? pt.x < x + w : pt.x <= x + w / 2) {
                result = i;
                break;
            }
            if (pt.x < x + w) {
                result = skipTo + 1;
                break;
            }
            x += w;
            i = skipTo;
        }
    }
    if (snap && snapped)
        PointFromOffset(result, *snapped);
    return result;
}

bool CEditCtrl::GetSelectionRects(EcRect& first, EcRect& middle, EcRect& last) const
{
    first = middle = last = EcRect{};
    if (m_nSelStart < 0 || m_nSelEnd < 0 || m_nSelStart == m_nSelEnd)
        return false;
    EcPoint a, b;
    if (!PointFromOffset(std::min(m_nSelStart, m_nSelEnd), a) || !PointFromOffset(std::max(m_nSelStart, m_nSelEnd), b))
        return false;
    const int h = m_nLineHeight;
    if (a.y == b.y) {
        first = {a.x, a.y, b.x, a.y + h};
        return true;
    }
    first = {a.x, a.y, m_rcText.right, a.y + h};
    middle = {m_rcText.left, a.y + h, m_rcText.right, b.y};
    last = {m_rcText.left, b.y, b.x, b.y + h};
    return true;
}

bool CEditCtrl::PtInSelection(EcPoint pt) const
{
    EcRect first, middle, last;
    return GetSelectionRects(first, middle, last) && (first.Contains(pt) || middle.Contains(pt) || last.Contains(pt));
}

EcPoint CEditCtrl::ClientToDoc(EcPoint p) const
{
    return {p.x + m_nFirstColumn * m_nCharWidth, p.y + m_nFirstLine * m_nLineHeight};
}

EcPoint CEditCtrl::DocToClient(EcPoint p) const
{
    return {p.x - m_nFirstColumn * m_nCharWidth, p.y - m_nFirstLine * m_nLineHeight};
}

EcRect CEditCtrl::ClientToDocRect(const EcRect& r) const
{
    const EcPoint a = ClientToDoc({r.left, r.top}), b = ClientToDoc({r.right, r.bottom});
    return {a.x, a.y, b.x, b.y};
}

EcRect CEditCtrl::DocToClientRect(const EcRect& r) const
{
    const EcPoint a = DocToClient({r.left, r.top}), b = DocToClient({r.right, r.bottom});
    return {a.x, a.y, b.x, b.y};
}

void CEditCtrl::PlaceSystemCaret()
{
    if (m_pSink)
        m_pSink->SetCaretPos(m_ptCaret);
    OnCaretMoved();
}

bool CEditCtrl::SetCaretOffset(int offset, bool scroll, bool redraw)
{
    int wanted = 0;
    EcPoint pt;
    if (!PointFromOffset(offset, pt, nullptr, &wanted))
        return false;
    m_nCaret = offset;
    m_ptCaret = pt;
    bool moved = false, scrolled = false;
    if (scroll) {
        wanted = std::clamp(wanted, 0, std::max(0, ColumnFromOffset(offset, false)));
        if (wanted != m_nFirstColumn && Scroll(0, 4, wanted)) {
            scrolled = true;
            PointFromOffset(offset, m_ptCaret);
            PlaceSystemCaret();
            moved = true;
        }
        const int h = m_nLineHeight;
        int distance = 0;
        if (h > 0) {
            const int y = m_ptCaret.y;
            if (y < m_rcText.top + h)
                distance = (y - m_rcText.top) / h;
            else if (y >= m_rcText.bottom - 2 * h)
                distance = (y - (m_rcText.bottom - 2 * h)) / h;
        }
        if (distance != 0 && Scroll(1, 4, m_nFirstLine + distance)) {
            scrolled = true;
            PointFromOffset(offset, m_ptCaret);
            PlaceSystemCaret();
            moved = true;
        }
    }
    m_nCaretLine = m_strText.LineOf(m_nCaret);
    m_nCaretColumn = ColumnFromOffset(m_nCaret, false);
    if (!moved && scroll)
        PlaceSystemCaret();
    if (redraw && scrolled)
        Repaint();
    return true;
}

void CEditCtrl::UpdateLayout()
{
    m_rcText = m_rcClient;
    m_rcText.left += m_nMarkerMarginWidth;
    if (m_bShowLineNumbers)
        m_rcText.left += m_nLineNumberWidth;
    if (m_bShowOutlineMargin)
        m_rcText.left += m_nOutlineMarginWidth;
    UpdateScrollBars();
    SetCaretOffset(m_nCaret, false, true);
    if (m_nLineHeight > 0 && m_nLineCount - m_nHiddenLines < m_rcText.Height() / m_nLineHeight &&
        m_nFirstLineOffset > 0) {
        Scroll(1, 4, 0);
    } else if (m_pSink) {
        m_pSink->SetScrollPos(1, m_nFirstLine);
    }
    if (m_pSink)
        m_pSink->SetScrollPos(0, m_nFirstColumn);
}

void CEditCtrl::UpdateScrollBars()
{
    if (m_nCharWidth <= 0 || m_nLineHeight <= 0)
        return;
    m_nHiddenLines = m_bOutlining && m_pOutline ? m_pOutline->HiddenLines() : 0;
    m_nHScrollMax = m_nMaxLineLength;
    m_nVScrollMax = m_nLineCount - m_nHiddenLines;
    if (m_strText.Length() > 0 && m_strText.At(m_strText.Length() - 1) != '\n')
        ++m_nVScrollMax;
    if (m_pSink) {
        m_pSink->SetScrollBar(0, m_nHScrollMax, VisibleColumns(), m_nFirstColumn);
        m_pSink->SetScrollBar(1, m_nVScrollMax, PageLines(), m_nFirstLine);
    }
}

void CEditCtrl::RecalcFontMetrics()
{
    if (!m_pMeasurer)
        return;
    m_mapCharWidths.fill(-1);
    const int fontHeight = m_pMeasurer->FontHeight();
    // the spacing grows so that the first image fits a line
    if (m_pImageList && m_pImageList->ImageCount() > 0) {
        const int image = m_pImageList->ImageSize(0).y;
        if (image > m_nLineSpacing + fontHeight)
            m_nLineSpacing = image - fontHeight;
    }
    m_nLineHeight = m_nLineSpacing + fontHeight;
    m_nCharWidth = m_pMeasurer->MaxCharWidth();
    m_nAveCharWidth = m_pMeasurer->AveCharWidth();
    m_nTabStop = m_nTabWidth * std::max(CharExtent(' '), CharExtent('/'));
    if (m_pSink) {
        int w, h;
        GetCaretSize(w, h);
        m_pSink->DestroyCaret();
        m_pSink->CreateCaret(w, h, false);
    }
    UpdateScrollBars();
    if (!m_bReadOnly) {
        SetCaretOffset(m_nCaret, true, true);
        if (m_pSink)
            m_pSink->ShowCaret(true);
    }
}

void CEditCtrl::RedrawLines(int first, int last)
{
    if (!m_pSink)
        return;
    if (last == -1) {
        m_pSink->Invalidate(EcRect{});
        return;
    }
    if (last == 0)
        last = first;
    const int top = (first - m_nFirstLine) * m_nLineHeight + m_rcText.top;
    EcRect r{m_rcClient.left, std::max(top, m_rcClient.top), m_rcClient.right,
             std::min(top + (last - first + 1) * m_nLineHeight, m_rcClient.bottom)};
    if (!r.IsEmpty())
        m_pSink->Invalidate(r);
}

void CEditCtrl::RedrawRange(int start, int end)
{
    if (!m_pSink)
        return;
    EcPoint a, b;
    PointFromOffset(std::clamp(std::min(start, end), 0, m_strText.Length()), a);
    const int hi = std::max(start, end);
    if (hi >= m_strText.Length() - 1) {
        m_pSink->Invalidate(EcRect{m_rcClient.left, std::max(a.y, m_rcClient.top), m_rcClient.right, m_rcClient.bottom});
        return;
    }
    PointFromOffset(hi, b);
    EcRect r{m_rcClient.left, std::max(a.y, m_rcClient.top), m_rcText.right,
             std::min(b.y + m_nLineHeight, m_rcClient.bottom)};
    if (!r.IsEmpty())
        m_pSink->Invalidate(r);
}

void CEditCtrl::RedrawLineAt(int offset)
{
    EcPoint p;
    if (!m_pSink || !PointFromOffset(std::clamp(offset, 0, m_strText.Length()), p))
        return;
    EcRect r{m_rcText.left - 1, p.y - 1, m_rcText.right + 1, p.y + m_nLineHeight + 1};
    m_pSink->Invalidate(r);
}

void CEditCtrl::RedrawFromLine(int offset)
{
    EcPoint p;
    if (!m_pSink || !PointFromOffset(std::clamp(offset, 0, m_strText.Length()), p))
        return;
    EcRect r{m_rcClient.left, std::max(p.y, m_rcClient.top), m_rcText.right, m_rcText.bottom};
    if (!r.IsEmpty())
        m_pSink->Invalidate(r);
}

void CEditCtrl::RedrawLineText(int line)
{
    if (!m_pSink)
        return;
    const int top = (VisibleLineFromLine(line) - m_nFirstLine) * m_nLineHeight + m_rcText.top;
    EcRect r{m_rcText.left, std::max(top, m_rcText.top), m_rcText.right,
             std::min(top + m_nLineHeight, m_rcText.bottom)};
    if (!r.IsEmpty())
        m_pSink->Invalidate(r);
}

bool CEditCtrl::NextVisibleLine(int& line, int& count, int& offset) const
{
    const int end = TrueLineEnd(offset, true);
    if (end >= m_strText.Length())
        return false;
    line += CountCharInRange(offset, end + 1, '\n', false);
    ++count;
    offset = end + 1;
    return true;
}

void CEditCtrl::ShowLineNumbers(bool on, int width)
{
    m_bShowLineNumbers = on;
    m_nLineNumberWidth = width;
    UpdateLayout();
    SetCaretOffset(m_nCaret, true, false);
    Repaint();
}

void CEditCtrl::ShowOutlineMargin(bool on, int width)
{
    m_bShowOutlineMargin = on;
    m_nOutlineMarginWidth = width;
    UpdateLayout();
    SetCaretOffset(m_nCaret, true, false);
    Repaint();
}
