#include "app/panel/PanelRules.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <strings.h>

namespace {

// The leading integer of a text, as atoi reads it, clamped to int; 0 when none.
int ReadInt(const std::string& text)
{
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return int(v);
}

bool Contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

bool EqualsNoCase(const std::string& a, const char* b)
{
    return strcasecmp(a.c_str(), b) == 0;
}

// Sets one property of the element with that name; a value change is announced
// with an "input" event so the page's own labels follow.
std::string SetPropertyScript(const std::string& name, const char* property, const std::string& jsValue,
                              bool announce)
{
    std::string s = "(function(){var e=document.getElementsByName(" + JsonQuote(name) + ")[0];if(e){e." + property +
                    "=" + jsValue + ";";
    if (announce)
        s += "e.dispatchEvent(new Event('input',{bubbles:true}));";
    s += "}})();";
    return s;
}

} // namespace

const PanelSliderRange* PanelSliderRangeOf(const std::string& page, const std::string& name)
{
    static const PanelSliderRange kRanges[] = {
        {"Options", "framerate", 10, 120},
        {"Trains", "Speed", 0, 200},
    };
    for (const PanelSliderRange& r : kRanges)
        if (page == r.page && name == r.name)
            return &r;
    return nullptr;
}

bool PanelSliderValue(const std::string& page, const std::string& name, const std::string& text, int& value)
{
    const char* start = text.c_str();
    char* end = nullptr;
    const long v = std::strtol(start, &end, 10);
    if (end == start)
        return false;
    const PanelSliderRange* range = PanelSliderRangeOf(page, name);
    const long lo = range ? range->min : 0;
    const long hi = range ? range->max : INT_MAX;
    value = int(v < lo ? lo : v > hi ? hi : v);
    return true;
}

std::string PanelPageFromUrl(const std::string& url)
{
    std::string path = url;
    const size_t cut = path.find_first_of("?#");
    if (cut != std::string::npos)
        path.resize(cut);
    const size_t slash = path.find_last_of("/\\");
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = file.rfind('.');
    if (dot != std::string::npos)
        file.resize(dot);
    return file;
}

PanelMouseUp PanelOnMouseUp(const PanelInputReport& report, const std::string& documentUrl,
                            const std::string& pendingPage)
{
    PanelMouseUp out;
    const std::string& cls = report.className;
    if (cls == "tab") {
        if (pendingPage.empty()) {
            out.setPending = true;
            out.pendingPage = report.value;
        }
        return out;
    }

    HtmlItem& item = out.item;
    item.name = report.name;
    item.checked = report.checked ? "-1" : "0";
    item.value = report.value;
    item.page = PanelPageFromUrl(documentUrl);
    item.className = cls;

    if (Contains(cls, "toggleButton")) {
        // the class before the page's click handler flips it: "active" means the
        // button is being switched off
        item.value = Contains(cls, "active") ? "1" : "0";
    } else if (cls == "styledCheckbox") {
        // the box changes after the mouse-up: store the state it is about to take
        item.checked = ReadInt(item.checked) == 0 ? "1" : "0";
        item.value = item.checked;
    } else if (cls == "rangeSlider") {
        item.value = std::to_string(ReadInt(item.value));
    } else if (cls == "styledButtonRed") {
        item.checked = "1";
    }
    out.update = true;
    return out;
}

std::vector<std::string> PanelPushScripts(CHtmlItemStore& store, const std::string& page)
{
    std::vector<std::string> scripts;
    std::lock_guard guard(store);
    for (HtmlItem& it : store.Items()) {
        if (it.page != page)
            continue;
        if (Contains(it.className, "toggleButton")) {
            scripts.push_back(std::string("updateToggleButtonState(") + (it.value == "0" ? "false" : "true") + ");");
        } else if (EqualsNoCase(it.className, "rangeSlider")) {
            int v = 0;
            if (PanelSliderValue(it.page, it.name, it.value, v))
                scripts.push_back(SetPropertyScript(it.name, "value", JsonQuote(std::to_string(v)), true));
        } else if (EqualsNoCase(it.className, "styledCheckbox")) {
            scripts.push_back(SetPropertyScript(it.name, "checked", ReadInt(it.checked) == 1 ? "true" : "false", false));
        } else if (EqualsNoCase(it.className, "styledButtonRed")) {
            it.checked = "0";
        } else {
            scripts.push_back(SetPropertyScript(it.name, "value", JsonQuote(it.value), true));
        }
    }
    return scripts;
}

std::string JsonQuote(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '<': out += "\\u003c"; break; // never "</script>" in a literal
        default:
            if (c < 0x20 || c == 0x7f) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += char(c);
            }
        }
    }
    out += "\"";
    return out;
}

std::string PanelMarginScript(int left, int top)
{
    char buf[128];
    std::snprintf(buf, sizeof buf, "document.body.style.marginLeft='%dpx'; document.body.style.marginTop='%dpx';",
                  left, top);
    return buf;
}

PanelRect PanelPlacement(const PanelRect& client)
{
    const int right = client.x + client.width;
    return {right - kPanelWidth, client.y - kPanelOverlap, kPanelWidth, client.height + kPanelOverlap};
}
