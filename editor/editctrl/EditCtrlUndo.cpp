// CEditCtrl: the undo history.
#include "editor/editctrl/EditCtrl.h"

#include <algorithm>

bool CEditCtrl::CanUndo() const
{
    return m_posUndo > 0;
}

bool CEditCtrl::CanRedo() const
{
    return m_posUndo < int(m_lstUndo.size());
}

void CEditCtrl::DropUndoRecords(size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i)
        OnUndoRecordFreed(*m_lstUndo[i]);
    m_lstUndo.erase(m_lstUndo.begin() + long(from), m_lstUndo.begin() + long(to));
}

bool CEditCtrl::AddUndoRecord(std::unique_ptr<CUndoRecord> record)
{
    record->action |= GetLastAction();
    record->caret = HasSelection() ? m_nSelEnd : m_nCaret; // an empty selection is none
    if (!CanAddUndo(*record))
        return false;
    if (m_posUndo < int(m_lstUndo.size())) {
        DropUndoRecords(size_t(m_posUndo), m_lstUndo.size());
        if (m_posSaved > m_posUndo)
            m_posSaved = -1;
    }
    m_lstUndo.push_back(std::move(record));
    m_posUndo = int(m_lstUndo.size());
    while (int(m_lstUndo.size()) > std::max(1, m_nUndoLimit)) {
        DropUndoRecords(0, 1);
        --m_posUndo;
        m_posSaved = m_posSaved > 0 ? m_posSaved - 1 : -1;
    }
    m_bModified = true;
    return true;
}

bool CEditCtrl::AddUndoText(const std::string& text, int action, int offset, bool notOverwrite, bool chain)
{
    auto r = std::make_unique<CUndoRecord>();
    r->offset = offset;
    r->action = action;
    r->text = text;
    r->mode = IsOverwrite() && !notOverwrite ? 3 : 1;
    r->chain = chain ? 1 : 0;
    return AddUndoRecord(std::move(r));
}

bool CEditCtrl::AddUndoMark(std::shared_ptr<CIndentRecord> object, int action)
{
    auto r = std::make_unique<CUndoRecord>();
    r->offset = -1;
    r->action = action;
    r->object = std::move(object);
    return AddUndoRecord(std::move(r));
}

bool CEditCtrl::AddUndoChar(char c, int action, int offset, bool inserted)
{
    if (c == '\n')
        return AddUndoText("\n", action, offset, true, false);
    const bool plain = action == 1 && !IsOverwrite() && !m_bNoUndoMerge;
    if (plain && !m_lstUndo.empty() && m_posUndo == int(m_lstUndo.size()) && m_posSaved != m_posUndo) {
        const unsigned prev = m_nPrevKey;
        const bool prevIsChar = prev < 256;
        const bool prevBlank = prevIsChar && m_strBlanks.find(char(prev)) != std::string::npos;
        const bool sameClass = IsDelimiter(c) == (prevIsChar && IsDelimiter(char(prev)));
        // the character must continue the newest record's own text (its offset,
        // not its caret field, which differs for a break made away from the caret)
        CUndoRecord& last = *m_lstUndo.back();
        if ((prevBlank || prev > 47) && sameClass && (last.action & 1) && last.mode == 1 && !last.object &&
            offset == last.offset + int(last.text.size())) {
            last.text.push_back(c);
            m_bModified = true;
            return true;
        }
    }
    const std::string text(1, IsOverwrite() && !inserted ? m_strText.At(offset) : c);
    auto r = std::make_unique<CUndoRecord>();
    r->offset = offset;
    r->action = action;
    r->text = text;
    r->mode = plain ? 1 : (inserted ? 1 : 3);
    return AddUndoRecord(std::move(r));
}

void CEditCtrl::CloseUndoChain()
{
    if (!m_lstUndo.empty() && m_posUndo == int(m_lstUndo.size()))
        m_lstUndo.back()->chain = 0;
}

int CEditCtrl::Undo(bool placeCaret, bool repaint)
{
    if (m_posUndo <= 0) {
        OnError(errUndo);
        return 0;
    }
    int result = 0;
    do {
        CUndoRecord& r = *m_lstUndo[size_t(--m_posUndo)];
        m_bLastWasUndo = true;
        result = ApplyUndoRecord(r, true, placeCaret);
    } while (result && m_posUndo > 0 && m_lstUndo[size_t(m_posUndo - 1)]->chain);
    m_bModified = m_posUndo != m_posSaved;
    if (repaint)
        Repaint();
    return result;
}

int CEditCtrl::Redo(bool placeCaret, bool repaint)
{
    if (m_posUndo >= int(m_lstUndo.size())) {
        OnError(errRedo);
        return 0;
    }
    int result = 0;
    bool place = placeCaret;
    for (;;) {
        CUndoRecord& r = *m_lstUndo[size_t(m_posUndo++)];
        m_bLastWasUndo = false;
        result = ApplyUndoRecord(r, false, place);
        if (!result || !r.chain || m_posUndo >= int(m_lstUndo.size()))
            break;
        place = !(r.action & actDrop);
    }
    m_bModified = m_posUndo != m_posSaved;
    if (repaint)
        Repaint();
    return result;
}

int CEditCtrl::ApplyUndoRecord(CUndoRecord& record, bool undo, bool placeCaret)
{
    int caret = m_nCaret;
    const int len = int(record.text.size());
    const bool removal = ((record.action & 1) && undo) || ((record.action & 2) && !undo);
    if ((record.action & 4) && record.object) {
        CIndentRecord& in = *record.object;
        IndentLines(in.start, in.end, undo ? !in.indent : in.indent, false, false, &in, true);
        caret = record.caret;
    } else if (record.mode & 2) {
        // a character typed over another: the two change places
        const int at = record.offset;
        if (at >= 0 && at < m_strText.Length() && len == 1) {
            const char old = m_strText.At(at);
            m_strText.SetAt(at, record.text[0]);
            record.text[0] = old;
            NotifyChange(at, record.text, 0);
        }
        caret = removal ? record.caret : at + 1;
    } else if (removal) {
        const int at = std::clamp(record.offset, 0, m_strText.Length());
        if (CanDelete(at, record.text)) {
            const int end = std::min(at + len, m_strText.Length());
            OnDeleteText(at, end, &record.text);
            OnOutlineTextDeleted(at, end);
            TextErase(at, end - at);
            ReparseOutline(at, 0);
            NotifyChange(at, record.text, 0);
        }
        caret = record.caret;
    } else {
        const int at = std::clamp(record.offset, 0, m_strText.Length());
        if (CanInsert(record.text, at)) {
            OnInsertText(at, record.text, true);
            TextInsert(at, record.text);
            OnOutlineTextInserted(at, at + len);
            ReparseOutline(at, len);
            NotifyChange(at, record.text, 0);
        }
        caret = at + len;
    }
    m_nSelStart = m_nSelEnd = -1;
    m_bColumnSelect = false;
    m_ptBlockStart = m_ptBlockEnd = {-1, -1};
    UpdateScrollBars();
    RecalcFirstLine();
    if (m_pSink)
        m_pSink->SetScrollPos(1, m_nFirstLine);
    SetCaretOffset(std::clamp(caret, 0, m_strText.Length()), placeCaret, placeCaret);
    m_bModified = true;
    return 1;
}

void CEditCtrl::ClearUndo()
{
    const bool savedHere = m_posSaved == m_posUndo;
    for (auto& r : m_lstUndo)
        OnUndoRecordFreed(*r);
    m_lstUndo.clear();
    m_posUndo = 0;
    m_posSaved = savedHere ? 0 : -1;
    m_bLastWasUndo = true;
}

void CEditCtrl::GetUndoActions(std::vector<int>& actions) const
{
    actions.clear();
    for (int i = m_posUndo - 1; i >= 0; --i)
        if (!m_lstUndo[size_t(i)]->chain)
            actions.push_back(m_lstUndo[size_t(i)]->action);
}

void CEditCtrl::GetRedoActions(std::vector<int>& actions) const
{
    actions.clear();
    for (size_t i = size_t(m_posUndo); i < m_lstUndo.size(); ++i)
        if (!m_lstUndo[i]->chain)
            actions.push_back(m_lstUndo[i]->action);
}
