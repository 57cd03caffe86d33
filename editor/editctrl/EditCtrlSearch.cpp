// CEditCtrl: the search engine, Find, Replace and ReplaceAll.
#include "editor/editctrl/EditCtrl.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

} // namespace

bool CEditCtrl::SearchText(int& foundOffset, int& foundLength, const std::string& text, bool down, bool matchCase,
                           bool wholeWord, int startAt) const
{
    if (text.empty())
        return false;
    const int length = m_text.Length();
    const int n = int(text.size());
    int start = std::clamp(startAt < 0 ? m_nCaret : startAt, 0, length);
    std::string hay = matchCase ? m_text.Str() : Lower(m_text.Str());
    std::string needle = matchCase ? text : Lower(text);
    if (!down) {
        std::reverse(hay.begin(), hay.end());
        std::reverse(needle.begin(), needle.end());
        start = length - start;
    }
    auto wordOk = [&](size_t p) {
        return !wholeWord || ((p == 0 || IsDelimiter(hay[p - 1])) && (p + size_t(n) >= hay.size() || IsDelimiter(hay[p + size_t(n)])));
    };
    auto findFrom = [&](size_t from, size_t limit) {
        // the first acceptable occurrence starting in [from, limit]
        for (size_t p = hay.find(needle, from); p != std::string::npos && p <= limit; p = hay.find(needle, p + size_t(n)))
            if (wordOk(p))
                return p;
        return std::string::npos;
    };
    size_t pos = hay.find(needle, size_t(start));
    if (!down && pos == size_t(start) && m_nSelStart >= 0 && m_nSelStart < m_nSelEnd) {
        // the selected hit itself: search on from the next character
        const int real = length - int(pos) - n;
        if (real == m_nSelStart && real + n == m_nSelEnd)
            pos = hay.find(needle, size_t(start) + 1);
    }
    if (pos != std::string::npos && !wordOk(pos))
        pos = findFrom(pos + size_t(n), hay.size());
    if (pos == std::string::npos && start > 0)
        pos = findFrom(0, size_t(start) - 1); // wrapped: hits that begin before the start
    if (pos == std::string::npos)
        return false;
    foundOffset = down ? int(pos) : length - int(pos) - n;
    foundLength = n;
    return true;
}

int CEditCtrl::Find(const std::string& text, bool down, bool matchCase, bool wholeWord)
{
    int offset = 0, length = 0;
    if (!SearchText(offset, length, text, down, matchCase, wholeWord))
        return 0;
    SetSelection(offset, offset + length);
    return 1;
}

int CEditCtrl::Replace(const std::string& text, const std::string* replacement, bool down, bool matchCase,
                       bool wholeWord)
{
    int offset = 0, length = 0;
    if (!replacement || !SearchText(offset, length, text, down, matchCase, wholeWord))
        return 0;
    SelectRange(offset, offset + length, false, false);
    DeleteSelection(false, false, offset != 0);
    SetLastAction(actPaste);
    const int before = m_nCaret;
    InsertText(*replacement, -1, true, false, true, false);
    CloseUndoChain();
    SetSelection(before, m_nCaret, true);
    m_bModified = true;
    return 1;
}

int CEditCtrl::ReplaceAll(const std::string& text, const std::string* replacement, bool down, bool matchCase,
                          bool wholeWord)
{
    if (!replacement || text.empty())
        return 0;
    // the non-overlapping hits of the unchanged text, from the caret on, wrapping
    const int n = int(text.size());
    const int caret = std::clamp(m_nCaret, 0, m_text.Length());
    std::vector<int> after, before;
    for (int from = caret, o, l; SearchText(o, l, text, true, matchCase, wholeWord, from) && o >= from; from = o + n)
        after.push_back(o);
    const int wrapLimit = after.empty() ? m_text.Length() : after.front();
    for (int from = 0, o, l; from < caret && SearchText(o, l, text, true, matchCase, wholeWord, from) && o >= from &&
                             o + n <= wrapLimit && o < caret;
         from = o + n)
        before.push_back(o);
    std::vector<int> hits;
    if (down) {
        hits = after;
        hits.insert(hits.end(), before.begin(), before.end());
    } else {
        hits.assign(before.rbegin(), before.rend());
        hits.insert(hits.end(), after.rbegin(), after.rend());
    }
    // replacements change the offsets of the hits after them
    std::vector<std::pair<int, int>> done; // original offset, length change
    int count = 0;
    for (int hit : hits) {
        int at = hit;
        for (auto& d : done)
            if (d.first < hit)
                at += d.second;
        const int lengthBefore = m_text.Length();
        SelectRange(at, at + n, false, false);
        DeleteSelection(false, false, at != 0);
        SetLastAction(actPaste);
        InsertText(*replacement, -1, false, false, true, false);
        CloseUndoChain();
        SelectRange(at, m_nCaret, false, false);
        done.emplace_back(hit, m_text.Length() - lengthBefore);
        ++count;
    }
    if (count)
        m_bModified = true;
    Repaint();
    return count;
}
