#include "platform/Clipboard.h"

#include "platform/GuiDispatcher.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

namespace platform {

namespace {
QClipboard* Board()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()) || !IsGuiThread())
        return nullptr;
    return QGuiApplication::clipboard();
}
} // namespace

bool SetClipboardImage(const QImage& image)
{
    QClipboard* board = Board();
    if (!board || image.isNull())
        return false;
    board->setImage(image);
    return true;
}

bool GetClipboardImage(QImage& out)
{
    QClipboard* board = Board();
    if (!board)
        return false;
    const QMimeData* data = board->mimeData();
    if (!data || !data->hasImage())
        return false;
    out = board->image();
    return !out.isNull();
}

} // namespace platform
