// CEditCtrl: the search engine, Find, Replace and ReplaceAll.
#include "editor/editctrl/EditCtrl.h"

#include <algorithm>

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

// Down: the first hit at or after the start, else (wrapping) the first one that
// begins before it. Up works as a forward search through the reversed text: the
// last hit that ends at or before the start, else the last one after it.
bool CEditCtrl::SearchText(int& foundOffset, int& foundLength, const std::string& text, bool down, bool matchCase,
                           bool wholeWord, int startAt) const
{
    if (text.empty())
        return false;
    const std::string& t = m_strText.Str();
    const int length = m_strText.Length();
    const int n = int(text.size());
    if (n > length)
        return false;
    const int start = std::clamp(startAt < 0 ? m_nCaret : startAt, 0, length);
    auto matchAt = [&](int s) {
        if (matchCase)
            return t.compare(size_t(s), size_t(n), text) == 0;
        for (int k = 0; k < n; ++k)
            if (Lower(t[size_t(s + k)]) != Lower(text[size_t(k)]))
                return false;
        return true;
    };
    auto wordOk = [&](int s) {
        return !wholeWord || ((s == 0 || IsDelimiter(t[size_t(s - 1)])) && (s + n >= length || IsDelimiter(t[size_t(s + n)])));
    };
    // the first acceptable hit in [from, last]; a hit that is no whole word moves on past its end
    auto forward = [&](int from, int last) {
        for (int s = std::max(from, 0); s <= last;) {
            if (matchCase) {
                const size_t p = t.find(text, size_t(s));
                if (p == std::string::npos || int(p) > last)
                    return -1;
                s = int(p);
            } else if (!matchAt(s)) {
                ++s;
                continue;
            }
            if (wordOk(s))
                return s;
            s += n;
        }
        return -1;
    };
    auto backward = [&](int from, int first) {
        for (int s = std::min(from, length - n); s >= std::max(first, 0);) {
            if (!matchAt(s)) {
                --s;
                continue;
            }
            if (wordOk(s))
                return s;
            s -= n;
        }
        return -1;
    };
    int hit;
    if (down) {
        hit = forward(start, length - n);
        if (hit < 0)
            hit = forward(0, start - 1);
    } else {
        int from = start - n;
        if (from >= 0 && m_nSelStart >= 0 && m_nSelStart < m_nSelEnd && m_nSelStart == from && m_nSelEnd == start &&
            matchAt(from))
            --from; // the selected hit itself: on from the character before it
        hit = backward(from, 0);
        if (hit < 0)
            hit = backward(length - n, start - n + 1);
    }
    if (hit < 0)
        return false;
    foundOffset = hit;
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
    const int caret = std::clamp(m_nCaret, 0, m_strText.Length());
    std::vector<int> after, before;
    for (int from = caret, o, l; SearchText(o, l, text, true, matchCase, wholeWord, from) && o >= from; from = o + n)
        after.push_back(o);
    const int wrapLimit = after.empty() ? m_strText.Length() : after.front();
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
        const int lengthBefore = m_strText.Length();
        SelectRange(at, at + n, false, false);
        DeleteSelection(false, false, at != 0);
        SetLastAction(actPaste);
        InsertText(*replacement, -1, false, false, true, false);
        CloseUndoChain();
        SelectRange(at, m_nCaret, false, false);
        done.emplace_back(hit, m_strText.Length() - lengthBefore);
        ++count;
    }
    if (count)
        m_bModified = true;
    Repaint();
    return count;
}
