#include "platform/UrlOpener.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

namespace platform {

bool OpenUrl(const std::string& utf8Url)
{
    if (utf8Url.empty() || !QGuiApplication::instance())
        return false;
    const QUrl url(QString::fromUtf8(utf8Url.data(), qsizetype(utf8Url.size())), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return false;
    return QDesktopServices::openUrl(url);
}

} // namespace platform
