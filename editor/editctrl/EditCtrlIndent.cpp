// CEditCtrl: indenting and outdenting selected lines.
#include "editor/editctrl/EditCtrl.h"

#include <algorithm>

int CEditCtrl::CheckSelectionLines(bool indent)
{
    if (m_bColumnSelect || m_nSelStart < 0 || m_nSelEnd < 0 || m_nSelStart == m_nSelEnd)
        return 0;
    const int a = std::min(m_nSelStart, m_nSelEnd);
    const int b = std::min(std::max(m_nSelStart, m_nSelEnd), m_strText.Length());
    if (a >= m_strText.Length())
        return 0;
    const bool reachesEnd = std::max(m_nSelStart, m_nSelEnd) >= m_strText.Length();
    const bool hasNewline = m_strText.CountNewlines(a, b) > 0;
    auto blankAt = [&](int offset) { return m_strBlanks.find(m_strText.At(offset)) != std::string::npos && offset < m_strText.Length(); };
    if (indent)
        return reachesEnd || hasNewline;
    if (!hasNewline)
        return reachesEnd && blankAt(LineStartOf(a, false));
    if (blankAt(LineStartOf(a, false)))
        return 1;
    // lines that begin after a "\n" inside the selection, except one at its end
    for (int line = m_strText.LineOf(a) + 1; line < m_strText.LineCount(); ++line) {
        const int s = m_strText.LineStart(line);
        if (s >= b)
            break;
        if (blankAt(s))
            return 1;
    }
    return 0;
}

int CEditCtrl::IndentSelection(bool indent)
{
    if (!CheckSelectionLines(indent)) {
        OnError(errIndent);
        return 0;
    }
    const int a = std::min(m_nSelStart, m_nSelEnd);
    int b = std::min(std::max(m_nSelStart, m_nSelEnd), m_strText.Length());
    if (b > a && b == m_strText.LineStart(m_strText.LineOf(b)))
        --b; // a selection ending at a line start leaves that line alone
    auto record = std::make_shared<CIndentRecord>();
    if (!IndentLines(a, b, indent, m_bColumnSelect, true, record.get(), false)) {
        OnError(errIndent);
        return 0;
    }
    record->start = std::min(m_nSelStart, m_nSelEnd);
    int end = std::max(m_nSelStart, m_nSelEnd);
    if (end > record->start && end == m_strText.LineStart(m_strText.LineOf(end)))
        --end;
    record->end = end;
    record->indent = indent;
    SetLastAction(indent ? actIndent : actOutdent);
    AddUndoMark(record, 4);
    return 1;
}

int CEditCtrl::IndentLines(int start, int end, bool indent, bool refuse, bool keepSelection, CIndentRecord* record,
                           bool replay)
{
    if (refuse)
        return 0;
    const bool reversed = m_nSelStart > m_nSelEnd; // the selection's direction survives the edits
    start = std::clamp(start, 0, m_strText.Length());
    const int firstLine = m_strText.LineOf(start);
    size_t k = 0;
    const size_t replayLines = replay && record ? record->strings.size() : 0;
    for (int line = firstLine; line < m_strText.LineCount() && (replay ? k < replayLines : m_strText.LineStart(line) <= end);
         ++line, ++k) {
        const int ls = m_strText.LineStart(line);
        const int p = SkipWhitespace(ls, false);
        if (indent) {
            std::string s;
            if (replay)
                s = record && k < record->strings.size() ? record->strings[k] : std::string();
            else
                MakeIndent(s);
            if (!s.empty() && CanInsert(s, p)) {
                TextInsert(p, s);
                OnOutlineTextInserted(p, p + int(s.size()));
                ReparseOutline(p, int(s.size()));
                NotifyChange(p, s, 0);
                if (p <= end)
                    end += int(s.size());
            }
            if (record && !replay)
                record->strings.push_back(s);
            continue;
        }
        // outdent: blanks right before the first non-blank, one step at most
        int q = p;
        if (replay) {
            const std::string want = record && k < record->strings.size() ? record->strings[k] : std::string();
            if (!want.empty() && p - ls >= int(want.size()) &&
                m_strText.Str().compare(size_t(p) - want.size(), want.size(), want) == 0)
                q = p - int(want.size());
        } else {
            int used = 0;
            while (q > ls && used < m_nIndentWidth) {
                const char c = m_strText.At(q - 1);
                int need;
                if (c == ' ') {
                    need = 1;
                } else if (c == '\t') {
                    const int col = ColumnFromOffset(q - 1, false);
                    need = m_nTabWidth - col % std::max(1, m_nTabWidth);
                } else {
                    break;
                }
                if (used + need > m_nIndentWidth)
                    break;
                used += need;
                --q;
            }
        }
        std::string removed;
        for (int i = p - 1; i >= q; --i) {
            const std::string one(1, m_strText.At(i));
            if (!CanDelete(i, one))
                break;
            OnOutlineTextDeleted(i, i + 1);
            TextErase(i, 1);
            ReparseOutline(i, 0);
            NotifyChange(i, one, 0);
            removed.insert(removed.begin(), one[0]);
            if (i < end)
                --end;
        }
        if (record && !replay)
            record->strings.push_back(removed);
    }
    if (keepSelection) {
        const int s = m_strText.LineStart(firstLine);
        const int e = std::min(end, m_strText.Length());
        if (reversed) {
            m_nSelStart = e;
            m_nSelEnd = s;
        } else {
            m_nSelStart = s;
            m_nSelEnd = e;
        }
    }
    UpdateScrollBars();
    Scroll(0, 4, 0);
    SetCaretOffset(keepSelection ? m_nSelEnd : std::min(end, m_strText.Length()), true, false);
    Repaint();
    return 1;
}
