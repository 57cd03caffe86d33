#include "app/GLAppDlg.h"
#include "platform/GL.h"

#include "foundation/core/Versions.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>

CGLAppDlg::CGLAppDlg()
{
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
        return false;
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
    platform::GLRenderContext context;
    if (!context.Create(&m_window) || !context.MakeCurrent()) {
        CVersions::Print(false, "CGLAppDlg::RenderThread OpenGL-Kontext konnte nicht erstellt werden!\n");
    } else {
        CVersions::Print(true, "CGLAppDlg::RenderThread GL %s\n", reinterpret_cast<const char*>(glGetString(GL_VERSION)));
        while (m_bRunning) {
            glViewport(0, 0, m_clientWidth.load(), m_clientHeight.load());
            glClearColor(0.35f, 0.55f, 0.8f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
            context.SwapBuffers();
        }
        context.Release();
    }
    if (m_sigThread)
        m_sigThread->Set();
}
