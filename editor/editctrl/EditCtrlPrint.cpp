// CEditCtrl: the layout of one printed page and the way back to the screen's.
#include "editor/editctrl/EditCtrl.h"

bool CEditCtrl::BeginPrintPage(IEditMeasurer* printer, const EcRect& page, int number, bool& more)
{
    more = false;
    if (!printer || number < 1)
        return false;
    if (!m_printSaved.active) {
        m_printSaved = {m_pSink, m_pMeasurer, m_rcText, m_nFirstLine, m_nFirstLineOffset, m_nHiddenAbove,
                        m_nFirstColumn, true};
    }
    m_pSink = nullptr; // the window keeps its caret and scroll bars
    m_pMeasurer = printer;
    RecalcFontMetrics();
    if (m_nLineHeight <= 0)
        return false;
    m_rcText = page;
    m_rcText.left += 2 * m_nLineHeight;
    m_rcText.right -= 2 * m_nLineHeight;
    m_rcText.top += 2 * m_nLineHeight;
    m_rcText.bottom -= 2 * m_nLineHeight;
    const int perPage = std::max(1, m_rcText.Height() / m_nLineHeight);
    const int visibleLines = m_nLineCount - m_nHiddenLines + 1;
    const int first = (number - 1) * perPage;
    if (first >= visibleLines)
        return false;
    int offset = 0;
    for (int i = 0; i < first; ++i)
        offset = TrueLineEnd(offset, true) + 1;
    m_nFirstLine = first;
    m_nFirstLineOffset = offset;
    m_nHiddenAbove = m_strText.LineOf(offset) - first;
    m_nFirstColumn = 0;
    more = visibleLines > first + perPage;
    return true;
}

void CEditCtrl::EndPrintPage()
{
    if (!m_printSaved.active)
        return;
    m_pMeasurer = m_printSaved.measurer;
    RecalcFontMetrics();
    m_rcText = m_printSaved.text;
    m_nFirstLine = m_printSaved.firstLine;
    m_nFirstLineOffset = m_printSaved.firstLineOffset;
    m_nHiddenAbove = m_printSaved.hiddenAbove;
    m_nFirstColumn = m_printSaved.firstColumn;
    m_pSink = m_printSaved.sink;
    m_printSaved.active = false;
    UpdateScrollBars();
    PointFromOffset(m_nCaret, m_ptCaret);
    if (m_pSink)
        m_pSink->SetCaretPos(m_ptCaret);
}
