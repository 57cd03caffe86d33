#pragma once
#include "app/panel/HtmlItemStore.h"

#include <string>
#include <vector>

// What the page reports for a mouse-up on an input element, read from the
// element's properties (the live state, before the click handler runs).
struct PanelInputReport {
    std::string className;
    std::string name;
    bool checked = false;
    std::string value;
};

// What the panel does with one mouse-up.
struct PanelMouseUp {
    bool setPending = false; // a tab: make `pendingPage` the page to push next
    std::string pendingPage;
    bool update = false;     // any other input: Update the store with `item`
    HtmlItem item;
};

// The page name of a document: its file name without the extension
// ("file:///x/html/Tracks.htm" -> "Tracks").
std::string PanelPageFromUrl(const std::string& url);

// The mouse-up rules: a tab (class exactly "tab") names the next page to push
// unless one is pending; every other input becomes a store item of the page,
// adjusted by its class.
PanelMouseUp PanelOnMouseUp(const PanelInputReport& report, const std::string& documentUrl,
                            const std::string& pendingPage);

// The scripts that push the stored items of a page into its document, in store
// order. Walks the store under its lock; a red button is never pushed and its
// checked text is reset to "0". Every value is embedded as a JSON string literal.
std::vector<std::string> PanelPushScripts(CHtmlItemStore& store, const std::string& page);

// The range of a slider of the panel pages, the same as the page's min and max.
struct PanelSliderRange {
    const char* page;
    const char* name;
    int min;
    int max;
};
// Null for a slider the pages do not have.
const PanelSliderRange* PanelSliderRangeOf(const std::string& page, const std::string& name);
// A stored slider text as the page shows it and the program takes it: its leading
// integer held to the slider's range (any other slider: not below 0). False when
// the text holds no number: the page keeps its own value and the program its
// current one.
bool PanelSliderValue(const std::string& page, const std::string& name, const std::string& text, int& value);

// The text as a JavaScript/JSON string literal, quotes included.
std::string JsonQuote(const std::string& text);

// The script that sets the body margins in pixels.
std::string PanelMarginScript(int left, int top);

struct PanelRect {
    int x = 0, y = 0, width = 0, height = 0;
};
// Where the panel goes for an owner whose client area is `client` (screen
// coordinates): the right 460 pixels of it, reaching 38 pixels up over the caption.
PanelRect PanelPlacement(const PanelRect& client);

inline constexpr int kPanelWidth = 460;
inline constexpr int kPanelOverlap = 38;
inline constexpr int kPanelMarginLeft = 48;
inline constexpr int kPanelMarginTop = 80;
