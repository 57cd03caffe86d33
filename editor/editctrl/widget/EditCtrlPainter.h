#pragma once
// Paints the edit control: text area with its colour runs, and the marker,
// line-number and outline margins.

#include <QFont>
#include <QRect>

class CEditCtrl;
class QPainter;

struct EditPaintFonts {
    QFont text;
    QFont link; // the underlined copy
    int ascent = 0;
};

// The text area within `clip`; printing leaves out selection and markers and
// draws into the control's whole text rectangle.
void PaintEditText(CEditCtrl& ctrl, QPainter& p, const QRect& clip, const EditPaintFonts& fonts, bool printing);
// Background, text and the margins, as a window paint does.
void PaintEditCtrl(CEditCtrl& ctrl, QPainter& p, const QRect& clip, const EditPaintFonts& fonts);
