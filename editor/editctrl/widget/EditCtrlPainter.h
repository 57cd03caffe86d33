#pragma once
// Paints the edit control: text area with its colour runs, and the marker,
// line-number and outline margins.

#include <QFont>
#include <QRect>

#include <memory>

class CEditCtrl;
class QPainter;
struct EditGlyphTable;

struct EditPaintFonts {
    QFont text;
    QFont link; // the underlined copy
    int ascent = 0;
    // the text font's glyph of each code-page byte, made at the first screen
    // paint with that font
    mutable std::shared_ptr<const EditGlyphTable> glyphs;
};

// The text area within `clip`; printing leaves out selection and markers and
// draws into the control's whole text rectangle.
void PaintEditText(CEditCtrl& ctrl, QPainter& p, const QRect& clip, const EditPaintFonts& fonts, bool printing);
// Background, text and the margins, as a window paint does.
void PaintEditCtrl(CEditCtrl& ctrl, QPainter& p, const QRect& clip, const EditPaintFonts& fonts);
