// CEditCtrl: the colours of every painted character, gathered into runs per
// visible line, and the links found on the way.
#include "editor/editctrl/EditCtrl.h"

#include <algorithm>

namespace {

COLORREF Resolve(COLORREF c, COLORREF fallback) { return c == kNoColor ? fallback : c; }

// Gathers characters into runs of equal colours and link state.
struct LineWriter {
    std::vector<EcPaintLine>& out;
    void Add(int offset, COLORREF text, COLORREF back, bool link)
    {
        auto& runs = out.back().runs;
        if (!runs.empty()) {
            EcColorRun& r = runs.back();
            if (r.kind == EcColorRun::kText && r.end == offset && r.crText == text && r.crBack == back &&
                r.link == link) {
                ++r.end;
                return;
            }
        }
        runs.push_back({offset, offset + 1, text, back, link, EcColorRun::kText, {}, {}});
    }
};

} // namespace

void CEditCtrl::BuildPaintLines(int firstVisible, int lastVisible, bool printing, std::vector<EcPaintLine>& out)
{
    out.clear();
    const int oldHotStart =
        m_nHotLink >= 0 && m_nHotLink < int(m_arrLinks.size()) ? m_arrLinks[size_t(m_nHotLink)].start : -1;
    if (m_bHyperlinks)
        m_arrLinks.clear();
    const std::string& text = m_strText.Str();
    const int len = int(text.size());
    int start = LineStartOf(m_nFirstLineOffset, true);
    for (int v = 0; v < firstVisible; ++v) {
        const int e = TrueLineEnd(start, true);
        if (e >= len)
            return;
        start = e + 1;
    }
    int end = start;
    for (int v = firstVisible; v <= lastVisible; ++v) {
        end = TrueLineEnd(end, true);
        if (v == lastVisible || end >= len)
            break;
        ++end;
    }

    const COLORREF defText = DefaultTextColor();
    const COLORREF defBack = DefaultBackColor();
    const COLORREF selText = m_bHasFocus ? m_crSelText : m_crSelText2;
    const COLORREF selBack = m_bHasFocus ? m_crSelBack : m_crSelBack2;
    const COLORREF linkText = m_crLink == kNoColor ? defText : m_crLink;

    // a whole-text block opened above: its colours up to its end
    int wholeEnd = -1;
    COLORREF wholeText = defText, wholeBack = defBack;
    int scanFrom = start;
    if (const ColorBlock* whole = WholeTextBlockAt(start)) {
        wholeEnd = FindWholeTextBlockEnd(*whole, start);
        wholeText = Resolve(whole->crText, defText);
        wholeBack = Resolve(whole->crBack, defBack);
        scanFrom = std::max(start, wholeEnd);
    }
    std::vector<ColorRange> ranges;
    ScanBlocks(scanFrom, end, ranges);
    size_t range = 0;

    const bool selection = !printing && HasSelection();
    const int selMin = selection ? std::min(m_nSelStart, m_nSelEnd) : -1;
    const int selMax = selection ? std::max(m_nSelStart, m_nSelEnd) : -1;

    std::vector<const CLineColorMarker*> lineMarkers;
    std::vector<const CHiliteMarker*> hilites;
    if (!printing) {
        for (const auto& m : m_lstMarkers) {
            if (m->m_nType & CEditMarker::kLineColor)
                if (auto* lm = dynamic_cast<const CLineColorMarker*>(m.get()))
                    lineMarkers.push_back(lm);
            if (m->m_nType & CEditMarker::kHilite)
                if (auto* hm = dynamic_cast<const CHiliteMarker*>(m.get()); hm && hm->m_nEnd > start && hm->m_nStart <= end)
                    hilites.push_back(hm);
        }
    }
    const CLineColorMarker* lineMarker = nullptr;
    auto beginLine = [&](int offset) {
        EcPaintLine l;
        l.start = offset;
        l.line = m_strText.LineOf(offset);
        out.push_back(std::move(l));
        lineMarker = nullptr;
        for (const CLineColorMarker* m : lineMarkers)
            if (m->LineRelation(out.back().line, out.back().line)) {
                lineMarker = m;
                break;
            }
    };
    auto endLine = [&]() {
        EcPaintLine& l = out.back();
        int priority = 0;
        bool firstMarker = true;
        for (const CLineColorMarker* m : lineMarkers) {
            if (!m->LineRelation(l.line, l.line))
                continue;
            if (!firstMarker && m->m_nPriority < priority)
                break;
            firstMarker = false;
            priority = m->m_nPriority;
            if (m->m_bFill) {
                l.fill = true;
                l.fillBack = Resolve(m->m_crBack, defBack);
            }
        }
    };

    LineWriter writer{out};
    beginLine(start);
    int wordLast = start - 1;
    COLORREF wordText = defText, wordBack = defBack;
    int linkExamined = start - 1;
    int linkFirst = -1, linkEnd = -1; // the current link, end excluded
    EcCollapsedRegion region;
    for (int i = start; i < end; ++i) {
        const char c = text[size_t(i)];
        COLORREF fg = defText, bg = defBack;
        bool fixed = false;
        if (selection && i >= selMin && i < selMax) {
            fg = selText;
            bg = selBack;
            fixed = true;
        } else if (lineMarker) {
            fg = Resolve(lineMarker->m_crText, defText);
            bg = Resolve(lineMarker->m_crBack, defBack);
            fixed = true;
        } else if (i < wholeEnd) {
            fg = wholeText;
            bg = wholeBack;
            fixed = true;
        } else {
            while (range < ranges.size() && ranges[range].last < i)
                ++range;
            if (range < ranges.size() && ranges[range].first <= i) {
                fg = Resolve(ranges[range].crText, defText);
                bg = Resolve(ranges[range].crBack, defBack);
                fixed = true;
            }
        }
        if (GetLineColors(i, wordLast >= i ? wordLast + 1 : -1, fg, bg, fixed))
            fixed = true;

        const bool collapsed = m_bOutlining && CollapsedAt(i, region) && region.start == i;
        if (collapsed) {
            out.back().runs.push_back({i, region.end + 1, fg, bg, false, EcColorRun::kCollapsed, region.placeholder, {}});
            i = region.end;
            wordLast = linkExamined = i;
            continue;
        }
        if (m_bSequenceImages && c != '\n' && !m_lstSequences.empty()) {
            auto seq = std::make_shared<SequenceInfo>();
            int extra = 0;
            if (MatchSequence(text, i, len, c, seq.get(), &extra, true)) {
                EcColorRun run{i, i + 1 + extra, fg, bg, false, EcColorRun::kSequence, {}, {}};
                run.sequence = std::move(seq);
                out.back().runs.push_back(std::move(run));
                i += extra;
                wordLast = linkExamined = i;
                continue;
            }
        }
        if (c != '\n') {
            if (i > wordLast) {
                int j = i;
                while (j < len && !IsDelimiter(text[size_t(j)]))
                    ++j;
                wordLast = std::max(i, j - 1);
                wordText = defText;
                wordBack = defBack;
                if (!fixed && j > i)
                    LookupKeyword(text.substr(size_t(i), size_t(j - i)), wordText, wordBack);
            }
            if (!fixed) {
                fg = wordText;
                bg = wordBack;
            }
        }
        for (const CHiliteMarker* h : hilites)
            if (i >= h->m_nStart && i < h->m_nEnd) {
                fg = Resolve(h->m_crText, fg);
                bg = Resolve(h->m_crBack, bg);
                fixed = true;
                break;
            }
        if (!fixed)
            GetCharColors(c, i, fg, bg);

        bool inLink = false;
        if (m_bHyperlinks) {
            if (i > linkExamined) {
                int j = i;
                while (j < len && m_strWhitespace.find(text[size_t(j)]) != std::string::npos)
                    ++j;
                int k = j;
                while (k < len && m_strWhitespace.find(text[size_t(k)]) == std::string::npos)
                    ++k;
                std::string link;
                int at = 0;
                if (k > j && FindHyperlink(j, k, link, at)) {
                    m_arrLinks.push_back({link, at});
                    linkFirst = at;
                    linkEnd = at + int(link.size());
                }
                linkExamined = std::max(i, k - 1);
            }
            inLink = i >= linkFirst && i < linkEnd;
            if (inLink && m_bHighlightLinks && fg != selText)
                fg = linkText;
        }

        if (c == '\n') {
            EcPaintLine& l = out.back();
            if (i < selMax && !lineMarker) {
                l.endCell = true;
                l.endText = fg;
                l.endBack = bg;
            }
            if (!printing)
                endLine();
            beginLine(i + 1);
            continue;
        }
        writer.Add(i, fg, bg, inLink);
    }
    if (selection && end < len && text[size_t(end)] == '\n' && end >= selMin && end <= selMax) {
        out.back().endCell = true;
        out.back().endText = selText;
        out.back().endBack = selBack;
    }
    if (!printing)
        endLine();

    if (m_bHyperlinks) {
        m_nCaretLink = LinkIndexAt(m_nCaret);
        m_nHotLink = oldHotStart >= 0 ? LinkIndexAt(oldHotStart) : -1;
    }
}
