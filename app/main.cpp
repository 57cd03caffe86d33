#include "app/GLAppApp.h"
#include "platform/GuiDispatcher.h"

#include <QApplication>
#include <clocale>
#include <cstdlib>

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (!std::getenv("QTWEBENGINE_DISABLE_SANDBOX"))
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    QApplication qapp(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    platform::InitGuiDispatcher();
    CGLAppApp app;
    return app.InitInstance();
}
