#pragma once
// Font metrics of the edit control from a QFont, on the screen or a printer.

#include "editor/editctrl/EditPorts.h"

#include <QFont>
#include <QFontMetrics>

class QPaintDevice;

class CQtEditMeasurer : public IEditMeasurer
{
public:
    explicit CQtEditMeasurer(const QFont& font, QPaintDevice* device = nullptr);
    void SetFont(const QFont& font, QPaintDevice* device = nullptr);
    const QFont& Font() const { return m_font; }
    int Ascent() const { return m_metrics.ascent(); }

    int FontHeight() const override;
    int MaxCharWidth() const override;
    int AveCharWidth() const override;
    int CharWidth(unsigned char c) const override;

private:
    QFont m_font;
    QFontMetrics m_metrics;
};
