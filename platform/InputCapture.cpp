#include "platform/InputCapture.h"

#include <QCursor>
#include <QGuiApplication>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

namespace platform {
namespace {

xcb_connection_t* X11Connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

QPoint Centre(const QWindow& w) { return w.mapToGlobal(QPoint(w.width() / 2, w.height() / 2)); }

} // namespace

bool ConfinePointer(QWindow& window, bool on)
{
    xcb_connection_t* c = X11Connection();
    if (!c)
        return window.setMouseGrabEnabled(on);
    if (!on) {
        xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
        xcb_flush(c);
        return true;
    }
    const auto id = xcb_window_t(window.winId());
    const uint16_t mask = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                          XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_ENTER_WINDOW |
                          XCB_EVENT_MASK_LEAVE_WINDOW;
    auto cookie = xcb_grab_pointer(c, 1, id, mask, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, id, XCB_NONE,
                                   XCB_CURRENT_TIME);
    xcb_grab_pointer_reply_t* reply = xcb_grab_pointer_reply(c, cookie, nullptr);
    const bool ok = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    free(reply);
    return ok;
}

InputCapture::~InputCapture()
{
    if (m_active)
        End();
}

void InputCapture::Begin()
{
    if (m_active)
        return;
    const QPoint saved = QCursor::pos();
    m_savedX = saved.x();
    m_savedY = saved.y();
    ConfinePointer(m_window, true);
    m_window.setKeyboardGrabEnabled(true);
    m_window.setCursor(Qt::BlankCursor);
    QCursor::setPos(Centre(m_window));
    m_active = true;
}

void InputCapture::End()
{
    if (!m_active)
        return;
    m_active = false;
    m_window.setKeyboardGrabEnabled(false);
    ConfinePointer(m_window, false);
    m_window.setCursor(Qt::ArrowCursor);
    const QPoint saved(m_savedX, m_savedY);
    const QRect frame = m_window.frameGeometry();
    QCursor::setPos(frame.contains(saved) ? saved : frame.topLeft() + QPoint(frame.width() / 2, frame.height() / 2));
    m_window.requestActivate();
}

bool InputCapture::Motion(const QPoint& pos, int& dx, int& dy)
{
    const QPoint centre(m_window.width() / 2, m_window.height() / 2);
    dx = pos.x() - centre.x();
    dy = pos.y() - centre.y();
    if (dx == 0 && dy == 0)
        return false;
    QCursor::setPos(m_window.mapToGlobal(centre));
    return true;
}

} // namespace platform
