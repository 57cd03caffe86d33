#include "app/shell/GLAppApp.h"

#include "app/shell/GLAppDlg.h"
#include "app/shell/PlatformChoice.h"
#include "app/shell/StaleSaves.h"
#include "editor/window/LuaEditHost.h"
#include "platform/GuiDispatcher.h"

#include <QApplication>
#include <QMessageBox>
#include <QOpenGLContext>
#include <clocale>
#include <cstdlib>

int CGLAppApp::InitInstance(int& argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    // X11 even in a Wayland session, unless the user chose a platform
    if (const char* platform = shell::ChooseQtPlatform(argc, argv, std::getenv("QT_QPA_PLATFORM")))
        setenv("QT_QPA_PLATFORM", platform, 1);
    QApplication qapp(argc, argv);
    // Qt takes the locale from the environment; files need "%f" with a point
    std::setlocale(LC_NUMERIC, "C");
    RemoveStaleSaves();
    QCoreApplication::setOrganizationName("QuillmontApp");
    platform::InitGuiDispatcher();
    CLuaEditHost::Install();  // F11's script editors
    // the render thread draws with a context of its own
    if (!QOpenGLContext::supportsThreadedOpenGL()) {
        QMessageBox::critical(nullptr, "Quillmont", "Failed to initialize OpenGL on a render thread");
        return 1;
    }
    CGLAppDlg dlg;
    dlg.DoModal();
    return 0;
}
