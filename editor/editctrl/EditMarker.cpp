#include "editor/editctrl/EditMarker.h"

#include "editor/editctrl/EditArchive.h"

namespace {

// relation of the span [a, b] to the range [first, last]
int SpanRelation(int a, int b, int first, int last)
{
    if (b < first || a > last)
        return 0;
    if (a >= first && b <= last)
        return 1;
    return 2;
}

} // namespace

void CEditMarker::CopyFrom(const CEditMarker& other)
{
    m_nLine = other.m_nLine;
    m_nType = other.m_nType;
    m_nPriority = other.m_nPriority;
    OnCopyData(other.m_nData);
}

int CEditMarker::LineRelation(int first, int last) const
{
    return m_nLine >= first && m_nLine <= last ? 1 : 0;
}

void CLineColorMarker::CopyFrom(const CEditMarker& other)
{
    CEditMarker::CopyFrom(other);
    if (auto* o = dynamic_cast<const CLineColorMarker*>(&other)) {
        m_crText = o->m_crText;
        m_crBack = o->m_crBack;
        m_nExtraLines = o->m_nExtraLines;
        m_bFill = o->m_bFill;
    }
}

int CLineColorMarker::LineRelation(int first, int last) const
{
    return SpanRelation(m_nLine, m_nLine + m_nExtraLines, first, last);
}

void CLineColorMarker::OnLinesDeleted(int first, int last)
{
    const int end = m_nLine + m_nExtraLines;
    if (first > m_nLine && first <= end && last > end) {
        m_nExtraLines = first - m_nLine - 1; // cut before the range
    } else if (first > m_nLine && last <= end) {
        m_nExtraLines -= last - first + 1;
    } else if (first <= m_nLine && last >= m_nLine && last < end) {
        m_nExtraLines = end - last - 1; // the part after the range stays
        m_nLine = first;
    }
}

void CHiliteMarker::CopyFrom(const CEditMarker& other)
{
    CEditMarker::CopyFrom(other);
    if (auto* o = dynamic_cast<const CHiliteMarker*>(&other)) {
        m_nStart = o->m_nStart;
        m_nEnd = o->m_nEnd;
        m_crText = o->m_crText;
        m_crBack = o->m_crBack;
    }
}

int CHiliteMarker::OffsetRelation(int first, int last) const
{
    return SpanRelation(m_nStart, m_nEnd - 1, first, last);
}

void CHiliteMarker::UniteOffsets(int first, int last)
{
    if (OffsetRelation(first, last) != 2)
        return;
    if (first < m_nStart)
        m_nStart = first;
    else if (last + 1 > m_nEnd)
        m_nEnd = last + 1;
}

void CEditMarker::Serialize(CEditArchive& ar)
{
    int32_t line = m_nLine, type = m_nType, priority = m_nPriority;
    ar.Int(line);
    ar.Int(type);
    ar.Int(priority);
    if (ar.IsLoading()) {
        m_nLine = line;
        m_nType = type;
        m_nPriority = priority;
    }
    SerializeData(ar);
}

void CEditMarker::SerializeData(CEditArchive& ar)
{
    ar.RefuseUserData();
}

void CHiliteMarker::Serialize(CEditArchive& ar)
{
    CEditMarker::Serialize(ar);
    int32_t start = m_nStart, end = m_nEnd;
    ar.Int(start);
    ar.Int(end);
    if (ar.IsLoading()) {
        m_nStart = start;
        m_nEnd = end;
    }
}
