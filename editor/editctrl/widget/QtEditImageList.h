#pragma once
// Pictures the edit control shows in place of special sequences.

#include "editor/editctrl/EditPorts.h"

#include <QPixmap>

#include <vector>

class QPainter;

class CQtEditImageList : public IEditImageList
{
public:
    void Add(const QPixmap& image) { m_images.push_back(image); }
    int ImageCount() const override { return int(m_images.size()); }
    EcPoint ImageSize(int index) const override;
    // draws the image with its transparency at (x, y); nothing for a bad index
    void Draw(QPainter& p, int index, int x, int y) const;

private:
    std::vector<QPixmap> m_images;
};
