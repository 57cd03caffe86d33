#include "platform/GuiDispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <atomic>

namespace platform {
namespace {
std::atomic<QObject*> g_target{nullptr};
}

void InitGuiDispatcher()
{
    static QObject* target = nullptr;
    if (!target) {
        target = new QObject(QCoreApplication::instance());
        QObject::connect(target, &QObject::destroyed, [] { g_target = nullptr; });
    }
    g_target = target;
}

bool PostToGui(std::function<void()> fn)
{
    QObject* target = g_target.load();
    if (!target)
        return false;
    return QMetaObject::invokeMethod(target, std::move(fn), Qt::QueuedConnection);
}

bool IsGuiThread()
{
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace platform
