#pragma once
// What one paint of the edit control draws, decided without a display: per
// visible line, runs of characters of equal colours and link state.

#include "editor/editctrl/SettingsText.h"

#include <memory>
#include <string>
#include <vector>

// A character sequence shown as an image in place of its text (dormant
// unless a list is filled and m_bSequenceImages is on).
struct SequenceInfo {
    std::string name;
    std::string text;
    int image = -1; // index into the control's image list
    int value1 = 0;
    int value2 = 1;
    char key = 0; // a single character that stands for the sequence; 0 for none
};

// One stretch found by the block scan; last is inclusive.
struct ColorRange {
    int first = 0;
    int last = 0;
    COLORREF crText = kNoColor;
    COLORREF crBack = kNoColor;
};

struct EcColorRun {
    enum Kind { kText, kCollapsed, kSequence };
    int start = 0; // first offset
    int end = 0;   // offset after the run (a collapsed run: after the region)
    COLORREF crText = 0;
    COLORREF crBack = 0;
    bool link = false;
    Kind kind = kText;
    std::string placeholder; // a collapsed run's text
    std::shared_ptr<const SequenceInfo> sequence; // a sequence run's
};

// One visible line: its runs, then what follows its last character.
struct EcPaintLine {
    int start = 0; // offset of the first character
    int line = 0;  // zero-based line of the text
    std::vector<EcColorRun> runs;
    bool endCell = false; // a blank cell after the text (a selected line end)
    COLORREF endText = 0;
    COLORREF endBack = 0;
    bool fill = false; // the rest of the line filled by a line-colour marker
    COLORREF fillBack = 0;
};

struct EcLink {
    std::string text;
    int start = 0;
};
