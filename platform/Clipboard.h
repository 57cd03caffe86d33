#pragma once

class QImage;

namespace platform {

// The system clipboard's picture. GUI thread only (false elsewhere or without an
// application object).
bool SetClipboardImage(const QImage& image);
// False when the clipboard holds no picture.
bool GetClipboardImage(QImage& out);

} // namespace platform
