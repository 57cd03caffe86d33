#pragma once
#include "foundation/image/ImageSource.h"

#include <QImage>

// Rows described by a header (either orientation) as a picture, top row first;
// null when the header describes no 8, 24 or 32-bit picture. The picture shares
// the bits where it can.
QImage PictureOfBits(const BitmapInfoHeader& header, const void* bits, int sourceWidth = 0, int sourceHeight = 0);
// Draws source stretched over the whole of target.
void StretchImage(QImage& target, const QImage& source);
