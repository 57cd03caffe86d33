#include "app/panel/HtmlItemText.h"

#include <array>

void ParseItemText(std::string_view text, std::list<HtmlItem>& items, ItemTextStats* stats)
{
    int lineNo = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNo;

        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t' || line.front() == '\r' ||
                                 line.front() == '\v' || line.front() == '\f'))
            line.remove_prefix(1);
        if (line.empty())
            continue;

        std::array<std::string_view, 5> field;
        size_t count = 0;
        bool ok = true;
        for (;;) {
            const size_t bar = line.find('|');
            if (count == field.size()) {
                ok = false;
                break;
            }
            field[count++] = line.substr(0, bar);
            if (bar == std::string_view::npos)
                break;
            line.remove_prefix(bar + 1);
        }
        if (!ok || count != field.size()) {
            if (stats) {
                if (stats->badLines++ == 0)
                    stats->firstBadLine = lineNo;
            }
            continue;
        }
        items.push_back(HtmlItem{std::string(field[0]), std::string(field[1]), std::string(field[2]),
                                 std::string(field[3]), std::string(field[4])});
    }
}

std::string FormatItemText(const std::list<HtmlItem>& items)
{
    std::string out;
    for (const HtmlItem& it : items) {
        out += it.page;
        out += '|';
        out += it.name;
        out += '|';
        out += it.value;
        out += '|';
        out += it.checked;
        out += '|';
        out += it.className;
        out += '\n';
    }
    return out;
}
