// CEditCtrl: the marker list and its operations.
#include "editor/editctrl/EditCtrl.h"

#include <algorithm>

namespace {

// whether `a` stands before `b` in the list: priority descending (unsigned),
// then line ascending, then type ascending (unsigned)
bool Before(const CEditMarker& a, const CEditMarker& b)
{
    if (unsigned(a.m_nPriority) != unsigned(b.m_nPriority))
        return unsigned(a.m_nPriority) > unsigned(b.m_nPriority);
    if (a.m_nLine != b.m_nLine)
        return a.m_nLine < b.m_nLine;
    return unsigned(a.m_nType) < unsigned(b.m_nType);
}

} // namespace

void CEditCtrl::MarkersChanged()
{
    if (m_onMarkersChanged)
        m_onMarkersChanged();
}

CEditMarker* CEditCtrl::AddMarker(std::unique_ptr<CEditMarker>& marker, bool redraw)
{
    if (!marker || (marker->m_nType & CEditMarker::kRefusedTypes))
        return nullptr;
    auto it = m_lstMarkers.begin();
    while (it != m_lstMarkers.end() && Before(**it, *marker))
        ++it;
    CEditMarker* added = m_lstMarkers.insert(it, std::move(marker))->get();
    if (redraw)
        RedrawMarkerLine(added->m_nLine, added->m_nType & CEditMarker::kLineColor);
    MarkersChanged();
    return added;
}

CEditMarker* CEditCtrl::AddMarkerAtLine(std::unique_ptr<CEditMarker>& marker, int line, bool redraw)
{
    if (!marker)
        return nullptr;
    marker->m_nLine = line == -1 ? m_strText.LineOf(m_nCaret) : line;
    return AddMarker(marker, redraw);
}

int CEditCtrl::ToggleMarker(int line, int type, uint64_t data, bool redraw, int priority)
{
    if (!HasWindow())
        return 0;
    if (line == -1)
        line = m_strText.LineOf(m_nCaret);
    const bool touched = std::any_of(m_lstMarkers.begin(), m_lstMarkers.end(), [&](const auto& m) {
        return (m->m_nType & type) && m->LineRelation(line, line) != 0;
    });
    if (touched) {
        RemoveMarkers(line, type, redraw);
        return 0;
    }
    auto marker = std::make_unique<CEditMarker>(line, type, priority, data);
    return AddMarker(marker, redraw) ? 1 : 0; // a refused marker is freed here
}

CEditMarker* CEditCtrl::AddLineColorMarker(int line, uint32_t text, uint32_t back, bool fill, int extraLines,
                                           int types, int priority)
{
    auto m = std::make_unique<CLineColorMarker>();
    m->m_nLine = line == -1 ? m_strText.LineOf(m_nCaret) : line;
    m->m_nType = types | CEditMarker::kLineColor;
    m->m_nPriority = priority;
    m->m_crText = text == 0xFFFFFFFF ? m_crText : text;
    m->m_crBack = back == 0xFFFFFFFF ? m_crBack : back;
    m->m_bFill = fill;
    m->m_nExtraLines = extraLines;
    std::unique_ptr<CEditMarker> base = std::move(m);
    return AddMarker(base, true);
}

CEditMarker* CEditCtrl::AddHiliteMarker(int start, int end, uint32_t text, uint32_t back, int types, int priority)
{
    auto m = std::make_unique<CHiliteMarker>();
    m->m_nType = types | CEditMarker::kHilite;
    m->m_nPriority = priority;
    m->m_nStart = start;
    m->m_nEnd = end;
    m->m_crText = text == 0xFFFFFFFF ? m_crText : text;
    m->m_crBack = back; // -1: the widget's highlight-text colour
    std::unique_ptr<CEditMarker> base = std::move(m);
    return AddMarker(base, true);
}

CEditMarker* CEditCtrl::FindMarker(int line, CEditMarker** out, int type) const
{
    for (const auto& m : m_lstMarkers) {
        if ((m->m_nType & type) && m->LineRelation(line, line) != 0) {
            if (out)
                *out = m.get();
            return m.get();
        }
    }
    if (out)
        *out = nullptr;
    return nullptr;
}

CEditMarker* CEditCtrl::FindMarkerByData(uint32_t value) const
{
    for (const auto& m : m_lstMarkers)
        if (m->HasData(value))
            return m.get();
    return nullptr;
}

void CEditCtrl::GetMarkersByData(std::vector<CEditMarker*>& out, uint32_t value) const
{
    for (const auto& m : m_lstMarkers)
        if (m->HasData(value))
            out.push_back(m.get());
}

bool CEditCtrl::HasMarkers(int type) const
{
    return std::any_of(m_lstMarkers.begin(), m_lstMarkers.end(), [&](const auto& m) { return m->m_nType & type; });
}

void CEditCtrl::GetMarkersOfType(std::vector<CEditMarker*>& out, int type) const
{
    for (const auto& m : m_lstMarkers)
        if (m->m_nType & type)
            out.push_back(m.get());
}

void CEditCtrl::GetMarkersOnLines(int first, std::vector<CEditMarker*>& out, int type, int last) const
{
    if (last == -1)
        last = first;
    for (const auto& m : m_lstMarkers)
        if ((m->m_nType & type) && m->LineRelation(first, last) != 0)
            out.push_back(m.get());
}

void CEditCtrl::GetMarkersInOffsets(int first, int last, std::vector<CEditMarker*>& out, int type) const
{
    for (const auto& m : m_lstMarkers)
        if ((m->m_nType & type) && m->OffsetRelation(first, last) != 0)
            out.push_back(m.get());
}

bool CEditCtrl::SetMarkerData(int line, uint64_t data, int type, bool redraw)
{
    for (auto& m : m_lstMarkers) {
        if ((m->m_nType & type) && m->m_nLine == line) {
            m->m_nData = data;
            if (redraw)
                RedrawMarkerLine(line, false);
            return true;
        }
    }
    return false;
}

bool CEditCtrl::SetMarkerDataAt(const CEditMarker* marker, uint64_t data)
{
    for (auto& m : m_lstMarkers)
        if (m.get() == marker) {
            m->m_nData = data;
            return true;
        }
    return false;
}

bool CEditCtrl::GetLineColorMarkerColors(int line, COLORREF& text, COLORREF& back) const
{
    for (const auto& m : m_lstMarkers)
        if ((m->m_nType & CEditMarker::kLineColor) && m->LineRelation(line, line) != 0)
            if (auto* lm = dynamic_cast<const CLineColorMarker*>(m.get())) {
                text = lm->m_crText;
                back = lm->m_crBack;
                return true;
            }
    return false;
}

bool CEditCtrl::GetHiliteColors(int offset, COLORREF& text, COLORREF& back) const
{
    for (const auto& m : m_lstMarkers)
        if (m->m_nType & CEditMarker::kHilite)
            if (auto* hm = dynamic_cast<const CHiliteMarker*>(m.get()); hm && offset >= hm->m_nStart && offset < hm->m_nEnd) {
                text = hm->m_crText;
                back = hm->m_crBack;
                return true;
            }
    return false;
}

bool CEditCtrl::RemoveMarkers(int line, int type, bool redraw)
{
    if (!HasWindow())
        return false;
    bool removed = false;
    for (auto it = m_lstMarkers.begin(); it != m_lstMarkers.end();) {
        CEditMarker* m = it->get();
        if ((m->m_nType & type) && m->m_nLine == line && CanRemoveMarker(m)) {
            const bool wholeLine = m->m_nType & CEditMarker::kLineColor;
            it = m_lstMarkers.erase(it);
            removed = true;
            if (redraw) {
                RedrawMarkerLine(line, false);
                if (wholeLine)
                    RedrawLines(line, line);
            }
        } else {
            ++it;
        }
    }
    if (removed)
        MarkersChanged();
    return removed;
}

bool CEditCtrl::RemoveMarkerAt(CEditMarker* marker)
{
    auto it = std::find_if(m_lstMarkers.begin(), m_lstMarkers.end(), [&](const auto& m) { return m.get() == marker; });
    if (it == m_lstMarkers.end() || !CanRemoveMarker(marker))
        return false;
    m_lstMarkers.erase(it);
    MarkersChanged();
    return true;
}

void CEditCtrl::RemoveMarkersOfType(int type, bool redraw)
{
    bool removed = false;
    for (auto it = m_lstMarkers.begin(); it != m_lstMarkers.end();) {
        if ((type == -1 || ((*it)->m_nType & type)) && CanRemoveMarker(it->get())) {
            it = m_lstMarkers.erase(it);
            removed = true;
        } else {
            ++it;
        }
    }
    if (redraw) {
        RedrawMarkerLine(-1, false);
        Repaint();
    }
    if (removed)
        MarkersChanged();
}

void CEditCtrl::RemoveAllMarkers()
{
    RemoveMarkersOfType(-1, false);
}

int CEditCtrl::RemoveMarkersInOffsets(int first, int last, int type, bool redraw)
{
    int count = 0;
    for (auto it = m_lstMarkers.begin(); it != m_lstMarkers.end();) {
        if (((*it)->m_nType & type) && (*it)->OffsetRelation(first, last) != 0) {
            it = m_lstMarkers.erase(it);
            ++count;
        } else {
            ++it;
        }
    }
    if (count && redraw)
        RedrawRange(first, last);
    if (count)
        MarkersChanged();
    return count;
}

void CEditCtrl::ShiftMarkers(int line, int count)
{
    bool moved = false;
    for (auto& m : m_lstMarkers) {
        if (m->m_nLine >= line && CanMoveMarker(m.get())) {
            m->m_nLine += count;
            moved = true;
        }
    }
    if (!moved)
        return;
    m_lstMarkers.sort([](const auto& a, const auto& b) { return Before(*a, *b); });
    MarkersChanged();
}

void CEditCtrl::RemoveMarkersInRange(int first, int last)
{
    bool changed = false;
    for (auto it = m_lstMarkers.begin(); it != m_lstMarkers.end();) {
        CEditMarker* m = it->get();
        const int relation = m->LineRelation(first, last);
        if (relation == 1 && CanRemoveMarker(m) && CanDeleteMarker(m)) {
            it = m_lstMarkers.erase(it);
            changed = true;
            continue;
        }
        if (relation == 2 && CanMoveMarker(m)) {
            m->OnLinesDeleted(first, last);
            changed = true;
        }
        ++it;
    }
    if (changed)
        MarkersChanged();
}

void CEditCtrl::RedrawMarkerLine(int line, bool wholeWidth)
{
    if (!m_pSink)
        return;
    EcRect r{m_rcClient.left, m_rcClient.top,
             wholeWidth ? m_rcClient.right : m_rcClient.left + m_nMarkerMarginWidth, m_rcClient.bottom};
    if (line != -1) {
        r.top = (VisibleLineFromLine(line) - m_nFirstLine) * m_nLineHeight + m_rcText.top;
        r.bottom = r.top + m_nLineHeight;
    }
    if (!r.IsEmpty())
        m_pSink->Invalidate(r);
}

int CEditCtrl::GoToNextMarker(int type, bool forward)
{
    std::vector<CEditMarker*> of;
    GetMarkersOfType(of, type);
    if (of.empty())
        return 0;
    const int caretLine = m_strText.LineOf(m_nCaret);
    const CEditMarker* target = nullptr;
    if (forward) {
        auto it = std::find_if(of.begin(), of.end(), [&](auto* m) { return m->m_nLine > caretLine; });
        target = it != of.end() ? *it : of.front();
    } else {
        auto it = std::find_if(of.rbegin(), of.rend(), [&](auto* m) { return m->m_nLine < caretLine; });
        target = it != of.rend() ? *it : of.back();
    }
    return GoToMarker(target);
}

int CEditCtrl::GoToMarker(const CEditMarker* marker)
{
    if (!marker || marker->m_nLine < 0 || marker->m_nLine >= m_strText.LineCount())
        return 0;
    return SetCaretOffset(m_strText.LineStart(marker->m_nLine), true, true) ? 1 : 0;
}
