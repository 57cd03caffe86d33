// CEditCtrl: the whole text as an HTML fragment in its syntax colours.
#include "editor/editctrl/EditCtrl.h"

#include <cstdio>

void CEditCtrl::EscapeHtml(std::string& text) const
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case ' ': out += "&nbsp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    text.swap(out);
}

void CEditCtrl::GetHtmlText(std::string& out) const
{
    const std::string& text = m_strText.Str();
    const int len = int(text.size());
    const COLORREF defText = DefaultTextColor();
    const COLORREF defBack = DefaultBackColor();
    std::vector<ColorRange> ranges;
    ScanBlocks(0, len, ranges);
    size_t range = 0;

    std::string buffer;
    auto flush = [&] {
        EscapeHtml(buffer);
        out += buffer;
        buffer.clear();
    };
    bool started = false;
    COLORREF curText = 0, curBack = 0;
    int wordLast = -1;
    COLORREF wordText = defText, wordBack = defBack;
    int column = 0;
    for (int i = 0; i < len; ++i) {
        const char c = text[size_t(i)];
        COLORREF fg = defText, bg = defBack;
        bool fixed = false;
        while (range < ranges.size() && ranges[range].last < i)
            ++range;
        if (range < ranges.size() && ranges[range].first <= i) {
            fg = ranges[range].crText == kNoColor ? defText : ranges[range].crText;
            bg = ranges[range].crBack == kNoColor ? defBack : ranges[range].crBack;
            fixed = true;
        }
        if (GetLineColors(i, wordLast >= i ? wordLast + 1 : -1, fg, bg, fixed))
            fixed = true;
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
        if (!fixed)
            GetCharColors(c, i, fg, bg);
        if (!started || fg != curText || bg != curBack) {
            flush();
            char tag[40];
            std::snprintf(tag, sizeof tag, "<font color=\"#%02x%02x%02x\">", unsigned(fg & 0xFF),
                          unsigned((fg >> 8) & 0xFF), unsigned((fg >> 16) & 0xFF));
            out += tag;
            started = true;
            curText = fg;
            curBack = bg;
        }
        if (c == '\n') {
            flush();
            out += "<BR>\n";
            column = 0;
            continue;
        }
        if (c == '\t' && m_nTabWidth > 0) {
            const int span = m_nTabWidth - column % m_nTabWidth;
            buffer.append(size_t(span), ' ');
            column += span;
        } else {
            buffer += c;
            ++column;
        }
        if (int(buffer.size()) >= m_nMaxLineLength - 1)
            flush();
    }
    flush();
}
