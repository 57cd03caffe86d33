// CEditCtrl: construction, whole text, modified state, the text primitives and
// the line and column queries.
#include "editor/editctrl/EditCtrl.h"

#include <algorithm>
#include <cstring>

bool CEditCtrl::s_bOverwrite = false;

CEditCtrl::CEditCtrl()
    : m_strWhitespace(" \n\t"),
      m_strBlanks(" \t"),
      m_strEscapeChars("\\")
{
    m_mapCharWidths.fill(-1);
    m_ptCaret = {m_nMarkerMarginWidth, 0};
    m_pBlockTable = this;
    m_pOutline = OutlinePort();
    SetOutlining(this);
}

CEditCtrl::~CEditCtrl()
{
    m_lstMarkers.clear();
    m_lstUndo.clear();
}

bool CEditCtrl::Create(IEditSink* sink, IEditMeasurer* measurer, const EcRect& client)
{
    m_pSink = sink;
    m_pMeasurer = measurer;
    m_rcClient = client;
    m_rcText = client;
    m_rcText.left += m_nMarkerMarginWidth;
    SetWindowText(std::string());
    CreateOutlineParser();
    RecalcFontMetrics();
    UpdateLayout();
    SetCaretOffset(0, true, true);
    return true;
}

void CEditCtrl::SetClientRect(const EcRect& client)
{
    m_rcClient = client;
    UpdateLayout();
}

void CEditCtrl::Reset()
{
    RemoveAllMarkers();
    ClearUndo();
    ResetOutline();
}

void CEditCtrl::SetWindowText(const std::string& text)
{
    m_nSelStart = m_nSelEnd = -1;
    m_ptBlockStart = m_ptBlockEnd = {-1, -1};
    m_nCaret = 0;
    m_nLineCount = 0;
    DeleteAllRegions(); // they belonged to the old text
    m_strText.Assign(std::string());
    m_nFirstLineOffset = 0;
    m_nFirstLine = 0;
    m_nHiddenAbove = 0;
    m_nFirstColumn = 0;
    UpdateScrollBars();
    if (!text.empty())
        InsertText(text, 0, false, true, false);
    m_lstUndo.clear();
    m_posUndo = 0;
    m_posSaved = 0;
    m_bLastWasUndo = true;
    SetCaretOffset(0, true, true);
    Repaint();
}

int CEditCtrl::GetWindowText(char* buffer, int size) const
{
    if (!buffer || size <= 0)
        return 0;
    const int n = std::min(m_strText.Length(), size - 1);
    std::memcpy(buffer, m_strText.Str().data(), size_t(n));
    buffer[n] = '\0';
    return n;
}

void CEditCtrl::NotifyChange(int, const std::string&, int)
{
    if (m_pSink)
        m_pSink->EditChanged();
}

bool CEditCtrl::IsModified() const
{
    return m_bModified && m_posUndo != m_posSaved;
}

void CEditCtrl::MarkSaved()
{
    m_posSaved = m_posUndo;
    m_bModified = false;
}

// --- text primitives ------------------------------------------------------------

// Every change of the text drops the selection.
void CEditCtrl::TextInsert(int offset, const std::string& s)
{
    m_nSelStart = m_nSelEnd = -1;
    m_strText.Insert(offset, s);
    m_nLineCount = m_strText.LineCount() - 1;
    if (offset < m_nFirstLineOffset)
        MoveTop(m_nFirstLineOffset + int(s.size()));
}

void CEditCtrl::TextErase(int offset, int count)
{
    m_nSelStart = m_nSelEnd = -1;
    m_strText.Erase(offset, count);
    m_nLineCount = m_strText.LineCount() - 1;
    if (offset < m_nFirstLineOffset)
        MoveTop(m_nFirstLineOffset < offset + count ? offset : m_nFirstLineOffset - count);
}

// A change before the top line: the top becomes the start of the line that now
// holds the old top character, inside the text.
void CEditCtrl::MoveTop(int newTop)
{
    m_nFirstLineOffset = LineStartOf(std::clamp(newTop, 0, m_strText.Length()), true);
    RecalcFirstLine();
}

void CEditCtrl::RecalcFirstLine()
{
    m_nFirstLine = LineFromOffset(m_nFirstLineOffset, true, true);
    m_nHiddenAbove = m_strText.LineOf(m_nFirstLineOffset) - m_nFirstLine;
}

bool CEditCtrl::CollapsedAt(int offset, EcCollapsedRegion& region) const
{
    return m_bOutlining && m_pOutline && m_pOutline->CollapsedAt(offset, region);
}

bool CEditCtrl::IsDelimiter(char c) const
{
    return m_strWordDelimiters.find(c) != std::string::npos;
}

bool CEditCtrl::IsSpecial(char c) const
{
    return m_strSpecialDelimiters.find(c) != std::string::npos;
}

// --- queries ----------------------------------------------------------------------

int CEditCtrl::LineStartOf(int offset, bool skipCollapsed) const
{
    offset = std::clamp(offset, 0, m_strText.Length());
    int s = m_strText.LineStart(m_strText.LineOf(offset));
    EcCollapsedRegion r;
    while (skipCollapsed && s > 0 && CollapsedAt(s - 1, r))
        s = m_strText.LineStart(m_strText.LineOf(r.start));
    return s;
}

int CEditCtrl::LineEndOf(int offset, bool skipCollapsed) const
{
    offset = std::clamp(offset, 0, m_strText.Length());
    const int line = m_strText.LineOf(offset);
    if (line >= m_strText.LineCount() - 1)
        return m_strText.Length() - 1;
    int e = m_strText.LineStart(line + 1) - 1;
    EcCollapsedRegion r;
    while (skipCollapsed && CollapsedAt(e, r)) {
        const int next = m_strText.LineOf(r.end + 1);
        if (next >= m_strText.LineCount() - 1)
            return m_strText.Length() - 1;
        e = m_strText.LineStart(next + 1) - 1;
    }
    return e;
}

int CEditCtrl::TrueLineEnd(int offset, bool skipCollapsed) const
{
    const int e = LineEndOf(offset, skipCollapsed);
    return e >= std::clamp(offset, 0, m_strText.Length()) && m_strText.At(e) == '\n' ? e : m_strText.Length();
}

int CEditCtrl::GetCaretLineStart(bool skipCollapsed) const
{
    return LineStartOf(m_nCaret, skipCollapsed);
}

int CEditCtrl::GetCaretLineEnd(bool skipCollapsed) const
{
    return TrueLineEnd(m_nCaret, skipCollapsed);
}

int CEditCtrl::SkipWhitespace(int offset, bool skipCollapsed) const
{
    offset = std::clamp(offset, 0, m_strText.Length());
    EcCollapsedRegion r;
    while (offset < m_strText.Length()) {
        const char c = m_strText.At(offset);
        if (c == '\n' || m_strWhitespace.find(c) == std::string::npos)
            break;
        if (skipCollapsed && CollapsedAt(offset, r) && r.start == offset)
            break;
        ++offset;
    }
    return offset;
}

int CEditCtrl::GetCaretLineTextStart(bool skipCollapsed) const
{
    return SkipWhitespace(GetCaretLineStart(skipCollapsed), skipCollapsed);
}

int CEditCtrl::LineFromOffset(int offset, bool, bool skipCollapsed) const
{
    int line = m_strText.LineOf(offset);
    if (skipCollapsed && m_bOutlining && m_pOutline)
        line -= m_pOutline->HiddenLinesBefore(std::clamp(offset, 0, m_strText.Length()));
    return line;
}

int CEditCtrl::VisibleLineFromLine(int line, bool) const
{
    if (!(m_bOutlining && m_pOutline))
        return line;
    return line - m_pOutline->HiddenLinesBefore(m_strText.LineStart(line));
}

int CEditCtrl::ColumnFromOffset(int offset, bool skipCollapsed) const
{
    offset = std::clamp(offset, 0, m_strText.Length());
    int col = 0;
    EcCollapsedRegion r;
    for (int i = LineStartOf(offset, skipCollapsed); i < offset; ++i) {
        const char c = m_strText.At(i);
        if (skipCollapsed && CollapsedAt(i, r)) {
            col += int(r.placeholder.size());
            i = r.end;
        } else if (c == '\t' && m_nTabWidth > 0) {
            col += m_nTabWidth - col % m_nTabWidth;
        } else {
            ++col;
        }
    }
    return col;
}

int CEditCtrl::OffsetFromColumn(int column, int offsetOnLine, bool, bool skipCollapsed) const
{
    offsetOnLine = std::clamp(offsetOnLine, 0, m_strText.Length());
    const int start = LineStartOf(offsetOnLine, skipCollapsed);
    const int end = TrueLineEnd(offsetOnLine, skipCollapsed);
    int col = 0;
    EcCollapsedRegion r;
    for (int i = start; i < end; ++i) {
        const char c = m_strText.At(i);
        int next;
        int skipTo = i;
        if (skipCollapsed && CollapsedAt(i, r)) {
            next = col + int(r.placeholder.size());
            skipTo = r.end;
        } else if (c == '\t' && m_nTabWidth > 0) {
            next = col + m_nTabWidth - col % m_nTabWidth;
        } else {
            next = col + 1;
        }
        if (next > column)
            return i;
        col = next;
        i = skipTo;
    }
    return end;
}

int CEditCtrl::CountCharInRange(int start, int end, char c, bool skipCollapsed) const
{
    start = std::clamp(start, 0, m_strText.Length());
    end = std::clamp(end, 0, m_strText.Length());
    if (c == '\n' && !(skipCollapsed && m_bOutlining && m_pOutline))
        return m_strText.CountNewlines(start, end);
    int n = 0;
    EcCollapsedRegion r;
    for (int i = start; i < end; ++i) {
        if (skipCollapsed && CollapsedAt(i, r)) {
            i = r.end;
            continue;
        }
        n += m_strText.At(i) == c;
    }
    return n;
}

int CEditCtrl::LineLengthInColumns(int offset) const
{
    const int end = TrueLineEnd(offset, false);
    return ColumnFromOffset(end, false);
}

void CEditCtrl::GetCaretSize(int& width, int& height) const
{
    width = IsOverwrite() ? m_nCharWidth : 2;
    height = m_nLineHeight;
}
