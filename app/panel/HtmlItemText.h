#pragma once
#include "app/panel/HtmlItemStore.h"

#include <list>
#include <string>
#include <string_view>

struct ItemTextStats {
    int badLines = 0;     // lines that are not five fields split by '|'
    int firstBadLine = 0; // 1-based number of the first of them (0 when none)
};

// Appends one item per line "page|name|value|checked|className". Fields may be
// empty or of any length; a trailing '\r' and leading blanks of a line are
// dropped; blank lines are ignored; any other line without exactly five fields is
// skipped and counted.
void ParseItemText(std::string_view text, std::list<HtmlItem>& items, ItemTextStats* stats = nullptr);
// One line "%s|%s|%s|%s|%s\n" per item, in list order.
std::string FormatItemText(const std::list<HtmlItem>& items);
