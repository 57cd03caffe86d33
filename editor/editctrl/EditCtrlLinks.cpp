// CEditCtrl: links in the text, and the texts of the tooltip.
#include "editor/editctrl/EditCtrl.h"

#include "editor/editctrl/CodePage.h"
#include "platform/UrlOpener.h"

#include <algorithm>
#include <string_view>

bool CEditCtrl::FindHyperlink(int first, int end, std::string& link, int& linkStart) const
{
    const std::string& text = m_strText.Str();
    first = std::max(first, 0);
    end = std::min(end, int(text.size()));
    if (first >= end)
        return false;
    const std::string_view stretch(text.data() + first, size_t(end - first));
    size_t best = std::string_view::npos;
    size_t prefixLength = 0;
    for (const std::string& prefix : m_lstUrlPrefixes) {
        if (prefix.empty())
            continue; // an empty prefix would make every word a link
        for (size_t at = stretch.find(prefix); at != std::string_view::npos && at < best;
             at = stretch.find(prefix, at + 1)) {
            if (at == 0 || IsDelimiter(stretch[at - 1])) {
                best = at;
                prefixLength = prefix.size();
                break;
            }
        }
    }
    if (best == std::string_view::npos)
        return false;
    size_t last = stretch.size() - 1;
    while (last >= best + prefixLength && IsDelimiter(stretch[last]))
        --last; // a full stop or comma after an address is not part of it
    link.assign(stretch.substr(best, last + 1 - best));
    linkStart = first + int(best);
    return true;
}

int CEditCtrl::LinkIndexAt(int offset) const
{
    for (size_t i = 0; i < m_arrLinks.size(); ++i) {
        const EcLink& l = m_arrLinks[i];
        if (offset >= l.start && offset <= l.start + int(l.text.size()))
            return int(i);
    }
    return -1;
}

void CEditCtrl::OpenHyperlink(int linkStart, const std::string& link)
{
    const std::u16string wide = editctrl::BytesToUtf16(link);
    std::string utf8;
    for (char16_t ch : wide) {
        if (ch < 0x80) {
            utf8 += char(ch);
        } else if (ch < 0x800) {
            utf8 += char(0xC0 | (ch >> 6));
            utf8 += char(0x80 | (ch & 0x3F));
        } else {
            utf8 += char(0xE0 | (ch >> 12));
            utf8 += char(0x80 | ((ch >> 6) & 0x3F));
            utf8 += char(0x80 | (ch & 0x3F));
        }
    }
    platform::OpenUrl(utf8);
    m_nHotLink = -1;
    RedrawLineAt(linkStart);
}

bool CEditCtrl::GetLinkTip(std::string& text) const
{
    text.clear();
    if (!m_bHyperlinks || m_nHotLink < 0 || m_nHotLink >= int(m_arrLinks.size()))
        return false;
    const EcLink& link = m_arrLinks[size_t(m_nHotLink)];
    text = link.text + "\nCTRL + click to follow link";
    return CanShowLinkTip(link.start, text);
}

bool CEditCtrl::GetLinkText(std::string& text)
{
    text.clear();
    if (!m_bHyperlinks)
        return false;
    int index = m_nHotLink;
    if (index < 0)
        index = m_nCaretLink = LinkIndexAt(m_nCaret);
    if (index < 0 || index >= int(m_arrLinks.size()))
        return false;
    text = m_arrLinks[size_t(index)].text;
    return CanGetLinkText(m_arrLinks[size_t(index)].start, text);
}

void CEditCtrl::FollowLinkAtCaret()
{
    m_nCaretLink = LinkIndexAt(m_nCaret);
    if (m_bHyperlinks && m_nCaretLink >= 0) {
        const EcLink link = m_arrLinks[size_t(m_nCaretLink)];
        OpenHyperlink(link.start, link.text);
    }
}

void CEditCtrl::SetLinkHighlight(bool on, COLORREF color)
{
    m_bHighlightLinks = on;
    m_crLink = color == kNoColor ? m_crSelBack : color;
}

bool CEditCtrl::GetVariableTip(std::string& text) const
{
    if (m_lstVariables.empty() || text.empty())
        return false;
    for (const std::string& line : m_lstVariables) {
        if (line.empty())
            return false;
        const size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 >= line.size())
            continue;
        if (std::string_view(line).substr(0, eq) == text) {
            // the value keeps any further "=" it holds
            text = line.substr(0, eq) + " = " + line.substr(eq + 1);
            return true;
        }
    }
    return false;
}

bool CEditCtrl::GetWordAtPoint(EcPoint pt, std::string& word) const
{
    word.clear();
    const int at = OffsetFromPoint(pt, false, false);
    const std::string& text = m_strText.Str();
    if (at < 0 || at >= int(text.size()) || IsDelimiter(text[size_t(at)]))
        return false;
    int a = at, b = at;
    while (a > 0 && !IsDelimiter(text[size_t(a - 1)]))
        --a;
    while (b < int(text.size()) && !IsDelimiter(text[size_t(b)]))
        ++b;
    word = text.substr(size_t(a), size_t(b - a));
    return true;
}

bool CEditCtrl::GetTipText(EcPoint pt, std::string& text, bool& wide)
{
    wide = true;
    text.clear();
    if (!(m_bHyperlinks && GetLinkTip(text)) && !(m_bOutlining && CollapsedTextAtPoint(pt.x, pt.y, text))) {
        wide = false;
        GetWordAtPoint(pt, text);
    }
    if (GetVariableTip(text))
        wide = true;
    return !text.empty() && CanShowToolTip(text);
}
