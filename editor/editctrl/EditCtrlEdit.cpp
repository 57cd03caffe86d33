// CEditCtrl: typing, inserting, line breaks, tabs and deletion.
#include "editor/editctrl/EditCtrl.h"

#include <algorithm>

bool CEditCtrl::IsNearBlockDelimiter(int offset) const
{
    const int a = std::clamp(offset - 4, 0, m_strText.Length());
    const int b = std::clamp(offset + 5, 0, m_strText.Length());
    return ContainsBlockDelimiter(std::string_view(m_strText.Str().data() + a, size_t(b - a)));
}

void CEditCtrl::MakeIndent(std::string& out) const
{
    const int tab = std::max(1, m_nTabWidth);
    out.assign(size_t(m_nIndentWidth / tab), '\t');
    out.append(size_t(m_nIndentWidth % tab), ' ');
}

int CEditCtrl::NormalizeText(std::string& text)
{
    // most texts need nothing: no CR and no line at the length limit
    if (text.find('\r') == std::string::npos) {
        bool clean = true;
        for (size_t start = 0;;) {
            const size_t nl = text.find('\n', start);
            const size_t end = nl == std::string::npos ? text.size() : nl;
            if (end - start >= size_t(std::max(1, m_nMaxLineLength))) {
                clean = false;
                break;
            }
            if (nl == std::string::npos)
                break;
            start = nl + 1;
        }
        if (clean)
            return 1;
    }
    std::string out;
    out.reserve(text.size() + text.size() / size_t(std::max(1, m_nMaxLineLength)) + 1);
    int count = 0;
    for (char c : text) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            count = 0;
        } else if (++count == m_nMaxLineLength) {
            out.push_back('\n');
            count = 1;
        }
        out.push_back(c);
    }
    text.swap(out);
    return 1;
}

void CEditCtrl::OnInsertText(int offset, const std::string& text, bool moveMarkers)
{
    const int n = int(std::count(text.begin(), text.end(), '\n'));
    if (n == 0 || !moveMarkers)
        return;
    const int line = m_strText.LineOf(offset);
    ShiftMarkers(offset == m_strText.LineStart(line) ? line : line + 1, n);
}

void CEditCtrl::OnDeleteText(int start, int end, const std::string* text)
{
    const int n = text ? int(std::count(text->begin(), text->end(), '\n')) : m_strText.CountNewlines(start, end);
    if (n == 0)
        return;
    const int startLine = m_strText.LineOf(start);
    const int first = start == m_strText.LineStart(startLine) ? startLine : startLine + 1;
    const int endLine = m_strText.LineOf(end);
    const bool endAtLineEnd = end >= m_strText.Length() || m_strText.At(end) == '\n';
    const int last = endAtLineEnd ? endLine : endLine - 1;
    if (first <= last) {
        // a span cut from above keeps its part after the range, which starts on
        // the old line last + 1; the shift below takes it to its new line
        std::vector<CEditMarker*> cut;
        for (const auto& m : m_lstMarkers)
            if (m->m_nLine >= first && m->m_nLine <= last && m->LineRelation(first, last) == 2)
                cut.push_back(m.get());
        RemoveMarkersInRange(first, last);
        for (CEditMarker* m : cut)
            if (m->m_nLine == first && CanMoveMarker(m))
                m->m_nLine = last + 1;
    }
    ShiftMarkers(startLine + 1, -n);
}

int CEditCtrl::InsertChar(char c, bool redraw, bool overwrite)
{
    const std::string one(1, c);
    if (!CanInsert(one, m_nCaret))
        return 0;
    if (c == '\n') {
        if (overwrite && IsOverwrite()) {
            MoveLineStart(redraw);
            MoveLineDown(true, redraw);
            return 1;
        }
        return NewLine(redraw, false, m_nCaret, true);
    }
    if (LineLengthInColumns(m_nCaret) >= m_nMaxLineLength - 1) {
        const int keep = m_nCaret;
        const bool atEnd = keep == GetCaretLineEnd(false);
        if (m_pSink)
            m_pSink->ShowCaret(false);
        NewLine(false, false, keep, true);
        if (!atEnd)
            SetCaretOffset(keep, true, false);
        if (m_pSink)
            m_pSink->ShowCaret(true);
    }
    const int at = m_nCaret;
    const bool replace = overwrite && IsOverwrite() && at < m_strText.Length() && m_strText.At(at) != '\n';
    AddUndoChar(c, 1, at, !replace);
    const bool nearBefore = IsNearBlockDelimiter(at);
    if (replace) {
        m_strText.SetAt(at, c);
    } else {
        TextInsert(at, one);
        OnOutlineTextInserted(at, at + 1);
    }
    ReparseOutline(at, 1);
    NotifyChange(at, one, 0);
    UpdateScrollBars();
    if (redraw) {
        if (nearBefore || IsNearBlockDelimiter(at)) {
            if (m_pSink)
                m_pSink->Invalidate(m_rcText);
        } else {
            RedrawLineAt(at);
        }
    }
    MoveCharRight(false);
    return 1;
}

int CEditCtrl::InsertText(const std::string& text, int offset, bool redraw, bool clearUndo, bool moveMarkers,
                          bool chain, bool)
{
    offset = offset < 0 ? m_nCaret : std::min(offset, m_strText.Length());
    std::string s = text;
    NormalizeText(s);
    if (!CanInsert(s, offset))
        return 0;
    if (s.empty()) {
        if (clearUndo)
            ClearUndo();
        return 1;
    }
    const int len = int(s.size());
    OnInsertText(offset, s, moveMarkers);
    TextInsert(offset, s);
    OnOutlineTextInserted(offset, offset + len);
    ReparseOutline(offset, len);
    // the line that ends the inserted text, from its start to its end
    auto endLineLength = [&] {
        const int e = offset + len;
        return TrueLineEnd(e, false) - LineStartOf(e, false);
    };
    const bool overlong = endLineLength() >= m_nMaxLineLength;
    if (clearUndo)
        ClearUndo();
    else
        AddUndoText(s, 1, offset, true, chain || overlong);
    int caret = offset + len;
    for (int guard = 0; guard < 4 && endLineLength() >= m_nMaxLineLength; ++guard) {
        const int at = LineStartOf(offset + len, false) + m_nMaxLineLength - 1;
        const int before = m_strText.Length();
        if (!NewLine(false, chain, at, false))
            break;
        if (at <= caret)
            caret += m_strText.Length() - before;
    }
    UpdateScrollBars();
    SetCaretOffset(std::min(caret, m_strText.Length()), true, redraw);
    if (redraw)
        Repaint();
    NotifyChange(offset, s, 0);
    return 1;
}

int CEditCtrl::InsertTextLines(const std::string& text, int offset, bool redraw)
{
    offset = offset < 0 ? m_nCaret : std::min(offset, m_strText.Length());
    if (LineLengthInColumns(offset) <= 1)
        return InsertText(text, offset, redraw);
    std::string s = text;
    s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
    const int column = ColumnFromOffset(offset, false);
    int line = m_strText.LineOf(offset);
    bool appended = false;
    size_t pos = 0;
    while (pos <= s.size()) {
        size_t nl = s.find('\n', pos);
        if (nl == std::string::npos)
            nl = s.size();
        std::string piece = s.substr(pos, nl - pos);
        pos = nl + 1;
        if (line < m_strText.LineCount()) {
            const int ls = m_strText.LineStart(line);
            const int le = TrueLineEnd(ls, false);
            const int at = std::min(OffsetFromColumn(column, ls, false, false), le);
            if (!piece.empty() && CanInsert(piece, at)) {
                AddUndoText(piece, 1, at, true, true);
                TextInsert(at, piece);
                OnOutlineTextInserted(at, at + int(piece.size()));
                ReparseOutline(at, int(piece.size()));
                NotifyChange(at, piece, 0);
            }
        } else {
            piece.insert(piece.begin(), '\n');
            const int at = m_strText.Length();
            if (CanInsert(piece, at)) {
                AddUndoText(piece, 1, at, true, true);
                TextInsert(at, piece);
                OnOutlineTextInserted(at, at + int(piece.size()));
                ReparseOutline(at, int(piece.size()));
                NotifyChange(at, piece, 0);
                appended = true;
            }
        }
        ++line;
    }
    CloseUndoChain(); // the pieces undo as one step
    m_bModified = true;
    if (appended)
        UpdateScrollBars();
    if (redraw)
        Repaint();
    return 1;
}

int CEditCtrl::InsertLineBreak(bool chain, int offset, bool moveCaret)
{
    const int at = offset < 0 ? m_nCaret : std::clamp(offset, 0, m_strText.Length());
    const int s = LineStartOf(at, true);
    const int t = SkipWhitespace(s, true);
    std::string ins = "\n";
    if (m_bAutoIndent && s < t)
        ins.append(m_strText.Str(), size_t(s), size_t(std::min(at, t) - s));
    if (!CanInsert(ins, at))
        return 0;
    AddUndoText(ins, 1, at, true, chain);
    TextInsert(at, ins);
    OnOutlineTextInserted(at, at + int(ins.size()));
    ReparseOutline(at, int(ins.size()));
    NotifyChange(at, ins, 0);
    if (moveCaret) {
        if (m_bAutoIndent) {
            SetCaretOffset(at + int(ins.size()), true, true);
        } else {
            MoveLineDown(true, true);
            MoveLineStart(true);
        }
    }
    return 1;
}

int CEditCtrl::NewLine(bool redraw, bool chain, int offset, bool moveCaret)
{
    const int at = offset < 0 ? m_nCaret : std::clamp(offset, 0, m_strText.Length());
    const int line = m_strText.LineOf(at);
    const bool atLineStart = at == m_strText.LineStart(line);
    if (!InsertLineBreak(chain, at, moveCaret))
        return 0;
    ShiftMarkers(atLineStart ? line : line + 1, 1);
    UpdateScrollBars();
    m_bModified = true;
    if (redraw)
        Repaint();
    return 1;
}

int CEditCtrl::InsertTab(bool redraw)
{
    if (LineLengthInColumns(m_nCaret) + m_nIndentWidth > m_nMaxLineLength - 1) {
        OnError(errTabTooLong);
        return 0;
    }
    if (IsOverwrite()) {
        const int column = ColumnFromOffset(m_nCaret, false) + m_nIndentWidth;
        SetCaretOffset(OffsetFromColumn(column, m_nCaret, false, false), true, redraw);
        return 1;
    }
    std::string s;
    MakeIndent(s);
    const int at = m_nCaret;
    if (s.empty() || !CanInsert(s, at))
        return 0;
    AddUndoText(s, 1, at, true, false);
    TextInsert(at, s);
    OnOutlineTextInserted(at, at + int(s.size()));
    ReparseOutline(at, int(s.size()));
    NotifyChange(at, s, 0);
    UpdateScrollBars();
    for (size_t i = 0; i < s.size(); ++i)
        MoveCharRight(false);
    if (redraw)
        RedrawLineAt(at);
    return 1;
}

int CEditCtrl::DeleteChar(bool redraw, bool chain)
{
    if (HasSelection()) {
        DeleteSelection(redraw, false, false);
        SetWantedColumn();
        return 1;
    }
    m_nSelStart = m_nSelEnd = -1; // an empty selection counts as none
    const int at = m_nCaret;
    const bool join = m_strText.At(at) == '\n';
    if (join && LineLengthInColumns(at) + LineLengthInColumns(at + 1) > m_nMaxLineLength - 2) {
        OnError(errJoinTooLong);
        return 0;
    }
    if (at >= m_strText.Length()) {
        OnError(errNothingToDelete);
        return 0;
    }
    const std::string text(1, m_strText.At(at));
    if (!CanDelete(at, text))
        return 0;
    AddUndoText(text, 2, at, true, chain);
    const bool nearBefore = IsNearBlockDelimiter(at);
    if (join)
        OnDeleteText(at, at + 1, &text);
    OnOutlineTextDeleted(at, at + 1);
    TextErase(at, 1);
    ReparseOutline(at, 0);
    NotifyChange(at, text, 0);
    if (join)
        UpdateScrollBars();
    if (redraw) {
        if (nearBefore || IsNearBlockDelimiter(at)) {
            if (m_pSink)
                m_pSink->Invalidate(m_rcText);
        } else if (join) {
            RedrawFromLine(at);
        } else {
            RedrawLineAt(at);
        }
    }
    SetCaretOffset(at, false, false);
    SetWantedColumn();
    return 1;
}

int CEditCtrl::DeleteSelection(bool redraw, bool toClipboard, bool chain)
{
    if (m_nSelStart < 0 || m_nSelEnd < 0) {
        OnError(errNoSelection);
        return 0;
    }
    return DeleteSpan(m_nSelStart, m_nSelEnd, redraw, toClipboard, chain);
}

int CEditCtrl::DeleteRange(int start, int end, bool redraw)
{
    if (std::clamp(start, 0, m_strText.Length()) == std::clamp(end, 0, m_strText.Length()))
        return 0;
    return DeleteSpan(start, end, redraw, false, false);
}

// Deletes between two offsets as one undo record, then clears the selection
// and puts the caret at the deletion point.
int CEditCtrl::DeleteSpan(int start, int end, bool redraw, bool toClipboard, bool chain)
{
    const int a = std::clamp(std::min(start, end), 0, m_strText.Length());
    const int b = std::clamp(std::max(start, end), 0, m_strText.Length());
    const std::string text = m_strText.Str().substr(size_t(a), size_t(b - a));
    if (!CanDelete(a, text))
        return 0;
    if (toClipboard && !CopyTextToClipboard(text)) {
        OnError(errCutClipboard);
        return 0;
    }
    if (b > a) {
        AddUndoText(text, 2, a, true, chain);
        OnDeleteText(a, b, &text);
        OnOutlineTextDeleted(a, b);
        TextErase(a, b - a);
        ReparseOutline(a, 0);
        NotifyChange(a, text, 0);
    }
    m_nSelStart = m_nSelEnd = -1;
    m_ptBlockStart = m_ptBlockEnd = {-1, -1};
    UpdateScrollBars();
    RecalcFirstLine();
    if (m_pSink)
        m_pSink->SetScrollPos(1, m_nFirstLine);
    if (redraw && b > a)
        Repaint();
    SetCaretOffset(a, true, redraw);
    return 1;
}

int CEditCtrl::ToggleOverwrite()
{
    if (m_bReadOnly) {
        OnError(errOverwriteReadOnly);
        return 0;
    }
    SetOverwrite(!IsOverwrite());
    if (m_pSink) {
        int w, h;
        GetCaretSize(w, h);
        m_pSink->DestroyCaret();
        m_pSink->CreateCaret(w, h, false);
        m_pSink->SetCaretPos(m_ptCaret);
        m_pSink->ShowCaret(true);
    }
    return 1;
}
