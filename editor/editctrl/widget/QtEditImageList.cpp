#include "editor/editctrl/widget/QtEditImageList.h"

#include <QPainter>

EcPoint CQtEditImageList::ImageSize(int index) const
{
    if (index < 0 || index >= ImageCount())
        return {};
    const QPixmap& image = m_images[size_t(index)];
    return {image.width(), image.height()};
}

void CQtEditImageList::Draw(QPainter& p, int index, int x, int y) const
{
    if (index >= 0 && index < ImageCount())
        p.drawPixmap(x, y, m_images[size_t(index)]);
}
