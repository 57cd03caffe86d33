#include "platform/Icon.h"

#include "resources/Resources.h"

#include <QIcon>
#include <QPixmap>

namespace platform {

QIcon LoadIcon(unsigned id)
{
    std::vector<uint8_t> bytes;
    QPixmap pixmap;
    if (!resources::Find("ICON", id, bytes) || !pixmap.loadFromData(bytes.data(), uint(bytes.size())))
        return QIcon();
    return QIcon(pixmap);
}

} // namespace platform
