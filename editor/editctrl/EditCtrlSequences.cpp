// CEditCtrl: special sequences shown as images, and block delimiter queries.
#include "editor/editctrl/EditCtrl.h"

#include <algorithm>

bool CEditCtrl::MatchSequence(std::string_view text, int offset, int end, char c, SequenceInfo* out, int* extra,
                              bool forward) const
{
    for (const SequenceInfo& s : m_lstSequences) {
        int more = -1;
        if (s.key != 0 && c == s.key) {
            more = 0;
        } else if (!s.text.empty()) {
            const int n = int(s.text.size());
            const int from = forward ? offset : offset - n;
            const bool inside = forward ? from >= 0 && from + n <= std::min(end, int(text.size()))
                                        : from >= std::max(end, 0) && offset <= int(text.size());
            if (inside && text.substr(size_t(from), size_t(n)) == s.text)
                more = n - 1;
        }
        if (more < 0)
            continue;
        if (out)
            *out = s;
        if (extra)
            *extra = more;
        return true;
    }
    return false;
}

int CEditCtrl::GetSequenceLength(std::string_view text, int offset, bool forward) const
{
    const int at = forward ? offset : offset - 1;
    if (at < 0 || at >= int(text.size()))
        return 0;
    int extra = 0;
    return MatchSequence(text, offset, forward ? int(text.size()) : 0, text[size_t(at)], nullptr, &extra, forward)
               ? extra
               : 0;
}

const CEditCtrl::DelimiterIndex& CEditCtrl::Delimiters() const
{
    DelimiterIndex& d = m_delimiters;
    const uint64_t generation = m_pBlockTable->BlockGeneration();
    const int count = m_pBlockTable->BlockCount();
    if (d.valid && d.generation == generation && d.count == count)
        return d;
    d = DelimiterIndex{};
    for (int i = 0; i < count; ++i)
        for (std::string_view s : {m_pBlockTable->BlockStart(i), m_pBlockTable->BlockEnd(i)}) {
            if (s.empty())
                continue;
            for (const char c : s)
                d.chars[static_cast<unsigned char>(c)] = true;
            if (d.strings.emplace(s).second &&
                std::find(d.lengths.begin(), d.lengths.end(), s.size()) == d.lengths.end())
                d.lengths.push_back(s.size());
        }
    d.generation = generation;
    d.count = count;
    d.valid = true;
    return d;
}

bool CEditCtrl::IsBlockDelimiterChar(char c) const
{
    return m_pBlockTable && Delimiters().chars[static_cast<unsigned char>(c)];
}

bool CEditCtrl::ContainsBlockDelimiter(std::string_view text) const
{
    if (!m_pBlockTable)
        return false;
    const DelimiterIndex& d = Delimiters();
    std::string piece;
    for (size_t p = 0; p < text.size(); ++p) {
        if (!d.chars[static_cast<unsigned char>(text[p])])
            continue;
        for (const size_t n : d.lengths)
            if (p + n <= text.size()) {
                piece.assign(text.substr(p, n));
                if (d.strings.count(piece))
                    return true;
            }
    }
    return false;
}
