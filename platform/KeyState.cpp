#include "platform/KeyState.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QObject>

#include <atomic>

namespace platform {
namespace {

std::atomic<bool> g_held[256];

// X11 key symbols of the sided modifiers.
constexpr unsigned kXkShiftL = 0xffe1, kXkShiftR = 0xffe2, kXkControlL = 0xffe3, kXkControlR = 0xffe4;

int SidedKey(const QKeyEvent* e)
{
    switch (e->nativeVirtualKey()) {
    case kXkShiftL: return vkside::kLShift;
    case kXkShiftR: return vkside::kRShift;
    case kXkControlL: return vkside::kLControl;
    case kXkControlR: return vkside::kRControl;
    default: break;
    }
    const int key = e->key();
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return '0' + (key - Qt::Key_0);
    return 0;
}

class KeyFeeder : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* e = static_cast<QKeyEvent*>(event);
            if (!e->isAutoRepeat())
                if (const int vk = SidedKey(e))
                    SetKeyHeld(vk, event->type() == QEvent::KeyPress);
            break;
        }
        case QEvent::ApplicationDeactivate: ClearKeysHeld(); break;
        default: break;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

bool IsKeyHeld(int virtualKey)
{
    return virtualKey >= 0 && virtualKey < 256 && g_held[virtualKey].load(std::memory_order_relaxed);
}

void SetKeyHeld(int virtualKey, bool down)
{
    if (virtualKey >= 0 && virtualKey < 256)
        g_held[virtualKey].store(down, std::memory_order_relaxed);
}

void ClearKeysHeld()
{
    for (auto& key : g_held)
        key.store(false, std::memory_order_relaxed);
}

void TrackKeyStates()
{
    static KeyFeeder* feeder = nullptr;
    auto* app = QCoreApplication::instance();
    if (feeder || !app)
        return;
    feeder = new KeyFeeder(app);
    app->installEventFilter(feeder);
}

} // namespace platform
