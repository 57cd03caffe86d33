#include "app/GLAppDlg.h"
#include "platform/GL.h"

#include "foundation/core/InputState.h"
#include "foundation/core/Versions.h"
#include "platform/Clock.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

CGLAppDlg::CGLAppDlg()
{
    m_window.setFormat(CGLcontext::PixelFormat());
    m_window.setTitle("Quillmont");
    m_window.resize(1030, 725);
    m_window.SetEventHandler([this](QEvent* e) { return OnEvent(e); });
    m_clientWidth = 1030;
    m_clientHeight = 725;
}

CGLAppDlg::~CGLAppDlg() { Close(); }

int CGLAppDlg::DoModal()
{
    m_sigThread = platform::CreateNamedEvent("SigThread", false, false);
    m_window.show();
    m_bRunning = true;
    m_renderThread = std::thread([this] { RenderThread(); });
    return QCoreApplication::exec();
}

bool CGLAppDlg::OnEvent(QEvent* e)
{
    switch (e->type()) {
    case QEvent::Close:
        Close();
        QCoreApplication::quit();
        return true;
    case QEvent::Resize:
    case QEvent::Expose: {
        const qreal dpr = m_window.devicePixelRatio();
        m_clientWidth = int(m_window.width() * dpr);
        m_clientHeight = int(m_window.height() * dpr);
        return false;
    }
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
            m_window.close();
            return true;
        }
        return OnKey(static_cast<QKeyEvent*>(e), true);
    case QEvent::KeyRelease:
        return OnKey(static_cast<QKeyEvent*>(e), false);
    case QEvent::MouseMove: {
        const auto* m = static_cast<QMouseEvent*>(e);
        const QPoint pos = m->position().toPoint();
        g_InputState.SetMousePos(pos.x(), pos.y());
        if (m->buttons() & Qt::LeftButton)
            g_InputState.SetMouseDelta(pos.x() - m_lastMouseX, pos.y() - m_lastMouseY);
        m_lastMouseX = pos.x();
        m_lastMouseY = pos.y();
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
        const auto* m = static_cast<QMouseEvent*>(e);
        const bool down = e->type() == QEvent::MouseButtonPress;
        m_lastMouseX = m->position().toPoint().x();
        m_lastMouseY = m->position().toPoint().y();
        if (m->button() == Qt::LeftButton)
            g_InputState.SetButton(down ? CInputState::kButtonLeftDown : CInputState::kButtonNone);
        else if (down && m->button() == Qt::RightButton)
            g_InputState.SetButton(CInputState::kButtonRightDown);
        else if (down && m->button() == Qt::MiddleButton)
            g_InputState.SetButton(CInputState::kButtonMiddleDown);
        return true;
    }
    case QEvent::Wheel:
        g_InputState.SetWheel(static_cast<QWheelEvent*>(e)->angleDelta().y() > 0 ? 1 : -1);
        return true;
    case QEvent::FocusOut:
        // keys released while another window has the focus never reach us
        g_InputState.SetForward(0);
        g_InputState.SetStrafe(0);
        return false;
    default:
        return false;
    }
}

bool CGLAppDlg::OnKey(QKeyEvent* e, bool down)
{
    // Auto-repeat sends release/press pairs; only the real release stops an axis.
    if (e->isAutoRepeat() && !down)
        return true;
    if (e->key() >= Qt::Key_F1 && e->key() <= Qt::Key_F10) {
        if (down)
            m_viewRequest = e->key() - Qt::Key_F1;
        return true;
    }
    switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_A:
        g_InputState.SetStrafe(down ? -1 : 0);
        return true;
    case Qt::Key_Right:
    case Qt::Key_D:
        g_InputState.SetStrafe(down ? 1 : 0);
        return true;
    case Qt::Key_Up:
    case Qt::Key_W:
        g_InputState.SetForward(down ? 1 : 0);
        return true;
    case Qt::Key_Down:
    case Qt::Key_S:
        g_InputState.SetForward(down ? -1 : 0);
        return true;
    default:
        return false;
    }
}

void CGLAppDlg::Close()
{
    if (m_closing)
        return;
    m_closing = true;
    m_bRunning = false;
    if (m_renderThread.joinable()) {
        // keep serving GUI events while the render thread finishes
        while (m_sigThread && !m_sigThread->Wait(10))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        m_renderThread.join();
    }
}

void CGLAppDlg::RenderThread()
{
    if (m_glContext.InitGL(&m_window)) {
        int width = m_clientWidth.load(), height = m_clientHeight.load();
        m_scene.Resize(width, height);
        if (m_scene.Create()) {
            while (m_bRunning) {
                if (m_clientWidth.load() != width || m_clientHeight.load() != height) {
                    width = m_clientWidth.load();
                    height = m_clientHeight.load();
                    m_scene.Resize(width, height);
                }
                if (const int view = m_viewRequest.exchange(-1); view >= 0)
                    m_scene.SelectView(view);
                m_scene.RenderFrame(platform::TickCount());
                g_InputState.Expire();
                platform::SleepMs(1);
            }
        }
        m_scene.Free();
        m_glContext.Release();
    }
    if (m_sigThread)
        m_sigThread->Set();
}
