// CEditCtrl: keyword look-up, the colour block scan and the runs one paint draws.
#include "editor/editctrl/EditCtrl.h"

#include "platform/SysColors.h"

#include <algorithm>
#include <cctype>
#include <cstring>

COLORREF CEditCtrl::DefaultTextColor() const
{
    return m_crText == kNoColor ? platform::GetSysColor(platform::COLOR_WINDOWTEXT) : m_crText;
}

COLORREF CEditCtrl::DefaultBackColor() const
{
    return m_crBack == kNoColor ? platform::GetSysColor(platform::COLOR_WINDOW) : m_crBack;
}

bool CEditCtrl::LookupKeyword(const std::string& word, COLORREF& text, COLORREF& back) const
{
    if (word.empty())
        return false;
    const KeywordInfo* info = nullptr;
    auto it = m_mapKeywords.find(word);
    if (it != m_mapKeywords.end()) {
        info = &it->second;
    } else {
        std::string upper = word;
        for (char& c : upper)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        it = m_mapKeywords.find(upper);
        if (it != m_mapKeywords.end() && !it->second.bCaseSensitive)
            info = &it->second;
    }
    if (!info)
        return false;
    text = info->crText == kNoColor ? DefaultTextColor() : info->crText;
    back = info->crBack == kNoColor ? DefaultBackColor() : info->crBack;
    return true;
}

void CEditCtrl::ScanBlocks(int first, int end, std::vector<ColorRange>& out, const ColorBlock* skip) const
{
    const std::string_view text(m_strText.Str());
    end = std::min(end, int(text.size()));
    const std::string_view stretch = text.substr(0, size_t(std::max(end, 0)));
    const BlockLookup& blocks = Lookup();
    // the first place from `from` where a start string occurs; there the block
    // first in the list among those whose start string occurs
    auto nextStart = [&](int from, int& at) -> const ColorBlock* {
        for (int p = from; p < end; ++p) {
            if (!blocks.firstChar[static_cast<unsigned char>(stretch[size_t(p)])])
                continue;
            int first = -1;
            for (const size_t n : blocks.startLengths) {
                if (size_t(p) + n > stretch.size())
                    continue;
                const auto hit = blocks.byStart.find(stretch.substr(size_t(p), n));
                if (hit == blocks.byStart.end())
                    continue;
                for (const int i : hit->second)
                    if (blocks.order[size_t(i)] != skip) {
                        if (first < 0 || i < first)
                            first = i;
                        break;
                    }
            }
            if (first >= 0) {
                at = p;
                return blocks.order[size_t(first)];
            }
        }
        return nullptr;
    };
    int pos = std::max(first, 0);
    while (pos < end) {
        int start = 0;
        const ColorBlock* best = nextStart(pos, start);
        if (!best)
            return;
        int found = -1;
        int lastEscaped = -1;
        if (!best->strEnd.empty()) {
            size_t from = size_t(start) + 1;
            while (true) {
                const size_t at = stretch.find(best->strEnd, from);
                if (at == std::string_view::npos)
                    break;
                if (at > 0 && m_strEscapeChars.find(stretch[at - 1]) != std::string::npos) {
                    lastEscaped = int(at);
                    from = at + 1;
                    continue;
                }
                found = int(at);
                break;
            }
        }
        bool atLineEnd = false;
        if (!best->bWholeText) {
            const size_t from = lastEscaped >= 0 ? size_t(lastEscaped) + 1 : size_t(start) + 1;
            const size_t lf = stretch.find('\n', from);
            if (lf != std::string_view::npos && (found < 0 || int(lf) < found)) {
                found = int(lf);
                atLineEnd = true;
            }
        }
        int last;
        if (found < 0)
            last = end - 1;
        else if (atLineEnd || best->strEnd.empty())
            last = found;
        else
            last = found + int(best->strEnd.size()) - 1;
        last = std::min(last, end - 1);
        out.push_back({start, last, best->crText, best->crBack});
        pos = last + 1;
    }
}

namespace {

// The last character of the last occurrence of s that ends before limit, or -1.
int LastEndingBefore(std::string_view text, int limit, std::string_view s)
{
    if (s.empty())
        return -1;
    size_t pos = size_t(std::clamp(limit, 0, int(text.size())));
    while (pos > 0) {
        const void* hit = memrchr(text.data(), s.back(), pos);
        if (!hit)
            return -1;
        const size_t i = size_t(static_cast<const char*>(hit) - text.data());
        if (i + 1 >= s.size() && text.substr(i + 1 - s.size(), s.size()) == s)
            return int(i);
        pos = i;
    }
    return -1;
}

// Whether an occurrence of s ends (has its last character) in [from, to).
bool EndsWithin(std::string_view text, int from, int to, std::string_view s)
{
    if (s.empty() || from >= to)
        return false;
    const size_t at = text.find(s, size_t(std::max(0, from + 1 - int(s.size()))));
    return at != std::string_view::npos && int(at + s.size()) - 1 < to;
}

} // namespace

const ColorBlock* CEditCtrl::WholeTextBlockAt(int offset) const
{
    const ColorBlock* block = Lookup().wholeText;
    if (!block)
        return nullptr;
    const std::string_view text(m_strText.Str());
    const std::string& open = block->strStart;
    int limit = std::clamp(offset, 0, int(text.size()));
    // the walk below depends only on the last start and end strings before the
    // offset: while neither occurs between two offsets they get one answer
    WholeBlockAnswer& kept = m_wholeBlockAnswer;
    if (kept.version == m_strText.Version() && kept.block == block && kept.blocks == m_lstBlocks.size() &&
        kept.start == open && kept.end == block->strEnd && limit >= kept.floor) {
        if (limit <= kept.offset)
            return kept.open;
        if (!EndsWithin(text, kept.offset, limit, open) && !EndsWithin(text, kept.offset, limit, block->strEnd)) {
            kept.offset = limit;
            return kept.open;
        }
    }
    const int from = limit;
    // walking back from the offset: an end string first closes the block, a
    // start string first opens it
    int closeAt = LastEndingBefore(text, limit, block->strEnd);
    int floor = -1; // the last character of the nearest start or end string
    auto answer = [&](const ColorBlock* result) {
        kept = {m_strText.Version(), block, open, block->strEnd, m_lstBlocks.size(), floor + 1, from, result};
        return result;
    };
    while (limit > 0) {
        // the end string found stays the last one while it lies before the limit
        if (closeAt >= limit)
            closeAt = LastEndingBefore(text, limit, block->strEnd);
        const int openAt = LastEndingBefore(text, limit, open);
        if (limit == from)
            floor = std::max(openAt, closeAt);
        if (openAt < 0 || closeAt >= openAt)
            return answer(nullptr);
        const int start = openAt + 1 - int(open.size());
        if (open.size() == 2 && start > 0 && text[size_t(start - 1)] == open.back()) {
            limit = openAt; // in a run of equal characters the earliest pair counts
            continue;
        }
        // inside a comment or string of its own line the start does not count
        std::vector<ColorRange> ranges;
        ScanBlocks(LineStartOf(start, false), start + int(open.size()), ranges, block);
        const auto inside = std::find_if(ranges.begin(), ranges.end(), [&](const ColorRange& r) {
            return r.first < start && r.last >= start;
        });
        if (inside == ranges.end())
            return answer(block);
        limit = inside->first; // the walk goes on before that range
    }
    return answer(nullptr);
}

int CEditCtrl::FindWholeTextBlockEnd(const ColorBlock& block, int offset) const
{
    const std::string& text = m_strText.Str();
    if (block.strEnd.empty())
        return int(text.size());
    const size_t at = text.find(block.strEnd, size_t(std::max(offset, 0)));
    // an unterminated block colours through the last character
    return at == std::string::npos ? int(text.size()) : int(at + block.strEnd.size());
}
