#include "editor/editctrl/EditText.h"

#include <algorithm>

CEditText::CEditText() : m_starts{0} {}

int CEditText::LineStart(int line) const
{
    if (line <= 0)
        return 0;
    if (line >= LineCount())
        return Length();
    return Raw(line);
}

int CEditText::LineOf(int offset) const
{
    offset = std::clamp(offset, 0, Length());
    int lo = 0, hi = LineCount() - 1; // last line whose start <= offset
    while (lo < hi) {
        int mid = (lo + hi + 1) / 2;
        if (Raw(mid) <= offset)
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo;
}

int CEditText::CountNewlines(int start, int end) const
{
    if (end <= start)
        return 0;
    // a "\n" at offset o starts line LineOf(o + 1)
    return LineOf(end) - LineOf(start);
}

void CEditText::StepTo(int line)
{
    while (m_stepLine < line) {
        ++m_stepLine;
        m_starts[size_t(m_stepLine)] += m_stepLen;
    }
    while (m_stepLine > line) {
        m_starts[size_t(m_stepLine)] -= m_stepLen;
        --m_stepLine;
    }
}

void CEditText::ShiftAfter(int line, int delta)
{
    const int last = LineCount() - 1;
    if (line >= last || delta == 0)
        return;
    if (m_stepLen == 0 || m_stepLine >= last) {
        m_stepLine = line;
        m_stepLen = delta;
        return;
    }
    StepTo(line);
    m_stepLen += delta;
}

void CEditText::Assign(std::string text)
{
    ++m_version;
    m_strText = std::move(text);
    m_starts.assign(1, 0);
    m_stepLine = 0;
    m_stepLen = 0;
    for (size_t i = 0; i < m_strText.size(); ++i)
        if (m_strText[i] == '\n')
            m_starts.push_back(int(i + 1));
}

void CEditText::Insert(int offset, std::string_view s)
{
    ++m_version;
    if (s.empty())
        return;
    offset = std::clamp(offset, 0, Length());
    const int line = LineOf(offset);
    m_strText.insert(size_t(offset), s);
    std::vector<int> added;
    for (size_t i = 0; i < s.size(); ++i)
        if (s[i] == '\n')
            added.push_back(offset + int(i) + 1);
    if (!added.empty()) {
        StepTo(std::min(line, LineCount() - 1));
        // stored values of lines after m_stepLine lack m_stepLen
        for (int& p : added)
            p -= m_stepLen;
        m_starts.insert(m_starts.begin() + line + 1, added.begin(), added.end());
    }
    ShiftAfter(line + int(added.size()), int(s.size()));
}

void CEditText::Erase(int offset, int count)
{
    ++m_version;
    offset = std::clamp(offset, 0, Length());
    count = std::clamp(count, 0, Length() - offset);
    if (count == 0)
        return;
    const int first = LineOf(offset);
    const int last = LineOf(offset + count);
    m_strText.erase(size_t(offset), size_t(count));
    if (last > first) {
        StepTo(first);
        m_starts.erase(m_starts.begin() + first + 1, m_starts.begin() + last + 1);
        if (m_stepLine >= LineCount() - 1)
            m_stepLen = 0;
    }
    ShiftAfter(first, -count);
}
