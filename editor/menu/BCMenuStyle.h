#pragma once
#include <QProxyStyle>

// Measures and draws the items of an OwnerDrawMenu through the BCMenu that holds
// them; everything else is the base style's.
class BCMenuStyle : public QProxyStyle {
    Q_OBJECT
public:
    BCMenuStyle();

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
};
