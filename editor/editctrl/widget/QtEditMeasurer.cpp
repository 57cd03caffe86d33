#include "editor/editctrl/widget/QtEditMeasurer.h"

#include "editor/editctrl/CodePage.h"

#include <QChar>

CQtEditMeasurer::CQtEditMeasurer(const QFont& font, QPaintDevice* device)
    : m_font(font), m_metrics(device ? QFontMetrics(font, device) : QFontMetrics(font))
{
}

void CQtEditMeasurer::SetFont(const QFont& font, QPaintDevice* device)
{
    m_font = font;
    m_metrics = device ? QFontMetrics(font, device) : QFontMetrics(font);
}

int CQtEditMeasurer::FontHeight() const { return m_metrics.height(); }

int CQtEditMeasurer::MaxCharWidth() const
{
    // the width the view scrolls by: a fixed-pitch cell, or the widest Latin letter
    return std::max(m_metrics.horizontalAdvance(QChar('W')), m_metrics.horizontalAdvance(QChar('M')));
}

int CQtEditMeasurer::AveCharWidth() const { return m_metrics.averageCharWidth(); }

int CQtEditMeasurer::CharWidth(unsigned char c) const
{
    if (c == '\n' || c == '\r')
        return m_metrics.horizontalAdvance(QChar(' '));
    return m_metrics.horizontalAdvance(QChar(editctrl::ByteToUnicode(c)));
}
